// Objects: opening by id, the open-and-close discipline, erasing, extended
// data, extension dictionaries and hand-over; the common entity properties.
#include <algorithm>

#include "host/arx/internal.h"
#include "host/arx/proxy.h"

using Acad::ErrorStatus;

namespace arxhost {

TagList currentTags(const Drawing& d, const Entry* e) {
    if (e->live) return st(static_cast<AcDbObject*>(e->live)).tags;
    return d.tagsOf(e);
}

void markDirty(const AcDbObject* obj) { st(obj).dirty = true; }

namespace {
void storeTags(Entry* e, TagList&& tags) {
    if (!e->tags) e->tags = std::make_unique<TagList>();
    *e->tags = std::move(tags);
    e->raw = {};
}

void detach(AcDbObject* obj) {
    ObjectState& s = st(obj);
    Entry* e = s.entry;
    if (!e) return;
    e->live = nullptr;
    e->readers = 0;
    e->writer = 0;
    if (s.db) Access::state(s.db).open.erase(e);
    s.entry = nullptr;
}

// The layer record an entity's tags name, if the drawing has it.
Entry* layerOf(const Drawing& d, const TagList& t) {
    int i = findTag(t, 8);
    if (i < 0) return nullptr;
    const Tag& g = t[static_cast<std::size_t>(i)];
    return g.ref ? g.ref : findRecord(d, TableKind::Layer, g.value);
}

bool onLockedLayer(const Drawing& d, const AcDbObject* obj) {
    if (!obj->isKindOf(AcDbEntity::desc())) return false;
    Entry* layer = layerOf(d, st(obj).tags);
    if (!layer) return false;
    TagList lt = currentTags(d, layer);
    const std::string* flags = tagValue(lt, 70);
    return flags && (toInt(*flags) & 4) != 0;
}
}  // namespace

void commit(AcDbObject* obj, bool keepCopy) {
    ObjectState& s = st(obj);
    if (!s.entry) return;
    if (s.dirty) {
        storeTags(s.entry, keepCopy ? TagList(s.tags) : std::move(s.tags));
        s.dirty = false;
    }
    if (s.beginDirty && s.entry->block && s.entry->block->begin) {
        storeTags(s.entry->block->begin, keepCopy ? TagList(s.beginTags) : std::move(s.beginTags));
        s.beginDirty = false;
        if (!keepCopy) s.beginLoaded = false;
    }
}

void makeResident(AcDbObject* obj, AcDbDatabase* db, Entry* e) {
    ObjectState& s = st(obj);
    s.entry = e;
    s.db = db;
    s.dirty = true;
    e->live = obj;
    e->writer = 1;
    e->readers = 0;
    Access::state(db).open.insert(e);
}

ErrorStatus openEntry(AcDbObject*& obj, Entry* e, AcDb::OpenMode mode, bool openErased, const AcRxClass* filter) {
    obj = nullptr;
    if (!e) return Acad::eNullObjectId;
    Drawing* d = e->drawing;
    AcDbDatabase* db = d ? databaseOf(d) : nullptr;
    if (!db) return Acad::eNoDatabase;
    if (e->erased() && !openErased) return Acad::eWasErased;
    const bool write = mode == AcDb::kForWrite;
    if (e->live) {
        auto* o = static_cast<AcDbObject*>(e->live);
        if (filter && !o->isKindOf(filter)) return Acad::eNotThatKindOfClass;
        if (e->writer) return Acad::eWasOpenForWrite;
        if (write) return Acad::eWasOpenForRead;
        if (e->readers == UINT16_MAX) return Acad::eInvalidOpenState;
        ++e->readers;
        obj = o;
        return Acad::eOk;
    }
    const AcRxClass* cls = classOfRecord(*d, e);
    if (filter && !cls->isDerivedFrom(filter)) return Acad::eNotThatKindOfClass;
    AcDbObject* o = instantiate(cls);
    ObjectState& s = st(o);
    s.tags = d->tagsOf(e);
    s.db = db;
    if (write && onLockedLayer(*d, o)) {
        delete o;
        return Acad::eOnLockedLayer;
    }
    s.entry = e;
    e->live = o;
    if (write)
        e->writer = 1;
    else
        e->readers = 1;
    Access::state(db).open.insert(e);
    obj = o;
    return Acad::eOk;
}

}  // namespace arxhost

