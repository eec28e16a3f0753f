// The database: a drawing read from or written to DXF, its tables and
// dictionaries, its current styles, and the host's application services.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unordered_map>

#include "host/arx/internal.h"
#include "host/core/dxfio.h"
#include "host/core/header.h"
#include "host/core/summary.h"
#include "host/dxf/encoding.h"
#include "host/dxf/tags.h"

using Acad::ErrorStatus;

namespace arxhost {

namespace {
// Drawing -> its database, for ids that know only their entry.
std::unordered_map<const Drawing*, AcDbDatabase*>& registry() {
    static std::unordered_map<const Drawing*, AcDbDatabase*> r;
    return r;
}
}  // namespace

AcDbDatabase* databaseOf(const Drawing* d) {
    auto it = registry().find(d);
    return it == registry().end() ? nullptr : it->second;
}

bool isLiveDatabase(const AcDbDatabase* db) {
    for (const auto& [d, x] : registry())
        if (x == db) return true;
    return false;
}

AcDbDatabase* databaseOf(const Entry* e) { return e && e->drawing ? databaseOf(e->drawing) : nullptr; }

Drawing* drawingOf(const AcDbDatabase* db) { return Access::state(db).drawing.get(); }

void adoptEntries(Drawing& d) {
    for (Entry& e : d.entries) e.drawing = &d;
}

Entry* newEntry(Drawing& d, const char* type, uint16_t entryFlags) {
    Entry* e = d.newEntry(d.internType(type), static_cast<uint16_t>(entryFlags | hostcore::flags::kNew));
    d.assignHandle(e);
    e->drawing = &d;
    return e;
}

namespace {

struct VersionName {
    AcDb::AcDbDwgVersion version;
    const char* acadver;
};
constexpr VersionName kVersions[] = {
    {AcDb::kDHL_1015, "AC1015"}, {AcDb::kDHL_1018, "AC1018"}, {AcDb::kDHL_1021, "AC1021"},
    {AcDb::kDHL_1024, "AC1024"}, {AcDb::kDHL_1027, "AC1027"}, {AcDb::kDHL_1032, "AC1032"},
};

void resolveStyles(DatabaseState& s);

// What a drawing's changes add up to, as one number: every record's handle,
// owner, neighbour and flags, the tags of the records that were changed or
// created (an unchanged record keeps its bytes, so it needs no hashing), the
// header variables that were set, the handle seed. Equal numbers mean no
// change since the number was taken; a change and its undoing give the
// number back, which is right: the drawing is as it was. Linear in the
// number of records, so it is taken at read and save and asked at close.
class Fingerprint {
public:
    // A word at a time: each word is mixed in with a multiply and a shift, so that every bit
    // of it reaches every bit of the state and the order of words counts.
    void add(uint64_t v) {
        h_ ^= v;
        h_ *= 0x9E3779B97F4A7C15ULL;
        h_ ^= h_ >> 32;
    }
    void add(std::string_view s) {
        add(s.size());
        std::size_t i = 0;
        for (; i + 8 <= s.size(); i += 8) {
            uint64_t w;
            std::memcpy(&w, s.data() + i, 8);
            add(w);
        }
        if (i < s.size()) {
            uint64_t w = 0;
            std::memcpy(&w, s.data() + i, s.size() - i);
            add(w);
        }
    }
    void add(const TagList& t) {
        add(t.size());
        for (const Tag& g : t) {
            add(static_cast<uint64_t>(static_cast<uint16_t>(g.code)));
            add(g.value);
            add(g.ref ? g.ref->handle + 1 : 0);
        }
    }
    uint64_t value() const { return h_; }

private:
    uint64_t h_ = 0xcbf29ce484222325ULL;
};

uint64_t fingerprint(const DatabaseState& s) {
    Fingerprint f;
    const Drawing& d = *s.drawing;
    f.add(d.entries.size());
    f.add(d.handseed);
    f.add(d.renameCount);
    for (const Entry& e : d.entries) {
        f.add(e.handle);
        f.add(e.flags);
        f.add(e.owner ? e.owner->handle : 0);
        f.add(e.next ? e.next->seq + 1 : 0);
        f.add(e.firstChild ? e.firstChild->seq + 1 : 0);
        if (e.tags) f.add(*e.tags);
    }
    for (const hostcore::HeaderVar& v : d.header) {
        f.add(v.name);
        if (v.tags) f.add(*v.tags);
    }
    f.add(d.objects.size());
    f.add(d.orphanEntities.size());
    return f.value();
}

// Replaces the database's drawing; the old one goes with every entry.
void installDrawing(AcDbDatabase* db, std::unique_ptr<Drawing> d) {
    DatabaseState& s = Access::state(db);
    if (s.drawing) registry().erase(s.drawing.get());
    adoptEntries(*d);
    registry()[d.get()] = db;
    s.drawing = std::move(d);
    s.wasAProxyKnown = false;
    s.wasAProxyTypes.clear();
    resolveStyles(s);
    s.savedPrint = fingerprint(s);
}

// Objects still open when their drawing goes away stay valid C++ objects
// whose close() only deletes them.
void orphanOpenObjects(DatabaseState& s) {
    for (Entry* e : s.open) {
        auto* o = static_cast<AcDbObject*>(e->live);
        if (!o) continue;
        ObjectState& os = st(o);
        os.entry = nullptr;
        os.db = nullptr;
        os.orphan = true;
        e->live = nullptr;
    }
    s.open.clear();
}

bool readFile(const std::string& path, std::string& bytes, int& err) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        err = errno;
        return false;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) {
        err = EIO;
        return false;
    }
    bytes = ss.str();
    return true;
}

