// Bringing a drawing read from an R12 (or older) file into the structure of
// the versions the host writes.
//
// An R12 record is a flat run of tags: no owner, no subclass markers, and a
// handle only when the file was written with $HANDLING = 1. The upgrade turns
// every record into a tag list of the shape an R2000 record has:
//
//   0 type / 5 handle (105 for DIMSTYLE) / 102 groups / 330 owner /
//   100 AcDbEntity (or AcDbSymbolTableRecord) / common tags /
//   100 <own subclass> / its tags ... / extended data
//
// Every tag the record had is kept; the only tags dropped are the file's own
// handle and owner tags, which are written again with the same values. Names
// and texts are never decoded into anything else: the tag lists hold the same
// strings the file had, and the writer encodes them back into the same bytes.
//
// Around the records the upgrade adds what an R2000 file needs and an R12 file
// lacks: the TABLE heads' handles, the BLOCK_RECORD table with a record per
// block, the *Model_Space and *Paper_Space blocks, the standard table entries,
// a CLASSES section and an OBJECTS section with the root dictionary.
#include "host/core/upgrade.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace hostcore {

namespace {

constexpr const char* kTargetVersion = "AC1015";

int toInt(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    (void)p;
    return ec == std::errc() ? v : 0;
}

const Tag* firstTag(const TagList& tags, int code) {
    for (const Tag& t : tags) {
        if (t.code >= 1000) break;
        if (t.code == code) return &t;
    }
    return nullptr;
}

int intValue(const TagList& tags, int code) {
    const Tag* t = firstTag(tags, code);
    return t ? toInt(t->value) : 0;
}

// Section heads the upgrade creates: a view into static text, in the line
// ending the file uses.
std::string_view sectionHead(const Drawing& d, Section s) {
    static constexpr std::string_view lf[] = {
        "  0\nSECTION\n  2\nHEADER\n", "  0\nSECTION\n  2\nCLASSES\n", "  0\nSECTION\n  2\nTABLES\n",
        "  0\nSECTION\n  2\nBLOCKS\n", "  0\nSECTION\n  2\nENTITIES\n", "  0\nSECTION\n  2\nOBJECTS\n"};
    static constexpr std::string_view crlf[] = {
        "  0\r\nSECTION\r\n  2\r\nHEADER\r\n", "  0\r\nSECTION\r\n  2\r\nCLASSES\r\n",
        "  0\r\nSECTION\r\n  2\r\nTABLES\r\n", "  0\r\nSECTION\r\n  2\r\nBLOCKS\r\n",
        "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n", "  0\r\nSECTION\r\n  2\r\nOBJECTS\r\n"};
    int i = 0;
    switch (s) {
        case Section::Header: i = 0; break;
        case Section::Classes: i = 1; break;
        case Section::Tables: i = 2; break;
        case Section::Blocks: i = 3; break;
        case Section::Entities: i = 4; break;
        default: i = 5; break;
    }
    return d.crlf ? crlf[i] : lf[i];
}

// ---------------------------------------------------------------------------
// Splitting a record into the parts an R2000 record is built from.

struct RecordParts {
    Tag head;          // 0 <type>
    TagList appData;   // 102 {NAME ... 102 } groups
    TagList body;      // the record's own tags, in file order
    TagList xdata;     // 1001 and everything after it
    bool marked = false;  // the record already had subclass markers
};

RecordParts split(TagList src, int handleCode, std::string_view type) {
    RecordParts p;
    std::size_t i = 0;
    if (!src.empty() && src[0].code == 0) {
        p.head = std::move(src[0]);
        i = 1;
    } else {
        p.head = Tag{0, std::string(type), nullptr};
    }
    bool handleSeen = false, ownerSeen = false, inGroup = false, xdata = false;
    for (; i < src.size(); ++i) {
        Tag& t = src[i];
        if (!xdata && t.code >= 1000) xdata = true;
        if (xdata) {
            p.xdata.push_back(std::move(t));
            continue;
        }
        if (inGroup) {
            if (t.code == 102) inGroup = false;
            p.appData.push_back(std::move(t));
            continue;
        }
        if (!p.marked && t.code == 102 && !t.value.empty() && t.value.front() == '{') {
            inGroup = true;
            p.appData.push_back(std::move(t));
            continue;
        }
        if (t.code == handleCode && !handleSeen) {
            handleSeen = true;
            continue;
        }
        if (t.code == 330 && !ownerSeen && !p.marked) {
            ownerSeen = true;
            continue;
        }
        if (t.code == 100) p.marked = true;
        p.body.push_back(std::move(t));
    }
    return p;
}

TagList startRecord(RecordParts& p, int handleCode, uint64_t handle, uint64_t owner) {
    TagList out;
    out.reserve(p.body.size() + p.appData.size() + p.xdata.size() + 8);
    out.push_back(std::move(p.head));
    out.push_back(Tag{static_cast<int16_t>(handleCode), handleText(handle), nullptr});
    for (Tag& t : p.appData) out.push_back(std::move(t));
    out.push_back(Tag{330, handleText(owner), nullptr});
    return out;
}

void append(TagList& out, TagList& more) {
    for (Tag& t : more) out.push_back(std::move(t));
}

// ---------------------------------------------------------------------------
// Entities.

// Codes that AcDbEntity holds, and the order AutoCAD writes them in.
int commonRank(int code) {
    switch (code) {
        case 67: return 0;
        case 410: return 1;
        case 8: return 2;
        case 6: return 3;
        case 347: return 4;
        case 348: return 5;
        case 62: return 6;
        case 420: return 7;
        case 430: return 8;
        case 440: return 9;
        case 370: return 10;
        case 380: return 11;
        case 390: return 12;
        case 48: return 13;
        case 60: return 14;
        case 284: return 15;
        default: return -1;
    }
}

// The subclasses of an entity type after AcDbEntity, and which of them each of
// its own codes belongs to. A code no subclass claims goes to `fallback`.
struct Shape {
    std::vector<const char*> markers;
    int fallback = 0;
    int (*slot)(int code) = nullptr;  // index into markers, or -1 for the fallback
};

// The Y and Z codes of a point go where its X code goes.
int pointBase(int code) {
    if (code >= 20 && code <= 37) return 10 + code % 10;
    if (code == 220 || code == 230) return 210;
    return code;
}

int slotNone(int) { return -1; }
int slotLast(int) { return 1000; }
int slotArc(int code) { return (code == 50 || code == 51) ? 1 : -1; }
int slotText(int code) { return code == 73 ? 1 : -1; }
int slotAttdef(int code) {
    return (code == 2 || code == 3 || code == 70 || code == 73 || code == 74 || code == 280) ? 1
                                                                                                : -1;
}
int slotAttrib(int code) {
    return (code == 2 || code == 70 || code == 73 || code == 74 || code == 280) ? 1 : -1;
}
int slotDimension(int code) {
    return (code == 13 || code == 14 || code == 15 || code == 16 || code == 40 || code == 50) ? 1
                                                                                              : -1;
}

const char* polylineSubclass(int flags) {
    if (flags & 8) return "AcDb3dPolyline";
    if (flags & 16) return "AcDbPolygonMesh";
    if (flags & 64) return "AcDbPolyFaceMesh";
    return "AcDb2dPolyline";
}

// A vertex's subclasses follow from its polyline's kind; a vertex without a
// polyline (a damaged file) is judged by its own flags.
Shape vertexShape(int vertexFlags, int parentFlags, bool hasParent) {
    Shape s;
    s.slot = slotLast;
    bool is3d, mesh, polyface;
    if (hasParent) {
        is3d = parentFlags & 8;
        mesh = !is3d && (parentFlags & 16);
        polyface = !is3d && !mesh && (parentFlags & 64);
    } else {
        is3d = vertexFlags & 32;
        polyface = !is3d && (vertexFlags & 128);
        mesh = !is3d && !polyface && (vertexFlags & 64);
    }
    if (polyface && !(vertexFlags & 64)) {
        s.markers = {"AcDbFaceRecord"};
    } else if (polyface) {
        s.markers = {"AcDbVertex", "AcDbPolyFaceMeshVertex"};
    } else if (is3d) {
        s.markers = {"AcDbVertex", "AcDb3dPolylineVertex"};
    } else if (mesh) {
        s.markers = {"AcDbVertex", "AcDbPolygonMeshVertex"};
    } else {
        s.markers = {"AcDbVertex", "AcDb2dVertex"};
    }
    s.fallback = static_cast<int>(s.markers.size()) - 1;
    return s;
}

Shape dimensionShape(int flags) {
    Shape s;
    s.slot = slotDimension;
    switch (flags & 15) {
        case 0: s.markers = {"AcDbDimension", "AcDbAlignedDimension", "AcDbRotatedDimension"}; break;
        case 1: s.markers = {"AcDbDimension", "AcDbAlignedDimension"}; break;
        case 2: s.markers = {"AcDbDimension", "AcDb2LineAngularDimension"}; break;
        case 3: s.markers = {"AcDbDimension", "AcDbDiametricDimension"}; break;
        case 4: s.markers = {"AcDbDimension", "AcDbRadialDimension"}; break;
        case 5: s.markers = {"AcDbDimension", "AcDb3PointAngularDimension"}; break;
        case 6: s.markers = {"AcDbDimension", "AcDbOrdinateDimension"}; break;
        default: s.markers = {"AcDbDimension"}; s.slot = slotNone; break;
    }
    return s;
}

// How an entity of `type` is laid out; `tags` are its own tags (for flags).
Shape entityShape(std::string_view type, const TagList& body, int parentFlags, bool hasParent) {
    auto one = [](const char* marker) { return Shape{{marker}, 0, slotNone}; };
    if (type == "LINE") return one("AcDbLine");
    if (type == "POINT") return one("AcDbPoint");
    if (type == "CIRCLE") return one("AcDbCircle");
    if (type == "ARC") return Shape{{"AcDbCircle", "AcDbArc"}, 0, slotArc};
    if (type == "TEXT") return Shape{{"AcDbText", "AcDbText"}, 0, slotText};
    if (type == "ATTDEF") return Shape{{"AcDbText", "AcDbAttributeDefinition"}, 0, slotAttdef};
    if (type == "ATTRIB") return Shape{{"AcDbText", "AcDbAttribute"}, 0, slotAttrib};
    if (type == "INSERT") return one("AcDbBlockReference");
    if (type == "POLYLINE") return one(polylineSubclass(intValue(body, 70)));
    if (type == "VERTEX") return vertexShape(intValue(body, 70), parentFlags, hasParent);
    if (type == "SOLID" || type == "TRACE") return one("AcDbTrace");
    if (type == "3DFACE") return one("AcDbFace");
    if (type == "SHAPE") return one("AcDbShape");
    if (type == "DIMENSION") return dimensionShape(intValue(body, 70));
    if (type == "VIEWPORT") return one("AcDbViewport");
    if (type == "BLOCK") return one("AcDbBlockBegin");
    if (type == "ENDBLK") return one("AcDbBlockEnd");
    // SEQEND and types this host does not know: AcDbEntity only.
    return Shape{{}, 0, slotNone};
}

class Upgrader {
public:
    explicit Upgrader(Drawing& d) : d_(d) {}

