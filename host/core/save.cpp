// DXF writer: writes the drawing back in the file's order.
//
// A record that was never changed is copied as the bytes it was read from,
// transcoded when the output's encoding differs from the file's. A record that
// names a renamed table entry is rewritten from its tags with the new name.
// Changed and created records are written from their tag lists.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "host/core/dxfio.h"
#include "host/dxf/tags.h"

namespace hostcore {

namespace {

// Header variables that name a table entry, with the group code of the name.
struct HeaderRef {
    const char* name;
    int code;
    TableKind table;
};
constexpr HeaderRef kHeaderRefs[] = {
    {"$CLAYER", 8, TableKind::Layer},       {"$CELTYPE", 6, TableKind::LType},
    {"$TEXTSTYLE", 7, TableKind::Style},    {"$DIMSTYLE", 2, TableKind::DimStyle},
    {"$DIMTXSTY", 7, TableKind::Style},     {"$DIMLTYPE", 6, TableKind::LType},
    {"$DIMLTEX1", 6, TableKind::LType},     {"$DIMLTEX2", 6, TableKind::LType},
    {"$DIMBLK", 1, TableKind::BlockRecord}, {"$DIMBLK1", 1, TableKind::BlockRecord},
    {"$DIMBLK2", 1, TableKind::BlockRecord}, {"$DIMLDRBLK", 1, TableKind::BlockRecord},
    {"$UCSNAME", 2, TableKind::Ucs},        {"$UCSBASE", 2, TableKind::Ucs},
    {"$PUCSNAME", 2, TableKind::Ucs},       {"$PUCSBASE", 2, TableKind::Ucs},
    {"$UCSORTHOREF", 2, TableKind::Ucs},    {"$PUCSORTHOREF", 2, TableKind::Ucs},
};

const HeaderRef* headerRef(std::string_view name) {
    for (const HeaderRef& r : kHeaderRefs)
        if (name == r.name) return &r;
    return nullptr;
}

class Writer {
public:
    Writer(const Drawing& d, std::string ver, std::string& out, std::FILE* sink = nullptr)
        : d_(d), ver_(std::move(ver)), out_(out), w_(out, d.crlf), sink_(sink), leaving_(d) {
        target_ = dxf::codecForFile(ver_, d.dwgcodepage);
        same_ = target_.enc == d.codec.enc && target_.iconvName == d.codec.iconvName;
    }

    void run() {
        out_.append(d_.preamble);
        bool wroteHeader = false;
        for (const Part& p : d_.parts) {
            switch (p.section) {
                case Section::Header:
                    header(p.end);
                    wroteHeader = true;
                    break;
                case Section::Classes:
                    if (!wroteHeader) minimalHeader(wroteHeader);
                    section(d_.classesHead, d_.classes, p.end);
                    break;
                case Section::Tables:
                    if (!wroteHeader) minimalHeader(wroteHeader);
                    tables(p.end);
                    break;
                case Section::Blocks:
                    if (!wroteHeader) minimalHeader(wroteHeader);
                    blocks(p.end);
                    break;
                case Section::Entities:
                    if (!wroteHeader) minimalHeader(wroteHeader);
                    entities(p.end);
                    break;
                case Section::Objects:
                    section(d_.objectsHead, d_.objects, p.end);
                    break;
                case Section::Other:
                    raw(d_.otherParts[static_cast<std::size_t>(p.index)].raw);
                    break;
                default:
                    break;
            }
        }
        if (!d_.tail.empty())
            raw(d_.tail);
        else
            w_.write(0, "EOF");
        flush();
    }

    bool failed() const { return failed_; }

private:
    const Drawing& d_;
    std::string ver_;
    std::string& out_;
    dxf::TagWriter w_;
    dxf::TextCodec target_;
    bool same_ = true;
    std::string scratch_, scratch2_;
    TableKind lastKind_ = TableKind::None;
    std::string lastValue_;
    bool lastStale_ = false;
    std::FILE* sink_ = nullptr;
    bool failed_ = false;
    // Erased records and what they own are not written, and nor are the
    // references of other records to them.
    LeavingRecords leaving_;

    bool leaves(const Entry* e) const { return leaving_.leaves(e); }

