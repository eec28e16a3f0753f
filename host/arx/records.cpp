// The calls arxhost offers the host's own editor beyond the module interface (hostapi.h):
// records and header variables in UTF-8 tags, the structure of blocks, the name rule.
#include <algorithm>

#include "host/arx/internal.h"
#include "host/core/header.h"

namespace arxhost {

namespace {

Entry* recordOf(AcDbObjectId id) {
    Entry* e = entryOf(id);
    return e && e->drawing ? e : nullptr;
}

RecordTags plainTags(const Drawing& d, const TagList& t) {
    RecordTags out;
    out.reserve(t.size());
    for (const Tag& g : t) out.push_back({g.code, g.ref ? d.nameOf(g.ref) : g.value});
    return out;
}

}  // namespace

std::string foldedName(std::string_view utf8) { return hostcore::foldName(utf8); }

std::string recordType(AcDbObjectId id) {
    const Entry* e = recordOf(id);
    return e ? e->drawing->typeName(e) : std::string();
}

RecordTags recordTags(AcDbObjectId id) {
    const Entry* e = recordOf(id);
    if (!e) return {};
    return plainTags(*e->drawing, currentTags(*e->drawing, e));
}

bool setRecordValue(AcDbObjectId id, int code, std::string_view utf8) {
    Entry* e = recordOf(id);
    if (!e || e->live || e->erased()) return false;
    TagList& tags = e->drawing->ownTags(e);
    const int i = findTag(tags, code);
    if (i < 0) return false;
    Tag& t = tags[static_cast<std::size_t>(i)];
    t.value = std::string(utf8);
    t.ref = nullptr;
    return true;
}

bool isLiveEntity(AcDbObjectId id) {
    const Entry* e = recordOf(id);
    return e && e->is(hostcore::flags::kEntity) && !e->is(hostcore::flags::kBlockBegin) &&
           !e->is(hostcore::flags::kBlockEnd) && !e->erased();
}

AcDbObjectId spaceOf(AcDbObjectId entity) {
    const Entry* e = recordOf(entity);
    if (!e) return {};
    const Entry* owner = e->is(hostcore::flags::kSubEntity) && e->owner ? e->owner->owner : e->owner;
    return owner && owner->table == TableKind::BlockRecord ? idOf(owner) : AcDbObjectId();
}

std::vector<AcDbObjectId> blockEntities(AcDbObjectId blockRecord) {
    std::vector<AcDbObjectId> out;
    const Entry* b = recordOf(blockRecord);
    if (!b || !b->block) return out;
    for (const Entry* e = b->block->first; e; e = e->next)
        if (!e->erased()) out.push_back(idOf(e));
    return out;
}

std::vector<AcDbObjectId> subEntities(AcDbObjectId entity) {
    std::vector<AcDbObjectId> out;
    const Entry* e = recordOf(entity);
    if (!e) return out;
    for (const Entry* c = e->firstChild; c; c = c->next)
        if (!c->erased()) out.push_back(idOf(c));
    return out;
}

std::vector<AcDbObjectId> layoutBlocks(AcDbDatabase* db) {
    std::vector<AcDbObjectId> out;
    const Drawing* d = db ? drawingOf(db) : nullptr;
    if (!d) return out;
    for (const Entry* b : d->table(TableKind::BlockRecord).records) {
        if (b->erased()) continue;
        const std::string n = hostcore::foldName(d->nameOf(b));
        if (n.rfind("*MODEL_SPACE", 0) == 0 || n.rfind("*PAPER_SPACE", 0) == 0) out.push_back(idOf(b));
    }
    return out;
}

std::string recordName(AcDbObjectId record) {
    const Entry* e = recordOf(record);
    return e && e->table != TableKind::None && !e->is(hostcore::flags::kTableHead) ? e->drawing->nameOf(e)
                                                                                       : std::string();
}

bool headerTags(AcDbDatabase* db, std::string_view name, RecordTags& tags) {
    tags.clear();
    Drawing* d = db ? drawingOf(db) : nullptr;
    const hostcore::HeaderVar* v = d ? hostcore::findHeader(*d, name) : nullptr;
    if (!v) return false;
    tags = plainTags(*d, hostcore::headerTags(*d, *v));
    return true;
}

bool setHeaderTags(AcDbDatabase* db, std::string_view name, const RecordTags& tags) {
    Drawing* d = db ? drawingOf(db) : nullptr;
    if (!d) return false;
    TagList t;
    t.reserve(tags.size());
    for (const RecordTag& g : tags) t.push_back(tagOf(g.code, g.value));
    hostcore::setHeaderTags(*d, name, std::move(t));
    return true;
}

}  // namespace arxhost