    bool run(std::string& error) {
        if (!d_.modelSpace || !d_.paperSpace || !d_.modelSpace->block || !d_.paperSpace->block) {
            error = "the drawing has no model space or paper space block";
            return false;
        }
        uniqueHandles();
        createMissingTables();
        nameSpaces();
        for (int k = 0; k < kTableCount; ++k) shapeTable(static_cast<TableKind>(k));
        addStandardEntries();
        shapeBlocks();
        registerApplications();
        countTables();
        addObjects();
        arrangeSections();
        upgradeHeader();
        for (Entry& e : d_.entries)  // CLASS records stay without a handle
            if (e.handle) e.flags &= static_cast<uint16_t>(~flags::kNoFileHandle);
        d_.acadver = kTargetVersion;
        return true;
    }

private:
    Drawing& d_;

    // A file may give two records the same handle; the later one gets a new
    // handle so that every reference by handle stays unambiguous.
    void uniqueHandles() {
        for (Entry& e : d_.entries) {
            if (!d_.classes.empty() &&
                std::find(d_.classes.begin(), d_.classes.end(), &e) != d_.classes.end())
                continue;
            if (e.handle == 0 || d_.find(e.handle) != &e) d_.assignHandle(&e);
        }
    }

    Entry* newRecord(std::string_view type, uint16_t entryFlags) {
        Entry* e = d_.newEntry(d_.internType(type), static_cast<uint16_t>(entryFlags | flags::kNew));
        d_.assignHandle(e);
        e->drawing = d_.modelSpace->drawing;
        return e;
    }

