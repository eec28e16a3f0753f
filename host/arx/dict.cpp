// Dictionaries and xrecords.
#include <algorithm>

#include "host/arx/internal.h"

using Acad::ErrorStatus;
using namespace arxhost;
using hostcore::foldName;

namespace {

const Drawing* drawingOf(const AcDbObject* o) {
    const ObjectState& s = st(o);
    return s.entry ? s.entry->drawing : nullptr;
}

// Index into the pairs of the entry filed under key, or -1.
int findKey(const std::vector<DictPair>& pairs, std::string_view utf8) {
    const std::string f = foldName(utf8);
    for (std::size_t i = 0; i < pairs.size(); ++i)
        if (foldName(pairs[i].key) == f) return static_cast<int>(i);
    return -1;
}

// Removes the reactor `handle` from the record's ACAD_REACTORS group, and the
// group itself once it is empty.
void removeReactor(TagList& t, uint64_t handle) {
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (t[i].code != 102 || t[i].value != "{ACAD_REACTORS") continue;
        std::size_t j = i + 1;
        while (j < t.size() && t[j].code != 102) {
            if (t[j].code == 330 && hostcore::handleValue(t[j].value) == handle)
                t.erase(t.begin() + static_cast<std::ptrdiff_t>(j));
            else
                ++j;
        }
        if (j == i + 1 && j < t.size() && t[j].value == "}")
            t.erase(t.begin() + static_cast<std::ptrdiff_t>(i), t.begin() + static_cast<std::ptrdiff_t>(j + 1));
        return;
    }
}

bool isValidKey(const std::string& key) {
    if (key.empty()) return false;
    for (unsigned char c : key)
        if (c < 0x20) return false;  // a control character would break the file's lines
    return true;
}

}  // namespace

AcDbDictionary::AcDbDictionary() { st(this).tags = defaultTags("DICTIONARY"); }
AcDbDictionary::~AcDbDictionary() = default;

uint32_t AcDbDictionary::numEntries() const { return static_cast<uint32_t>(dictPairs(st(this).tags).size()); }

bool AcDbDictionary::has(const ACHAR* key) const {
    AcDbObjectId id;
    return getAt(key, id) == Acad::eOk;
}

bool AcDbDictionary::has(AcDbObjectId id) const {
    if (id.isNull()) return false;
    for (const DictPair& p : dictPairs(st(this).tags))
        if (p.handle == entryOf(id)->handle) return true;
    return false;
}

ErrorStatus AcDbDictionary::getAt(const ACHAR* key, AcDbObjectId& id) const {
    id = AcDbObjectId();
    if (!key) return Acad::eInvalidInput;
    const Drawing* d = drawingOf(this);
    if (!d) return Acad::eNotInDatabase;
    auto pairs = dictPairs(st(this).tags);
    int i = findKey(pairs, toUtf8(key));
    if (i < 0) return Acad::eKeyNotFound;
    Entry* e = d->find(pairs[static_cast<std::size_t>(i)].handle);
    if (!e) return Acad::eKeyNotFound;
    id = idOf(e);
    return Acad::eOk;
}

ErrorStatus AcDbDictionary::getAt(const ACHAR* key, AcDbObject*& obj, AcDb::OpenMode mode) const {
    obj = nullptr;
    AcDbObjectId id;
    ErrorStatus es = getAt(key, id);
    return es == Acad::eOk ? acdbOpenObject(obj, id, mode) : es;
}

ErrorStatus AcDbDictionary::nameAt(AcDbObjectId id, ACHAR*& key) const {
    key = nullptr;
    if (id.isNull()) return Acad::eNullObjectId;
    for (const DictPair& p : dictPairs(st(this).tags))
        if (p.handle == entryOf(id)->handle) {
            key = toHost(p.key);
            return Acad::eOk;
        }
    return Acad::eKeyNotFound;
}

