// Symbol tables, their records and iterators; blocks and their entities.
#include <algorithm>
#include <cstdlib>

#include "host/arx/internal.h"

using Acad::ErrorStatus;
using namespace arxhost;
using hostcore::foldName;
namespace flags = hostcore::flags;

namespace {

// Records whose names the drawing depends on.
bool hasFixedName(TableKind k, const std::string& name) {
    const std::string f = foldName(name);
    switch (k) {
        case TableKind::Layer: return f == "0";
        case TableKind::LType: return f == "BYLAYER" || f == "BYBLOCK";
        case TableKind::BlockRecord: return f == "*MODEL_SPACE" || f.rfind("*PAPER_SPACE", 0) == 0;
        default: return false;
    }
}

// The BLOCK record of a block table record, loaded once per open.
TagList& beginTags(const AcDbObject* o) {
    ObjectState& s = st(o);
    if (!s.beginLoaded) {
        Entry* e = s.entry;
        if (e && e->block && e->block->begin)
            s.beginTags = currentTags(*e->drawing, e->block->begin);
        else
            s.beginTags = {Tag{0, "BLOCK", nullptr}, Tag{5, "0", nullptr}, Tag{330, "0", nullptr},
                           Tag{100, "AcDbEntity", nullptr}, Tag{8, "0", nullptr},
                           Tag{100, "AcDbBlockBegin", nullptr}, Tag{2, "", nullptr}, Tag{70, "0", nullptr},
                           Tag{10, "0.0", nullptr}, Tag{20, "0.0", nullptr}, Tag{30, "0.0", nullptr},
                           Tag{3, "", nullptr}, Tag{1, "", nullptr}};
        s.beginLoaded = true;
    }
    return s.beginTags;
}

ErrorStatus getText(const TagList& t, int code, ACHAR*& out) {
    const std::string* v = tagValue(t, code);
    out = toHost(v ? *v : std::string());
    return Acad::eOk;
}

int flags70(const TagList& t) {
    const std::string* v = tagValue(t, 70);
    return v ? static_cast<int>(toInt(*v)) : 0;
}

ErrorStatus setFlag70(AcDbObject* o, int bit, bool on, ErrorStatus writable) {
    if (writable != Acad::eOk) return writable;
    TagList& t = st(o).tags;
    int f = flags70(t);
    f = on ? (f | bit) : (f & ~bit);
    int at = findTag(t, 2);
    setTag(t, 70, std::to_string(f), at < 0 ? -1 : at + 1);
    markDirty(o);
    return Acad::eOk;
}

// The entity list of a block, or the records of a table, in their order.
void startAt(IteratorState& s, bool atBeginning, bool skipDeleted) {
    s.skipDeleted = skipDeleted;
    s.pos = atBeginning ? 0 : s.items.size() - 1;  // wraps to past-the-end when empty
    while (s.pos < s.items.size() && skipDeleted && s.items[s.pos]->erased())
        s.pos += atBeginning ? 1 : static_cast<std::size_t>(-1);
}

void stepOn(IteratorState& s, bool forward, bool skipDeleted) {
    if (s.pos >= s.items.size()) return;
    do {
        s.pos += forward ? 1 : static_cast<std::size_t>(-1);
    } while (s.pos < s.items.size() && skipDeleted && s.items[s.pos]->erased());
}

}  // namespace

// --- records -------------------------------------------------------------------

AcDbSymbolTableRecord::AcDbSymbolTableRecord() = default;
AcDbSymbolTableRecord::~AcDbSymbolTableRecord() = default;

ErrorStatus AcDbSymbolTableRecord::getName(ACHAR*& name) const {
    name = nullptr;
    return getText(st(this).tags, 2, name);
}

