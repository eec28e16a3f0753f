// Symbol tables and their records: blocks, layers, text styles, linetypes,
// views, UCSs, viewports, registered applications, dimension styles.
//
// Record names are unique in their table without regard to case. A valid name
// is 1 to 255 code units long and holds none of  < > / \ " : ; ? * | , = `
// except that a backslash may start a "\U+XXXX" or "\M+NXXXX" escape.
#pragma once

#include "host/dbmain.h"

namespace arxhost {
struct IteratorState;
}
class AcDbBlockTableRecordIterator;
class AcDbSymbolTableIterator;
class AcDbEntity;

class ARXHOST_API AcDbSymbolTableRecord : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbSymbolTableRecord);
    AcDbSymbolTableRecord();
    ~AcDbSymbolTableRecord() override;

    // The name as a copy the caller releases (acStrFree).
    Acad::ErrorStatus getName(ACHAR*& name) const;
    // eInvalidSymbolTableName, eDuplicateRecordName, eNotApplicable for the
    // records whose names are fixed (layer 0, ByLayer, ByBlock, the spaces).
    Acad::ErrorStatus setName(const ACHAR* name);
    bool isDependent() const;
    bool isResolved() const;
};

class ARXHOST_API AcDbSymbolTable : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbSymbolTable);
    AcDbSymbolTable();
    ~AcDbSymbolTable() override;

    Acad::ErrorStatus getAt(const ACHAR* name, AcDbObjectId& id, bool getErased = false) const;
    Acad::ErrorStatus getAt(const ACHAR* name, AcDbSymbolTableRecord*& rec, AcDb::OpenMode mode,
                            bool openErased = false) const;
    Acad::ErrorStatus getIdAt(const ACHAR* name, AcDbObjectId& id, bool getErased = false) const {
        return getAt(name, id, getErased);
    }
    bool has(const ACHAR* name) const;
    bool has(AcDbObjectId id) const;
    // Adds a new record (not yet in a database) to the table open for write;
    // the record is then in the database, open for write, and its caller closes it.
    Acad::ErrorStatus add(AcDbSymbolTableRecord* rec);
    Acad::ErrorStatus add(AcDbObjectId& id, AcDbSymbolTableRecord* rec);
    Acad::ErrorStatus newIterator(AcDbSymbolTableIterator*& it, bool atBeginning = true,
                                  bool skipDeleted = true) const;

protected:
    Acad::ErrorStatus initIterator(AcDbSymbolTableIterator* it, bool atBeginning, bool skipDeleted) const;
};

// Walks the records of a table as they were when it was made; the table need
// not stay open. Deleted by its caller.
class ARXHOST_API AcDbSymbolTableIterator {
public:
    virtual ~AcDbSymbolTableIterator();
    AcDbSymbolTableIterator(const AcDbSymbolTableIterator&) = delete;
    AcDbSymbolTableIterator& operator=(const AcDbSymbolTableIterator&) = delete;

    void start(bool atBeginning = true, bool skipDeleted = true);
    bool done() const;
    void step(bool goForward = true, bool skipDeleted = true);
    Acad::ErrorStatus getRecordId(AcDbObjectId& id) const;
    Acad::ErrorStatus getRecord(AcDbSymbolTableRecord*& rec, AcDb::OpenMode mode = AcDb::kForRead,
                                bool openErased = false) const;
    Acad::ErrorStatus seek(AcDbObjectId id);

protected:
    AcDbSymbolTableIterator();
    Acad::ErrorStatus openRecord(AcDbSymbolTableRecord*& rec, AcDb::OpenMode mode, bool openErased,
                                 const AcRxClass* filter) const;

private:
    friend class AcDbSymbolTable;
    friend struct arxhost::Access;
    arxhost::IteratorState* state_;
};