    // ----- tables -----

    void createMissingTables() {
        for (int k = 0; k < kTableCount; ++k) {
            Table& t = d_.tables[k];
            if (t.head) continue;
            Entry* h = newRecord("TABLE", flags::kTableHead);
            h->table = static_cast<TableKind>(k);
            h->tags = std::make_unique<TagList>(TagList{{0, "TABLE", nullptr},
                                                        {2, tableTypeName(h->table), nullptr}});
            t.head = h;
            t.present = true;
            for (Entry* r : t.records) r->owner = h;
        }
        // The known tables in the order R2000 lists them; a table this host
        // does not know (kept whole as read) follows them.
        std::vector<Entry*> heads;
        for (int k = 0; k < kTableCount; ++k) heads.push_back(d_.tables[k].head);
        for (Entry* h : d_.tableHeads)
            if (h->table == TableKind::None) heads.push_back(h);
        d_.tableHeads = std::move(heads);
    }

    // R12 keeps the two spaces as the blocks $MODEL_SPACE and $PAPER_SPACE (if
    // at all); R2000 calls them *Model_Space and *Paper_Space. Both need a
    // BLOCK and an ENDBLK, and their records come first in BLOCK_RECORD.
    void nameSpaces() {
        nameSpace(d_.paperSpace, "*Paper_Space", true);
        nameSpace(d_.modelSpace, "*Model_Space", false);
        Table& br = d_.table(TableKind::BlockRecord);
        for (Entry* space : {d_.paperSpace, d_.modelSpace}) {
            auto it = std::find(br.records.begin(), br.records.end(), space);
            if (it != br.records.end()) br.records.erase(it);
            br.records.insert(br.records.begin(), space);
        }
    }

    void nameSpace(Entry* rec, const char* name, bool paper) {
        if (d_.nameOf(rec) != name) {
            d_.setName(rec, name);
            TagList& tags = d_.ownTags(rec);
            for (Tag& t : tags)
                if (t.code == 2) {
                    t.value = name;
                    break;
                }
        }
        BlockInfo& b = *rec->block;
        if (!b.begin) b.begin = spaceBlockEntity(rec, "BLOCK", flags::kBlockBegin, paper);
        if (!b.end) b.end = spaceBlockEntity(rec, "ENDBLK", flags::kBlockEnd, paper);
        if (std::find(d_.blockOrder.begin(), d_.blockOrder.end(), rec) == d_.blockOrder.end())
            d_.blockOrder.insert(d_.blockOrder.begin(), rec);
    }