using namespace arxhost;

// --- opening -----------------------------------------------------------------

ErrorStatus acdbOpenAcDbObject(AcDbObject*& obj, AcDbObjectId id, AcDb::OpenMode mode, bool openErased) {
    return openEntry(obj, entryOf(id), mode, openErased, nullptr);
}

ErrorStatus acdbOpenAcDbObject(AcDbObject*& obj, AcDbObjectId id, AcDb::OpenMode mode, bool openErased,
                               const AcRxClass* filter) {
    return openEntry(obj, entryOf(id), mode, openErased, filter);
}

ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& ent, AcDbObjectId id, AcDb::OpenMode mode, bool openErased) {
    AcDbObject* o = nullptr;
    ErrorStatus es = openEntry(o, entryOf(id), mode, openErased, AcDbEntity::desc());
    ent = static_cast<AcDbEntity*>(o);
    return es;
}

ErrorStatus acdbOpenObject(AcDbObject*& obj, AcDbObjectId id, AcDb::OpenMode mode, bool openErased) {
    return openEntry(obj, entryOf(id), mode, openErased, nullptr);
}

// --- AcDbObject --------------------------------------------------------------

AcDbObject::AcDbObject() : state_(new ObjectState) {}

AcDbObject::~AcDbObject() {
    // Deleting an object that is still open ends its opens: its changes are
    // kept, as close() would keep them.
    if (state_->entry && state_->entry->live == this) {
        commit(this, false);
        detach(this);
    }
    delete state_;
}

ErrorStatus AcDbObject::checkWritable() const {
    const ObjectState& s = *state_;
    if (!s.entry) return s.orphan ? Acad::eNoDatabase : Acad::eOk;
    return (s.entry->live == this && s.entry->writer) ? Acad::eOk : Acad::eNotOpenForWrite;
}

AcDbObjectId AcDbObject::objectId() const { return idOf(state_->entry); }

AcDbObjectId AcDbObject::ownerId() const {
    if (!state_->entry) return AcDbObjectId();
    if (state_->entry->owner) return idOf(state_->entry->owner);
    uint64_t h = ownerHandle(state_->tags);
    return idOf(h && state_->entry->drawing ? state_->entry->drawing->find(h) : nullptr);
}

void AcDbObject::getAcDbHandle(AcDbHandle& handle) const {
    handle = AcDbHandle(state_->entry ? state_->entry->handle : 0);
}

AcDbDatabase* AcDbObject::database() const { return state_->entry ? state_->db : nullptr; }

ErrorStatus AcDbObject::close() {
    ObjectState& s = *state_;
    Entry* e = s.entry;
    if (!e) {
        if (s.orphan) {
            delete this;
            return Acad::eOk;
        }
        return Acad::eNotInDatabase;
    }
    if (e->live != this) return Acad::eInvalidOpenState;
    if (e->writer) {
        commit(this, false);
    } else if (e->readers > 1) {
        --e->readers;
        return Acad::eOk;
    } else if (e->readers == 0) {
        return Acad::eInvalidOpenState;
    }
    detach(this);
    delete this;
    return Acad::eOk;
}

ErrorStatus AcDbObject::upgradeOpen() {
    Entry* e = state_->entry;
    if (!e) return state_->orphan ? Acad::eNoDatabase : Acad::eOk;
    if (e->live != this) return Acad::eInvalidOpenState;
    if (e->writer) return Acad::eWasOpenForWrite;
    if (e->readers > 1) return Acad::eWasOpenForRead;
    if (onLockedLayer(*e->drawing, this)) return Acad::eOnLockedLayer;
    e->readers = 0;
    e->writer = 1;
    return Acad::eOk;
}