// The entry a header variable names through the tag with `code`.
Entry* headerRef(const Drawing& d, const char* var, int code, TableKind k) {
    for (const hostcore::HeaderVar& v : d.header) {
        if (v.name != var) continue;
        if (v.tags) {
            for (const Tag& t : *v.tags)
                if (t.code == code) return t.ref ? t.ref : findRecord(d, k, t.value);
            return nullptr;
        }
        for (const Tag& t : hostcore::headerTags(d, v)) {
            if (t.code != code) continue;
            // The file's name meant the record that had it when the file was read.
            Entry* e = d.lookupLoad(k, t.value);
            return e ? e : findRecord(d, k, t.value);
        }
        return nullptr;
    }
    return nullptr;
}

ErrorStatus setHeaderRef(Drawing& d, const char* var, int code, TableKind k, AcDbObjectId id) {
    Entry* e = entryOf(id);
    if (!e) return Acad::eNullObjectId;
    if (e->drawing != &d) return Acad::eWrongDatabase;
    if (!e->is(hostcore::flags::kTableRecord) || e->table != k) return Acad::eWrongObjectType;
    if (e->erased()) return Acad::eWasErased;
    auto tags = std::make_unique<TagList>();
    tags->push_back({static_cast<int16_t>(code), d.nameOf(e), e});
    for (hostcore::HeaderVar& v : d.header) {
        if (v.name == var) {
            // Set back to the record the file names: the variable is the
            // file's again (unchanged, written as read).
            v.tags.reset();
            if (v.raw.empty() || headerRef(d, var, code, k) != e) v.tags = std::move(tags);
            return Acad::eOk;
        }
    }
    hostcore::HeaderVar v;
    v.name = var;
    v.tags = std::move(tags);
    d.header.push_back(std::move(v));
    return Acad::eOk;
}

std::string headerText(const Drawing& d, const char* var, int code) {
    for (const hostcore::HeaderVar& v : d.header) {
        if (v.name != var) continue;
        for (const Tag& t : hostcore::headerTags(d, v))
            if (t.code == code) return t.value;
        if (v.tags) return {};
    }
    return {};
}

void setHeaderText(Drawing& d, const char* var, int code, const std::string& value) {
    hostcore::setHeaderTags(d, var, TagList{tagOf(code, value)});
}

Entry* rootEntry(const Drawing& d, const char* key) { return dictLookup(d, d.rootDictionary, key); }

// The record of a drawing variable kept in the variable dictionary.
Entry* variableEntry(const Drawing& d, const char* name) {
    Entry* vars = rootEntry(d, "AcDbVariableDictionary");
    return vars ? dictLookup(d, vars, name) : nullptr;
}