ErrorStatus AcDbSymbolTableRecord::setName(const ACHAR* name) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!name) return Acad::eInvalidInput;
    ObjectState& s = st(this);
    const std::string utf8 = toUtf8(name);
    Entry* e = s.entry;
    if (e) {
        Drawing& d = *e->drawing;
        const std::string cur = d.nameOf(e);
        if (cur == utf8) return Acad::eOk;  // the same name: nothing changes
        if (hasFixedName(e->table, cur)) return Acad::eNotApplicable;
        if (!isValidSymbolName(name)) return Acad::eInvalidSymbolTableName;
        if (findRecord(d, e->table, utf8, e)) return Acad::eDuplicateRecordName;
        d.setName(e, utf8);
    } else if (!isValidSymbolName(name)) {
        return Acad::eInvalidSymbolTableName;
    }
    setTag(s.tags, 2, utf8);
    if (isKindOf(AcDbBlockTableRecord::desc())) {
        // The BLOCK record repeats the name in codes 2 and 3.
        TagList& b = beginTags(this);
        for (Tag& t : b) {
            if (t.code >= 1000) break;
            if (t.code == 2 || t.code == 3) {
                t.value = utf8;
                t.ref = e;
            }
        }
        s.beginDirty = true;
    }
    markDirty(this);
    return Acad::eOk;
}

bool AcDbSymbolTableRecord::isDependent() const { return (flags70(st(this).tags) & 16) != 0; }
bool AcDbSymbolTableRecord::isResolved() const { return (flags70(st(this).tags) & 32) != 0; }

#define ARX_PLAIN_RECORD(CLASS, DXF)              \
    CLASS::CLASS() { st(this).tags = defaultTags(DXF); } \
    CLASS::~CLASS() = default;

ARX_PLAIN_RECORD(AcDbDimStyleTableRecord, "DIMSTYLE")
ARX_PLAIN_RECORD(AcDbUCSTableRecord, "UCS")
ARX_PLAIN_RECORD(AcDbViewTableRecord, "VIEW")
ARX_PLAIN_RECORD(AcDbViewportTableRecord, "VPORT")
ARX_PLAIN_RECORD(AcDbRegAppTableRecord, "APPID")
ARX_PLAIN_RECORD(AcDbLayerTableRecord, "LAYER")
ARX_PLAIN_RECORD(AcDbLinetypeTableRecord, "LTYPE")
ARX_PLAIN_RECORD(AcDbTextStyleTableRecord, "STYLE")
ARX_PLAIN_RECORD(AcDbBlockTableRecord, "BLOCK_RECORD")

bool AcDbLayerTableRecord::isLocked() const { return (flags70(st(this).tags) & 4) != 0; }
ErrorStatus AcDbLayerTableRecord::setIsLocked(bool on) { return setFlag70(this, 4, on, checkWritable()); }
bool AcDbLayerTableRecord::isFrozen() const { return (flags70(st(this).tags) & 1) != 0; }
ErrorStatus AcDbLayerTableRecord::setIsFrozen(bool on) { return setFlag70(this, 1, on, checkWritable()); }

bool AcDbLayerTableRecord::isOff() const {
    const std::string* v = tagValue(st(this).tags, 62);
    return v && toInt(*v) < 0;
}

ErrorStatus AcDbLayerTableRecord::setIsOff(bool off) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    TagList& t = st(this).tags;
    long long c = 7;
    if (const std::string* v = tagValue(t, 62)) c = toInt(*v);
    if (c == 0) c = 7;
    c = off ? -std::llabs(c) : std::llabs(c);
    int at = findTag(t, 70);
    setTag(t, 62, std::to_string(c), at < 0 ? -1 : at + 1);
    markDirty(this);
    return Acad::eOk;
}

int16_t AcDbLayerTableRecord::colorIndex() const {
    const std::string* v = tagValue(st(this).tags, 62);
    return static_cast<int16_t>(v ? std::llabs(toInt(*v)) : 7);
}

ErrorStatus AcDbLayerTableRecord::setColorIndex(int16_t color) {
    if (color < 1 || color > 255) return Acad::eInvalidInput;
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    TagList& t = st(this).tags;
    const bool off = isOff();
    int at = findTag(t, 70);
    setTag(t, 62, std::to_string(off ? -color : color), at < 0 ? -1 : at + 1);
    markDirty(this);
    return Acad::eOk;
}

AcDbObjectId AcDbLayerTableRecord::linetypeObjectId() const {
    const ObjectState& s = st(this);
    int i = findTag(s.tags, 6);
    if (i < 0 || !s.entry) return AcDbObjectId();
    const Tag& g = s.tags[static_cast<std::size_t>(i)];
    return idOf(g.ref ? g.ref : findRecord(*s.entry->drawing, TableKind::LType, g.value));
}

