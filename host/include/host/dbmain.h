// Database objects, entities, the database itself and opening objects by id.
//
// Objects live in the database as records; opening one by id (acdbOpenObject)
// gives a C++ object of the record's class. Every successful open is ended by
// close(). Several readers share one object; a writer has it alone. An object
// created with new and never added to a database belongs to its creator, who
// deletes it.
#pragma once

#include <vector>

#include "host/acadstrc.h"
#include "host/acdb.h"
#include "host/dbcolor.h"
#include "host/dbextents.h"
#include "host/dbid.h"
#include "host/gegeom3d.h"
#include "host/resbuf.h"
#include "host/rxclass.h"

namespace arxhost {
struct ObjectState;
struct DatabaseState;
struct Access;
}  // namespace arxhost

class AcDbDictionary;
class AcDbSymbolTable;
class AcDbBlockTable;
class AcDbLayerTable;
class AcDbTextStyleTable;
class AcDbLinetypeTable;
class AcDbViewTable;
class AcDbUCSTable;
class AcDbViewportTable;
class AcDbRegAppTable;
class AcDbDimStyleTable;
class AcDbLayoutManager;

// What explode hands back: new entities (AcDbEntity*), not in any database,
// owned by the caller.
using AcDbVoidPtrArray = std::vector<void*>;

class ARXHOST_API AcDbObject : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbObject);
    AcDbObject();
    ~AcDbObject() override;

    AcDbObjectId objectId() const;
    AcDbObjectId ownerId() const;
    void getAcDbHandle(AcDbHandle& handle) const;
    AcDbDatabase* database() const;

    // Ends one open. When the last open ends, a changed object's data becomes
    // the record's and the object is deleted. An object that is not in a
    // database is left alone (eNotInDatabase): its creator deletes it.
    Acad::ErrorStatus close();
    // Read -> write: eWasOpenForRead while other readers hold it,
    // eWasOpenForWrite when it is open for write already.
    Acad::ErrorStatus upgradeOpen();
    // Write -> read; the changes made so far stay. eNotOpenForWrite otherwise.
    Acad::ErrorStatus downgradeOpen();

    bool isReadEnabled() const;
    bool isWriteEnabled() const;
    bool isNotifyEnabled() const;
    bool isErased() const;
    bool isNewObject() const;
    bool isModified() const;
    bool isAProxy() const;

    // Marks the object erased (or unerased); needs the object open for write.
    Acad::ErrorStatus erase(bool erasing = true);

    // Id of the object's extension dictionary, null when it has none.
    AcDbObjectId extensionDictionary() const;
    Acad::ErrorStatus createExtensionDictionary();

    // Extended data of one application, or of all (null): a chain the caller
    // releases with acutRelRb; null when there is none.
    resbuf* xData(const ACHAR* regappName = nullptr) const;
    // Replaces the extended data of each application the chain names (a name
    // with no data after it removes that application's data); the others stay.
    Acad::ErrorStatus setXData(const resbuf* xdata);

    // Puts newObject in this object's place in the database: same handle, same
    // owner. On success returns eObjectToBeDeleted: this object has left the
    // database and its caller deletes it; newObject is open for write.
    Acad::ErrorStatus handOverTo(AcDbObject* newObject, bool keepXData = true,
                                 bool keepExtDict = true);

protected:
    // eOk when the object may be changed (open for write, or not in a database).
    Acad::ErrorStatus checkWritable() const;

private:
    friend struct arxhost::Access;
    arxhost::ObjectState* state_;
};