#define ARX_SYMBOL_TABLE(TABLE, RECORD, ITERATOR)                                                    \
    class ARXHOST_API ITERATOR : public AcDbSymbolTableIterator {                                   \
    public:                                                                                          \
        ITERATOR() = default;                                                                        \
        ~ITERATOR() override = default;                                                              \
        using AcDbSymbolTableIterator::getRecord;                                                    \
        Acad::ErrorStatus getRecord(RECORD*& rec, AcDb::OpenMode mode = AcDb::kForRead,              \
                                    bool openErased = false) const {                                 \
            AcDbSymbolTableRecord* r = nullptr;                                                      \
            Acad::ErrorStatus es = openRecord(r, mode, openErased, RECORD::desc());                  \
            rec = static_cast<RECORD*>(r);                                                           \
            return es;                                                                               \
        }                                                                                            \
    };                                                                                               \
    class ARXHOST_API TABLE : public AcDbSymbolTable {                                               \
    public:                                                                                          \
        ACRX_DECLARE_MEMBERS(TABLE);                                                                 \
        TABLE();                                                                                     \
        ~TABLE() override;                                                                           \
        using AcDbSymbolTable::add;                                                                  \
        using AcDbSymbolTable::getAt;                                                                \
        using AcDbSymbolTable::newIterator;                                                          \
        Acad::ErrorStatus getAt(const ACHAR* name, RECORD*& rec, AcDb::OpenMode mode,                \
                                bool openErased = false) const {                                     \
            AcDbObjectId id;                                                                         \
            rec = nullptr;                                                                           \
            Acad::ErrorStatus es = getAt(name, id, openErased);                                      \
            return es == Acad::eOk ? acdbOpenObject(rec, id, mode, openErased) : es;                 \
        }                                                                                            \
        Acad::ErrorStatus add(RECORD* rec) { return AcDbSymbolTable::add(rec); }                     \
        Acad::ErrorStatus add(AcDbObjectId& id, RECORD* rec) { return AcDbSymbolTable::add(id, rec); } \
        Acad::ErrorStatus newIterator(ITERATOR*& it, bool atBeginning = true,                        \
                                      bool skipDeleted = true) const {                               \
            ITERATOR* p = new ITERATOR();                                                            \
            Acad::ErrorStatus es = initIterator(p, atBeginning, skipDeleted);                        \
            if (es != Acad::eOk) {                                                                   \
                delete p;                                                                            \
                p = nullptr;                                                                         \
            }                                                                                        \
            it = p;                                                                                  \
            return es;                                                                               \
        }                                                                                            \
    }

class ARXHOST_API AcDbLayerTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbLayerTableRecord);
    AcDbLayerTableRecord();
    ~AcDbLayerTableRecord() override;
    bool isLocked() const;
    Acad::ErrorStatus setIsLocked(bool locked);
    bool isFrozen() const;
    Acad::ErrorStatus setIsFrozen(bool frozen);
    bool isOff() const;
    Acad::ErrorStatus setIsOff(bool off);
    int16_t colorIndex() const;
    Acad::ErrorStatus setColorIndex(int16_t color);
    AcDbObjectId linetypeObjectId() const;
};

class ARXHOST_API AcDbLinetypeTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbLinetypeTableRecord);
    AcDbLinetypeTableRecord();
    ~AcDbLinetypeTableRecord() override;
    // The description as a copy the caller releases.
    Acad::ErrorStatus comments(ACHAR*& text) const;
    Acad::ErrorStatus setComments(const ACHAR* text);
};

class ARXHOST_API AcDbTextStyleTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbTextStyleTableRecord);
    AcDbTextStyleTableRecord();
    ~AcDbTextStyleTableRecord() override;
    Acad::ErrorStatus fileName(ACHAR*& name) const;
    Acad::ErrorStatus setFileName(const ACHAR* name);
};

class ARXHOST_API AcDbDimStyleTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbDimStyleTableRecord);
    AcDbDimStyleTableRecord();
    ~AcDbDimStyleTableRecord() override;
};

class ARXHOST_API AcDbUCSTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbUCSTableRecord);
    AcDbUCSTableRecord();
    ~AcDbUCSTableRecord() override;
};