std::string variableValue(const Drawing& d, const Entry* var) {
    const TagList t = currentTags(d, var);
    const std::string* v = tagValue(t, 1);
    return v ? *v : std::string();
}

void setVariableValue(Entry* var, const std::string& value) {
    struct Ctx {
        const std::string* value;
    } ctx{&value};
    editDictionary(
        var, [](TagList& t, void* c) { setTag(t, 1, *static_cast<Ctx*>(c)->value); }, &ctx);
}

// Files `e` under `key` in the dictionary `dict` (a pair after its last one).
void addPair(Entry* dict, const std::string& key, const Entry* e) {
    struct Ctx {
        const std::string* key;
        uint64_t handle;
    } ctx{&key, e->handle};
    editDictionary(
        dict,
        [](TagList& t, void* c) {
            auto* x = static_cast<Ctx*>(c);
            auto pairs = dictPairs(t);
            int16_t code = pairs.empty() ? int16_t{350} : t[pairs.back().keyIndex + 1].code;
            std::size_t at = pairs.empty() ? xdataStart(t) : pairs.back().keyIndex + 2;
            t.insert(t.begin() + static_cast<std::ptrdiff_t>(at),
                     {Tag{3, *x->key, nullptr}, Tag{code, hexOf(x->handle), nullptr}});
        },
        &ctx);
}

// A new object record owned by `owner`, written right after `after` in the
// objects section.
Entry* newOwnedObject(Drawing& d, const char* type, Entry* owner, Entry* after, TagList body) {
    Entry* e = newEntry(d, type, hostcore::flags::kObject);
    e->owner = owner;
    TagList t{Tag{0, type, nullptr}, Tag{5, hexOf(e->handle), nullptr}, Tag{102, "{ACAD_REACTORS", nullptr},
              Tag{330, hexOf(owner->handle), nullptr}, Tag{102, "}", nullptr},
              Tag{330, hexOf(owner->handle), nullptr}};
    t.insert(t.end(), body.begin(), body.end());
    e->tags = std::make_unique<TagList>(std::move(t));
    auto pos = std::find(d.objects.begin(), d.objects.end(), after);
    d.objects.insert(pos == d.objects.end() ? pos : pos + 1, e);
    return e;
}

// Makes the variable `name` with `value` in the variable dictionary, making
// the dictionary when the drawing has none. False without a root dictionary.
Entry* makeVariable(Drawing& d, const char* name, const std::string& value) {
    Entry* root = d.rootDictionary;
    if (!root || root->erased()) return nullptr;
    Entry* vars = rootEntry(d, "AcDbVariableDictionary");
    if (!vars || vars->erased()) {
        vars = newOwnedObject(d, "DICTIONARY", root, root,
                              {Tag{100, "AcDbDictionary", nullptr}, Tag{281, "1", nullptr}});
        addPair(root, "AcDbVariableDictionary", vars);
    }
    // After the dictionary's last object, so that the section keeps its order.
    Entry* after = vars;
    for (const DictPair& p : dictPairs(currentTags(d, vars)))
        if (Entry* x = d.find(p.handle); x && x->owner == vars) after = x;
    Entry* var = newOwnedObject(d, "DICTIONARYVAR", vars, after,
                                {Tag{100, "DictionaryVariables", nullptr}, Tag{280, "0", nullptr},
                                 Tag{1, value, nullptr}});
    addPair(vars, name, var);
    return var;
}

// The current multiline and table styles, by the names the drawing gives them.
void resolveStyles(DatabaseState& s) {
    const Drawing& d = *s.drawing;
    s.cmlstyle = s.ctablestyle = nullptr;
    if (Entry* ml = rootEntry(d, "ACAD_MLINESTYLE")) {
        std::string name = headerText(d, "$CMLSTYLE", 2);
        if (name.empty()) name = "Standard";
        s.cmlstyle = dictLookup(d, ml, name);
        if (!s.cmlstyle) {
            // A key that differs from the style's own name.
            const std::string folded = hostcore::foldName(name);
            for (const DictPair& p : dictPairs(currentTags(d, ml))) {
                Entry* e = d.find(p.handle);
                if (!e) continue;
                const TagList t = currentTags(d, e);
                const std::string* own = tagValue(t, 2);
                if (own && hostcore::foldName(*own) == folded) {
                    s.cmlstyle = e;
                    break;
                }
            }
        }
    }
    if (Entry* ts = rootEntry(d, "ACAD_TABLESTYLE")) {
        Entry* var = variableEntry(d, "CTABLESTYLE");
        std::string name = var ? variableValue(d, var) : std::string();
        s.ctablestyle = dictLookup(d, ts, name.empty() ? std::string("Standard") : name);
    }
}