ErrorStatus AcDbDictionary::setAt(const ACHAR* key, AcDbObject* obj, AcDbObjectId& id) {
    id = AcDbObjectId();
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!key || !obj) return Acad::eInvalidInput;
    ObjectState& s = st(this);
    if (!s.entry) return Acad::eNotInDatabase;
    ObjectState& n = st(obj);
    if (n.entry || n.orphan) return Acad::eAlreadyInDb;
    const char* type = obj->isA()->dxfName();
    if (!type || obj->isKindOf(AcDbEntity::desc()) || obj->isKindOf(AcDbSymbolTable::desc()) ||
        obj->isKindOf(AcDbSymbolTableRecord::desc()))
        return Acad::eWrongObjectType;
    const std::string utf8 = toUtf8(key);
    if (!isValidKey(utf8)) return Acad::eInvalidKey;
    Drawing& d = *s.entry->drawing;
    auto pairs = dictPairs(s.tags);
    int old = findKey(pairs, utf8);
    if (old >= 0) {
        // The object filed under the key so far leaves the drawing.
        if (Entry* prev = d.find(pairs[static_cast<std::size_t>(old)].handle)) {
            if (prev->live) st(static_cast<AcDbObject*>(prev->live)).dirty = false;
            prev->flags |= hostcore::flags::kErased;
        }
    }
    Entry* e = newEntry(d, type, hostcore::flags::kObject);
    e->owner = s.entry;
    TagList& t = n.tags;
    setOwnHandle(t, e->handle, false);
    setOwnerHandle(t, s.entry->handle);
    // The dictionary is told of changes to the object, as the file records.
    t.insert(t.begin() + 2, {Tag{102, "{ACAD_REACTORS", nullptr}, Tag{330, hexOf(s.entry->handle), nullptr},
                             Tag{102, "}", nullptr}});
    resolveRefs(d, t, false);
    // Objects are written after their dictionary.
    auto pos = std::find(d.objects.begin(), d.objects.end(), s.entry);
    d.objects.insert(pos == d.objects.end() ? pos : pos + 1, e);
    if (old >= 0) {
        s.tags[pairs[static_cast<std::size_t>(old)].keyIndex + 1].value = hexOf(e->handle);
    } else {
        // Keys follow each other in the order they were filed; the pair code of
        // the dictionary's other pairs is kept.
        int16_t code = pairs.empty() ? int16_t{350}
                                     : s.tags[pairs.back().keyIndex + 1].code;
        std::size_t at = pairs.empty() ? xdataStart(s.tags) : pairs.back().keyIndex + 2;
        s.tags.insert(s.tags.begin() + static_cast<std::ptrdiff_t>(at),
                      {Tag{3, utf8, nullptr}, Tag{code, hexOf(e->handle), nullptr}});
    }
    markDirty(this);
    makeResident(obj, s.db, e);
    id = idOf(e);
    return Acad::eOk;
}

ErrorStatus AcDbDictionary::remove(const ACHAR* key) {
    AcDbObjectId id;
    return remove(key, id);
}

ErrorStatus AcDbDictionary::remove(const ACHAR* key, AcDbObjectId& id) {
    id = AcDbObjectId();
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!key) return Acad::eInvalidInput;
    ObjectState& s = st(this);
    auto pairs = dictPairs(s.tags);
    int i = findKey(pairs, toUtf8(key));
    if (i < 0) return Acad::eKeyNotFound;
    const DictPair& p = pairs[static_cast<std::size_t>(i)];
    Entry* removed = s.entry ? s.entry->drawing->find(p.handle) : nullptr;
    id = idOf(removed);
    s.tags.erase(s.tags.begin() + static_cast<std::ptrdiff_t>(p.keyIndex),
                 s.tags.begin() + static_cast<std::ptrdiff_t>(p.keyIndex + 2));
    markDirty(this);
    // The dictionary no longer hears of the object's changes: its reactor
    // goes. The owner stays the dictionary, as in ObjectARX, until the caller
    // erases the object or files it elsewhere (setAt of another dictionary
    // makes a new record for a new object only, so an object taken out is
    // normally erased next); AUDIT reports an object left that way.
    if (removed && removed->owner == s.entry) {
        uint64_t dictHandle = s.entry->handle;
        editRecord(removed, [](TagList& t, void* c) { removeReactor(t, *static_cast<uint64_t*>(c)); }, &dictHandle);
    }
    return Acad::eOk;
}