ErrorStatus AcDbLinetypeTableRecord::comments(ACHAR*& text) const { return getText(st(this).tags, 3, text); }

ErrorStatus AcDbLinetypeTableRecord::setComments(const ACHAR* text) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    TagList& t = st(this).tags;
    int at = findTag(t, 70);
    setTag(t, 3, toUtf8(text), at < 0 ? -1 : at + 1);
    markDirty(this);
    return Acad::eOk;
}

ErrorStatus AcDbTextStyleTableRecord::fileName(ACHAR*& name) const { return getText(st(this).tags, 3, name); }

ErrorStatus AcDbTextStyleTableRecord::setFileName(const ACHAR* name) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    setTag(st(this).tags, 3, toUtf8(name));
    markDirty(this);
    return Acad::eOk;
}

// --- block table records ------------------------------------------------------------

ErrorStatus AcDbBlockTableRecord::comments(ACHAR*& text) const { return getText(beginTags(this), 4, text); }
ErrorStatus AcDbBlockTableRecord::pathName(ACHAR*& path) const { return getText(beginTags(this), 1, path); }

namespace {
ErrorStatus setBeginText(AcDbObject* o, int code, const ACHAR* text, ErrorStatus writable) {
    if (writable != Acad::eOk) return writable;
    setTag(beginTags(o), code, toUtf8(text));
    st(o).beginDirty = true;
    return Acad::eOk;
}
}  // namespace

ErrorStatus AcDbBlockTableRecord::setComments(const ACHAR* text) { return setBeginText(this, 4, text, checkWritable()); }
ErrorStatus AcDbBlockTableRecord::setPathName(const ACHAR* path) { return setBeginText(this, 1, path, checkWritable()); }

bool AcDbBlockTableRecord::isFromExternalReference() const { return (flags70(beginTags(this)) & 4) != 0; }

bool AcDbBlockTableRecord::isLayout() const {
    const std::string* n = tagValue(st(this).tags, 2);
    if (!n) return false;
    const std::string f = foldName(*n);
    return f == "*MODEL_SPACE" || f.rfind("*PAPER_SPACE", 0) == 0;
}

bool AcDbBlockTableRecord::isAnonymous() const {
    const std::string* n = tagValue(st(this).tags, 2);
    return (n && !n->empty() && n->front() == '*' && !isLayout()) || (flags70(beginTags(this)) & 1) != 0;
}

namespace {
// Every INSERT of the drawing that shows `block`.
void referencesOf(const Drawing& d, const Entry* block, std::vector<Entry*>& out) {
    auto visit = [&](Entry* e) {
        if (e->erased() || d.typeName(e) != "INSERT") return;
        const TagList t = currentTags(d, e);
        int i = findTag(t, 2);
        if (i < 0) return;
        const Tag& g = t[static_cast<std::size_t>(i)];
        Entry* target = g.ref ? g.ref : findRecord(d, TableKind::BlockRecord, g.value);
        if (target == block) out.push_back(e);
    };
    for (Entry* rec : d.table(TableKind::BlockRecord).records) {
        if (rec->erased() || !rec->block) continue;
        for (Entry* e = rec->block->first; e; e = e->next) visit(e);
    }
    for (Entry* e : d.orphanEntities) visit(e);
}
}  // namespace

ErrorStatus AcDbBlockTableRecord::getBlockReferenceIds(AcDbObjectIdArray& ids, bool directOnly, bool) const {
    const Entry* self = st(this).entry;
    if (!self) return Acad::eNotInDatabase;
    const Drawing& d = *self->drawing;
    std::vector<const Entry*> blocks{self};
    std::vector<Entry*> refs;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        std::size_t before = refs.size();
        referencesOf(d, blocks[i], refs);
        if (directOnly) break;
        // References inside other blocks make those blocks show this one too.
        for (std::size_t k = before; k < refs.size(); ++k) {
            const Entry* owner = refs[k]->owner;
            if (owner && owner != d.modelSpace && owner != d.paperSpace &&
                std::find(blocks.begin(), blocks.end(), owner) == blocks.end())
                blocks.push_back(owner);
        }
    }
    for (Entry* r : refs) ids.append(idOf(r));
    return Acad::eOk;
}