    // The BLOCK or ENDBLK of a space, in R12 form (it is shaped with the rest).
    Entry* spaceBlockEntity(Entry* rec, const char* type, uint16_t kind, bool paper) {
        Entry* e = newRecord(type, kind);
        e->owner = rec;
        auto tags = std::make_unique<TagList>();
        tags->push_back({0, type, nullptr});
        if (paper) tags->push_back({67, "1", nullptr});
        tags->push_back({8, "0", d_.lookup(TableKind::Layer, "0")});
        if (kind == flags::kBlockBegin) {
            tags->push_back({2, d_.nameOf(rec), rec});
            tags->push_back({70, "0", nullptr});
            tags->push_back({10, "0.0", nullptr});
            tags->push_back({20, "0.0", nullptr});
            tags->push_back({30, "0.0", nullptr});
            tags->push_back({3, d_.nameOf(rec), rec});
            tags->push_back({1, "", nullptr});
        }
        e->tags = std::move(tags);
        return e;
    }

    static const char* recordSubclass(TableKind k) {
        switch (k) {
            case TableKind::VPort: return "AcDbViewportTableRecord";
            case TableKind::LType: return "AcDbLinetypeTableRecord";
            case TableKind::Layer: return "AcDbLayerTableRecord";
            case TableKind::Style: return "AcDbTextStyleTableRecord";
            case TableKind::View: return "AcDbViewTableRecord";
            case TableKind::Ucs: return "AcDbUCSTableRecord";
            case TableKind::AppId: return "AcDbRegAppTableRecord";
            case TableKind::DimStyle: return "AcDbDimStyleTableRecord";
            case TableKind::BlockRecord: return "AcDbBlockTableRecord";
            default: return "";
        }
    }

    static int handleCode(TableKind k) { return k == TableKind::DimStyle ? 105 : 5; }

    void shapeTable(TableKind k) {
        Table& t = d_.table(k);
        shapeHead(t.head, k);
        for (Entry* e : t.records) {
            e->owner = t.head;
            shapeRecord(e, k);
        }
    }

    void shapeHead(Entry* h, TableKind k) {
        RecordParts p = split(d_.ownTags(h), 5, "TABLE");
        TagList out = startRecord(p, 5, h->handle, 0);
        // The name first, as every writer puts it; the head's own count and
        // markers are written again below, anything else the head had follows.
        TagList rest;
        const Tag* name = nullptr;
        for (const Tag& t : p.body)
            if (t.code == 2) {
                name = &t;
                break;
            }
        out.insert(out.begin() + 1, name ? *name : Tag{2, tableTypeName(k), nullptr});
        bool countSeen = false;
        for (Tag& t : p.body) {
            if (&t == name) continue;
            if (t.code == 100 && (t.value == "AcDbSymbolTable" || t.value == "AcDbDimStyleTable")) continue;
            if (t.code == 70 && !countSeen) {
                countSeen = true;
                continue;
            }
            rest.push_back(std::move(t));
        }
        out.push_back({100, "AcDbSymbolTable", nullptr});
        out.push_back({70, "0", nullptr});  // set by countTables
        if (k == TableKind::DimStyle) out.push_back({100, "AcDbDimStyleTable", nullptr});
        append(out, rest);
        append(out, p.xdata);
        *h->tags = std::move(out);
    }

    void shapeRecord(Entry* e, TableKind k) {
        const int hc = handleCode(k);
        RecordParts p = split(d_.ownTags(e), hc, tableTypeName(k));
        TagList out = startRecord(p, hc, e->handle, e->owner ? e->owner->handle : 0);
        if (!p.marked) {
            out.push_back({100, "AcDbSymbolTableRecord", nullptr});
            out.push_back({100, recordSubclass(k), nullptr});
        }
        for (std::size_t i = 0; i < p.body.size(); ++i) {
            const bool dash = k == TableKind::LType && p.body[i].code == 49;
            out.push_back(std::move(p.body[i]));
            // R2000 linetypes give each dash an element type (74) after its
            // length; an R12 dash is always a plain one.
            if (dash && !(i + 1 < p.body.size() && p.body[i + 1].code == 74))
                out.push_back({74, "0", nullptr});
        }
        append(out, p.xdata);
        *e->tags = std::move(out);
    }

    // A table entry created by the upgrade, already in R2000 form.
    Entry* addEntry(TableKind k, std::string_view name, TagList body, bool front) {
        Table& t = d_.table(k);
        Entry* e = newRecord(tableTypeName(k), 0);
        e->owner = t.head;
        auto tags = std::make_unique<TagList>();
        tags->push_back({0, tableTypeName(k), nullptr});
        tags->push_back({static_cast<int16_t>(handleCode(k)), handleText(e->handle), nullptr});
        tags->push_back({330, handleText(t.head->handle), nullptr});
        tags->push_back({100, "AcDbSymbolTableRecord", nullptr});
        tags->push_back({100, recordSubclass(k), nullptr});
        tags->push_back({2, std::string(name), nullptr});
        for (Tag& tag : body) tags->push_back(std::move(tag));
        e->tags = std::move(tags);
        // Not a name the file used: records read from the file that spell the
        // same name differently keep their own spelling.
        d_.addRecord(k, e, name, false);
        if (front) {
            auto& recs = t.records;
            recs.pop_back();
            auto pos = recs.begin();
            while (pos != recs.end() && (*pos)->is(flags::kNew) && (*pos)->seq < e->seq) ++pos;
            recs.insert(pos, e);
        }
        return e;
    }

