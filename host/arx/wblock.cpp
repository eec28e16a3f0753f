// Writing entities out into a new database (wblock).
//
// The records are copied as tags. Names of table records are looked up in
// the new drawing (a new drawing has layer 0, the standard linetypes, styles
// and application ACAD); records it lacks are copied with everything they name
// in turn, blocks with their entities. Handles are given anew; a handle
// reference to a copied record follows it, any other becomes null. The
// CLASSES entries of what is copied (a record type the new drawing does not
// know, the original class of a proxy) are carried over; a proxy's class
// number is renumbered to the entry's place in the new drawing.
#include <unordered_map>

#include "host/arx/internal.h"
#include "host/core/dxfio.h"

using Acad::ErrorStatus;
using namespace arxhost;
namespace flags = hostcore::flags;

namespace {

class Cloner {
public:
    Cloner(const Drawing& src, Drawing& dst) : src_(src), dst_(dst) {}

    // Copies a top-level entity into the destination's model space.
    void entity(const Entry* e) {
        Entry* copy = create(e, dst_.modelSpace, true);
        dst_.appendToBlock(dst_.modelSpace, copy);
        children(e, copy);
    }

    // Second pass: the tags of every copy, with handles and names of the destination.
    void finish() {
        for (std::size_t i = 0; i < jobs_.size(); ++i) rewrite(jobs_[i]);
    }

private:
    struct Job {
        const Entry* from;
        Entry* to;
        TagList tags;
        bool topLevel;
    };
    const Drawing& src_;
    Drawing& dst_;
    std::unordered_map<const Entry*, Entry*> map_;
    std::vector<Job> jobs_;
    std::unordered_map<long long, long long> classNumbers_;  // source class number -> destination's

    static std::string classField(const TagList& t, int code) {
        const std::string* v = tagValue(t, code);
        return v ? *v : std::string();
    }

    // The destination's class number for the source CLASS record `c`: the
    // entry of the same DXF and C++ names, or a copy of it added at the end.
    long long carryClass(const Entry* c) {
        const TagList t = src_.tagsOf(c);
        const std::string dxfName = classField(t, 1), cppName = classField(t, 2);
        for (std::size_t i = 0; i < dst_.classes.size(); ++i) {
            const TagList have = dst_.tagsOf(dst_.classes[i]);
            if (classField(have, 1) == dxfName && classField(have, 2) == cppName) return 500 + static_cast<long long>(i);
        }
        Entry* copy = dst_.newEntry(dst_.internType("CLASS"),
                                    static_cast<uint16_t>(flags::kNoFileHandle | flags::kNew));
        copy->drawing = &dst_;
        copy->tags = std::make_unique<TagList>(t);
        dst_.classes.push_back(copy);
        return 500 + static_cast<long long>(dst_.classes.size() - 1);
    }

    // A record type that a CLASSES entry of the source defines.
    void carryClassOf(const std::string& type) {
        for (const Entry* c : src_.classes) {
            const TagList t = src_.tagsOf(c);
            if (classField(t, 1) == type) {
                carryClass(c);
                return;
            }
        }
    }

    // A proxy's class number in the destination; -1 for one that names no class.
    long long classNumber(long long number) {
        auto it = classNumbers_.find(number);
        if (it != classNumbers_.end()) return it->second;
        long long n = number - 500;
        long long mapped = n >= 0 && n < static_cast<long long>(src_.classes.size())
                               ? carryClass(src_.classes[static_cast<std::size_t>(n)])
                               : -1;
        classNumbers_[number] = mapped;
        return mapped;
    }

    Entry* create(const Entry* from, Entry* owner, bool topLevel) {
        Entry* to = newEntry(dst_, src_.typeName(from).c_str(),
                             static_cast<uint16_t>(from->flags & (flags::kEntity | flags::kSubEntity |
                                                                  flags::kBlockBegin | flags::kBlockEnd)));
        to->owner = owner;
        map_[from] = to;
        carryClassOf(src_.typeName(from));
        TagList tags = currentTags(src_, from);
        scanNames(tags);
        jobs_.push_back({from, to, std::move(tags), topLevel});
        return to;
    }

    void children(const Entry* from, Entry* to) {
        Entry* last = nullptr;
        for (const Entry* c = from->firstChild; c; c = c->next) {
            if (c->erased()) continue;
            Entry* copy = create(c, to, false);
            if (last)
                last->next = copy;
            else
                to->firstChild = copy;
            last = copy;
        }
    }

    // Table records a copy names: found in the destination by name, or copied.
    void scanNames(const TagList& tags) {
        for (const Tag& t : tags) {
            if (!t.ref || map_.count(t.ref)) continue;
            const Entry* r = t.ref;
            if (r->table == TableKind::None) continue;
            const std::string& name = src_.nameOf(r);
            if (Entry* have = findRecord(dst_, r->table, name)) {
                map_[r] = have;
                continue;
            }
            record(r);
        }
    }