ErrorStatus AcDbBlockTableRecord::newIterator(AcDbBlockTableRecordIterator*& it, bool atBeginning,
                                              bool skipDeleted) const {
    it = nullptr;
    Entry* e = st(this).entry;
    if (!e) return Acad::eNotInDatabase;
    if (!e->block) return Acad::eNotApplicable;
    AcDbBlockTableRecordIterator* p = Access::newBlockIterator();
    IteratorState& s = Access::state(p);
    for (Entry* x = e->block->first; x; x = x->next) s.items.push_back(x);
    startAt(s, atBeginning, skipDeleted);
    it = p;
    return Acad::eOk;
}

ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbEntity* entity) {
    AcDbObjectId id;
    return appendAcDbEntity(id, entity);
}

ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbObjectId& id, AcDbEntity* entity) {
    id = AcDbObjectId();
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!entity) return Acad::eNullObjectPointer;
    Entry* btr = st(this).entry;
    if (!btr) return Acad::eNotInDatabase;
    if (!btr->block || !btr->block->begin) return Acad::eNotApplicable;
    ObjectState& n = st(entity);
    if (n.entry || n.orphan) return Acad::eAlreadyInDb;
    const char* type = entity->isA()->dxfName();
    if (!type) return Acad::eWrongObjectType;
    Drawing& d = *btr->drawing;
    TagList& t = n.tags;
    resolveRefs(d, t, true);
    int li = findTag(t, 8);
    if (li >= 0 && !t[static_cast<std::size_t>(li)].ref) return Acad::eKeyNotFound;
    Entry* e = newEntry(d, type, flags::kEntity);
    setOwnHandle(t, e->handle, false);
    setOwnerHandle(t, btr->handle);
    if (btr == d.paperSpace) {
        int at = findTag(t, 100);
        setTag(t, 67, "1", at < 0 ? -1 : at + 1);
    }
    d.appendToBlock(btr, e);
    // Sub-entities (vertices and their sequence end) become records of their own.
    Entry* last = nullptr;
    for (TagList& ct : n.pendingChildren) {
        Entry* c = newEntry(d, ct.empty() ? "SEQEND" : ct[0].value.c_str(),
                            static_cast<uint16_t>(flags::kEntity | flags::kSubEntity));
        c->owner = e;
        setOwnHandle(ct, c->handle, false);
        setOwnerHandle(ct, e->handle);
        resolveRefs(d, ct, true);
        c->tags = std::make_unique<TagList>(std::move(ct));
        if (last)
            last->next = c;
        else
            e->firstChild = c;
        last = c;
    }
    n.pendingChildren.clear();
    makeResident(entity, st(this).db, e);
    id = idOf(e);
    return Acad::eOk;
}

// --- tables ----------------------------------------------------------------------------

AcDbSymbolTable::AcDbSymbolTable() = default;
AcDbSymbolTable::~AcDbSymbolTable() = default;

#define ARX_TABLE(CLASS)       \
    CLASS::CLASS() = default;  \
    CLASS::~CLASS() = default;
ARX_TABLE(AcDbBlockTable)
ARX_TABLE(AcDbLayerTable)
ARX_TABLE(AcDbTextStyleTable)
ARX_TABLE(AcDbLinetypeTable)
ARX_TABLE(AcDbViewTable)
ARX_TABLE(AcDbUCSTable)
ARX_TABLE(AcDbViewportTable)
ARX_TABLE(AcDbRegAppTable)
ARX_TABLE(AcDbDimStyleTable)

ErrorStatus AcDbSymbolTable::getAt(const ACHAR* name, AcDbObjectId& id, bool getErased) const {
    id = AcDbObjectId();
    if (!name) return Acad::eInvalidInput;
    Entry* head = st(this).entry;
    if (!head) return Acad::eNotInDatabase;
    const Drawing& d = *head->drawing;
    const std::string utf8 = toUtf8(name);
    Entry* e = findRecord(d, head->table, utf8);
    if (!e && getErased) {
        const std::string f = foldName(utf8);
        for (Entry* r : d.table(head->table).records)
            if (foldName(d.nameOf(r)) == f) {
                e = r;
                break;
            }
    }
    if (!e) return Acad::eKeyNotFound;
    id = idOf(e);
    return Acad::eOk;
}