    void addStandardEntries() {
        using K = TableKind;
        if (!d_.lookup(K::LType, "ByBlock"))
            addEntry(K::LType, "ByBlock",
                     {{70, "0"}, {3, ""}, {72, "65"}, {73, "0"}, {40, "0.0"}}, true);
        if (!d_.lookup(K::LType, "ByLayer"))
            addEntry(K::LType, "ByLayer",
                     {{70, "0"}, {3, ""}, {72, "65"}, {73, "0"}, {40, "0.0"}}, true);
        if (!d_.lookup(K::LType, "Continuous"))
            addEntry(K::LType, "Continuous",
                     {{70, "0"}, {3, "Solid line"}, {72, "65"}, {73, "0"}, {40, "0.0"}}, true);
        if (!d_.lookup(K::Layer, "0"))
            addEntry(K::Layer, "0",
                     {{70, "0"}, {62, "7"}, {6, "Continuous", d_.lookup(K::LType, "Continuous")}},
                     true);
        if (!d_.lookup(K::Style, "Standard"))
            addEntry(K::Style, "Standard",
                     {{70, "0"}, {40, "0.0"}, {41, "1.0"}, {50, "0.0"}, {71, "0"}, {42, "0.2"},
                      {3, "txt"}, {4, ""}},
                     true);
        if (!d_.lookup(K::AppId, "ACAD")) addEntry(K::AppId, "ACAD", {{70, "0"}}, true);
        if (!d_.lookup(K::DimStyle, "Standard"))
            addEntry(K::DimStyle, "Standard", {{70, "0"}}, true);
    }

    void countTables() {
        for (int k = 0; k < kTableCount; ++k) {
            Table& t = d_.tables[k];
            int n = 0;
            for (const Entry* e : t.records)
                if (!e->erased()) ++n;
            for (Tag& tag : *t.head->tags)
                if (tag.code == 70) {
                    tag.value = std::to_string(n);
                    break;
                }
        }
    }

    // ----- blocks and entities -----

    void shapeBlocks() {
        // A block the file defines twice was merged into one record by the
        // loader; it is written once.
        std::vector<Entry*> order;
        for (Entry* rec : d_.blockOrder)
            if (std::find(order.begin(), order.end(), rec) == order.end()) order.push_back(rec);
        d_.blockOrder = order;
        for (Entry* rec : d_.table(TableKind::BlockRecord).records)
            if (rec->block && std::find(order.begin(), order.end(), rec) == order.end())
                order.push_back(rec);
        for (Entry* rec : order) {
            if (!rec->block) continue;
            BlockInfo& b = *rec->block;
            if (b.begin) shapeEntity(b.begin, rec->handle, 0, false);
            for (Entry* e = b.first; e; e = e->next) shapeWithChildren(e, rec->handle);
            if (b.end) shapeEntity(b.end, rec->handle, 0, false);
        }
        for (Entry* e : d_.orphanEntities) shapeWithChildren(e, d_.modelSpace->handle);
    }

    void shapeWithChildren(Entry* e, uint64_t owner) {
        const std::string type = d_.typeName(e);  // a copy: new types may be interned below
        shapeEntity(e, owner, 0, false);
        const bool poly = type == "POLYLINE";
        const bool insert = type == "INSERT";
        if (!poly && !insert && !e->firstChild) return;
        const int parentFlags = intValue(*e->tags, 70);
        Entry* last = nullptr;
        for (Entry* c = e->firstChild; c; c = c->next) {
            c->owner = e;
            shapeEntity(c, e->handle, parentFlags, poly);
            last = c;
        }
        // A complex entity always ends with SEQEND; R12 files that lost it get
        // one so that the sub-entities stay attached to their parent.
        const bool needsEnd = poly || e->firstChild || intValue(*e->tags, 66) == 1;
        if (needsEnd && (!last || d_.typeName(last) != "SEQEND")) {
            Entry* end = newRecord("SEQEND", flags::kEntity | flags::kSubEntity);
            end->owner = e;
            auto tags = std::make_unique<TagList>();
            tags->push_back({0, "SEQEND", nullptr});
            tags->push_back({5, handleText(end->handle), nullptr});
            tags->push_back({330, handleText(e->handle), nullptr});
            tags->push_back({100, "AcDbEntity", nullptr});
            if (const Tag* layer = firstTag(*e->tags, 8)) tags->push_back(*layer);
            end->tags = std::move(tags);
            if (last)
                last->next = end;
            else
                e->firstChild = end;
        }
    }