    bool namesLeaving(const TagList& t) const {
        for (const Tag& g : t)
            if (isHandleReference(g.code) && leaving_.leavesHandle(handleValue(g.value))) return true;
        return false;
    }

    bool namesLeaving(std::string_view raw) const {
        dxf::AsciiTagReader r(raw);
        dxf::RawTag t;
        while (r.next(t))
            if (isHandleReference(t.code) && leaving_.leavesHandle(handleValue(t.value))) return true;
        return false;
    }

    // The record's tags without its references to records that leave.
    TagList mended(const Entry* e, TagList t) const {
        mendReferences(d_.typeName(e), t, [this](uint64_t h) { return leaving_.leavesHandle(h); });
        return t;
    }

    // With a file to write to, the text goes out in pieces of about a
    // megabyte, so that saving never holds a second copy of the drawing.
    void flushIfLarge() {
        if (sink_ && out_.size() >= (1u << 20)) flush();
    }
    void flush() {
        if (!sink_ || out_.empty()) return;
        if (std::fwrite(out_.data(), 1, out_.size(), sink_) != out_.size()) failed_ = true;
        out_.clear();
    }

    void raw(std::string_view bytes) {
        if (same_ || dxf::isPlainAscii(bytes)) {
            out_.append(bytes);
            return;
        }
        scratch_.clear();
        scratch2_.clear();
        dxf::decode(bytes, d_.codec, scratch_);
        dxf::encode(scratch_, target_, scratch2_);
        out_.append(scratch2_);
    }

    void tag(int code, const std::string& value) {
        if (target_.enc == dxf::Encoding::Utf8 || dxf::isPlainAscii(value)) {
            w_.write(code, value);
            return;
        }
        scratch_.clear();
        dxf::encode(value, target_, scratch_);
        w_.write(code, scratch_);
    }

    void tags(const TagList& list) {
        for (const Tag& t : list) tag(t.code, d_.refText(t));
    }

    // A quick look at a record read from the file, without building its tag
    // list: does it name an entry of a table in which something was renamed?
    bool staleRaw(const Entry* e) {
        const std::string& type = d_.typeName(e);
        const bool entity = e->is(flags::kEntity | flags::kBlockBegin | flags::kBlockEnd);
        dxf::AsciiTagReader r(e->raw);
        dxf::RawTag t;
        std::string_view subclass;
        bool xdata = false;
        while (r.next(t)) {
            if (t.code == 100 || t.code == 1001) subclass = t.value;  // in extended data: its application
            if (t.code >= 1000) xdata = true;
            TableKind k = nameReference(type, subclass, t.code, xdata, entity);
            if (k == TableKind::None || d_.table(k).renames == 0) continue;
            // Records name the same few entries over and over: remember the last answer.
            if (k == lastKind_ && t.value == lastValue_) {
                if (lastStale_) return true;
                continue;
            }
            std::string name;
            if (d_.codec.enc == dxf::Encoding::Utf8 || dxf::isPlainAscii(t.value))
                name.assign(t.value);
            else
                dxf::decode(t.value, d_.codec, name);
            const Entry* target = d_.lookupLoad(k, name);
            lastKind_ = k;
            lastValue_.assign(t.value);
            lastStale_ = target && target->is(flags::kRenamed) && d_.nameOf(target) != name;
            if (lastStale_) return true;
        }
        return false;
    }

    void entry(const Entry* e) {
        flushIfLarge();
        if (leaving_.any() && (e->tags ? namesLeaving(*e->tags) : namesLeaving(e->raw))) {
            tags(mended(e, d_.tagsOf(e)));
            return;
        }
        if (e->tags) {
            tags(*e->tags);
            return;
        }
        if (d_.renameCount > 0 && staleRaw(e)) {
            tags(d_.tagsOf(e));
            return;
        }
        raw(e->raw);
    }

    // The end of a section or table as the file had it, or as AutoCAD writes it.
    void end(std::string_view asRead, const char* word) {
        if (!asRead.empty())
            raw(asRead);
        else
            w_.write(0, word);
    }

    void section(std::string_view head, const std::vector<Entry*>& list, std::string_view endsec) {
        out_.append(head);
        for (const Entry* e : list)
            if (!leaves(e)) entry(e);
        end(endsec, "ENDSEC");
    }