ErrorStatus AcDbObject::downgradeOpen() {
    Entry* e = state_->entry;
    if (!e || e->live != this || !e->writer) return Acad::eNotOpenForWrite;
    commit(this, true);
    e->writer = 0;
    e->readers = 1;
    return Acad::eOk;
}

bool AcDbObject::isReadEnabled() const {
    Entry* e = state_->entry;
    return !e || (e->live == this && (e->readers > 0 || e->writer));
}
bool AcDbObject::isWriteEnabled() const { return checkWritable() == Acad::eOk; }
bool AcDbObject::isNotifyEnabled() const { return false; }
bool AcDbObject::isErased() const { return state_->entry && state_->entry->erased(); }
bool AcDbObject::isNewObject() const {
    return !state_->entry || state_->entry->is(hostcore::flags::kNew);
}
bool AcDbObject::isModified() const { return state_->dirty || state_->beginDirty; }
bool AcDbObject::isAProxy() const {
    return isKindOf(AcDbProxyEntity::desc()) || isKindOf(AcDbProxyObject::desc());
}

namespace {
// Objects the drawing cannot do without.
bool isFixedObject(const Drawing& d, const Entry* e) {
    using namespace hostcore;
    if (e->is(flags::kTableHead | flags::kBlockBegin | flags::kBlockEnd)) return true;
    if (e == d.rootDictionary || e == d.modelSpace || e == d.paperSpace) return true;
    const std::string& type = d.typeName(e);
    if (type == "SEQEND" || type == "VERTEX") return true;
    if (e->is(flags::kTableRecord)) {
        const std::string name = foldName(d.nameOf(e));
        if (e->table == TableKind::Layer && name == "0") return true;
        if (e->table == TableKind::LType && (name == "BYLAYER" || name == "BYBLOCK" || name == "CONTINUOUS"))
            return true;
    }
    return false;
}

// Takes an erased object out of the dictionary that files it.
void removeFromOwnerDictionary(Entry* e) {
    Entry* owner = e->owner;
    Drawing* d = e->drawing;
    if (!owner || !d) return;
    const std::string& type = d->typeName(owner);
    if (type != "DICTIONARY" && type != "ACDBDICTIONARYWDFLT") return;
    uint64_t handle = e->handle;
    editDictionary(
        owner,
        [](TagList& t, void* h) {
            for (const DictPair& p : dictPairs(t)) {
                if (p.handle != *static_cast<uint64_t*>(h)) continue;
                t.erase(t.begin() + static_cast<std::ptrdiff_t>(p.keyIndex),
                        t.begin() + static_cast<std::ptrdiff_t>(p.keyIndex + 2));
                break;
            }
        },
        &handle);
}
}  // namespace

ErrorStatus AcDbObject::erase(bool erasing) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    Entry* e = state_->entry;
    if (!e) return Acad::eNotInDatabase;
    if (erasing == e->erased()) return erasing ? Acad::eWasErased : Acad::eOk;
    if (erasing && isFixedObject(*e->drawing, e)) return Acad::eCannotBeErasedByCaller;
    // A proxy is erased only when its class allows it (docs/proxies.md).
    if (erasing && isAProxy() && !proxyMayBeErased(this)) return Acad::eNotAllowedForThisProxy;
    if (erasing) {
        e->flags |= hostcore::flags::kErased;
        removeFromOwnerDictionary(e);
    } else {
        e->flags &= static_cast<uint16_t>(~hostcore::flags::kErased);
    }
    return Acad::eOk;
}

// --- extension dictionary -------------------------------------------------------