    void shapeEntity(Entry* e, uint64_t owner, int parentFlags, bool hasParent) {
        std::string type = d_.typeName(e);  // a copy: new types may be interned below
        RecordParts p = split(d_.ownTags(e), 5, type);
        if (type == "3DLINE") {
            // Releases before 11 drew 3D lines as their own type; LINE has
            // been a 3D line since, and R2000 knows only LINE.
            type = "LINE";
            e->type = d_.internType(type);
            p.head.value = type;
        }
        TagList out = startRecord(p, 5, e->handle, owner);
        if (p.marked) {
            append(out, p.body);
            append(out, p.xdata);
            *e->tags = std::move(out);
            return;
        }
        TagList common, own;
        for (Tag& t : p.body) {
            if (commonRank(t.code) >= 0)
                common.push_back(std::move(t));
            else
                own.push_back(std::move(t));
        }
        std::stable_sort(common.begin(), common.end(), [](const Tag& a, const Tag& b) {
            return commonRank(a.code) < commonRank(b.code);
        });
        for (const Tag& t : common)
            if (t.code == 8 && !t.ref) ensureLayer(t);
        out.push_back({100, "AcDbEntity", nullptr});
        append(out, common);
        if (type == "VIEWPORT" && !firstTag(own, 12)) viewFromExtendedData(p.xdata, own);
        Shape shape = entityShape(type, own, parentFlags, hasParent);
        const int n = static_cast<int>(shape.markers.size());
        std::vector<int> slots(own.size());
        for (std::size_t i = 0; i < own.size(); ++i) {
            int s = shape.slot(pointBase(own[i].code));
            if (s < 0 || s >= n) s = shape.fallback;
            slots[i] = s;
        }
        for (int s = 0; s < n; ++s) {
            out.push_back({100, shape.markers[static_cast<std::size_t>(s)], nullptr});
            for (std::size_t i = 0; i < own.size(); ++i)
                if (slots[i] == s) out.push_back(std::move(own[i]));
        }
        if (n == 0) append(out, own);
        append(out, p.xdata);
        *e->tags = std::move(out);
    }

    // R12 keeps a viewport's view in its ACAD extended data (1000 MVIEW and a
    // fixed list of values); R2000 has codes of its own for it. The codes are
    // added from the list, with the values' own text; the extended data stays.
    // A list that does not have the expected form adds nothing.
    void viewFromExtendedData(const TagList& xdata, TagList& own) {
        std::size_t i = 0;
        while (i < xdata.size() && !(xdata[i].code == 1001 && xdata[i].value == "ACAD")) ++i;
        while (i < xdata.size() && !(xdata[i].code == 1000 && xdata[i].value == "MVIEW")) {
            if (++i < xdata.size() && xdata[i].code == 1001) return;
        }
        if (i + 1 >= xdata.size() || xdata[i + 1].code != 1002 || xdata[i + 1].value != "{") return;
        static constexpr int16_t kForm[] = {1070, 1010, 1020, 1030, 1010, 1020, 1030, 1040, 1040, 1040,
                                            1040, 1040, 1040, 1040, 1070, 1070, 1070, 1070, 1070, 1070,
                                            1070, 1070, 1040, 1040, 1040, 1040, 1040, 1040, 1040, 1070};
        constexpr std::size_t n = sizeof kForm / sizeof kForm[0];
        std::vector<const Tag*> v;
        std::vector<const Tag*> frozen;
        std::size_t j = i + 2;
        for (; j < xdata.size() && v.size() < n; ++j) v.push_back(&xdata[j]);
        if (v.size() < n) return;
        for (std::size_t k = 0; k < n; ++k)
            if (v[k]->code != kForm[k]) return;
        // Then the frozen layers: 1002 { 1003 <layer> ... 1002 }.
        if (j < xdata.size() && xdata[j].code == 1002 && xdata[j].value == "{") {
            for (++j; j < xdata.size() && xdata[j].code == 1003; ++j) frozen.push_back(&xdata[j]);
        }
        auto add = [&](int16_t code, const Tag* t) { own.push_back({code, t->value, nullptr}); };
        add(12, v[9]);   // view centre
        add(22, v[10]);
        add(13, v[23]);  // snap base
        add(23, v[24]);
        add(14, v[25]);  // snap spacing
        add(24, v[26]);
        add(15, v[27]);  // grid spacing
        add(25, v[28]);
        add(16, v[4]);   // view direction
        add(26, v[5]);
        add(36, v[6]);
        add(17, v[1]);   // view target
        add(27, v[2]);
        add(37, v[3]);
        add(42, v[11]);  // lens length
        add(43, v[12]);  // front clip
        add(44, v[13]);  // back clip
        add(45, v[8]);   // view height
        add(50, v[22]);  // snap angle
        add(51, v[7]);   // twist
        add(72, v[15]);  // circle zoom
        for (const Tag* layer : frozen)
            if (Entry* e = d_.lookup(TableKind::Layer, layer->value))
                own.push_back({331, handleText(e->handle), nullptr});
        // The modes: view mode bits as they are, then one bit per switch.
        int flags = toInt(v[14]->value) & 31;
        const int ucsIcon = toInt(v[17]->value);
        if (ucsIcon & 1) flags |= 32;
        if (ucsIcon & 2) flags |= 64;
        if (toInt(v[16]->value)) flags |= 128;
        if (toInt(v[18]->value)) flags |= 256;
        if (toInt(v[19]->value)) flags |= 512;
        if (toInt(v[20]->value)) flags |= 1024;
        if (toInt(v[29]->value)) flags |= 2048;
        switch (toInt(v[21]->value)) {  // isometric plane: left, top, right
            case 0: flags |= 0x3000; break;
            case 1: flags |= 0x1000; break;
            case 2: flags |= 0x2000; break;
            default: break;
        }
        own.push_back({90, std::to_string(flags), nullptr});
    }