bool AcDbDictionary::setName(const ACHAR* oldName, const ACHAR* newName) {
    if (checkWritable() != Acad::eOk || !oldName || !newName) return false;
    ObjectState& s = st(this);
    const std::string newKey = toUtf8(newName);
    if (!isValidKey(newKey)) return false;
    auto pairs = dictPairs(s.tags);
    int from = findKey(pairs, toUtf8(oldName));
    if (from < 0) return false;
    int clash = findKey(pairs, newKey);
    if (clash >= 0 && clash != from) return false;
    s.tags[pairs[static_cast<std::size_t>(from)].keyIndex].value = newKey;
    markDirty(this);
    return true;
}

AcDbDictionaryIterator* AcDbDictionary::newIterator() const {
    const ObjectState& s = st(this);
    if (!s.entry) return nullptr;
    AcDbDictionaryIterator* it = Access::newDictIterator();
    DictIteratorState& is = Access::state(it);
    const Drawing& d = *s.entry->drawing;
    for (const DictPair& p : dictPairs(s.tags))
        if (Entry* e = d.find(p.handle)) is.items.emplace_back(p.key, e);
    return it;
}

AcDbDictionaryIterator::AcDbDictionaryIterator() : state_(new DictIteratorState) {}
AcDbDictionaryIterator::~AcDbDictionaryIterator() { delete state_; }
bool AcDbDictionaryIterator::done() const { return state_->pos >= state_->items.size(); }

bool AcDbDictionaryIterator::next() {
    if (done()) return false;
    ++state_->pos;
    state_->nameValid = false;
    return !done();
}

const ACHAR* AcDbDictionaryIterator::name() const {
    if (done()) return nullptr;
    if (!state_->nameValid) {
        state_->name = toHostString(state_->items[state_->pos].first);
        state_->nameValid = true;
    }
    return state_->name.c_str();
}

AcDbObjectId AcDbDictionaryIterator::objectId() const {
    return done() ? AcDbObjectId() : idOf(state_->items[state_->pos].second);
}

ErrorStatus AcDbDictionaryIterator::getObject(AcDbObject*& obj, AcDb::OpenMode mode) const {
    obj = nullptr;
    if (done()) return Acad::eInvalidInput;
    return openEntry(obj, state_->items[state_->pos].second, mode, false, nullptr);
}

// --- xrecords ------------------------------------------------------------------------

namespace {
// Where the data of an xrecord starts: after its subclass marker and the
// cloning flag right behind it.
std::size_t xrecordDataStart(const TagList& t) {
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (t[i].code == 100 && t[i].value == "AcDbXrecord") {
            ++i;
            if (i < t.size() && t[i].code == 280) ++i;
            return i;
        }
    }
    return t.size();
}

std::size_t xrecordDataEnd(const TagList& t) { return xdataStart(t); }

bool isXrecordDataCode(int code) {
    return (code >= 1 && code <= 369 && code != 5 && code != 105 && code != 100 && code != 101) || code == 999 ||
           (code >= 370 && code <= 481);
}
}  // namespace

AcDbXrecord::AcDbXrecord() { st(this).tags = defaultTags("XRECORD"); }
AcDbXrecord::~AcDbXrecord() = default;

ErrorStatus AcDbXrecord::rbChain(resbuf*& chain, AcDbDatabase*) const {
    const TagList& t = st(this).tags;
    chain = tagsToChain(t, xrecordDataStart(t), xrecordDataEnd(t));
    return Acad::eOk;
}

ErrorStatus AcDbXrecord::setFromRbChain(const resbuf& chain, AcDbDatabase*) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    TagList data;
    es = chainToTags(&chain, data, &isXrecordDataCode);
    if (es != Acad::eOk) return es;
    TagList& t = st(this).tags;
    bool marked = false;
    for (const Tag& g : t)
        if (g.code == 100 && g.value == "AcDbXrecord") marked = true;
    if (!marked)  // a record without its marker gets one
        t.insert(t.begin() + static_cast<std::ptrdiff_t>(xdataStart(t)),
                 {Tag{100, "AcDbXrecord", nullptr}, Tag{280, "1", nullptr}});
    std::size_t from = xrecordDataStart(t);
    std::size_t to = xrecordDataEnd(t);
    if (to < from) to = from;
    t.erase(t.begin() + static_cast<std::ptrdiff_t>(from), t.begin() + static_cast<std::ptrdiff_t>(to));
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(from), data.begin(), data.end());
    markDirty(this);
    return Acad::eOk;
}
