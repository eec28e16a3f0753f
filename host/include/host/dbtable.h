// Tables (ACAD_TABLE) and the values of their cells.
#pragma once

#include <memory>
#include <string>

#include "host/dbents.h"

namespace AcDb {
// Kind of a table cell.
enum CellType { kUnknownCell = 0, kTextCell = 1, kBlockCell = 2, kMultipleContentCell = 3 };
}  // namespace AcDb

// The value of one content of a table cell. A string value lends its text
// (valid while the value lives and is not changed); assigning a string makes
// it a string value.
class ARXHOST_API AcValue {
public:
    enum DataType {
        kUnknown = 0,
        kLong = 1,
        kDouble = 2,
        kString = 4,
        kDate = 8,
        kPoint = 0x10,
        k3dPoint = 0x20,
        kObjectId = 0x40,
        kBuffer = 0x80,
        kResbuf = 0x100,
        kGeneral = 0x200
    };
    AcValue();
    explicit AcValue(const ACHAR* text);
    AcValue(const AcValue& other);
    AcValue& operator=(const AcValue& other);
    ~AcValue();

    DataType dataType() const;
    // The string of a string value, else null.
    operator const ACHAR*() const;
    bool set(const ACHAR* text);
    AcValue& operator=(const ACHAR* text);

    // The value's text in the host's UTF-8 and its type code as the file keeps it.
    struct Data;
    const Data& data() const;
    Data& data();

private:
    std::unique_ptr<Data> data_;
};

class ARXHOST_API AcDbTable : public AcDbBlockReference {
public:
    ACRX_DECLARE_MEMBERS(AcDbTable);
    AcDbTable();
    ~AcDbTable() override;

    int numRows() const;
    int numColumns() const;
    AcDb::CellType cellType(int row, int column) const;
    // Number of contents of a cell: those the table's content object lists
    // (drawings from 2010 on), else one for a text cell that holds a value.
    int numContents(int row, int column) const;
    // The value of content `content` of a cell; an empty value when there is none.
    AcValue value(int row, int column, int content) const;
    // Stores the value in the cell and, where the drawing keeps the cell texts
    // twice, in the table's content object as well. The table's stored picture
    // and the texts of the block that shows it are brought up to date, so other
    // programs do not go on showing the old text.
    Acad::ErrorStatus setValue(int row, int column, int content, const AcValue& value);
};
