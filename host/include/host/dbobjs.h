// Named objects kept in dictionaries: groups, layouts, multiline styles and
// table styles. A group's, layout's and table style's name is its key in its
// dictionary (a layout also keeps it in the object); a multiline style has a
// name of its own besides its key.
#pragma once

#include "host/dbmain.h"

class ARXHOST_API AcDbGroup : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbGroup);
    AcDbGroup();
    ~AcDbGroup() override;
    // The key in the group dictionary, as a copy the caller releases.
    Acad::ErrorStatus getName(ACHAR*& name) const;
    // Changes the key: eInvalidSymbolTableName, eDuplicateRecordName.
    Acad::ErrorStatus setName(const ACHAR* name);
    // The description as a copy the caller releases.
    ACHAR* description() const;
    Acad::ErrorStatus setDescription(const ACHAR* text);
};

class ARXHOST_API AcDbLayout : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbLayout);
    AcDbLayout();
    ~AcDbLayout() override;
    Acad::ErrorStatus getLayoutName(ACHAR*& name) const;
    // Changes the name and the layout's key with it. eNotApplicable for the
    // model layout; eInvalidSymbolTableName, eDuplicateRecordName.
    Acad::ErrorStatus setLayoutName(const ACHAR* name);
};

class ARXHOST_API AcDbMlineStyle : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbMlineStyle);
    AcDbMlineStyle();
    ~AcDbMlineStyle() override;
    // The style's own name and description, as copies the caller releases.
    ACHAR* name() const;
    Acad::ErrorStatus setName(const ACHAR* name);
    ACHAR* description() const;
    Acad::ErrorStatus setDescription(const ACHAR* text);
};

class ARXHOST_API AcDbTableStyle : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbTableStyle);
    AcDbTableStyle();
    ~AcDbTableStyle() override;
    // The key in the table-style dictionary, as a copy the caller releases.
    Acad::ErrorStatus getName(ACHAR*& name) const;
    Acad::ErrorStatus setName(const ACHAR* name);
    ACHAR* description() const;
    Acad::ErrorStatus setDescription(const ACHAR* text);
};

// A raster image's definition: the file the image comes from. Definitions are
// filed in the image dictionary (key ACAD_IMAGE_DICT of the root dictionary).
class ARXHOST_API AcDbRasterImageDef : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbRasterImageDef);
    AcDbRasterImageDef();
    ~AcDbRasterImageDef() override;
    // Id of the drawing's image dictionary; null when it has none.
    static AcDbObjectId imageDictionary(AcDbDatabase* db);
    // The image file's path as a copy the caller releases.
    ACHAR* sourceFileName() const;
    Acad::ErrorStatus setSourceFileName(const ACHAR* path);
    // The host keeps no image in memory: loading succeeds without reading the
    // file, and the images that show the definition need no update.
    Acad::ErrorStatus load();
    Acad::ErrorStatus updateEntities() const;
};

// The host's layouts as the editor shows them. This host has no layout tabs to
// redraw; the manager counts the requests.
class ARXHOST_API AcDbLayoutManager {
public:
    AcDbLayoutManager();
    virtual ~AcDbLayoutManager();
    AcDbLayoutManager(const AcDbLayoutManager&) = delete;
    AcDbLayoutManager& operator=(const AcDbLayoutManager&) = delete;
    void updateLayoutTabs();
    int updateCount() const { return updates_; }

private:
    int updates_ = 0;
};