namespace {
int xdictIndex(const TagList& t) {
    for (std::size_t i = 1; i + 1 < t.size(); ++i) {
        if (t[i].code == 100 || t[i].code >= 1000) break;
        if (t[i].code == 102 && t[i].value == "{ACAD_XDICTIONARY" && t[i + 1].code == 360)
            return static_cast<int>(i + 1);
    }
    return -1;
}
}  // namespace

AcDbObjectId AcDbObject::extensionDictionary() const {
    int i = xdictIndex(state_->tags);
    if (i < 0 || !state_->entry) return AcDbObjectId();
    uint64_t h = 0;
    parseHex(state_->tags[static_cast<std::size_t>(i)].value, h);
    return idOf(state_->entry->drawing->find(h));
}

ErrorStatus AcDbObject::createExtensionDictionary() {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    Entry* self = state_->entry;
    if (!self) return Acad::eNotInDatabase;
    if (xdictIndex(state_->tags) >= 0) return Acad::eAlreadyInDb;
    Drawing& d = *self->drawing;
    Entry* e = newEntry(d, "DICTIONARY", hostcore::flags::kObject);
    TagList t = defaultTags("DICTIONARY");
    setOwnHandle(t, e->handle, false);
    setOwnerHandle(t, self->handle);
    e->tags = std::make_unique<TagList>(std::move(t));
    e->owner = self;
    d.objects.push_back(e);
    TagList& mine = state_->tags;
    std::size_t at = 1;
    while (at < mine.size() && (mine[at].code == 5 || mine[at].code == 105)) ++at;
    // After the reactors group, if there is one.
    if (at < mine.size() && mine[at].code == 102 && mine[at].value == "{ACAD_REACTORS") {
        while (at < mine.size() && !(mine[at].code == 102 && mine[at].value == "}")) ++at;
        if (at < mine.size()) ++at;
    }
    mine.insert(mine.begin() + static_cast<std::ptrdiff_t>(at),
                {Tag{102, "{ACAD_XDICTIONARY", nullptr}, Tag{360, hexOf(e->handle), nullptr}, Tag{102, "}", nullptr}});
    markDirty(this);
    return Acad::eOk;
}

// --- extended data -------------------------------------------------------------

namespace {
std::string appNameOf(const Tag& t) { return t.ref ? t.ref->drawing->nameOf(t.ref) : t.value; }

// [begin, end) of each application's group in the extended data.
std::vector<std::pair<std::size_t, std::size_t>> xdataGroups(const TagList& t) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (std::size_t i = xdataStart(t); i < t.size(); ++i) {
        if (t[i].code != 1001) continue;
        if (!out.empty()) out.back().second = i;
        out.emplace_back(i, t.size());
    }
    return out;
}

bool isXdataCode(int code) { return code >= 1000 && code <= 1071; }
}  // namespace

resbuf* AcDbObject::xData(const ACHAR* regappName) const {
    const TagList& t = state_->tags;
    if (!regappName) {
        std::size_t x = xdataStart(t);
        // Anything before the first application name is not extended data.
        while (x < t.size() && t[x].code != 1001) ++x;
        return tagsToChain(t, x, t.size());
    }
    const std::string want = hostcore::foldName(toUtf8(regappName));
    for (auto [b, e] : xdataGroups(t))
        if (hostcore::foldName(appNameOf(t[b])) == want) return tagsToChain(t, b, e);
    return nullptr;
}

