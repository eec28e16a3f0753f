// What lies behind the interface: the state of objects, databases and
// iterators, and the helpers that move between host strings and the core's
// UTF-8 tag lists. Not seen by modules.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "host/arx.h"
#include "host/arx/hostapi.h"
#include "host/core/drawing.h"
#include "host/core/ids.h"

namespace arxhost {

using hostcore::Drawing;
using hostcore::Entry;
using hostcore::TableKind;
using hostcore::Tag;
using hostcore::TagList;

// --- strings ---------------------------------------------------------------

// toUtf8 and toHostString: host/arx/hostapi.h.
// toHostString's result as a heap copy the caller releases with acStrFree.
ACHAR* toHost(std::string_view utf8);
ACHAR* dupHost(const ACHAR* s);

std::string hexOf(uint64_t v);
bool parseHex(std::string_view s, uint64_t& out);
long long toInt(std::string_view s);
double toReal(std::string_view s);

// --- state -----------------------------------------------------------------

struct ObjectState {
    Entry* entry = nullptr;      // null while the object is not in a database
    AcDbDatabase* db = nullptr;
    TagList tags;                // the record's tags while the object lives
    bool dirty = false;
    // A block table record keeps its description and path in its BLOCK record.
    TagList beginTags;
    bool beginLoaded = false;
    bool beginDirty = false;
    // The database went away while the object was open: close() only deletes it.
    bool orphan = false;
    // Sub-entities of a new entity (the vertices of a polyline), made records
    // of their own when the entity is appended.
    std::vector<TagList> pendingChildren;
};

struct DatabaseState {
    std::unique_ptr<Drawing> drawing;
    std::unordered_set<Entry*> open;  // entries whose object is open
    HostString lastError;
    HostString fileName;
    // Current multiline and table styles, found once when the drawing comes
    // in, since their names may change afterwards.
    Entry* cmlstyle = nullptr;
    Entry* ctablestyle = nullptr;
    // Fingerprint of the drawing's changes when it was last read or saved
    // (AcDbDatabase::isModified compares against it).
    uint64_t savedPrint = 0;
    // Record names whose CLASSES entry carries the was-a-proxy flag, read once
    // per drawing (classes come only with the file) on the first question.
    bool wasAProxyKnown = false;
    std::unordered_set<std::string> wasAProxyTypes;
};

struct IteratorState {
    std::vector<Entry*> items;
    std::size_t pos = 0;
    bool skipDeleted = true;
};

struct DictIteratorState {
    std::vector<std::pair<std::string, Entry*>> items;
    std::size_t pos = 0;
    mutable HostString name;
    mutable bool nameValid = false;
};

struct SummaryState;

struct Access {
    static SummaryState& state(const AcDbDatabaseSummaryInfo* i) { return *i->state_; }
    static AcDbDatabaseSummaryInfo* newSummaryInfo() { return new AcDbDatabaseSummaryInfo(); }
    static ObjectState& state(const AcDbObject* o) { return *o->state_; }
    static DatabaseState& state(const AcDbDatabase* d) { return *d->state_; }
    static IteratorState& state(const AcDbSymbolTableIterator* i) { return *i->state_; }
    static IteratorState& state(const AcDbBlockTableRecordIterator* i) { return *i->state_; }
    static DictIteratorState& state(const AcDbDictionaryIterator* i) { return *i->state_; }
    static IteratorState& state(const AcDbObjectIterator* i) { return *i->state_; }
    static AcDbObjectIterator* newObjectIterator() { return new AcDbObjectIterator(); }
    static AcDbSymbolTableIterator* newSymbolTableIterator() { return new AcDbSymbolTableIterator(); }
    static AcDbBlockTableRecordIterator* newBlockIterator() { return new AcDbBlockTableRecordIterator(); }
    static AcDbDictionaryIterator* newDictIterator() { return new AcDbDictionaryIterator(); }
};

inline ObjectState& st(const AcDbObject* o) { return Access::state(o); }

// --- databases -------------------------------------------------------------

AcDbDatabase* databaseOf(const Drawing* d);
// True while the database exists.
bool isLiveDatabase(const AcDbDatabase* db);
AcDbDatabase* databaseOf(const Entry* e);
Drawing* drawingOf(const AcDbDatabase* db);
// Sets the back-pointer of every entry of the drawing.
void adoptEntries(Drawing& d);
// A new entry of the drawing with a handle of its own.
Entry* newEntry(Drawing& d, const char* type, uint16_t flags);

// --- tags ------------------------------------------------------------------

// A tag that refers to nothing (its value is its own text).
inline Tag tagOf(int code, std::string value) { return Tag{static_cast<int16_t>(code), std::move(value), nullptr}; }

// Index of the first tag with `code` among the record's own data (after the
// type tag, before extended data and embedded objects), or -1.
int findTag(const TagList& t, int code, std::size_t from = 1);
// Index where extended data starts (the first code >= 1000), or size.
std::size_t xdataStart(const TagList& t);
// The first `code` tag's value, or null.
const std::string* tagValue(const TagList& t, int code);
// Sets the first `code` tag, or inserts one at `insertAt` (end of the record's
// data when negative).
void setTag(TagList& t, int code, std::string value, int insertAt = -1);
// Index of the first `code` tag after the subclass marker `sub`, or -1. With
// `markerless`, a record without any subclass marker (as R12 wrote them) is
// searched whole.
int findInSubclass(const TagList& t, const char* sub, int code, bool markerless);
// Sets the first `code` tag of the subclass `sub` (found as findInSubclass
// does), or inserts one right behind the marker (at the end of the record's
// data when there is no marker).
void setInSubclass(TagList& t, const char* sub, int code, std::string value, bool markerless);
// Handle of the record's owner (the first 330 outside application groups).
uint64_t ownerHandle(const TagList& t);
void setOwnerHandle(TagList& t, uint64_t h);
void setOwnHandle(TagList& t, uint64_t h, bool dimstyle);
// Resolves the by-name references of a tag list against the current names.
void resolveRefs(const Drawing& d, TagList& t, bool entity);

// Default tags of a new object of a record type ("LAYER").
TagList defaultTags(std::string_view dxfName);

// --- objects ---------------------------------------------------------------

// Class of the object that stands for a record.
AcRxClass* classOfRecord(const Drawing& d, const Entry* e);
AcDbObject* instantiate(const AcRxClass* cls);
// Tags of an object, for reading: its own while it lives.
TagList currentTags(const Drawing& d, const Entry* e);
// Writes an object's changed tags into its record.
void commit(AcDbObject* obj, bool keepCopy);
// Makes a new object (not in a database) resident as `e`, open for write.
void makeResident(AcDbObject* obj, AcDbDatabase* db, Entry* e);
void markDirty(const AcDbObject* obj);
Acad::ErrorStatus openEntry(AcDbObject*& obj, Entry* e, AcDb::OpenMode mode, bool openErased,
                            const AcRxClass* filter);

// --- names -----------------------------------------------------------------

bool isValidSymbolName(const ACHAR* name);
// A live record of a table with that (folded) name, skipping erased ones and `except`.
Entry* findRecord(const Drawing& d, TableKind k, std::string_view utf8, const Entry* except = nullptr);
// Table of a symbol-table record class, or None.
TableKind tableOfRecordClass(const AcRxClass* cls);
const char* dxfNameOfTable(TableKind k);

// --- dictionaries ----------------------------------------------------------

struct DictPair {
    std::size_t keyIndex;  // index of the 3 tag
    std::string key;
    uint64_t handle;
};
std::vector<DictPair> dictPairs(const TagList& t);
Entry* dictLookup(const Drawing& d, const Entry* dict, std::string_view utf8Key);
// The key under which a dictionary files an entry (empty when it does not).
std::string keyOf(const Drawing& d, const Entry* dict, const Entry* e);
// Changes a record's tags whether or not it is open: in its record and,
// while it is open, in its object too.
void editDictionary(Entry* dict, void (*edit)(TagList&, void*), void* context);
inline void editRecord(Entry* e, void (*edit)(TagList&, void*), void* context) { editDictionary(e, edit, context); }
// Renames the key of an object in the dictionary that owns it.
Acad::ErrorStatus renameKeyInOwner(AcDbObject* obj, const ACHAR* name);

// The drawing's built-in template of a new drawing (DXF text).
extern const char* const kNewDrawingTemplate;

}  // namespace arxhost

namespace arxhost {
// Tags [from, to) as a result-buffer chain (null when empty).
resbuf* tagsToChain(const TagList& t, std::size_t from, std::size_t to);
// A chain as tags; eInvalidResBuf for a type that is no group code, or one
// `allowed` refuses.
Acad::ErrorStatus chainToTags(const resbuf* chain, TagList& out, bool (*allowed)(int code));
}  // namespace arxhost