    void minimalHeader(bool& wrote) {
        w_.write(0, "SECTION");
        w_.write(2, "HEADER");
        w_.write(9, "$ACADVER");
        w_.write(1, ver_);
        w_.write(9, "$HANDSEED");
        w_.write(5, handleText(d_.handseed));
        w_.write(0, "ENDSEC");
        wrote = true;
    }

    void header(std::string_view endsec) {
        out_.append(d_.headerHead);
        for (const HeaderVar& v : d_.header) {
            if (v.name == "$ACADVER" && ver_ != d_.acadver) {
                w_.write(9, v.name);
                w_.write(1, ver_);
                continue;
            }
            if (v.name == "$HANDSEED") {
                handseed(v);
                continue;
            }
            if (v.tags) {
                w_.write(9, v.name);
                tags(*v.tags);
                continue;
            }
            const HeaderRef* ref = d_.renameCount > 0 ? headerRef(v.name) : nullptr;
            if (ref && renamedHeaderRef(v, *ref)) continue;
            raw(v.raw);
        }
        end(endsec, "ENDSEC");
    }

    void handseed(const HeaderVar& v) {
        dxf::AsciiTagReader r(v.raw);
        dxf::RawTag t;
        while (r.next(t)) {
            if (t.code == 5) {
                uint64_t h = 0;
                std::from_chars(t.value.data(), t.value.data() + t.value.size(), h, 16);
                if (h == d_.handseed) {
                    raw(v.raw);
                    return;
                }
            }
        }
        w_.write(9, "$HANDSEED");
        w_.write(5, handleText(d_.handseed));
    }

    bool renamedHeaderRef(const HeaderVar& v, const HeaderRef& ref) {
        dxf::AsciiTagReader r(v.raw);
        dxf::RawTag t;
        while (r.next(t)) {
            if (t.code != ref.code) continue;
            std::string name;
            if (d_.codec.enc == dxf::Encoding::Utf8 || dxf::isPlainAscii(t.value))
                name.assign(t.value);
            else
                dxf::decode(t.value, d_.codec, name);
            const Entry* e = d_.lookupLoad(ref.table, name);
            // Arrow blocks are named "_ArchTick" and the variables name them "ArchTick".
            bool bare = false;
            if (!e && ref.table == TableKind::BlockRecord && !name.empty() && name[0] != '_') {
                e = d_.lookupLoad(ref.table, "_" + name);
                bare = e != nullptr;
            }
            if (!e) return false;
            std::string now = d_.nameOf(e);
            if (bare && now.size() > 1 && now[0] == '_') now.erase(0, 1);
            if (now == name) return false;
            w_.write(9, v.name);
            tag(ref.code, now);
            return true;
        }
        return false;
    }

    void tables(std::string_view endsec) {
        out_.append(d_.tablesHead);
        for (const Entry* head : d_.tableHeads) {
            if (head->table == TableKind::None) {
                raw(head->raw);
                continue;
            }
            entry(head);
            for (const Entry* e : d_.table(head->table).records)
                if (!leaves(e)) entry(e);
            end(d_.table(head->table).endtab, "ENDTAB");
        }
        end(endsec, "ENDSEC");
    }

    void entityWithChildren(const Entry* e) {
        if (leaves(e)) return;
        entry(e);
        for (const Entry* c = e->firstChild; c; c = c->next)
            if (!c->erased()) entry(c);
    }

    void blocks(std::string_view endsec) {
        out_.append(d_.blocksHead);
        for (const Entry* rec : d_.blockOrder) {
            if (leaves(rec) || !rec->block) continue;
            const BlockInfo& b = *rec->block;
            if (b.begin) entry(b.begin);
            if (rec != d_.modelSpace && rec != d_.paperSpace)
                for (const Entry* e = b.first; e; e = e->next) entityWithChildren(e);
            if (b.end) entry(b.end);
        }
        end(endsec, "ENDSEC");
    }