ErrorStatus AcDbObject::setXData(const resbuf* xdata) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!xdata) return Acad::eOk;
    TagList incoming;
    es = chainToTags(xdata, incoming, &isXdataCode);
    if (es != Acad::eOk) return es;
    if (incoming.empty() || incoming[0].code != 1001) return Acad::eInvalidInput;
    const Drawing* d = state_->entry ? state_->entry->drawing : nullptr;
    // Every application must be registered in the drawing.
    std::vector<std::string> apps;
    for (Tag& g : incoming) {
        if (g.code == 1001) {
            if (g.value.empty()) return Acad::eInvalidInput;
            if (d) {
                g.ref = findRecord(*d, TableKind::AppId, g.value);
                if (!g.ref) return Acad::eRegappIdNotFound;
            }
            apps.push_back(hostcore::foldName(g.value));
        } else if (g.code == 1003 && d) {
            g.ref = findRecord(*d, TableKind::Layer, g.value);
        }
    }
    TagList& t = state_->tags;
    // Drop the groups of the named applications, then add the new ones that carry data.
    auto groups = xdataGroups(t);
    for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
        std::string name = hostcore::foldName(appNameOf(t[it->first]));
        if (std::find(apps.begin(), apps.end(), name) != apps.end())
            t.erase(t.begin() + static_cast<std::ptrdiff_t>(it->first),
                    t.begin() + static_cast<std::ptrdiff_t>(it->second));
    }
    for (std::size_t i = 0; i < incoming.size();) {
        std::size_t j = i + 1;
        while (j < incoming.size() && incoming[j].code != 1001) ++j;
        if (j - i > 1)
            t.insert(t.end(), std::make_move_iterator(incoming.begin() + static_cast<std::ptrdiff_t>(i)),
                     std::make_move_iterator(incoming.begin() + static_cast<std::ptrdiff_t>(j)));
        i = j;
    }
    markDirty(this);
    return Acad::eOk;
}

// --- hand-over -------------------------------------------------------------------

ErrorStatus AcDbObject::handOverTo(AcDbObject* newObject, bool keepXData, bool keepExtDict) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    Entry* e = state_->entry;
    if (!e) return Acad::eNotInDatabase;
    if (!newObject || newObject == this) return Acad::eInvalidInput;
    ObjectState& n = st(newObject);
    if (n.entry || n.orphan) return Acad::eAlreadyInDb;
    const char* type = newObject->isA()->dxfName();
    if (!type || std::string_view(type) == "TABLE") return Acad::eIllegalReplacement;
    // Entities are replaced by entities, other objects by other objects; table
    // records and tables are never replaced.
    const bool wasEntity = isKindOf(AcDbEntity::desc());
    if (wasEntity != newObject->isKindOf(AcDbEntity::desc()) ||
        e->is(hostcore::flags::kTableRecord | hostcore::flags::kTableHead | hostcore::flags::kBlockBegin |
              hostcore::flags::kBlockEnd | hostcore::flags::kSubEntity))
        return Acad::eIllegalReplacement;
    Drawing& d = *e->drawing;
    TagList& old = state_->tags;
    TagList& t = n.tags;
    setOwnHandle(t, e->handle, false);
    setOwnerHandle(t, ownerHandle(old));
    if (keepExtDict) {
        int i = xdictIndex(old);
        if (i >= 0) {
            std::size_t at = 2;
            t.insert(t.begin() + static_cast<std::ptrdiff_t>(at),
                     {Tag{102, "{ACAD_XDICTIONARY", nullptr}, old[static_cast<std::size_t>(i)],
                      Tag{102, "}", nullptr}});
        }
    }
    if (keepXData) {
        std::size_t x = xdataStart(old);
        t.insert(t.begin() + static_cast<std::ptrdiff_t>(xdataStart(t)), old.begin() + static_cast<std::ptrdiff_t>(x),
                 old.end());
    }
    resolveRefs(d, t, wasEntity);
    // A replaced block reference or polyline takes its sub-entities along.
    for (Entry* c = e->firstChild; c; c = c->next) c->flags |= hostcore::flags::kErased;
    e->firstChild = nullptr;
    e->type = d.internType(type);
    e->flags = static_cast<uint16_t>(e->flags & ~hostcore::flags::kNoFileHandle);
    AcDbDatabase* db = state_->db;
    // This object leaves the database without its changes; the new one takes
    // its place, open for write.
    state_->dirty = false;
    detach(this);
    makeResident(newObject, db, e);
    return Acad::eObjectToBeDeleted;
}