// Whether a recorded style name still names the key: keys are found without
// regard to letter case, so "STANDARD" names the key "Standard" and is left as
// the file wrote it.
bool sameKey(const std::string& key, const std::string& recorded) {
    return hostcore::foldName(key) == hostcore::foldName(recorded);
}

// Before a save: the names under which the current styles are recorded follow
// renames of their keys.
void syncStyleNames(DatabaseState& s) {
    Drawing& d = *s.drawing;
    if (s.cmlstyle && !s.cmlstyle->erased()) {
        const std::string key = keyOf(d, s.cmlstyle->owner, s.cmlstyle);
        if (!key.empty() && !sameKey(key, headerText(d, "$CMLSTYLE", 2))) setHeaderText(d, "$CMLSTYLE", 2, key);
    }
    if (s.ctablestyle && !s.ctablestyle->erased()) {
        Entry* var = variableEntry(d, "CTABLESTYLE");
        const std::string key = keyOf(d, s.ctablestyle->owner, s.ctablestyle);
        if (var && !key.empty() && !sameKey(key, variableValue(d, var))) setVariableValue(var, key);
    }
}

// A file name as the file system has it. Host strings carry the bytes of a
// name that is not valid UTF-8 as U+DC80..U+DCFF (the narrow build as the
// escapes "\U+DC80".."\U+DCFF"); they go back to the file system as those bytes.
std::string osPath(const ACHAR* fileName) {
    std::string bytes;
    dxf::encode(toUtf8(fileName), dxf::TextCodec{dxf::Encoding::Utf8, {}}, bytes);
#ifdef ARX_NARROW
    std::string raw;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        uint64_t v = 0;
        if (bytes.compare(i, 5, "\\U+DC") == 0 && i + 7 <= bytes.size() && parseHex(bytes.substr(i + 3, 4), v) &&
            v >= 0xDC80 && v <= 0xDCFF) {
            raw += static_cast<char>(v - 0xDC00);
            i += 6;
            continue;
        }
        raw += bytes[i];
    }
    bytes = std::move(raw);
#endif
    return bytes;
}

// The drawing properties live in the DWGPROPS xrecord up to AC1015 and in
// header variables from AC1018 on. Saved in the other form's version, they are
// written in that form too, so that readers of the version find them. The
// drawing's own form stays the one its properties are read from.
void carrySummaryInfo(Drawing& d, const std::string& acadver) {
    const std::string own = d.acadver;
    const bool ownInHeader = hostcore::summaryInHeader(d);
    d.acadver = acadver;
    const bool targetInHeader = hostcore::summaryInHeader(d);
    d.acadver = own;
    if (ownInHeader == targetInHeader) return;
    const hostcore::SummaryInfo info = hostcore::readSummaryInfo(d);
    const bool empty = info.title.empty() && info.subject.empty() && info.author.empty() && info.keywords.empty() &&
                       info.comments.empty() && info.lastSavedBy.empty() && info.revisionNumber.empty() &&
                       info.hyperlinkBase.empty() && info.custom.empty();
    // Header variables are set even when empty (earlier values are cleared; no
    // variable is made for an empty property); an empty record is not made.
    if (empty && ownInHeader) return;
    d.acadver = acadver;
    hostcore::writeSummaryInfo(d, info);
    d.acadver = own;
}

std::string dirOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string backupName(const std::string& path) {
    auto slash = path.rfind('/');
    auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".bak";
    return path.substr(0, dot) + ".bak";
}

}  // namespace

}  // namespace arxhost

using namespace arxhost;

AcDbDatabase::AcDbDatabase(bool buildDefaultDrawing, bool /*noDocument*/) : state_(new DatabaseState) {
    auto d = std::make_unique<Drawing>();
    if (buildDefaultDrawing) {
        std::string error;
        auto fresh = std::make_unique<Drawing>();
        if (hostcore::loadDxf(*fresh, kNewDrawingTemplate, error)) d = std::move(fresh);
    }
    installDrawing(this, std::move(d));
}