    void entities(std::string_view endsec) {
        out_.append(d_.entitiesHead);
        // Model space and the active paper space share this section; their
        // entities are merged back into the order in which they were read.
        const Entry* a = d_.modelSpace && d_.modelSpace->block ? d_.modelSpace->block->first : nullptr;
        const Entry* b = d_.paperSpace && d_.paperSpace->block ? d_.paperSpace->block->first : nullptr;
        while (a || b) {
            if (!b || (a && a->seq < b->seq)) {
                entityWithChildren(a);
                a = a->next;
            } else {
                entityWithChildren(b);
                b = b->next;
            }
        }
        for (const Entry* e : d_.orphanEntities) entityWithChildren(e);
        end(endsec, "ENDSEC");
    }
};

}  // namespace

// --- records that leave, and the references to them --------------------------------

LeavingRecords::LeavingRecords(const Drawing& d) : d_(d) {
    for (const Entry& e : d.entries)
        if (e.erased()) {
            any_ = true;
            break;
        }
}

bool LeavingRecords::leaves(const Entry* e) const {
    if (!any_ || !e) return false;
    // Up the owners to an erased one, or to one whose answer is known; an
    // owner cycle (a damaged file) takes nothing with it.
    std::vector<const Entry*> chain;
    bool result = false;
    for (const Entry* x = e; x; x = x->owner) {
        if (auto it = known_.find(x); it != known_.end()) {
            result = it->second;
            break;
        }
        if (x->erased()) {
            result = true;
            break;
        }
        if (std::find(chain.begin(), chain.end(), x) != chain.end()) break;
        chain.push_back(x);
    }
    for (const Entry* c : chain) known_[c] = result;
    return result;
}

bool LeavingRecords::leavesHandle(uint64_t handle) const {
    return any_ && leaves(d_.find(handle));
}

bool isHandleReference(int code) {
    return (code >= 320 && code <= 369) || (code >= 390 && code <= 399) || code == 480 || code == 481 ||
           code == 1005;
}

ReferenceMend referenceMend(std::string_view type, const TagList& t, std::size_t i, std::string_view group) {
    ReferenceMend m;
    m.from = i;
    m.to = i + 1;
    const int code = t[i].code;
    if (group == "{ACAD_REACTORS") {
        m.kind = ReferenceMend::Reactor;
    } else if (group == "{ACAD_XDICTIONARY") {
        m.kind = ReferenceMend::ExtensionDictionary;
    } else if (!group.empty()) {
        m.kind = ReferenceMend::Member;  // a list an application keeps, such as a block's references
    } else if ((type == "DICTIONARY" || type == "ACDBDICTIONARYWDFLT") && (code == 350 || code == 360) && i > 0 &&
               t[i - 1].code == 3) {
        m.kind = ReferenceMend::DictionaryEntry;
        m.from = i - 1;
    } else if ((type == "GROUP" && code == 340) || (type == "IDBUFFER" && code == 330)) {
        m.kind = ReferenceMend::Member;
    } else if (type == "SORTENTSTABLE" && code == 331) {
        m.kind = ReferenceMend::DrawOrder;
        if (i + 1 < t.size() && t[i + 1].code == 5) m.to = i + 2;
    } else if ((type == "HATCH" || type == "MPOLYGON") && code == 330) {
        m.kind = ReferenceMend::Boundary;
        // The number of boundary objects of the path stands before them.
        for (std::size_t k = i; k-- > 0;) {
            if (t[k].code == 97) {
                m.count = static_cast<int>(k);
                break;
            }
            if (t[k].code != 330) break;
        }
    }
    return m;
}

void dropEmptyGroups(TagList& t) {
    for (std::size_t i = 0; i + 1 < t.size();) {
        if (t[i].code == 102 && !t[i].value.empty() && t[i].value.front() == '{' && t[i + 1].code == 102 &&
            t[i + 1].value == "}")
            t.erase(t.begin() + static_cast<std::ptrdiff_t>(i), t.begin() + static_cast<std::ptrdiff_t>(i + 2));
        else
            ++i;
    }
}

std::vector<TagPlace> placesOf(const TagList& t) {
    std::vector<TagPlace> out(t.size());
    std::string group, subclass;
    bool xdata = false, ownerSeen = false, subclassSeen = false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const Tag& g = t[i];
        if (g.code >= 1000) xdata = true;
        if (!xdata && g.code == 102) {
            group = !g.value.empty() && g.value.front() == '{' ? g.value : std::string();
            out[i].group = group;
            continue;
        }
        if (!xdata && g.code == 100) {
            subclass = g.value;
            subclassSeen = true;
        }
        out[i].group = group;
        out[i].subclass = subclass;
        out[i].xdata = xdata;
        if (!xdata && g.code == 330 && group.empty() && !subclassSeen && !ownerSeen) {
            out[i].ownerTag = true;
            ownerSeen = true;
        }
    }
    return out;
}

