// Groups, layouts, multiline styles and table styles; the layout manager.
#include "host/arx/internal.h"

using Acad::ErrorStatus;
using namespace arxhost;

namespace {

// Index of the first `code` tag after the subclass marker `sub`, or -1.
int findIn(const TagList& t, const char* sub, int code) { return findInSubclass(t, sub, code, false); }

ACHAR* textIn(const AcDbObject* o, const char* sub, int code) {
    const TagList& t = st(o).tags;
    int i = findIn(t, sub, code);
    return toHost(i < 0 ? std::string() : t[static_cast<std::size_t>(i)].value);
}

// Sets the `code` tag of the subclass, inserting it behind the marker when missing.
void setIn(AcDbObject* o, const char* sub, int code, std::string value) {
    setInSubclass(st(o).tags, sub, code, std::move(value), false);
    markDirty(o);
}

ErrorStatus keyName(const AcDbObject* o, ACHAR*& name) {
    name = nullptr;
    const ObjectState& s = st(o);
    if (!s.entry) return Acad::eNotInDatabase;
    name = toHost(keyOf(*s.entry->drawing, s.entry->owner, s.entry));
    return Acad::eOk;
}

}  // namespace

// --- groups ------------------------------------------------------------------------

AcDbGroup::AcDbGroup() { st(this).tags = defaultTags("GROUP"); }
AcDbGroup::~AcDbGroup() = default;

ErrorStatus AcDbGroup::getName(ACHAR*& name) const { return keyName(this, name); }

ErrorStatus AcDbGroup::setName(const ACHAR* name) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!name) return Acad::eInvalidInput;
    return renameKeyInOwner(this, name);
}

ACHAR* AcDbGroup::description() const { return textIn(this, "AcDbGroup", 300); }

ErrorStatus AcDbGroup::setDescription(const ACHAR* text) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!text) return Acad::eInvalidInput;
    setIn(this, "AcDbGroup", 300, toUtf8(text));
    return Acad::eOk;
}

// --- layouts -----------------------------------------------------------------------

AcDbLayout::AcDbLayout() { st(this).tags = defaultTags("LAYOUT"); }
AcDbLayout::~AcDbLayout() = default;

ErrorStatus AcDbLayout::getLayoutName(ACHAR*& name) const {
    name = textIn(this, "AcDbLayout", 1);
    return Acad::eOk;
}

ErrorStatus AcDbLayout::setLayoutName(const ACHAR* name) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!name) return Acad::eInvalidInput;
    ACHAR* current = nullptr;
    getLayoutName(current);
    const std::string old = toUtf8(current);
    acStrFree(current);
    const std::string utf8 = toUtf8(name);
    if (old == utf8) return Acad::eOk;
    if (hostcore::foldName(old) == "MODEL") return Acad::eNotApplicable;
    if (st(this).entry) {
        es = renameKeyInOwner(this, name);
        if (es != Acad::eOk) return es;
    } else if (!isValidSymbolName(name)) {
        return Acad::eInvalidSymbolTableName;
    }
    setIn(this, "AcDbLayout", 1, utf8);
    return Acad::eOk;
}

// --- multiline styles ------------------------------------------------------------

AcDbMlineStyle::AcDbMlineStyle() { st(this).tags = defaultTags("MLINESTYLE"); }
AcDbMlineStyle::~AcDbMlineStyle() = default;

ACHAR* AcDbMlineStyle::name() const { return textIn(this, "AcDbMlineStyle", 2); }

ErrorStatus AcDbMlineStyle::setName(const ACHAR* name) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!name) return Acad::eInvalidInput;
    if (!isValidSymbolName(name)) return Acad::eInvalidSymbolTableName;
    setIn(this, "AcDbMlineStyle", 2, toUtf8(name));
    return Acad::eOk;
}

ACHAR* AcDbMlineStyle::description() const { return textIn(this, "AcDbMlineStyle", 3); }

ErrorStatus AcDbMlineStyle::setDescription(const ACHAR* text) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!text) return Acad::eInvalidInput;
    setIn(this, "AcDbMlineStyle", 3, toUtf8(text));
    return Acad::eOk;
}

// --- table styles ----------------------------------------------------------------

AcDbTableStyle::AcDbTableStyle() { st(this).tags = defaultTags("TABLESTYLE"); }
AcDbTableStyle::~AcDbTableStyle() = default;

ErrorStatus AcDbTableStyle::getName(ACHAR*& name) const { return keyName(this, name); }

ErrorStatus AcDbTableStyle::setName(const ACHAR* name) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!name) return Acad::eInvalidInput;
    return renameKeyInOwner(this, name);
}

ACHAR* AcDbTableStyle::description() const { return textIn(this, "AcDbTableStyle", 3); }

ErrorStatus AcDbTableStyle::setDescription(const ACHAR* text) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!text) return Acad::eInvalidInput;
    setIn(this, "AcDbTableStyle", 3, toUtf8(text));
    return Acad::eOk;
}

// --- raster image definitions ---------------------------------------------------

AcDbRasterImageDef::AcDbRasterImageDef() { st(this).tags = defaultTags("IMAGEDEF"); }
AcDbRasterImageDef::~AcDbRasterImageDef() = default;

AcDbObjectId AcDbRasterImageDef::imageDictionary(AcDbDatabase* db) {
    if (!db || !isLiveDatabase(db)) return AcDbObjectId();
    const Drawing& d = *drawingOf(db);
    return idOf(dictLookup(d, d.rootDictionary, "ACAD_IMAGE_DICT"));
}

ACHAR* AcDbRasterImageDef::sourceFileName() const { return textIn(this, "AcDbRasterImageDef", 1); }

ErrorStatus AcDbRasterImageDef::setSourceFileName(const ACHAR* path) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!path) return Acad::eInvalidInput;
    setIn(this, "AcDbRasterImageDef", 1, toUtf8(path));
    return Acad::eOk;
}

ErrorStatus AcDbRasterImageDef::load() { return checkWritable(); }
ErrorStatus AcDbRasterImageDef::updateEntities() const { return Acad::eOk; }

// --- layout manager ----------------------------------------------------------------

AcDbLayoutManager::AcDbLayoutManager() = default;
AcDbLayoutManager::~AcDbLayoutManager() = default;
void AcDbLayoutManager::updateLayoutTabs() { ++updates_; }

AcDbLayoutManager* AcDbHostApplicationServices::layoutManager() const {
    static AcDbLayoutManager manager;
    return &manager;
}