AcDbDatabase::~AcDbDatabase() {
    if (acdbHostApplicationServices()->workingDatabase() == this)
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    orphanOpenObjects(*state_);
    registry().erase(state_->drawing.get());
    delete state_;
}

ErrorStatus AcDbDatabase::readDwgFile(const ACHAR* fileName, int, bool, const ACHAR*) {
    DatabaseState& s = *state_;
    s.lastError.clear();
    if (!fileName || !fileName[0]) return Acad::eInvalidInput;
    if (!s.open.empty()) {
        s.lastError = toHostString("objects of the database are open");
        return Acad::eInvalidOpenState;
    }
    const std::string path = osPath(fileName);
    struct stat sb {};
    if (::stat(path.c_str(), &sb) != 0) {
        s.lastError = toHostString(path + ": " + std::strerror(errno));
        return errno == ENOENT || errno == ENOTDIR ? Acad::eFileNotFound : Acad::eFileAccessErr;
    }
    if (S_ISDIR(sb.st_mode)) {
        s.lastError = toHostString(path + ": is a folder");
        return Acad::eFileAccessErr;
    }
    std::string bytes;
    int err = 0;
    if (!readFile(path, bytes, err)) {
        s.lastError = toHostString(path + ": " + std::strerror(err));
        return Acad::eFileAccessErr;
    }
    auto d = std::make_unique<Drawing>();
    std::string error;
    if (!hostcore::loadDxf(*d, std::move(bytes), error)) {
        s.lastError = toHostString(error);
        return Acad::eBadDwgHeader;
    }
    installDrawing(this, std::move(d));
    s.fileName = toHostString(path);
    return Acad::eOk;
}

ErrorStatus AcDbDatabase::saveAs(const ACHAR* fileName) { return saveAs(fileName, false); }

ErrorStatus AcDbDatabase::saveAs(const ACHAR* fileName, bool bak, AcDb::AcDbDwgVersion ver, const void*) {
    DatabaseState& s = *state_;
    s.lastError.clear();
    if (!fileName || !fileName[0]) return Acad::eInvalidInput;
    syncStyleNames(s);
    const Drawing& d = *s.drawing;
    hostcore::SaveOptions options;
    if (ver == AcDb::kDHL_CURRENT) {
        options.acadver = hostcore::isWritableVersion(d.acadver) ? d.acadver : "AC1015";
    } else {
        for (const VersionName& v : kVersions)
            if (v.version == ver) options.acadver = v.acadver;
        if (options.acadver.empty()) {
            s.lastError = toHostString("the host does not write format " + std::to_string(static_cast<int>(ver)));
            return Acad::eInvalidDwgVersion;
        }
    }
    if (d.tableHeads.empty() && d.parts.empty()) {
        s.lastError = toHostString("the database holds no drawing");
        return Acad::eNoDatabase;
    }
    carrySummaryInfo(*s.drawing, options.acadver);
    const std::string path = osPath(fileName);
    // Only a drawing file is replaced: a folder (or a device) of that name stays
    // as it is, and so does whatever it holds.
    struct stat target {};
    if (::lstat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode) &&
        !(S_ISLNK(target.st_mode) && ::stat(path.c_str(), &target) == 0 && S_ISREG(target.st_mode))) {
        s.lastError = toHostString(path + (S_ISDIR(target.st_mode) ? ": is a folder" : ": is not a regular file"));
        return Acad::eFileAccessErr;
    }
    std::string tmp = path + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    auto fail = [&](const std::string& what) {
        s.lastError = toHostString(what + ": " + std::strerror(errno));
        return Acad::eFileAccessErr;
    };
    if (fd < 0) return fail(path);
    ::fchmod(fd, 0644);
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        ErrorStatus es = fail(tmp);
        ::close(fd);
        ::unlink(tmp.c_str());
        return es;
    }
    std::string error;
    if (!hostcore::saveDxf(d, options, f, error)) {
        // Either the file could not be written or the drawing cannot be
        // written in this format (an R12 drawing that could not be brought
        // into the modern structure).
        const bool ioError = std::ferror(f) != 0;
        std::fclose(f);
        ::unlink(tmp.c_str());
        s.lastError = toHostString(error);
        return ioError ? Acad::eFileAccessErr : Acad::eNotApplicable;
    }
    if (std::fflush(f) != 0 || ::fsync(::fileno(f)) != 0) {
        ErrorStatus es = fail(tmp);
        std::fclose(f);
        ::unlink(tmp.c_str());
        return es;
    }
    if (std::fclose(f) != 0) {
        ErrorStatus es = fail(tmp);
        ::unlink(tmp.c_str());
        return es;
    }
    if (bak && ::access(path.c_str(), F_OK) == 0) {
        const std::string bakPath = backupName(path);
        ::unlink(bakPath.c_str());
        // A hard link keeps the target in place until the rename below replaces it.
        if (::link(path.c_str(), bakPath.c_str()) != 0 && ::rename(path.c_str(), bakPath.c_str()) != 0) {
            ErrorStatus es = fail(bakPath);
            ::unlink(tmp.c_str());
            return es;
        }
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        ErrorStatus es = fail(path);
        ::unlink(tmp.c_str());
        return es;
    }
    int dfd = ::open(dirOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    s.fileName = toHostString(path);
    s.savedPrint = fingerprint(s);
    return Acad::eOk;
}