    void record(const Entry* r) {
        const TableKind k = r->table;
        hostcore::Table& t = dst_.table(k);
        if (!t.head) return;  // the destination lacks the table: the name stays a plain text
        Entry* to = create(r, t.head, false);
        dst_.addRecord(k, to, src_.nameOf(r), false);
        if (k != TableKind::BlockRecord || !r->block) return;
        hostcore::BlockInfo* info = dst_.makeBlock(to);
        if (r->block->begin) info->begin = create(r->block->begin, to, false);
        for (const Entry* e = r->block->first; e; e = e->next) {
            if (e->erased()) continue;
            Entry* copy = create(e, to, false);
            dst_.appendToBlock(to, copy);
            children(e, copy);
        }
        if (r->block->end) info->end = create(r->block->end, to, false);
        dst_.blockOrder.push_back(to);
    }

    void rewrite(Job& job) {
        TagList& t = job.tags;
        TagList out;
        out.reserve(t.size());
        const std::string type = t.empty() ? std::string() : t[0].value;
        const bool entity = job.to->is(flags::kEntity | flags::kBlockBegin | flags::kBlockEnd);
        std::string subclass;
        bool xdata = false, handleDone = false, ownerDone = false, seenSubclass = false;
        const int handleCode = type == "DIMSTYLE" ? 105 : 5;
        for (std::size_t i = 0; i < t.size(); ++i) {
            Tag g = t[i];
            if (g.code == 100) {
                subclass = g.value;
                seenSubclass = true;
            }
            if (g.code >= 1000) xdata = true;
            if (g.code == 1001) subclass = g.value;  // in extended data, the application names the tags
            // Reactors and extension dictionaries stay behind.
            if (!seenSubclass && g.code == 102 && !g.value.empty() && g.value.front() == '{') {
                while (i < t.size() && !(t[i].code == 102 && t[i].value == "}")) ++i;
                continue;
            }
            if (!handleDone && g.code == handleCode) {
                g.value = hexOf(job.to->handle);
                handleDone = true;
            } else if (!ownerDone && !seenSubclass && g.code == 330) {
                g.value = hexOf(job.to->owner ? job.to->owner->handle : 0);
                ownerDone = true;
            } else if (job.topLevel && g.code == 67 && subclass == "AcDbEntity") {
                continue;  // it lands in model space
            } else if (g.code == 91 && ((type == "ACAD_PROXY_ENTITY" && subclass == "AcDbProxyEntity") ||
                                        (type == "ACAD_PROXY_OBJECT" && subclass == "AcDbProxyObject"))) {
                long long mapped = classNumber(toInt(g.value));
                if (mapped >= 0) g.value = std::to_string(mapped);
            } else if (g.ref) {
                auto it = map_.find(g.ref);
                g.ref = it == map_.end() ? nullptr : it->second;
                if (g.ref) g.value = dst_.nameOf(g.ref);
            } else if (hostcore::isHandleReference(g.code)) {
                uint64_t h = 0;
                parseHex(g.value, h);
                const Entry* target = h ? src_.find(h) : nullptr;
                auto it = target ? map_.find(target) : map_.end();
                g.value = hexOf(it == map_.end() ? 0 : it->second->handle);
            } else if (hostcore::nameReference(type, subclass, g.code, xdata, entity) != TableKind::None) {
                // A name the source did not resolve: look it up in the destination.
                g.ref = findRecord(dst_, hostcore::nameReference(type, subclass, g.code, xdata, entity), g.value);
            }
            out.push_back(std::move(g));
        }
        job.to->tags = std::make_unique<TagList>(std::move(out));
    }
};

}  // namespace

ErrorStatus AcDbDatabase::wblock(AcDbDatabase*& output, const AcDbObjectIdArray& ids, const AcGePoint3d& base) {
    output = nullptr;
    const Drawing& src = *drawingOf(this);
    for (const AcDbObjectId& id : ids) {
        const Entry* e = entryOf(id);
        if (!e) return Acad::eNullObjectId;
        if (e->drawing != &src) return Acad::eWrongDatabase;
        if (!e->is(flags::kEntity) || e->is(flags::kSubEntity)) return Acad::eWrongObjectType;
        if (e->erased()) return Acad::eWasErased;
    }
    auto* out = new AcDbDatabase(true);
    Drawing& dst = *drawingOf(out);
    if (!dst.modelSpace || !dst.modelSpace->block) {
        delete out;
        return Acad::eNoDatabase;
    }
    Cloner cloner(src, dst);
    std::vector<const Entry*> done;
    for (const AcDbObjectId& id : ids) {
        if (std::find(done.begin(), done.end(), entryOf(id)) != done.end()) continue;  // listed twice
        done.push_back(entryOf(id));
        cloner.entity(entryOf(id));
    }
    cloner.finish();
    // The classes it carried over answer the proxy questions of the new drawing.
    Access::state(out).wasAProxyKnown = false;
    // The insertion base of the new drawing.
    for (hostcore::HeaderVar& v : dst.header) {
        if (v.name != "$INSBASE") continue;
        v.tags = std::make_unique<TagList>(TagList{Tag{10, realText(base.x), nullptr}, Tag{20, realText(base.y), nullptr},
                                                   Tag{30, realText(base.z), nullptr}});
    }
    output = out;
    return Acad::eOk;
}