class ARXHOST_API AcDbEntity : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbEntity);
    AcDbEntity();
    ~AcDbEntity() override;

    AcDbObjectId blockId() const;
    // Layer name as a copy the caller releases (acStrFree); null when unknown.
    ACHAR* layer() const;
    AcDbObjectId layerId() const;
    // The layer by name or id; with doSubents the attributes and vertices of
    // the entity get it too.
    Acad::ErrorStatus setLayer(const ACHAR* layerName, bool doSubents = true);
    Acad::ErrorStatus setLayer(AcDbObjectId layerId, bool doSubents = true);
    AcDbObjectId linetypeId() const;
    Acad::ErrorStatus setLinetype(const ACHAR* linetypeName, bool doSubents = true);
    Acad::ErrorStatus setLinetype(AcDbObjectId linetypeId, bool doSubents = true);
    // Colour number (256 by layer, 0 by block).
    int16_t colorIndex() const;
    Acad::ErrorStatus setColorIndex(int16_t color, bool doSubents = true);
    AcCmColor color() const;
    Acad::ErrorStatus setColor(const AcCmColor& color, bool doSubents = true);
    // The box around the entity in world coordinates: lines and 3D polylines
    // from their points, other entities from the picture they store (proxies,
    // and native entities of newer releases). eInvalidExtents for an entity
    // whose extents the host cannot tell.
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const;
    // Tells the host the entity's picture changed. This host draws nothing, so
    // nothing is to be redrawn.
    void recordGraphicsModified(bool setModified = true);
    // Appends to `pieces` new entities (not in a database; the caller owns
    // them) that draw what the entity draws. Only proxy entities explode here:
    // their stored picture (graphics kind 2) becomes lines, polylines, circles,
    // arcs, ellipses, 3D faces, texts, rays, construction lines and points
    // (docs/proxies.md). eNotApplicable for other entities and for proxies
    // without a usable picture (kind 0 or 1, or corrupt). Records of the
    // picture that cannot be decoded or converted are passed over and counted
    // in `skipped`.
    Acad::ErrorStatus explode(AcDbVoidPtrArray& pieces) const;
    Acad::ErrorStatus explode(AcDbVoidPtrArray& pieces, uint32_t& skipped) const;
};

// Stand-ins the host keeps for objects of applications it does not have.
class ARXHOST_API AcDbProxyEntity : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbProxyEntity);
    AcDbProxyEntity();
    ~AcDbProxyEntity() override;
    enum GraphicsMetafileType { kNoMetafile = 0, kBoundingBox = 1, kFullGraphics = 2 };
    // What the proxy's stored picture holds: nothing usable, only a box, or drawing.
    GraphicsMetafileType graphicsMetafileType() const;

    // The proxy capability flags of the original class (CLASSES code 90).
    enum ProxyFlags {
        kNoOperation = 0,
        kEraseAllowed = 0x1,
        kTransformAllowed = 0x2,
        kColorChangeAllowed = 0x4,
        kLayerChangeAllowed = 0x8,
        kLinetypeChangeAllowed = 0x10,
        kLinetypeScaleChangeAllowed = 0x20,
        kVisibilityChangeAllowed = 0x40,
        kCloningAllowed = 0x80,
        kLineWeightChangeAllowed = 0x100,
        kPlotStyleNameChangeAllowed = 0x200,
        kAllButCloningAllowed = 0x37F,
        kAllAllowedBits = 0x3FF,
        kDisableProxyWarning = 0x400,
        kR13FormatProxy = 0x8000
    };
    // Flags of the original class; 0 (nothing allowed) when the drawing has no
    // CLASSES entry for it.
    int proxyFlags() const;
    // The original class's C++ name ("AcDbMLeader"), DXF record name
    // ("MULTILEADER") and application ("ACDB_MLEADER_CLASS"), from CLASSES;
    // copies the caller releases (acStrFree), empty when unknown.
    ACHAR* originalClassName() const;
    ACHAR* originalDxfName() const;
    ACHAR* applicationDescription() const;
};

class ARXHOST_API AcDbProxyObject : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbProxyObject);
    AcDbProxyObject();
    ~AcDbProxyObject() override;
    enum ProxyFlags { kNoOperation = 0, kEraseAllowed = 0x1, kCloningAllowed = 0x80, kAllButCloningAllowed = 0x37F,
                      kAllAllowedBits = 0x3FF, kDisableProxyWarning = 0x400, kR13FormatProxy = 0x8000 };
    // As for AcDbProxyEntity.
    int proxyFlags() const;
    ACHAR* originalClassName() const;
    ACHAR* originalDxfName() const;
    ACHAR* applicationDescription() const;
};

// Why the stored picture of an entity cannot be used: true, with a message the
// caller releases (acStrFree), when the entity carries a picture that is corrupt
// (sizes that do not add up, bytes that are not hexadecimal) or holds records
// that cannot be decoded; false (message null) when the picture is sound, absent,
// or the id names no entity. For the editor's AUDIT.
ARXHOST_API bool acdbProxyGraphicsProblem(AcDbObjectId id, ACHAR*& message);