bool AcDbDatabase::isModified() const {
    const DatabaseState& s = *state_;
    if (!s.drawing) return false;
    for (const Entry* e : s.open) {
        const auto* o = static_cast<const AcDbObject*>(e->live);
        if (o && (st(o).dirty || st(o).beginDirty)) return true;
    }
    return fingerprint(s) != s.savedPrint;
}

const ACHAR* AcDbDatabase::lastErrorMessage() const { return state_->lastError.c_str(); }

const ACHAR* AcDbDatabase::filename() const {
    return state_->fileName.empty() ? nullptr : state_->fileName.c_str();
}

AcDb::AcDbDwgVersion AcDbDatabase::originalFileVersion() const {
    for (const VersionName& v : kVersions)
        if (state_->drawing->acadver == v.acadver) return v.version;
    return AcDb::kDHL_CURRENT;
}

namespace {
AcDbObjectId tableId(const AcDbDatabase* db, TableKind k) {
    return idOf(drawingOf(db)->table(k).head);
}
}  // namespace

AcDbObjectId AcDbDatabase::blockTableId() const { return tableId(this, TableKind::BlockRecord); }
AcDbObjectId AcDbDatabase::layerTableId() const { return tableId(this, TableKind::Layer); }
AcDbObjectId AcDbDatabase::textStyleTableId() const { return tableId(this, TableKind::Style); }
AcDbObjectId AcDbDatabase::linetypeTableId() const { return tableId(this, TableKind::LType); }
AcDbObjectId AcDbDatabase::viewTableId() const { return tableId(this, TableKind::View); }
AcDbObjectId AcDbDatabase::UCSTableId() const { return tableId(this, TableKind::Ucs); }
AcDbObjectId AcDbDatabase::viewportTableId() const { return tableId(this, TableKind::VPort); }
AcDbObjectId AcDbDatabase::regAppTableId() const { return tableId(this, TableKind::AppId); }
AcDbObjectId AcDbDatabase::dimStyleTableId() const { return tableId(this, TableKind::DimStyle); }

AcDbObjectId AcDbDatabase::namedObjectsDictionaryId() const {
    return idOf(drawingOf(this)->rootDictionary);
}

namespace {
AcDbObjectId rootEntryId(const AcDbDatabase* db, const char* key) {
    const Drawing& d = *drawingOf(db);
    return idOf(rootEntry(d, key));
}

template <class T>
ErrorStatus openTable(AcDbObjectId id, T*& table, AcDb::OpenMode mode) {
    table = nullptr;
    if (id.isNull()) return Acad::eNullObjectId;
    return acdbOpenObject(table, id, mode);
}

ErrorStatus openDict(AcDbObjectId id, AcDbDictionary*& dict, AcDb::OpenMode mode) {
    dict = nullptr;
    if (id.isNull()) return Acad::eKeyNotFound;
    return acdbOpenObject(dict, id, mode);
}
}  // namespace