// --- entities --------------------------------------------------------------------

AcDbEntity::AcDbEntity() = default;
AcDbEntity::~AcDbEntity() = default;

AcDbObjectId AcDbEntity::blockId() const {
    const ObjectState& s = st(this);
    if (!s.entry) return AcDbObjectId();
    Entry* owner = s.entry->owner;
    while (owner && owner->is(hostcore::flags::kEntity)) owner = owner->owner;  // sub-entity: its parent's block
    return idOf(owner);
}

ACHAR* AcDbEntity::layer() const {
    const TagList& t = st(this).tags;
    int i = findTag(t, 8);
    if (i < 0) return nullptr;
    const Tag& g = t[static_cast<std::size_t>(i)];
    return toHost(g.ref ? g.ref->drawing->nameOf(g.ref) : g.value);
}

AcDbObjectId AcDbEntity::layerId() const {
    const ObjectState& s = st(this);
    if (!s.entry) return AcDbObjectId();
    return idOf(layerOf(*s.entry->drawing, s.tags));
}

namespace {

// Sets a tag of the entity's common data (after the layer) to `value`, naming `ref`.
void setCommonTag(TagList& t, int code, const std::string& value, Entry* ref) {
    int at = -1;
    if (code != 8) {
        at = findTag(t, code == 62 ? 6 : 8);
        if (at < 0 && code == 62) at = findTag(t, 8);
        if (at >= 0) ++at;
    } else {
        // Right behind the AcDbEntity marker when the entity has no layer yet.
        for (std::size_t i = 1; i < t.size(); ++i)
            if (t[i].code == 100 && t[i].value == "AcDbEntity") {
                at = static_cast<int>(i + 1);
                break;
            }
    }
    setTag(t, code, value, at);
    int i = findTag(t, code);
    if (i >= 0) t[static_cast<std::size_t>(i)].ref = ref;
    if (code == 62) {
        // A colour number replaces a true colour.
        int tc = findTag(t, 420);
        if (tc >= 0) t.erase(t.begin() + tc);
    }
}

struct CommonChange {
    int code;
    std::string value;
    Entry* ref;
    int32_t rgb;  // for colours: the true colour, or -1
};

void applyChange(TagList& t, void* c) {
    auto* ch = static_cast<CommonChange*>(c);
    setCommonTag(t, ch->code, ch->value, ch->ref);
    if (ch->code == 62 && ch->rgb >= 0) {
        int at = findTag(t, 62);
        setTag(t, 420, std::to_string(ch->rgb), at < 0 ? -1 : at + 1);
    }
}

// Applies a change to the entity and, with doSubents, to its sub-entities
// (records of a resident entity, tag lists of a new one).
ErrorStatus changeCommon(AcDbEntity* ent, CommonChange change, bool doSubents) {
    ObjectState& s = st(ent);
    applyChange(s.tags, &change);
    markDirty(ent);
    if (!doSubents) return Acad::eOk;
    for (TagList& c : s.pendingChildren) applyChange(c, &change);
    if (s.entry)
        for (Entry* c = s.entry->firstChild; c; c = c->next) editRecord(c, &applyChange, &change);
    return Acad::eOk;
}

}  // namespace

ErrorStatus AcDbEntity::setLayer(const ACHAR* name, bool doSubents) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!name || !name[0]) return Acad::eInvalidInput;
    ObjectState& s = st(this);
    std::string utf8 = toUtf8(name);
    Entry* layer = nullptr;
    if (s.entry) {
        layer = findRecord(*s.entry->drawing, TableKind::Layer, utf8);
        if (!layer) return Acad::eKeyNotFound;
        utf8 = s.entry->drawing->nameOf(layer);
    }
    return changeCommon(this, {8, utf8, layer, -1}, doSubents);
}

