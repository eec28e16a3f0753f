// DXF loader: slices the file into records and builds the drawing's indexes.
//
// The loader reads every tag once. For each record it notes only what the
// database needs to find its way (type, handle, owner, name of a table entry,
// layer of an entity, the flags that announce sub-entities); the record itself
// stays a view into the file.
#include <algorithm>
#include <charconv>
#include <string_view>

#include "host/core/dxfio.h"
#include "host/core/upgrade.h"
#include "host/dxf/tags.h"

namespace hostcore {

namespace {

int parseInt(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    int v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

// What the loader learns of one record in its single pass over the tags.
struct Scan {
    std::string_view type;
    std::string_view raw;
    uint32_t line = 0;
    uint64_t handle = 0;
    bool hasHandle = false;
    uint64_t owner = 0;
    bool hasOwner = false;
    std::string_view name2;  // first code 2
    std::string_view layer;  // first code 8
    bool hasName2 = false;
    int flag66 = 0;
    int flag67 = 0;
};

class Loader {
public:
    Loader(Drawing& d) : d_(d), buf_(d.buffer), reader_(buf_) {}

    bool run(std::string& error) {
        if (!advance()) return fail(error, "the file is empty");
        // Anything before the first section (comments) is kept as it is.
        std::size_t start = curOff_;
        while (have_ && !(cur_.code == 0 && cur_.value == "SECTION")) {
            if (!advance() && !have_) break;
        }
        d_.preamble = buf_.substr(start, curOff_ - start);
        if (!have_) return fail(error, "no SECTION found: this is not a DXF drawing");

        while (have_) {
            if (cur_.code == 0 && cur_.value == "EOF") {
                d_.tail = buf_.substr(curOff_);
                break;
            }
            if (!(cur_.code == 0 && cur_.value == "SECTION"))
                return fail(error, "SECTION expected, found '" + std::string(cur_.value) + "'");
            std::size_t sectionStart = curOff_;
            advance();
            if (!have_ || cur_.code != 2) return fail(error, "section name expected");
            std::string name(cur_.value);
            advance();
            bool ok = true;
            if (name == "HEADER") {
                d_.headerHead = slice(sectionStart);
                ok = readHeader();
                d_.parts.push_back({Section::Header, 0, {}});
            } else if (name == "CLASSES") {
                d_.classesHead = slice(sectionStart);
                ok = readClasses();
                d_.parts.push_back({Section::Classes, 0, {}});
            } else if (name == "TABLES") {
                d_.tablesHead = slice(sectionStart);
                ok = readTables();
                d_.parts.push_back({Section::Tables, 0, {}});
            } else if (name == "BLOCKS") {
                d_.blocksHead = slice(sectionStart);
                ok = readBlocks();
                d_.parts.push_back({Section::Blocks, 0, {}});
            } else if (name == "ENTITIES") {
                d_.entitiesHead = slice(sectionStart);
                ok = readEntities();
                d_.parts.push_back({Section::Entities, 0, {}});
            } else if (name == "OBJECTS") {
                d_.objectsHead = slice(sectionStart);
                ok = readObjects();
                d_.parts.push_back({Section::Objects, 0, {}});
            } else {
                // Kept as read; a section cut short would be written back without its end.
                if (!skipSection()) return fail(error, endMissing(name));
                d_.otherParts.push_back({slice(sectionStart)});
                d_.parts.push_back({Section::Other, static_cast<int>(d_.otherParts.size() - 1), {}});
                continue;  // skipSection consumed ENDSEC
            }
            if (!ok) return fail(error, error_.empty() ? endMissing(name) : error_);
            if (!have_ || !(cur_.code == 0 && cur_.value == "ENDSEC"))
                return fail(error, have_ ? "ENDSEC of section " + name + " expected, found '" +
                                               std::string(cur_.value) + "'"
                                         : endMissing(name));
            const std::size_t endStart = curOff_;
            advance();
            d_.parts.back().end = slice(endStart);
        }
        if (reader_.failed()) return fail(error, reader_.error());
        finish();
        return true;
    }

private:
    Drawing& d_;
    std::string_view buf_;
    dxf::AsciiTagReader reader_;
    dxf::RawTag cur_;
    bool have_ = false;
    std::size_t curOff_ = 0;
    std::string error_;
    std::vector<std::pair<Entry*, uint64_t>> pendingOwners_;
    std::vector<Entry*> needHandle_;
    std::string_view lastLayer_;
    bool lastLayerKnown_ = false;
    bool sawAcadver_ = false;   // the header names the version
    bool sawSubclass_ = false;  // some record has subclass markers (R13 and later)

    bool advance() {
        curOff_ = reader_.offset();
        have_ = reader_.next(cur_);
        if (!have_) curOff_ = buf_.size();
        return have_;
    }

    std::string_view slice(std::size_t from) const { return buf_.substr(from, curOff_ - from); }

    // Why a section that ran to the end of the input is refused.
    std::string endMissing(const std::string& section) const {
        if (!have_) return "the file ends inside section " + section + " (ENDSEC expected): it is cut short";
        return "ENDSEC of section " + section + " expected, found '" + std::string(cur_.value) + "'";
    }

    bool fail(std::string& error, const std::string& what) {
        if (reader_.failed()) {
            error = reader_.error();
        } else {
            error = "line " + std::to_string(have_ ? cur_.line : reader_.line()) + ": " + what;
        }
        return false;
    }

    std::string decodeName(std::string_view s) const {
        if (d_.codec.enc == dxf::Encoding::Utf8 || dxf::isPlainAscii(s)) return std::string(s);
        std::string out;
        dxf::decode(s, d_.codec, out);
        return out;
    }

    // Reads one record starting at the current code-0 tag.
    void readRecord(Scan& s) {
        std::size_t start = curOff_;
        s = Scan{};
        s.type = cur_.value;
        s.line = cur_.line;
        const int handleCode = (s.type == "DIMSTYLE") ? 105 : 5;
        bool inGroup = false, seenSubclass = false, xdata = false;
        while (advance() && cur_.code != 0) {
            const int c = cur_.code;
            if (c >= 1000) xdata = true;
            if (xdata) continue;
            if (c == handleCode && !s.hasHandle) {
                s.hasHandle = parseHandle(cur_.value, s.handle);
            } else if (c == 102 && !seenSubclass) {
                inGroup = !cur_.value.empty() && cur_.value.front() == '{';
            } else if (c == 330 && !inGroup && !seenSubclass && !s.hasOwner) {
                s.hasOwner = parseHandle(cur_.value, s.owner);
            } else if (c == 100) {
                seenSubclass = true;
                sawSubclass_ = true;
            } else if (c == 2 && !s.hasName2) {
                s.name2 = cur_.value;
                s.hasName2 = true;
            } else if (c == 8 && s.layer.empty()) {
                s.layer = cur_.value;
            } else if (c == 66) {
                s.flag66 = parseInt(cur_.value);
            } else if (c == 67) {
                s.flag67 = parseInt(cur_.value);
            }
        }
        s.raw = buf_.substr(start, curOff_ - start);
    }

    Entry* makeEntry(const Scan& s, uint16_t entryFlags) {
        Entry* e = d_.newEntry(d_.internType(s.type), entryFlags);
        e->raw = s.raw;
        if (s.hasHandle && s.handle != 0) {
            d_.registerHandle(e, s.handle);
        } else {
            e->flags |= flags::kNoFileHandle;
            needHandle_.push_back(e);
        }
        return e;
    }

    bool readHeader() {
        while (have_ && cur_.code != 0) {
            if (cur_.code != 9) {
                error_ = "header variable name (group 9) expected";
                return false;
            }
            std::size_t start = curOff_;
            HeaderVar v;
            v.name.assign(cur_.value);
            while (advance() && cur_.code != 9 && cur_.code != 0) {
                if (v.name == "$ACADVER" && cur_.code == 1) {
                    d_.acadver.assign(cur_.value);
                    sawAcadver_ = true;
                }
                if (v.name == "$DWGCODEPAGE" && cur_.code == 3) d_.dwgcodepage.assign(cur_.value);
                if (v.name == "$HANDSEED" && cur_.code == 5) {
                    uint64_t h = 0;
                    if (parseHandle(cur_.value, h) && h > d_.handseed) d_.handseed = h;
                }
            }
            v.raw = slice(start);
            d_.header.push_back(std::move(v));
        }
        d_.codec = dxf::codecForFile(d_.acadver, d_.dwgcodepage);
        return true;
    }

    bool readClasses() {
        while (have_ && cur_.code == 0 && cur_.value != "ENDSEC") {
            Scan s;
            readRecord(s);
            Entry* e = d_.newEntry(d_.internType(s.type), flags::kNoFileHandle);
            e->raw = s.raw;
            d_.classes.push_back(e);
        }
        return true;
    }

    bool readTables() {
        while (have_ && cur_.code == 0 && cur_.value == "TABLE") {
            Scan head;
            readRecord(head);
            TableKind kind = tableKindFromTypeName(head.name2);
            Entry* h = makeEntry(head, flags::kTableHead);
            if (kind == TableKind::None) {
                // A table this host does not know: keep it whole as one record.
                while (have_ && cur_.code == 0 && cur_.value != "ENDTAB" && cur_.value != "ENDSEC") {
                    Scan s;
                    readRecord(s);
                }
                if (have_ && cur_.value == "ENDTAB") advance();
                h->raw = buf_.substr(static_cast<std::size_t>(head.raw.data() - buf_.data()),
                                     curOff_ - static_cast<std::size_t>(head.raw.data() - buf_.data()));
                d_.tableHeads.push_back(h);
                continue;
            }
            Table& t = d_.table(kind);
            t.head = h;
            t.present = true;
            h->table = kind;
            d_.tableHeads.push_back(h);
            while (have_ && cur_.code == 0 && cur_.value != "ENDTAB") {
                if (cur_.value == "ENDSEC" || cur_.value == "EOF") {
                    error_ = "ENDTAB expected";
                    return false;
                }
                Scan s;
                readRecord(s);
                Entry* e = makeEntry(s, 0);
                e->owner = h;
                d_.addRecord(kind, e, decodeName(s.name2), true);
                if (kind == TableKind::BlockRecord) d_.makeBlock(e);
            }
            if (!have_) {
                error_ = "the file ends inside table " + std::string(head.name2) + " (ENDTAB expected): it is cut short";
                return false;
            }
            const std::size_t endStart = curOff_;
            advance();
            t.endtab = slice(endStart);
        }
        return true;
    }

    Entry* blockRecordFor(const Scan& begin) {
        if (begin.hasOwner) {
            Entry* r = d_.find(begin.owner);
            if (r && r->block) return r;
        }
        std::string name = decodeName(begin.name2);
        if (Entry* r = d_.lookupLoad(TableKind::BlockRecord, name)) return r;
        return nullptr;
    }

    void checkLayer(const Scan& s) {
        if (s.layer.empty() || !d_.table(TableKind::Layer).present) return;
        if (lastLayerKnown_ && s.layer == lastLayer_) return;
        std::string name = decodeName(s.layer);
        if (!d_.lookupLoad(TableKind::Layer, name)) createLayer(name);
        lastLayer_ = s.layer;
        lastLayerKnown_ = true;
    }

    // A layer an entity names but the file does not define: the host creates it
    // as the real editor does (colour 7, linetype Continuous).
    void createLayer(const std::string& name) {
        Table& t = d_.table(TableKind::Layer);
        Entry* e = d_.newEntry(d_.internType("LAYER"), flags::kNew);
        e->owner = t.head;
        auto tags = std::make_unique<TagList>();
        tags->push_back({0, "LAYER", nullptr});
        tags->push_back({5, "", nullptr});
        tags->push_back({330, t.head ? handleText(t.head->handle) : "0", nullptr});
        tags->push_back({100, "AcDbSymbolTableRecord", nullptr});
        tags->push_back({100, "AcDbLayerTableRecord", nullptr});
        tags->push_back({2, name, nullptr});
        tags->push_back({70, "0", nullptr});
        tags->push_back({62, "7", nullptr});
        tags->push_back({6, "Continuous", d_.lookupLoad(TableKind::LType, "Continuous")});
        e->tags = std::move(tags);
        d_.addRecord(TableKind::Layer, e, name, true);
        needHandle_.push_back(e);
    }

    // Reads entities until the current tag is a code-0 tag named `stop`.
    // `fixedOwner` is the block record for the BLOCKS section, null for ENTITIES.
    bool readEntityRun(std::string_view stop, Entry* fixedOwner) {
        Entry* parent = nullptr;
        Entry* lastChild = nullptr;
        while (have_ && cur_.code == 0 && cur_.value != stop) {
            if (cur_.value == "ENDSEC" || cur_.value == "EOF") {
                error_ = std::string(stop) + " expected";
                return false;
            }
            Scan s;
            readRecord(s);
            const bool sub = parent && (s.type == "ATTRIB" || s.type == "VERTEX" || s.type == "SEQEND");
            Entry* e = makeEntry(s, flags::kEntity | (sub ? flags::kSubEntity : 0));
            checkLayer(s);
            if (sub) {
                e->owner = parent;
                if (lastChild)
                    lastChild->next = e;
                else
                    parent->firstChild = e;
                lastChild = e;
                if (s.type == "SEQEND") parent = nullptr;
                continue;
            }
            parent = nullptr;
            Entry* owner = fixedOwner;
            if (!owner) {
                Entry* r = s.hasOwner ? d_.find(s.owner) : nullptr;
                owner = (r && r->block) ? r : (s.flag67 == 1 ? d_.paperSpace : d_.modelSpace);
            }
            if (owner) {
                d_.appendToBlock(owner, e);
            } else {
                d_.orphanEntities.push_back(e);
            }
            if (s.type == "POLYLINE" || (s.type == "INSERT" && s.flag66 == 1)) {
                parent = e;
                lastChild = nullptr;
            }
        }
        return have_;
    }

    bool readBlocks() {
        while (have_ && cur_.code == 0 && cur_.value == "BLOCK") {
            Scan begin;
            readRecord(begin);
            Entry* rec = blockRecordFor(begin);
            if (!rec) rec = createBlockRecord(decodeName(begin.name2));
            Entry* b = makeEntry(begin, flags::kBlockBegin);
            b->owner = rec;
            checkLayer(begin);
            BlockInfo* info = d_.makeBlock(rec);
            info->begin = b;
            d_.blockOrder.push_back(rec);
            if (!readEntityRun("ENDBLK", rec)) {
                if (error_.empty())
                    error_ = have_ ? "ENDBLK expected"
                                   : "the file ends inside block " + decodeName(begin.name2) +
                                         " (ENDBLK expected): it is cut short";
                return false;
            }
            Scan end;
            readRecord(end);
            Entry* eb = makeEntry(end, flags::kBlockEnd);
            eb->owner = rec;
            info->end = eb;
        }
        return true;
    }

    // A block that the file defines without a block record (R12 files have no
    // BLOCK_RECORD table): the record is created so the block has an owner.
    Entry* createBlockRecord(const std::string& name) {
        Table& t = d_.table(TableKind::BlockRecord);
        Entry* e = d_.newEntry(d_.internType("BLOCK_RECORD"), flags::kNew);
        e->owner = t.head;
        auto tags = std::make_unique<TagList>();
        tags->push_back({0, "BLOCK_RECORD", nullptr});
        tags->push_back({5, "", nullptr});
        tags->push_back({330, t.head ? handleText(t.head->handle) : "0", nullptr});
        tags->push_back({100, "AcDbSymbolTableRecord", nullptr});
        tags->push_back({100, "AcDbBlockTableRecord", nullptr});
        tags->push_back({2, name, nullptr});
        e->tags = std::move(tags);
        d_.addRecord(TableKind::BlockRecord, e, name, true);
        d_.makeBlock(e);
        needHandle_.push_back(e);
        return e;
    }

    bool readEntities() {
        findSpaces();
        return readEntityRun("ENDSEC", nullptr);
    }

    void findSpaces() {
        if (!d_.modelSpace) d_.modelSpace = d_.lookupLoad(TableKind::BlockRecord, "*Model_Space");
        if (!d_.paperSpace) d_.paperSpace = d_.lookupLoad(TableKind::BlockRecord, "*Paper_Space");
        if (!d_.modelSpace) d_.modelSpace = d_.lookupLoad(TableKind::BlockRecord, "$MODEL_SPACE");
        if (!d_.paperSpace) d_.paperSpace = d_.lookupLoad(TableKind::BlockRecord, "$PAPER_SPACE");
        if (!d_.modelSpace) d_.modelSpace = unnamedModelSpace();
        if (!d_.modelSpace) d_.modelSpace = createBlockRecord("*Model_Space");
        if (!d_.paperSpace) d_.paperSpace = createBlockRecord("*Paper_Space");
    }

    // Some writers name the model space's record otherwise (an R14 file of
    // LibreDWG calls it "*U"). AutoCAD keeps it first in the block record
    // table, and so do those files: that record is the model space, and it
    // takes the name a reader looks for.
    Entry* unnamedModelSpace() {
        const Table& t = d_.table(TableKind::BlockRecord);
        if (!t.present || t.records.empty()) return nullptr;
        Entry* first = t.records.front();
        const std::string name = d_.nameOf(first);
        if (first->is(flags::kNew) || first == d_.paperSpace || name.empty() || name[0] != '*' ||
            foldName(name) == foldName("*Paper_Space"))
            return nullptr;
        const std::string model = "*Model_Space";
        d_.setName(first, model);
        auto rename = [&](Entry* e, std::initializer_list<int> codes) {
            for (Tag& g : d_.ownTags(e)) {
                if (g.code >= 1000) break;
                if (std::find(codes.begin(), codes.end(), g.code) != codes.end()) {
                    g.value = model;
                    g.ref = first;
                }
            }
        };
        rename(first, {2});
        if (first->block && first->block->begin) rename(first->block->begin, {2, 3});
        d_.makeBlock(first);
        return first;
    }

    bool readObjects() {
        while (have_ && cur_.code == 0 && cur_.value != "ENDSEC") {
            if (cur_.value == "EOF") {
                error_ = "ENDSEC expected";
                return false;
            }
            Scan s;
            readRecord(s);
            Entry* e = makeEntry(s, flags::kObject);
            if (!d_.rootDictionary) d_.rootDictionary = e;
            if (s.hasOwner) pendingOwners_.emplace_back(e, s.owner);
            d_.objects.push_back(e);
        }
        return true;
    }

    bool skipSection() {
        while (have_ && !(cur_.code == 0 && (cur_.value == "ENDSEC" || cur_.value == "EOF"))) advance();
        if (have_ && cur_.value == "ENDSEC") {
            advance();
            return true;
        }
        return false;
    }

    void finish() {
        findSpaces();
        for (auto& [e, h] : pendingOwners_) e->owner = d_.find(h);
        for (Entry* e : needHandle_) {
            d_.assignHandle(e);
            if (e->tags) {
                for (Tag& t : *e->tags)
                    if (t.code == 5 && t.value.empty()) t.value = handleText(e->handle);
            }
        }
        // A file that does not name its version and has none of the R13
        // structure is read as an R12 one (ezdxf does the same).
        if (!sawAcadver_ && !sawSubclass_ && d_.objects.empty() && d_.classes.empty()) d_.acadver = "AC1009";
        d_.fromR12 = d_.acadver < "AC1012";
        if (d_.fromR12) d_.upgraded = upgradeFromR12(d_, d_.upgradeError);
    }
};

}  // namespace

bool loadDxf(Drawing& d, std::string bytes, std::string& error) {
    if (dxf::looksLikeDwg(bytes)) {
        error = "this is a DWG file; the host reads drawings in DXF format only";
        return false;
    }
    if (dxf::isBinaryDxf(bytes)) {
        std::string ascii, why;
        if (!dxf::binaryToAscii(bytes, ascii, why)) {
            error = why;
            return false;
        }
        bytes = std::move(ascii);
    }
    d.buffer = std::move(bytes);
    std::size_t nl = d.buffer.find('\n');
    d.crlf = nl != std::string::npos && nl > 0 && d.buffer[nl - 1] == '\r';
    d.codec = dxf::codecForFile("", "");
    Loader loader(d);
    return loader.run(error);
}

}  // namespace hostcore