namespace {

// Calls `visit(index, group)` for every reference by handle of a record but
// its own owner.
template <class Visit>
void forEachReference(const TagList& t, Visit visit) {
    const std::vector<TagPlace> places = placesOf(t);
    for (std::size_t i = 1; i < t.size(); ++i)
        if (!places[i].ownerTag && isHandleReference(t[i].code)) visit(i, places[i].xdata ? std::string() : places[i].group);
}

}  // namespace

bool mendReferences(std::string_view type, TagList& t, const std::function<bool(uint64_t)>& gone) {
    std::vector<ReferenceMend> mends;
    forEachReference(t, [&](std::size_t i, const std::string& group) {
        uint64_t h = handleValue(t[i].value);
        if (h && gone(h)) mends.push_back(referenceMend(type, t, i, group));
    });
    if (mends.empty()) return false;
    std::sort(mends.begin(), mends.end(), [](const ReferenceMend& a, const ReferenceMend& b) { return a.from > b.from; });
    bool boundary = false;
    for (const ReferenceMend& m : mends) {
        if (m.kind == ReferenceMend::Null) {
            t[m.from].value = "0";
            t[m.from].ref = nullptr;
            continue;
        }
        if (m.count >= 0) {
            Tag& count = t[static_cast<std::size_t>(m.count)];
            long long n = std::strtoll(count.value.c_str(), nullptr, 10);
            count.value = std::to_string(n > 0 ? n - 1 : 0);
        }
        boundary = boundary || m.kind == ReferenceMend::Boundary;
        t.erase(t.begin() + static_cast<std::ptrdiff_t>(m.from), t.begin() + static_cast<std::ptrdiff_t>(m.to));
    }
    dropEmptyGroups(t);
    // A hatch none of whose boundary objects is left is no longer associative.
    if (boundary && type == "HATCH") {
        bool linked = false;
        forEachReference(t, [&](std::size_t i, const std::string& group) {
            if (group.empty() && t[i].code == 330) linked = true;
        });
        if (!linked) {
            bool inHatch = false;
            for (Tag& g : t) {
                if (g.code == 100) inHatch = g.value == "AcDbHatch";
                if (inHatch && g.code == 71) {
                    g.value = "0";
                    break;
                }
            }
        }
    }
    return true;
}

bool isWritableVersion(std::string_view v) {
    return v == "AC1015" || v == "AC1018" || v == "AC1021" || v == "AC1024" || v == "AC1027" ||
           v == "AC1032";
}

bool saveDxf(const Drawing& d, const SaveOptions& options, std::string& out, std::string& error) {
    std::string ver = options.acadver.empty() ? d.acadver : options.acadver;
    if (!isWritableVersion(ver)) {
        error = "the host does not write DXF version " + ver;
        return false;
    }
    if (d.fromR12 && !d.upgraded) {
        error = d.upgradeError;
        return false;
    }
    out.clear();
    out.reserve(d.buffer.size() + d.buffer.size() / 16 + 4096);
    Writer w(d, ver, out);
    w.run();
    return true;
}

bool saveDxf(const Drawing& d, const SaveOptions& options, std::FILE* file, std::string& error) {
    std::string ver = options.acadver.empty() ? d.acadver : options.acadver;
    if (!isWritableVersion(ver)) {
        error = "the host does not write DXF version " + ver;
        return false;
    }
    if (d.fromR12 && !d.upgraded) {
        error = d.upgradeError;
        return false;
    }
    std::string buffer;
    buffer.reserve((1u << 20) + 65536);
    Writer w(d, ver, buffer, file);
    w.run();
    if (w.failed()) {
        error = "the file could not be written";
        return false;
    }
    return true;
}

}  // namespace hostcore