    // Extended data names its application, which R2000 wants registered in
    // the APPID table; an application the file uses without registering it
    // is registered under the name the data uses.
    void registerApplications() {
        // By index: registering adds entries to the deque.
        for (std::size_t i = 0; i < d_.entries.size(); ++i) {
            Entry& e = d_.entries[i];
            if (!e.tags || e.erased()) continue;
            for (Tag& t : *e.tags) {
                if (t.code != 1001 || t.ref || t.value.empty()) continue;
                if (d_.lookup(TableKind::AppId, t.value)) continue;  // registered in another spelling
                t.ref = addEntry(TableKind::AppId, t.value, {{70, "0"}}, false);
            }
        }
    }

    // An entity on a layer the file does not define: the layer is created as
    // the editor creates it (colour 7, Continuous), under the same name.
    void ensureLayer(const Tag& layerTag) {
        if (layerTag.value.empty() || d_.lookup(TableKind::Layer, layerTag.value)) return;
        Table& t = d_.table(TableKind::Layer);
        Entry* e = newRecord("LAYER", 0);
        e->owner = t.head;
        auto tags = std::make_unique<TagList>();
        tags->push_back({0, "LAYER", nullptr});
        tags->push_back({5, handleText(e->handle), nullptr});
        tags->push_back({330, handleText(t.head->handle), nullptr});
        tags->push_back({100, "AcDbSymbolTableRecord", nullptr});
        tags->push_back({100, "AcDbLayerTableRecord", nullptr});
        tags->push_back({2, layerTag.value, nullptr});
        tags->push_back({70, "0", nullptr});
        tags->push_back({62, "7", nullptr});
        tags->push_back({6, "Continuous", d_.lookup(TableKind::LType, "Continuous")});
        e->tags = std::move(tags);
        d_.addRecord(TableKind::Layer, e, layerTag.value, true);
    }

    // ----- objects, sections, header -----

    // An object of the OBJECTS section. `body` is its type tag and then its
    // tags after the owner; an object in a dictionary lists the dictionary
    // among its reactors and is entered in it under `key`.
    Entry* addObject(Entry* dictionary, std::string_view key, TagList body) {
        Entry* e = newRecord(body.front().value, flags::kObject);
        e->owner = dictionary;
        const std::string owner = dictionary ? handleText(dictionary->handle) : "0";
        TagList tags;
        tags.push_back(std::move(body.front()));
        tags.push_back({5, handleText(e->handle), nullptr});
        if (dictionary) {
            tags.push_back({102, "{ACAD_REACTORS", nullptr});
            tags.push_back({330, owner, nullptr});
            tags.push_back({102, "}", nullptr});
        }
        tags.push_back({330, owner, nullptr});
        for (std::size_t i = 1; i < body.size(); ++i) tags.push_back(std::move(body[i]));
        e->tags = std::make_unique<TagList>(std::move(tags));
        if (dictionary) {
            dictionary->tags->push_back({3, std::string(key), nullptr});
            dictionary->tags->push_back({350, handleText(e->handle), nullptr});
        }
        d_.objects.push_back(e);
        return e;
    }

    Entry* addDictionary(Entry* parent, std::string_view key) {
        return addObject(parent, key, {{0, "DICTIONARY"}, {100, "AcDbDictionary"}, {281, "1"}});
    }

    // A layout (plot settings with their usual defaults, then the layout)
    // for one of the two spaces; its block record points back at it.
    void addLayout(Entry* dictionary, std::string_view name, Entry* space, int tab, int plotFlags) {
        TagList body = {{0, "LAYOUT"}, {100, "AcDbPlotSettings"}, {1, ""}, {2, "none_device"}, {4, ""},
                        {6, ""}, {40, "0.0"}, {41, "0.0"}, {42, "0.0"}, {43, "0.0"}, {44, "0.0"},
                        {45, "0.0"}, {46, "0.0"}, {47, "0.0"}, {48, "0.0"}, {49, "0.0"}, {140, "0.0"},
                        {141, "0.0"}, {142, "1.0"}, {143, "1.0"}, {70, std::to_string(plotFlags)}, {72, "0"},
                        {73, "0"}, {74, "5"}, {7, ""}, {75, "16"}, {147, "1.0"}, {148, "0.0"}, {149, "0.0"},
                        {100, "AcDbLayout"}, {1, std::string(name)}, {70, "1"}, {71, std::to_string(tab)},
                        {10, "0.0"}, {20, "0.0"}, {11, "12.0"}, {21, "9.0"}, {12, "0.0"}, {22, "0.0"},
                        {32, "0.0"}, {14, "1e+20"}, {24, "1e+20"}, {34, "1e+20"}, {15, "-1e+20"},
                        {25, "-1e+20"}, {35, "-1e+20"}, {146, "0.0"}, {13, "0.0"}, {23, "0.0"}, {33, "0.0"},
                        {16, "1.0"}, {26, "0.0"}, {36, "0.0"}, {17, "0.0"}, {27, "1.0"}, {37, "0.0"},
                        {76, "0"}, {330, handleText(space->handle)}};
        Entry* layout = addObject(dictionary, name, std::move(body));
        TagList& rec = *space->tags;
        auto at = std::find_if(rec.begin(), rec.end(), [](const Tag& t) { return t.code >= 1000; });
        rec.insert(at, Tag{340, handleText(layout->handle), nullptr});
    }