class ARXHOST_API AcDbDatabase : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbDatabase);
    // buildDefaultDrawing: start as a new drawing (layer 0, Standard styles, the
    // two spaces, the standard dictionaries); otherwise empty, for readDwgFile.
    explicit AcDbDatabase(bool buildDefaultDrawing = true, bool noDocument = false);
    ~AcDbDatabase() override;

    enum { kForReadAndAllShare = 3 };
    // Reads a DXF drawing (ASCII or binary). eFileNotFound, eFileAccessErr,
    // eBadDwgHeader (not a drawing, or a DWG file: see lastErrorMessage()),
    // eInvalidOpenState while objects of the database are open.
    Acad::ErrorStatus readDwgFile(const ACHAR* fileName, int shareMode = kForReadAndAllShare,
                                  bool allowCPConversion = false, const ACHAR* password = nullptr);
    // Writes the drawing as DXF: into a temporary file next to the target,
    // flushed and synced, then renamed over it; with bBakAndRename the previous
    // file is kept as NAME.bak.
    Acad::ErrorStatus saveAs(const ACHAR* fileName, bool bBakAndRename,
                             AcDb::AcDbDwgVersion dwgVer = AcDb::kDHL_CURRENT,
                             const void* security = nullptr);
    Acad::ErrorStatus saveAs(const ACHAR* fileName);
    // Message of the last failed read or save (empty when none). Owned by the
    // database, valid until its next read or save.
    const ACHAR* lastErrorMessage() const;
    // Name of the file last read or saved, or null. Owned by the database.
    const ACHAR* filename() const;
    AcDb::AcDbDwgVersion originalFileVersion() const;
    // True when the drawing differs from what was last read or saved: a record
    // changed, created or erased (objects still open with changes count), a
    // header variable set, a name changed. A new drawing starts unmodified.
    // The editor's DBMOD variable reads this.
    bool isModified() const;

    AcDbObjectId blockTableId() const;
    AcDbObjectId layerTableId() const;
    AcDbObjectId textStyleTableId() const;
    AcDbObjectId linetypeTableId() const;
    AcDbObjectId viewTableId() const;
    AcDbObjectId UCSTableId() const;
    AcDbObjectId viewportTableId() const;
    AcDbObjectId regAppTableId() const;
    AcDbObjectId dimStyleTableId() const;
    AcDbObjectId namedObjectsDictionaryId() const;
    AcDbObjectId groupDictionaryId() const;
    AcDbObjectId layoutDictionaryId() const;
    AcDbObjectId tableStyleDictionaryId() const;
    AcDbObjectId mLStyleDictionaryId() const;

    Acad::ErrorStatus getSymbolTable(AcDbBlockTable*& table, AcDb::OpenMode mode);
    Acad::ErrorStatus getSymbolTable(AcDbLayerTable*& table, AcDb::OpenMode mode);
    Acad::ErrorStatus getSymbolTable(AcDbTextStyleTable*& table, AcDb::OpenMode mode);
    Acad::ErrorStatus getSymbolTable(AcDbLinetypeTable*& table, AcDb::OpenMode mode);
    Acad::ErrorStatus getSymbolTable(AcDbViewTable*& table, AcDb::OpenMode mode);
    Acad::ErrorStatus getSymbolTable(AcDbUCSTable*& table, AcDb::OpenMode mode);
    Acad::ErrorStatus getSymbolTable(AcDbViewportTable*& table, AcDb::OpenMode mode);
    Acad::ErrorStatus getSymbolTable(AcDbRegAppTable*& table, AcDb::OpenMode mode);
    Acad::ErrorStatus getSymbolTable(AcDbDimStyleTable*& table, AcDb::OpenMode mode);
    Acad::ErrorStatus getBlockTable(AcDbBlockTable*& t, AcDb::OpenMode m) { return getSymbolTable(t, m); }
    Acad::ErrorStatus getLayerTable(AcDbLayerTable*& t, AcDb::OpenMode m) { return getSymbolTable(t, m); }

    Acad::ErrorStatus getNamedObjectsDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode);
    Acad::ErrorStatus getGroupDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode);
    Acad::ErrorStatus getLayoutDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode);
    Acad::ErrorStatus getTableStyleDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode);
    Acad::ErrorStatus getMLStyleDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode);

    // The next handle the database will give out.
    AcDbHandle handseed() const;
    // Number of objects with a handle (erased ones included).
    int32_t approxNumObjects() const;
    // Id of the object with the given handle: eUnknownHandle when there is none
    // (ids are never made up for missing handles, whatever createIfNotFound says).
    Acad::ErrorStatus getAcDbObjectId(AcDbObjectId& id, bool createIfNotFound,
                                      const AcDbHandle& handle, uint32_t xRefId = 0);

    AcDbObjectId clayer() const;
    Acad::ErrorStatus setClayer(AcDbObjectId layerId);
    AcDbObjectId celtype() const;
    Acad::ErrorStatus setCeltype(AcDbObjectId linetypeId);
    AcDbObjectId textstyle() const;
    Acad::ErrorStatus setTextstyle(AcDbObjectId styleId);
    AcDbObjectId dimstyle() const;
    Acad::ErrorStatus setDimstyle(AcDbObjectId dimStyleId);
    // Current table style and multiline style (entries of their dictionaries).
    AcDbObjectId tablestyle() const;
    Acad::ErrorStatus setTablestyle(AcDbObjectId styleId);
    AcDbObjectId cmlstyleID() const;
    Acad::ErrorStatus setCmlstyleID(AcDbObjectId styleId);
    // Model space, or paper space when the drawing's TILEMODE is 0.
    AcDbObjectId currentSpaceId() const;

    // Copies the entities (with their attributes and vertices) into the model
    // space of a new database, with the layers, linetypes, text and dimension
    // styles, applications and blocks they name; references to objects not
    // copied become null. The new database's insertion base is `base`; the
    // caller deletes it. eNullObjectId, eWrongDatabase, eWrongObjectType,
    // eWasErased for ids that are no live entities of this database.
    Acad::ErrorStatus wblock(AcDbDatabase*& output, const AcDbObjectIdArray& ids, const AcGePoint3d& base);

    // Objects of this database that are open now (tests and diagnostics).
    int numOpenObjects() const;

