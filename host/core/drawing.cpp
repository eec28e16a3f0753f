#include "host/core/drawing.h"

#include <charconv>

#include "host/dxf/tags.h"

namespace hostcore {

Drawing::Drawing() {
    types_.emplace_back("");  // type 0: unknown
    typeIndex_.emplace("", 0);
}

Drawing::~Drawing() = default;

uint16_t Drawing::internType(std::string_view type) {
    auto it = typeIndex_.find(std::string(type));
    if (it != typeIndex_.end()) return it->second;
    auto id = static_cast<uint16_t>(types_.size());
    types_.emplace_back(type);
    typeIndex_.emplace(std::string(type), id);
    return id;
}

Entry* Drawing::newEntry(uint16_t type, uint16_t entryFlags) {
    Entry& e = entries.emplace_back();
    e.drawing = this;
    e.type = type;
    e.flags = entryFlags;
    e.seq = nextSeq();
    return &e;
}

void Drawing::registerHandle(Entry* e, uint64_t handle) {
    e->handle = handle;
    byHandle[handle] = e;
    if (handle >= handseed) handseed = handle + 1;
}

void Drawing::assignHandle(Entry* e) { registerHandle(e, handseed); }

Entry* Drawing::find(uint64_t handle) const {
    auto it = byHandle.find(handle);
    return it == byHandle.end() ? nullptr : it->second;
}

TagList Drawing::parseRaw(std::string_view raw, uint16_t type, bool entity) const {
    TagList out;
    dxf::AsciiTagReader reader(raw);
    dxf::RawTag t;
    const std::string& typeStr = types_[type];
    std::string_view subclass;
    bool xdata = false;
    const bool ascii = codec.enc == dxf::Encoding::Utf8;
    while (reader.next(t)) {
        Tag tag;
        tag.code = static_cast<int16_t>(t.code);
        if (ascii || dxf::isPlainAscii(t.value)) {
            tag.value.assign(t.value);
        } else {
            dxf::decode(t.value, codec, tag.value);
        }
        if (t.code == 100 || t.code == 1001) subclass = t.value;  // in extended data: its application
        if (t.code >= 1000) xdata = true;
        TableKind k = nameReference(typeStr, subclass, t.code, xdata, entity);
        if (k != TableKind::None) tag.ref = lookupLoad(k, tag.value);
        out.push_back(std::move(tag));
    }
    return out;
}

TagList Drawing::tagsOf(const Entry* e) const {
    if (e->tags) return *e->tags;
    return parseRaw(e->raw, e->type, e->is(flags::kEntity | flags::kBlockBegin | flags::kBlockEnd));
}

TagList& Drawing::ownTags(Entry* e) {
    if (!e->tags) {
        e->tags = std::make_unique<TagList>(tagsOf(e));
        e->raw = {};
    }
    return *e->tags;
}

Entry* Drawing::lookup(TableKind k, std::string_view utf8Name) const {
    const Table& t = table(k);
    auto it = t.names.find(foldName(utf8Name));
    return it == t.names.end() ? nullptr : it->second;
}

Entry* Drawing::lookupLoad(TableKind k, std::string_view utf8Name) const {
    const Table& t = table(k);
    auto it = t.loadNames.find(foldName(utf8Name));
    return it == t.loadNames.end() ? nullptr : it->second;
}

const std::string& Drawing::nameOf(const Entry* e) const {
    static const std::string empty;
    if (e->table == TableKind::None) return empty;
    const Table& t = table(e->table);
    auto it = t.currentName.find(const_cast<Entry*>(e));
    return it == t.currentName.end() ? empty : it->second;
}

const std::string& Drawing::refText(const Tag& t) const {
    if (!t.ref) return t.value;
    const std::string& name = nameOf(t.ref);
    if (name.empty() || t.ref->is(flags::kRenamed) || foldName(t.value) != foldName(name)) return name;
    return t.value;
}

void Drawing::setName(Entry* e, std::string_view utf8Name) {
    e->flags |= flags::kRenamed;
    Table& t = table(e->table);
    auto old = t.currentName.find(e);
    if (old != t.currentName.end()) {
        auto it = t.names.find(foldName(old->second));
        if (it != t.names.end() && it->second == e) t.names.erase(it);
        old->second.assign(utf8Name);
    } else {
        t.currentName.emplace(e, std::string(utf8Name));
    }
    t.names.emplace(foldName(utf8Name), e);
    ++t.renames;
    ++renameCount;
}

void Drawing::addRecord(TableKind k, Entry* e, std::string_view utf8Name, bool atLoad) {
    Table& t = table(k);
    e->table = k;
    e->flags |= flags::kTableRecord;
    t.records.push_back(e);
    t.currentName.emplace(e, std::string(utf8Name));
    std::string folded = foldName(utf8Name);
    // Several records may share a name (the viewport table's *ACTIVE entries);
    // lookups find the first.
    t.names.emplace(folded, e);
    if (atLoad) t.loadNames.emplace(std::move(folded), e);
}

BlockInfo* Drawing::makeBlock(Entry* blockRecord) {
    if (!blockRecord->block) blockRecord->block = &blockInfos.emplace_back();
    return blockRecord->block;
}

void Drawing::appendToBlock(Entry* blockRecord, Entry* entity) {
    if (!blockRecord->block) return;
    BlockInfo& b = *blockRecord->block;
    entity->owner = blockRecord;
    entity->next = nullptr;
    if (b.last)
        b.last->next = entity;
    else
        b.first = entity;
    b.last = entity;
}

}  // namespace hostcore