ErrorStatus AcDbSymbolTable::getAt(const ACHAR* name, AcDbSymbolTableRecord*& rec, AcDb::OpenMode mode,
                                   bool openErased) const {
    rec = nullptr;
    AcDbObjectId id;
    ErrorStatus es = getAt(name, id, openErased);
    if (es != Acad::eOk) return es;
    return acdbOpenObject(rec, id, mode, openErased);
}

bool AcDbSymbolTable::has(const ACHAR* name) const {
    AcDbObjectId id;
    return getAt(name, id) == Acad::eOk;
}

bool AcDbSymbolTable::has(AcDbObjectId id) const {
    Entry* e = entryOf(id);
    Entry* head = st(this).entry;
    return e && head && e->owner == head && e->is(flags::kTableRecord) && !e->erased();
}

ErrorStatus AcDbSymbolTable::add(AcDbSymbolTableRecord* rec) {
    AcDbObjectId id;
    return add(id, rec);
}

ErrorStatus AcDbSymbolTable::add(AcDbObjectId& id, AcDbSymbolTableRecord* rec) {
    id = AcDbObjectId();
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!rec) return Acad::eNullObjectPointer;
    Entry* head = st(this).entry;
    if (!head) return Acad::eNotInDatabase;
    ObjectState& r = st(rec);
    if (r.entry || r.orphan) return Acad::eAlreadyInDb;
    const TableKind k = head->table;
    if (k == TableKind::None || tableOfRecordClass(rec->isA()) != k) return Acad::eWrongObjectType;
    Drawing& d = *head->drawing;
    const std::string* namePtr = tagValue(r.tags, 2);
    const std::string name = namePtr ? *namePtr : std::string();
    if (!isValidSymbolName(toHostString(name).c_str())) return Acad::eInvalidSymbolTableName;
    if (findRecord(d, k, name)) return Acad::eDuplicateRecordName;

    Entry* e = newEntry(d, dxfNameOfTable(k), 0);
    e->owner = head;
    setOwnHandle(r.tags, e->handle, k == TableKind::DimStyle);
    setOwnerHandle(r.tags, head->handle);
    resolveRefs(d, r.tags, false);
    d.addRecord(k, e, name, false);
    if (k == TableKind::BlockRecord) {
        // The block's BLOCK and ENDBLK records frame its (empty) entity list.
        TagList begin = beginTags(rec);
        Entry* b = newEntry(d, "BLOCK", flags::kBlockBegin);
        Entry* end = newEntry(d, "ENDBLK", flags::kBlockEnd);
        b->owner = end->owner = e;
        setOwnHandle(begin, b->handle, false);
        setOwnerHandle(begin, e->handle);
        for (Tag& t : begin)
            if (t.code == 2 || t.code == 3) t.value = name;
        resolveRefs(d, begin, true);
        for (Tag& t : begin)
            if (t.code == 2 || t.code == 3) t.ref = e;
        b->tags = std::make_unique<TagList>(std::move(begin));
        TagList endTags{Tag{0, "ENDBLK", nullptr}, Tag{5, hexOf(end->handle), nullptr},
                        Tag{330, hexOf(e->handle), nullptr}, Tag{100, "AcDbEntity", nullptr},
                        Tag{8, "0", findRecord(d, TableKind::Layer, "0")}, Tag{100, "AcDbBlockEnd", nullptr}};
        end->tags = std::make_unique<TagList>(std::move(endTags));
        hostcore::BlockInfo* info = d.makeBlock(e);
        info->begin = b;
        info->end = end;
        d.blockOrder.push_back(e);
        r.beginLoaded = false;
        r.beginDirty = false;
    }
    makeResident(rec, st(this).db, e);
    id = idOf(e);
    return Acad::eOk;
}