namespace {
// A record id that may be given to an entity: of `kind`, live, of the entity's drawing.
ErrorStatus checkRecord(const AcDbObject* o, AcDbObjectId id, TableKind kind) {
    Entry* e = entryOf(id);
    if (!e) return Acad::eNullObjectId;
    if (e->table != kind || !e->is(hostcore::flags::kTableRecord)) return Acad::eWrongObjectType;
    if (st(o).entry && e->drawing != st(o).entry->drawing) return Acad::eWrongDatabase;
    if (e->erased()) return Acad::eWasErased;
    return Acad::eOk;
}
}  // namespace

ErrorStatus AcDbEntity::setLayer(AcDbObjectId id, bool doSubents) {
    ErrorStatus es = checkRecord(this, id, TableKind::Layer);
    if (es == Acad::eOk) es = checkWritable();
    if (es != Acad::eOk) return es;
    Entry* e = entryOf(id);
    return changeCommon(this, {8, e->drawing->nameOf(e), e, -1}, doSubents);
}

AcDbObjectId AcDbEntity::linetypeId() const {
    const ObjectState& s = st(this);
    if (!s.entry) return AcDbObjectId();
    const Drawing& d = *s.entry->drawing;
    int i = findTag(s.tags, 6);
    if (i < 0) return idOf(findRecord(d, TableKind::LType, "ByLayer"));
    const Tag& g = s.tags[static_cast<std::size_t>(i)];
    return idOf(g.ref ? g.ref : findRecord(d, TableKind::LType, g.value));
}

ErrorStatus AcDbEntity::setLinetype(const ACHAR* name, bool doSubents) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!name || !name[0]) return Acad::eInvalidInput;
    ObjectState& s = st(this);
    std::string utf8 = toUtf8(name);
    Entry* lt = nullptr;
    if (s.entry) {
        lt = findRecord(*s.entry->drawing, TableKind::LType, utf8);
        if (!lt) return Acad::eKeyNotFound;
        utf8 = s.entry->drawing->nameOf(lt);
    }
    return changeCommon(this, {6, utf8, lt, -1}, doSubents);
}

ErrorStatus AcDbEntity::setLinetype(AcDbObjectId id, bool doSubents) {
    ErrorStatus es = checkRecord(this, id, TableKind::LType);
    if (es == Acad::eOk) es = checkWritable();
    if (es != Acad::eOk) return es;
    Entry* e = entryOf(id);
    return changeCommon(this, {6, e->drawing->nameOf(e), e, -1}, doSubents);
}

int16_t AcDbEntity::colorIndex() const {
    const std::string* v = tagValue(st(this).tags, 62);
    return v ? static_cast<int16_t>(toInt(*v)) : int16_t{256};
}

ErrorStatus AcDbEntity::setColorIndex(int16_t color, bool doSubents) {
    if (color < 0 || color > 256) return Acad::eInvalidInput;
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    return changeCommon(this, {62, std::to_string(color), nullptr, -1}, doSubents);
}

AcCmColor AcDbEntity::color() const {
    AcCmColor c;
    c.setColorIndex(colorIndex());
    if (const std::string* tc = tagValue(st(this).tags, 420)) c.setTrueColorValue(static_cast<int32_t>(toInt(*tc)));
    return c;
}

ErrorStatus AcDbEntity::setColor(const AcCmColor& color, bool doSubents) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    const int32_t rgb = color.hasTrueColor() ? static_cast<int32_t>(color.rgb()) : -1;
    return changeCommon(this, {62, std::to_string(color.colorIndex()), nullptr, rgb}, doSubents);
}

void AcDbEntity::recordGraphicsModified(bool) {}

AcDbProxyEntity::AcDbProxyEntity() = default;
AcDbProxyEntity::~AcDbProxyEntity() = default;
AcDbProxyObject::AcDbProxyObject() = default;
AcDbProxyObject::~AcDbProxyObject() = default;