class ARXHOST_API AcDbViewTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbViewTableRecord);
    AcDbViewTableRecord();
    ~AcDbViewTableRecord() override;
};

class ARXHOST_API AcDbViewportTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbViewportTableRecord);
    AcDbViewportTableRecord();
    ~AcDbViewportTableRecord() override;
};

class ARXHOST_API AcDbRegAppTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbRegAppTableRecord);
    AcDbRegAppTableRecord();
    ~AcDbRegAppTableRecord() override;
};

class ARXHOST_API AcDbBlockTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbBlockTableRecord);
    AcDbBlockTableRecord();
    ~AcDbBlockTableRecord() override;

    // Description and external-reference path (kept in the block's BLOCK
    // record), as copies the caller releases.
    Acad::ErrorStatus comments(ACHAR*& text) const;
    Acad::ErrorStatus setComments(const ACHAR* text);
    Acad::ErrorStatus pathName(ACHAR*& path) const;
    Acad::ErrorStatus setPathName(const ACHAR* path);
    bool isFromExternalReference() const;
    bool isLayout() const;
    bool isAnonymous() const;

    // The block references (INSERT records) that show this block; with
    // directOnly false also those that show a block holding such a reference.
    Acad::ErrorStatus getBlockReferenceIds(AcDbObjectIdArray& ids, bool directOnly = true,
                                           bool forceValidity = false) const;

    // Walks the block's entities as they were when the iterator was made.
    Acad::ErrorStatus newIterator(AcDbBlockTableRecordIterator*& it, bool atBeginning = true,
                                  bool skipDeleted = true) const;
    // Adds a new entity (not yet in a database) to the block, which must be
    // open for write. The entity is then open for write; its caller closes it.
    Acad::ErrorStatus appendAcDbEntity(AcDbEntity* entity);
    Acad::ErrorStatus appendAcDbEntity(AcDbObjectId& id, AcDbEntity* entity);
};

class ARXHOST_API AcDbBlockTableRecordIterator {
public:
    ~AcDbBlockTableRecordIterator();
    AcDbBlockTableRecordIterator(const AcDbBlockTableRecordIterator&) = delete;
    AcDbBlockTableRecordIterator& operator=(const AcDbBlockTableRecordIterator&) = delete;

    void start(bool atBeginning = true, bool skipDeleted = true);
    bool done() const;
    void step(bool goForward = true, bool skipDeleted = true);
    Acad::ErrorStatus getEntityId(AcDbObjectId& id) const;
    Acad::ErrorStatus getEntity(AcDbEntity*& ent, AcDb::OpenMode mode = AcDb::kForRead,
                                bool openErased = false) const;

private:
    friend class AcDbBlockTableRecord;
    friend struct arxhost::Access;
    AcDbBlockTableRecordIterator();
    arxhost::IteratorState* state_;
};

ARX_SYMBOL_TABLE(AcDbBlockTable, AcDbBlockTableRecord, AcDbBlockTableIterator);
ARX_SYMBOL_TABLE(AcDbLayerTable, AcDbLayerTableRecord, AcDbLayerTableIterator);
ARX_SYMBOL_TABLE(AcDbTextStyleTable, AcDbTextStyleTableRecord, AcDbTextStyleTableIterator);
ARX_SYMBOL_TABLE(AcDbLinetypeTable, AcDbLinetypeTableRecord, AcDbLinetypeTableIterator);
ARX_SYMBOL_TABLE(AcDbViewTable, AcDbViewTableRecord, AcDbViewTableIterator);
ARX_SYMBOL_TABLE(AcDbUCSTable, AcDbUCSTableRecord, AcDbUCSTableIterator);
ARX_SYMBOL_TABLE(AcDbViewportTable, AcDbViewportTableRecord, AcDbViewportTableIterator);
ARX_SYMBOL_TABLE(AcDbRegAppTable, AcDbRegAppTableRecord, AcDbRegAppTableIterator);
ARX_SYMBOL_TABLE(AcDbDimStyleTable, AcDbDimStyleTableRecord, AcDbDimStyleTableIterator);