ErrorStatus AcDbSymbolTable::initIterator(AcDbSymbolTableIterator* it, bool atBeginning, bool skipDeleted) const {
    Entry* head = st(this).entry;
    if (!it) return Acad::eNullObjectPointer;
    if (!head) return Acad::eNotInDatabase;
    IteratorState& s = Access::state(it);
    s.items = head->drawing->table(head->table).records;
    startAt(s, atBeginning, skipDeleted);
    return Acad::eOk;
}

ErrorStatus AcDbSymbolTable::newIterator(AcDbSymbolTableIterator*& it, bool atBeginning, bool skipDeleted) const {
    AcDbSymbolTableIterator* p = Access::newSymbolTableIterator();
    ErrorStatus es = initIterator(p, atBeginning, skipDeleted);
    if (es != Acad::eOk) {
        delete p;
        p = nullptr;
    }
    it = p;
    return es;
}

// --- iterators -------------------------------------------------------------------------

AcDbSymbolTableIterator::AcDbSymbolTableIterator() : state_(new IteratorState) {}
AcDbSymbolTableIterator::~AcDbSymbolTableIterator() { delete state_; }
void AcDbSymbolTableIterator::start(bool atBeginning, bool skipDeleted) { startAt(*state_, atBeginning, skipDeleted); }
bool AcDbSymbolTableIterator::done() const { return state_->pos >= state_->items.size(); }
void AcDbSymbolTableIterator::step(bool forward, bool skipDeleted) { stepOn(*state_, forward, skipDeleted); }

ErrorStatus AcDbSymbolTableIterator::getRecordId(AcDbObjectId& id) const {
    id = AcDbObjectId();
    if (done()) return Acad::eInvalidInput;
    id = idOf(state_->items[state_->pos]);
    return Acad::eOk;
}

ErrorStatus AcDbSymbolTableIterator::openRecord(AcDbSymbolTableRecord*& rec, AcDb::OpenMode mode, bool openErased,
                                                const AcRxClass* filter) const {
    rec = nullptr;
    if (done()) return Acad::eInvalidInput;
    AcDbObject* o = nullptr;
    ErrorStatus es = openEntry(o, state_->items[state_->pos], mode, openErased, filter);
    rec = static_cast<AcDbSymbolTableRecord*>(o);
    return es;
}

ErrorStatus AcDbSymbolTableIterator::getRecord(AcDbSymbolTableRecord*& rec, AcDb::OpenMode mode,
                                               bool openErased) const {
    return openRecord(rec, mode, openErased, AcDbSymbolTableRecord::desc());
}

ErrorStatus AcDbSymbolTableIterator::seek(AcDbObjectId id) {
    for (std::size_t i = 0; i < state_->items.size(); ++i)
        if (state_->items[i] == entryOf(id)) {
            state_->pos = i;
            return Acad::eOk;
        }
    return Acad::eKeyNotFound;
}

AcDbBlockTableRecordIterator::AcDbBlockTableRecordIterator() : state_(new IteratorState) {}
AcDbBlockTableRecordIterator::~AcDbBlockTableRecordIterator() { delete state_; }
void AcDbBlockTableRecordIterator::start(bool atBeginning, bool skipDeleted) {
    startAt(*state_, atBeginning, skipDeleted);
}
bool AcDbBlockTableRecordIterator::done() const { return state_->pos >= state_->items.size(); }
void AcDbBlockTableRecordIterator::step(bool forward, bool skipDeleted) { stepOn(*state_, forward, skipDeleted); }

ErrorStatus AcDbBlockTableRecordIterator::getEntityId(AcDbObjectId& id) const {
    id = AcDbObjectId();
    if (done()) return Acad::eInvalidInput;
    id = idOf(state_->items[state_->pos]);
    return Acad::eOk;
}

ErrorStatus AcDbBlockTableRecordIterator::getEntity(AcDbEntity*& ent, AcDb::OpenMode mode, bool openErased) const {
    ent = nullptr;
    if (done()) return Acad::eInvalidInput;
    AcDbObject* o = nullptr;
    ErrorStatus es = openEntry(o, state_->items[state_->pos], mode, openErased, AcDbEntity::desc());
    ent = static_cast<AcDbEntity*>(o);
    return es;
}