    // The OBJECTS section starts with the root dictionary, which holds the
    // group dictionary, the layouts of the two spaces and the standard
    // multiline style: what AutoCAD creates for a new R2000 drawing, less
    // what it creates by itself when a file lacks it.
    void addObjects() {
        if (d_.rootDictionary) return;
        Entry* root = addObject(nullptr, "", {{0, "DICTIONARY"}, {100, "AcDbDictionary"}, {281, "1"}});
        d_.rootDictionary = root;
        addDictionary(root, "ACAD_GROUP");
        Entry* layouts = addDictionary(root, "ACAD_LAYOUT");
        Entry* mlineStyles = addDictionary(root, "ACAD_MLINESTYLE");
        addLayout(layouts, "Model", d_.modelSpace, 0, 1024);
        addLayout(layouts, "Layout1", d_.paperSpace, 1, 0);
        addObject(mlineStyles, "Standard",
                  {{0, "MLINESTYLE"}, {100, "AcDbMlineStyle"}, {2, "Standard"}, {70, "0"}, {3, ""},
                   {62, "256"}, {51, "90.0"}, {52, "90.0"}, {71, "2"}, {49, "0.5"}, {62, "256"},
                   {6, "BYLAYER"}, {49, "-0.5"}, {62, "256"}, {6, "BYLAYER"}});
        // LAYOUT is a class in R2000 files.
        Entry* c = d_.newEntry(d_.internType("CLASS"), flags::kNoFileHandle | flags::kNew);
        c->tags = std::make_unique<TagList>(TagList{{0, "CLASS"}, {1, "LAYOUT"}, {2, "AcDbLayout"},
                                                    {3, "ObjectDBX Classes"}, {90, "0"}, {280, "0"},
                                                    {281, "0"}});
        d_.classes.push_back(c);
    }

    // HEADER, CLASSES, TABLES, BLOCKS, ENTITIES, OBJECTS (created where the
    // file had none), then any other section the file had, in its order.
    void arrangeSections() {
        auto has = [&](Section s) {
            return std::any_of(d_.parts.begin(), d_.parts.end(),
                               [s](const Part& p) { return p.section == s; });
        };
        if (!has(Section::Header)) d_.headerHead = sectionHead(d_, Section::Header);
        if (!has(Section::Classes)) d_.classesHead = sectionHead(d_, Section::Classes);
        if (!has(Section::Tables)) d_.tablesHead = sectionHead(d_, Section::Tables);
        if (!has(Section::Blocks)) d_.blocksHead = sectionHead(d_, Section::Blocks);
        if (!has(Section::Entities)) d_.entitiesHead = sectionHead(d_, Section::Entities);
        if (!has(Section::Objects)) d_.objectsHead = sectionHead(d_, Section::Objects);
        std::vector<Part> parts;
        for (Section s : {Section::Header, Section::Classes, Section::Tables, Section::Blocks, Section::Entities,
                          Section::Objects}) {
            auto read = std::find_if(d_.parts.begin(), d_.parts.end(), [s](const Part& p) { return p.section == s; });
            if (read != d_.parts.end()) {
                parts.push_back(*read);  // as read, with its end
            } else {
                Part created{};
                created.section = s;
                parts.push_back(created);
            }
        }
        for (const Part& p : d_.parts)
            if (p.section == Section::Other) parts.push_back(p);
        d_.parts = std::move(parts);
    }

    void upgradeHeader() {
        auto find = [&](std::string_view name) {
            return std::find_if(d_.header.begin(), d_.header.end(),
                                [name](const HeaderVar& v) { return v.name == name; });
        };
        auto ver = find("$ACADVER");
        if (ver == d_.header.end()) {
            HeaderVar v;
            v.name = "$ACADVER";
            ver = d_.header.insert(d_.header.begin(), std::move(v));
        }
        ver->tags = std::make_unique<TagList>(TagList{{1, kTargetVersion, nullptr}});
        if (find("$DWGCODEPAGE") == d_.header.end()) {
            // The code page the drawing was read in, named as R2000 files
            // always name it.
            HeaderVar v;
            v.name = "$DWGCODEPAGE";
            v.tags = std::make_unique<TagList>(TagList{{3, d_.dwgcodepage, nullptr}});
            d_.header.insert(find("$ACADVER") + 1, std::move(v));
        }
        if (find("$HANDSEED") == d_.header.end()) {
            // The writer fills in the drawing's next free handle.
            HeaderVar v;
            v.name = "$HANDSEED";
            d_.header.insert(find("$ACADVER") + 1, std::move(v));
        }
    }
};

}  // namespace

bool upgradeFromR12(Drawing& d, std::string& error) {
    Upgrader u(d);
    if (!u.run(error)) return false;
    error.clear();
    return true;
}

}  // namespace hostcore