AcDbObjectId AcDbDatabase::groupDictionaryId() const { return rootEntryId(this, "ACAD_GROUP"); }
AcDbObjectId AcDbDatabase::layoutDictionaryId() const { return rootEntryId(this, "ACAD_LAYOUT"); }
AcDbObjectId AcDbDatabase::tableStyleDictionaryId() const { return rootEntryId(this, "ACAD_TABLESTYLE"); }
AcDbObjectId AcDbDatabase::mLStyleDictionaryId() const { return rootEntryId(this, "ACAD_MLINESTYLE"); }

ErrorStatus AcDbDatabase::getSymbolTable(AcDbBlockTable*& t, AcDb::OpenMode m) { return openTable(blockTableId(), t, m); }
ErrorStatus AcDbDatabase::getSymbolTable(AcDbLayerTable*& t, AcDb::OpenMode m) { return openTable(layerTableId(), t, m); }
ErrorStatus AcDbDatabase::getSymbolTable(AcDbTextStyleTable*& t, AcDb::OpenMode m) {
    return openTable(textStyleTableId(), t, m);
}
ErrorStatus AcDbDatabase::getSymbolTable(AcDbLinetypeTable*& t, AcDb::OpenMode m) {
    return openTable(linetypeTableId(), t, m);
}
ErrorStatus AcDbDatabase::getSymbolTable(AcDbViewTable*& t, AcDb::OpenMode m) { return openTable(viewTableId(), t, m); }
ErrorStatus AcDbDatabase::getSymbolTable(AcDbUCSTable*& t, AcDb::OpenMode m) { return openTable(UCSTableId(), t, m); }
ErrorStatus AcDbDatabase::getSymbolTable(AcDbViewportTable*& t, AcDb::OpenMode m) {
    return openTable(viewportTableId(), t, m);
}
ErrorStatus AcDbDatabase::getSymbolTable(AcDbRegAppTable*& t, AcDb::OpenMode m) { return openTable(regAppTableId(), t, m); }
ErrorStatus AcDbDatabase::getSymbolTable(AcDbDimStyleTable*& t, AcDb::OpenMode m) {
    return openTable(dimStyleTableId(), t, m);
}

ErrorStatus AcDbDatabase::getNamedObjectsDictionary(AcDbDictionary*& d, AcDb::OpenMode m) {
    return openDict(namedObjectsDictionaryId(), d, m);
}
ErrorStatus AcDbDatabase::getGroupDictionary(AcDbDictionary*& d, AcDb::OpenMode m) {
    return openDict(groupDictionaryId(), d, m);
}
ErrorStatus AcDbDatabase::getLayoutDictionary(AcDbDictionary*& d, AcDb::OpenMode m) {
    return openDict(layoutDictionaryId(), d, m);
}
ErrorStatus AcDbDatabase::getTableStyleDictionary(AcDbDictionary*& d, AcDb::OpenMode m) {
    return openDict(tableStyleDictionaryId(), d, m);
}
ErrorStatus AcDbDatabase::getMLStyleDictionary(AcDbDictionary*& d, AcDb::OpenMode m) {
    return openDict(mLStyleDictionaryId(), d, m);
}

AcDbHandle AcDbDatabase::handseed() const { return AcDbHandle(drawingOf(this)->handseed); }