private:
    friend struct arxhost::Access;
    arxhost::DatabaseState* state_;
};

// Opening objects. mode kForNotify counts as read. The class-filtered forms
// give eNotThatKindOfClass for an object of another class (and open nothing).
ARXHOST_API Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& obj, AcDbObjectId id, AcDb::OpenMode mode,
                                                 bool openErased = false);
ARXHOST_API Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& obj, AcDbObjectId id, AcDb::OpenMode mode,
                                                 bool openErased, const AcRxClass* filter);
ARXHOST_API Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& ent, AcDbObjectId id, AcDb::OpenMode mode,
                                                 bool openErased = false);
ARXHOST_API Acad::ErrorStatus acdbOpenObject(AcDbObject*& obj, AcDbObjectId id, AcDb::OpenMode mode,
                                             bool openErased = false);

template <class T>
inline Acad::ErrorStatus acdbOpenObject(T*& obj, AcDbObjectId id, AcDb::OpenMode mode, bool openErased = false) {
    AcDbObject* p = nullptr;
    Acad::ErrorStatus es = acdbOpenAcDbObject(p, id, mode, openErased, T::desc());
    obj = (es == Acad::eOk) ? static_cast<T*>(p) : nullptr;
    return es;
}

// The editor's side of the host: which database is being worked on, and the
// host's release.
class ARXHOST_API AcDbHostApplicationServices {
public:
    AcDbHostApplicationServices();
    virtual ~AcDbHostApplicationServices();
    AcDbHostApplicationServices(const AcDbHostApplicationServices&) = delete;
    AcDbHostApplicationServices& operator=(const AcDbHostApplicationServices&) = delete;

    AcDbDatabase* workingDatabase() const { return working_; }
    void setWorkingDatabase(AcDbDatabase* db) { working_ = db; }
    AcDbLayoutManager* layoutManager() const;
    int releaseMajorVersion() const { return major_; }
    int releaseMinorVersion() const { return minor_; }
    // Set by the host program at start.
    void setReleaseVersion(int major, int minor) {
        major_ = major;
        minor_ = minor;
    }

private:
    AcDbDatabase* working_ = nullptr;
    int major_ = 25;
    int minor_ = 0;
};

ARXHOST_API AcDbHostApplicationServices* acdbHostApplicationServices();
