// The in-memory drawing under the host's database interface.
//
// Every record of a DXF file (an object, an entity, a table entry, a header
// variable, a class) is kept as the bytes it was read from: a view into the
// loaded file. Nothing is parsed into typed fields at load time beyond what the
// database needs to find its way (handles, owners, names of table entries, the
// entity lists of blocks). A record that nobody changes is written back byte for
// byte; a record that changes is turned into a tag list once and written from
// it. This keeps a 100 MB drawing in little more than its own size and makes the
// round trip lossless by construction: what the host does not model it never
// rewrites.
//
// Strings inside tag lists are held in UTF-8 whatever the file's encoding;
// bytes that do not decode survive as U+DC80..U+DCFF (see dxf/encoding.h).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/dxf/encoding.h"

namespace hostcore {

struct Entry;

// One tag of a changed or created record. `ref` is set for tags that name
// another record (a layer name in code 8 of an entity, and so on): such a tag is
// written with the current name of the record it points at, so that renaming a
// layer renames it everywhere.
struct Tag {
    int16_t code = 0;
    std::string value;
    Entry* ref = nullptr;
};
using TagList = std::vector<Tag>;

// The symbol tables of a drawing, in the order a DXF file lists them.
enum class TableKind : uint8_t {
    VPort,
    LType,
    Layer,
    Style,
    View,
    Ucs,
    AppId,
    DimStyle,
    BlockRecord,
    Count,
    None = 0xFF
};
constexpr int kTableCount = static_cast<int>(TableKind::Count);
const char* tableTypeName(TableKind kind);        // "LAYER"
TableKind tableKindFromTypeName(std::string_view type);

// Where a record lives in the file.
enum class Section : uint8_t { None, Header, Classes, Tables, Blocks, Entities, Objects, Other };

namespace flags {
constexpr uint16_t kErased = 0x0001;
constexpr uint16_t kNoFileHandle = 0x0002;  // record had no handle in the file; write it without one
constexpr uint16_t kTableHead = 0x0004;     // the TABLE record of a symbol table
constexpr uint16_t kTableRecord = 0x0008;   // an entry of a symbol table
constexpr uint16_t kEntity = 0x0010;        // lives in a block (or is a sub-entity)
constexpr uint16_t kSubEntity = 0x0020;     // ATTRIB, VERTEX or SEQEND owned by its parent entity
constexpr uint16_t kBlockBegin = 0x0040;    // BLOCK
constexpr uint16_t kBlockEnd = 0x0080;      // ENDBLK
constexpr uint16_t kObject = 0x0100;        // lives in the OBJECTS section
constexpr uint16_t kNew = 0x0200;           // created after load
constexpr uint16_t kRenamed = 0x0400;       // a table entry renamed since load
}  // namespace flags

struct BlockInfo;

// The database's slot for one record. AcDbObjectId points at it.
struct Entry {
    uint64_t handle = 0;
    std::string_view raw;           // the record as read (file encoding), while unchanged
    std::unique_ptr<TagList> tags;  // the record once changed or created (UTF-8)
    Entry* owner = nullptr;
    Entry* next = nullptr;        // next entity of the same block, or next sub-entity
    Entry* firstChild = nullptr;  // first ATTRIB/VERTEX/SEQEND of an INSERT or POLYLINE
    BlockInfo* block = nullptr;   // for block table records (owned by the drawing)
    void* live = nullptr;         // the object while it is open (owned by the interface layer)
    uint32_t seq = 0;             // order of appearance, for keeping the file's entity order
    uint16_t type = 0;            // interned record type ("LINE"), see Drawing::typeName
    uint16_t flags = 0;
    uint16_t readers = 0;
    uint8_t writer = 0;
    TableKind table = TableKind::None;  // for table heads and table records
    // The drawing the entry belongs to, so that an object id (which holds only
    // the entry) finds its database. Set by the interface layer after load and
    // for the entries it creates.
    class Drawing* drawing = nullptr;

    bool erased() const { return (flags & flags::kErased) != 0; }
    bool is(uint16_t f) const { return (flags & f) != 0; }
};

// Entities of one block, and the BLOCK/ENDBLK records that frame them.
struct BlockInfo {
    Entry* begin = nullptr;  // BLOCK
    Entry* end = nullptr;    // ENDBLK
    Entry* first = nullptr;
    Entry* last = nullptr;
};

// A symbol table: its TABLE record, its entries in file order, and two name
// indexes. `names` follows renames; `loadNames` keeps the names as they were
// in the file, so that a record that still holds an old name (it was not
// rewritten since load) finds the entry it meant.
struct Table {
    Entry* head = nullptr;
    std::vector<Entry*> records;
    std::unordered_map<std::string, Entry*> names;      // folded current name -> entry
    std::unordered_map<std::string, Entry*> loadNames;  // folded name at load -> entry
    std::unordered_map<Entry*, std::string> currentName;
    bool present = false;  // the file had this table
    uint32_t renames = 0;  // entries renamed since load
    std::string_view endtab;  // its "0 ENDTAB" as read
};

// A header variable ($NAME and its value tags), kept like a record.
struct HeaderVar {
    std::string name;
    std::string_view raw;           // from the "  9" line up to the next variable
    std::unique_ptr<TagList> tags;  // value tags, once changed (without the 9 tag)
};

// A section other than the modelled ones (THUMBNAILIMAGE, ACDSDATA, ...), or
// anything between sections, kept verbatim.
struct RawPiece {
    std::string_view raw;
};

// What a piece of the file is, in file order, so the writer keeps the order.
struct Part {
    Section section;
    int index;              // into otherParts for Section::Other
    std::string_view end{};  // its "0 ENDSEC" as read, so it is written back alike
};

class Drawing {
public:
    Drawing();
    ~Drawing();
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;