int32_t AcDbDatabase::approxNumObjects() const {
    std::size_t n = drawingOf(this)->byHandle.size();
    return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

ErrorStatus AcDbDatabase::getAcDbObjectId(AcDbObjectId& id, bool, const AcDbHandle& handle, uint32_t) {
    id = AcDbObjectId();
    if (handle.isNull()) return Acad::eInvalidInput;
    Entry* e = drawingOf(this)->find(handle.value());
    if (!e) return Acad::eUnknownHandle;
    id = idOf(e);
    return Acad::eOk;
}

AcDbObjectId AcDbDatabase::clayer() const {
    return idOf(headerRef(*drawingOf(this), "$CLAYER", 8, TableKind::Layer));
}
ErrorStatus AcDbDatabase::setClayer(AcDbObjectId id) {
    return setHeaderRef(*drawingOf(this), "$CLAYER", 8, TableKind::Layer, id);
}
AcDbObjectId AcDbDatabase::celtype() const {
    return idOf(headerRef(*drawingOf(this), "$CELTYPE", 6, TableKind::LType));
}
ErrorStatus AcDbDatabase::setCeltype(AcDbObjectId id) {
    return setHeaderRef(*drawingOf(this), "$CELTYPE", 6, TableKind::LType, id);
}
AcDbObjectId AcDbDatabase::textstyle() const {
    return idOf(headerRef(*drawingOf(this), "$TEXTSTYLE", 7, TableKind::Style));
}
ErrorStatus AcDbDatabase::setTextstyle(AcDbObjectId id) {
    return setHeaderRef(*drawingOf(this), "$TEXTSTYLE", 7, TableKind::Style, id);
}
AcDbObjectId AcDbDatabase::dimstyle() const {
    return idOf(headerRef(*drawingOf(this), "$DIMSTYLE", 2, TableKind::DimStyle));
}
ErrorStatus AcDbDatabase::setDimstyle(AcDbObjectId id) {
    return setHeaderRef(*drawingOf(this), "$DIMSTYLE", 2, TableKind::DimStyle, id);
}

AcDbObjectId AcDbDatabase::tablestyle() const {
    Entry* e = state_->ctablestyle;
    return idOf(e && !e->erased() ? e : nullptr);
}

namespace {
ErrorStatus checkStyle(const Drawing& d, AcDbObjectId id, const char* type) {
    Entry* e = entryOf(id);
    if (!e) return Acad::eNullObjectId;
    if (e->drawing != &d) return Acad::eWrongDatabase;
    if (d.typeName(e) != type) return Acad::eWrongObjectType;
    if (e->erased()) return Acad::eWasErased;
    return Acad::eOk;
}
}  // namespace

ErrorStatus AcDbDatabase::setTablestyle(AcDbObjectId id) {
    Drawing& d = *state_->drawing;
    ErrorStatus es = checkStyle(d, id, "TABLESTYLE");
    if (es != Acad::eOk) return es;
    state_->ctablestyle = entryOf(id);
    Entry* var = variableEntry(d, "CTABLESTYLE");
    const std::string key = keyOf(d, entryOf(id)->owner, entryOf(id));
    if (key.empty()) return Acad::eOk;
    if (!var) {
        // A drawing without the variable (a new one) gets it, and the variable
        // dictionary with it when that is missing too, so that the choice is saved.
        if (!makeVariable(d, "CTABLESTYLE", key)) return Acad::eNotApplicable;
    } else if (!sameKey(key, variableValue(d, var))) {
        setVariableValue(var, key);
    }
    return Acad::eOk;
}

AcDbObjectId AcDbDatabase::cmlstyleID() const {
    Entry* e = state_->cmlstyle;
    return idOf(e && !e->erased() ? e : nullptr);
}

ErrorStatus AcDbDatabase::setCmlstyleID(AcDbObjectId id) {
    Drawing& d = *state_->drawing;
    ErrorStatus es = checkStyle(d, id, "MLINESTYLE");
    if (es != Acad::eOk) return es;
    state_->cmlstyle = entryOf(id);
    const std::string key = keyOf(d, entryOf(id)->owner, entryOf(id));
    if (!key.empty() && !sameKey(key, headerText(d, "$CMLSTYLE", 2))) setHeaderText(d, "$CMLSTYLE", 2, key);
    return Acad::eOk;
}

AcDbObjectId AcDbDatabase::currentSpaceId() const {
    const Drawing& d = *drawingOf(this);
    std::string tile = headerText(d, "$TILEMODE", 70);
    if (!tile.empty() && toInt(tile) == 0 && d.paperSpace) return idOf(d.paperSpace);
    return idOf(d.modelSpace);
}

int AcDbDatabase::numOpenObjects() const { return static_cast<int>(state_->open.size()); }

// --- host application services ---------------------------------------------------

AcDbHostApplicationServices::AcDbHostApplicationServices() = default;
AcDbHostApplicationServices::~AcDbHostApplicationServices() = default;

AcDbHostApplicationServices* acdbHostApplicationServices() {
    static AcDbHostApplicationServices services;
    return &services;
}
