// Entities with text: single-line text, attributes, attribute definitions,
// multiline text; and block references.
#pragma once

#include <vector>

#include "host/dbmain.h"

class ARXHOST_API AcDbText : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbText);
    AcDbText();
    ~AcDbText() override;
    // The text as a copy the caller releases (acStrFree).
    ACHAR* textString() const;
    Acad::ErrorStatus setTextString(const ACHAR* text);
};

class ARXHOST_API AcDbAttribute : public AcDbText {
public:
    ACRX_DECLARE_MEMBERS(AcDbAttribute);
    AcDbAttribute();
    ~AcDbAttribute() override;
    ACHAR* tag() const;
    Acad::ErrorStatus setTag(const ACHAR* tag);
};

class ARXHOST_API AcDbAttributeDefinition : public AcDbText {
public:
    ACRX_DECLARE_MEMBERS(AcDbAttributeDefinition);
    AcDbAttributeDefinition();
    ~AcDbAttributeDefinition() override;
    ACHAR* tag() const;
    Acad::ErrorStatus setTag(const ACHAR* tag);
    ACHAR* prompt() const;
    Acad::ErrorStatus setPrompt(const ACHAR* prompt);
};

class ARXHOST_API AcDbMText : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbMText);
    AcDbMText();
    ~AcDbMText() override;
    // The whole text (its pieces joined), as a copy the caller releases.
    ACHAR* contents() const;
    // Stores the text, cut into pieces of at most 250 characters as the file
    // keeps it; an escape is never cut. Returns the status.
    Acad::ErrorStatus setContents(const ACHAR* text);
};

namespace arxhost {
struct IteratorState;
}

// Walks a fixed list of objects (the attributes of a block reference), as it
// was when the iterator was made. Deleted by its caller.
class ARXHOST_API AcDbObjectIterator {
public:
    ~AcDbObjectIterator();
    AcDbObjectIterator(const AcDbObjectIterator&) = delete;
    AcDbObjectIterator& operator=(const AcDbObjectIterator&) = delete;

    void start(bool atEnd = false);
    bool done() const;
    void step(bool backwards = false, bool skipErasedObjects = true);
    AcDbObjectId objectId() const;
    bool seek(AcDbObjectId id);

private:
    friend struct arxhost::Access;
    AcDbObjectIterator();
    arxhost::IteratorState* state_;
};

class ARXHOST_API AcDbBlockReference : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbBlockReference);
    AcDbBlockReference();
    ~AcDbBlockReference() override;
    // The block table record the reference shows.
    AcDbObjectId blockTableRecord() const;
    // The reference's attributes, skipping erased ones from the start. Null for
    // a reference that is not in a database.
    AcDbObjectIterator* attributeIterator() const;
};

class ARXHOST_API AcDbLine : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbLine);
    AcDbLine();
    AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end);
    ~AcDbLine() override;
    AcGePoint3d startPoint() const;
    AcGePoint3d endPoint() const;
    Acad::ErrorStatus setStartPoint(const AcGePoint3d& p);
    Acad::ErrorStatus setEndPoint(const AcGePoint3d& p);
};

namespace AcDb {
enum Poly3dType { k3dSimplePoly = 0, k3dQuadSplinePoly = 1, k3dCubicSplinePoly = 2 };
}

// A 3D polyline: a POLYLINE record with its VERTEX records and SEQEND.
class ARXHOST_API AcDb3dPolyline : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDb3dPolyline);
    AcDb3dPolyline();
    // A polyline through the points; its vertices become records of their own
    // when it is appended to a block.
    AcDb3dPolyline(AcDb::Poly3dType type, const std::vector<AcGePoint3d>& vertices, bool closed = false);
    ~AcDb3dPolyline() override;
    bool isClosed() const;
    Acad::ErrorStatus makeClosed();
    Acad::ErrorStatus makeOpen();
    AcDb::Poly3dType polyType() const;
    // The vertices' positions, in order (erased vertices left out).
    Acad::ErrorStatus getVertices(std::vector<AcGePoint3d>& points) const;
};