    // --- file facts ---
    std::string buffer;           // the file as loaded (binary files converted to ASCII text)
    dxf::TextCodec codec;         // encoding of the file's strings
    std::string acadver = "AC1032";
    std::string dwgcodepage = "ANSI_1252";
    bool crlf = false;
    bool fromR12 = false;         // loaded from an R12 or older file
    bool upgraded = false;        // an R12 drawing brought into the modern structure
    std::string upgradeError;     // why an R12 drawing could not be brought over
    std::string_view preamble;    // comments before the first section
    std::string_view tail;        // "0 EOF" and whatever follows it, as read

    // --- records ---
    std::deque<Entry> entries;
    std::unordered_map<uint64_t, Entry*> byHandle;
    uint64_t handseed = 1;

    std::vector<HeaderVar> header;
    std::string_view headerHead;  // "0 SECTION 2 HEADER" as read
    std::vector<Entry*> classes;  // CLASS records (they carry no handle)
    Table tables[kTableCount];
    std::deque<BlockInfo> blockInfos;
    std::vector<Entry*> tableHeads;     // TABLE records in file order; an unknown table is one
                                        // record holding the whole table as read
    std::vector<Entry*> orphanEntities; // entities with no block to live in (kept, written in ENTITIES)
    std::string_view tablesHead, blocksHead, entitiesHead, objectsHead, classesHead;
    std::vector<Entry*> blockOrder;  // block records in the order of the BLOCKS section
    std::vector<Entry*> objects;     // OBJECTS section order
    std::vector<RawPiece> otherParts;
    std::vector<Part> parts;         // sections in file order
    Entry* modelSpace = nullptr;
    Entry* paperSpace = nullptr;
    Entry* rootDictionary = nullptr;
    uint32_t renameCount = 0;        // names changed since load

    // --- types ---
    uint16_t internType(std::string_view type);
    const std::string& typeName(uint16_t type) const { return types_[type]; }
    const std::string& typeName(const Entry* e) const { return types_[e->type]; }

    // --- entries ---
    Entry* newEntry(uint16_t type, uint16_t entryFlags);   // no handle yet
    void assignHandle(Entry* e);                           // next free handle
    void registerHandle(Entry* e, uint64_t handle);
    Entry* find(uint64_t handle) const;
    uint32_t nextSeq() { return seq_++; }

    // The record's tags in UTF-8 (parsed from raw when it has no tag list yet).
    TagList tagsOf(const Entry* e) const;
    // Parse a raw record into tags, decoding strings and resolving by-name references.
    TagList parseRaw(std::string_view raw, uint16_t type, bool entity) const;
    // Give the entry a tag list of its own (from now on it is written from it).
    TagList& ownTags(Entry* e);

    // --- names ---
    Table& table(TableKind k) { return tables[static_cast<int>(k)]; }
    const Table& table(TableKind k) const { return tables[static_cast<int>(k)]; }
    Entry* lookup(TableKind k, std::string_view utf8Name) const;      // current names
    Entry* lookupLoad(TableKind k, std::string_view utf8Name) const;  // names as read
    const std::string& nameOf(const Entry* e) const;                  // current name of a table entry
    // The text a tag that names `ref` is written with: its own text while that
    // still names the entry (keeping the file's letter case), else the entry's name.
    const std::string& refText(const Tag& t) const;
    void setName(Entry* e, std::string_view utf8Name);                // index only, no checks
    void addRecord(TableKind k, Entry* e, std::string_view utf8Name, bool atLoad);

    // --- blocks ---
    BlockInfo* makeBlock(Entry* blockRecord);
    void appendToBlock(Entry* blockRecord, Entry* entity);

private:
    std::vector<std::string> types_;
    std::unordered_map<std::string, uint16_t> typeIndex_;
    uint32_t seq_ = 0;
};

// Which table a tag of a record names by its value, if any. `subclass` is the
// last subclass marker (100) seen before the tag, in extended data the
// application (1001) of the tag's group; `xdata` tells whether the tag
// is in the extended data, `entity` whether the record is an entity (the BLOCK
// and ENDBLK records of a block count as entities).
TableKind nameReference(std::string_view recordType, std::string_view subclass, int code, bool xdata,
                        bool entity);

// Case-insensitive form of a name (Latin and Cyrillic letters), for lookups.
std::string foldName(std::string_view utf8);

// A handle as DXF writes it: upper-case hexadecimal without leading zeros.
std::string handleText(uint64_t handle);
// A handle read from its text (blanks around it allowed). False for text that
// is no handle (empty, not hexadecimal, more than 16 digits).
bool parseHandle(std::string_view text, uint64_t& handle);
// The same, with 0 for text that is no handle.
inline uint64_t handleValue(std::string_view text) {
    uint64_t h = 0;
    return parseHandle(text, h) ? h : 0;
}

}  // namespace hostcore
