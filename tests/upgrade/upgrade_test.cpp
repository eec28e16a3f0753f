// Drawings read from R12 and older files must save as R2000 files that lose
// nothing. Three kinds of checks:
//  - the shape of the output, checked here tag by tag: every record has a
//    handle and an owner that exists, subclass markers where R2000 wants them,
//    the sections and standard entries an R2000 file needs;
//  - nothing lost: every tag of every record of the R12 file is in the
//    output's record, values of each code in the same order, extended data
//    unchanged, texts byte for byte;
//  - an independent reader (ezdxf, compare_r12.py) finds the same entities,
//    table entries and blocks in the output as in the original, and its audit
//    finds nothing new.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "tests/common/corpus.h"
#include "host/core/dxfio.h"
#include "host/dxf/tags.h"

namespace fs = std::filesystem;
using hostcore::Drawing;

namespace {

std::string readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void writeFile(const fs::path& p, const std::string& s) {
    std::ofstream f(p, std::ios::binary);
    f << s;
}

fs::path corpusDir() {
    return arxtest::corpusDir();
}

fs::path scratchDir() {
    fs::path dir = fs::temp_directory_path() / ("upgrade_tests_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

// The files handed to the oracle are removed at the end unless a test failed
// (then they are kept for a look).
class ScratchCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        if (::testing::UnitTest::GetInstance()->failed_test_count() > 0 || std::getenv("UPGRADE_KEEP")) return;
        std::error_code ec;
        fs::remove_all(fs::temp_directory_path() / ("upgrade_tests_" + std::to_string(::getpid())), ec);
    }
};
[[maybe_unused]] ::testing::Environment* const kCleanup = ::testing::AddGlobalTestEnvironment(new ScratchCleanup);

bool haveOracle() {
    static const bool ok = std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0;
    return ok;
}

int runScript(const std::string& script, const std::string& args) {
    std::string cmd = "/usr/bin/python3 " + std::string(ARX_UPGRADE_SCRIPTS) + "/" + script + " " + args;
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// Loads R12 text, expects the upgrade to succeed and saves as R2000.
std::string upgrade(const std::string& text) {
    Drawing d;
    std::string error;
    EXPECT_TRUE(hostcore::loadDxf(d, text, error)) << error;
    EXPECT_TRUE(d.fromR12);
    EXPECT_TRUE(d.upgraded) << d.upgradeError;
    std::string out;
    EXPECT_TRUE(hostcore::saveDxf(d, hostcore::SaveOptions{"AC1015"}, out, error)) << error;
    return out;
}

// ---------------------------------------------------------------------------
// The output as records.

using TagVec = std::vector<std::pair<int, std::string>>;

struct Record {
    std::string section;
    TagVec tags;  // starting with the 0 tag
    const std::string& type() const { return tags.front().second; }
    // Where the handle is: second, except in a TABLE head (after its name).
    std::size_t handleAt() const { return type() == "TABLE" ? 2 : 1; }
    const std::string& handle() const {
        static const std::string none;
        return tags.size() > handleAt() ? tags[handleAt()].second : none;
    }
    const std::string* first(int code) const {
        for (auto& [c, v] : tags)
            if (c == code) return &v;
        return nullptr;
    }
};

struct File {
    std::map<std::string, TagVec> header;
    std::vector<std::string> sections;
    std::vector<Record> records;
};

std::string trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return std::string(s);
}

File parse(const std::string& text) {
    File f;
    dxf::AsciiTagReader r(text);
    dxf::RawTag t;
    std::string section, var;
    bool wantName = false;
    while (r.next(t)) {
        std::string v(t.value);
        if (t.code == 0 && (v == "SECTION" || v == "ENDSEC" || v == "EOF" || v == "ENDTAB")) {
            wantName = v == "SECTION";
            if (v == "ENDSEC" || v == "EOF") section.clear();
            continue;
        }
        if (wantName && t.code == 2) {
            section = v;
            f.sections.push_back(v);
            wantName = false;
            continue;
        }
        if (section == "HEADER") {
            if (t.code == 9)
                var = v;
            else
                f.header[var].emplace_back(t.code, v);
            continue;
        }
        if (t.code == 0) f.records.push_back({section, {}});
        if (!f.records.empty()) f.records.back().tags.emplace_back(t.code, v);
    }
    EXPECT_FALSE(r.failed()) << r.error();
    return f;
}

uint64_t hexValue(const std::string& s) { return std::strtoull(trim(s).c_str(), nullptr, 16); }

// The subclass markers each R12 entity type gets, in order.
const std::map<std::string, std::vector<std::string>>& expectedMarkers() {
    static const std::map<std::string, std::vector<std::string>> m = {
        {"LINE", {"AcDbEntity", "AcDbLine"}},
        {"POINT", {"AcDbEntity", "AcDbPoint"}},
        {"CIRCLE", {"AcDbEntity", "AcDbCircle"}},
        {"ARC", {"AcDbEntity", "AcDbCircle", "AcDbArc"}},
        {"TEXT", {"AcDbEntity", "AcDbText", "AcDbText"}},
        {"ATTDEF", {"AcDbEntity", "AcDbText", "AcDbAttributeDefinition"}},
        {"ATTRIB", {"AcDbEntity", "AcDbText", "AcDbAttribute"}},
        {"INSERT", {"AcDbEntity", "AcDbBlockReference"}},
        {"SEQEND", {"AcDbEntity"}},
        {"SOLID", {"AcDbEntity", "AcDbTrace"}},
        {"TRACE", {"AcDbEntity", "AcDbTrace"}},
        {"3DFACE", {"AcDbEntity", "AcDbFace"}},
        {"SHAPE", {"AcDbEntity", "AcDbShape"}},
        {"VIEWPORT", {"AcDbEntity", "AcDbViewport"}},
        {"BLOCK", {"AcDbEntity", "AcDbBlockBegin"}},
        {"ENDBLK", {"AcDbEntity", "AcDbBlockEnd"}},
    };
    return m;
}

std::vector<std::string> markersOf(const Record& r) {
    std::vector<std::string> out;
    for (auto& [c, v] : r.tags) {
        if (c >= 1000) break;
        if (c == 100) out.push_back(v);
    }
    return out;
}

// Which subclass each code of a type belongs to, as an index into the
// type's markers (0 = AcDbEntity, -1 = the last one).
const std::map<std::string, std::vector<std::pair<int, int>>>& expectedPlaces() {
    static const std::map<std::string, std::vector<std::pair<int, int>>> m = {
        {"LINE", {{10, 1}, {11, 1}, {39, 1}, {210, 1}}},
        {"POINT", {{10, 1}, {39, 1}}},
        {"CIRCLE", {{10, 1}, {40, 1}, {39, 1}}},
        {"ARC", {{10, 1}, {40, 1}, {39, 1}, {50, 2}, {51, 2}}},
        {"TEXT", {{10, 1}, {40, 1}, {1, 1}, {50, 1}, {7, 1}, {72, 1}, {11, 1}, {73, 2}}},
        {"ATTDEF", {{10, 1}, {40, 1}, {1, 1}, {7, 1}, {72, 1}, {3, 2}, {2, 2}, {70, 2}, {73, 2}, {74, 2}}},
        {"ATTRIB", {{10, 1}, {40, 1}, {1, 1}, {7, 1}, {72, 1}, {2, 2}, {70, 2}, {73, 2}, {74, 2}}},
        {"INSERT", {{66, 1}, {2, 1}, {10, 1}, {41, 1}, {50, 1}, {70, 1}}},
        {"POLYLINE", {{66, -1}, {10, -1}, {70, -1}, {40, -1}, {71, -1}}},
        {"VERTEX", {{10, -1}, {42, -1}, {70, -1}, {71, -1}}},
        {"SOLID", {{10, 1}, {11, 1}, {12, 1}, {13, 1}}},
        {"TRACE", {{10, 1}, {11, 1}, {12, 1}, {13, 1}}},
        {"3DFACE", {{10, 1}, {11, 1}, {12, 1}, {13, 1}, {70, 1}}},
        {"SHAPE", {{10, 1}, {40, 1}, {2, 1}}},
        {"DIMENSION", {{2, 1}, {3, 1}, {10, 1}, {11, 1}, {70, 1}, {1, 1}, {13, 2}, {14, 2}, {15, 2}, {16, 2}, {40, 2}}},
        {"BLOCK", {{2, 1}, {70, 1}, {10, 1}, {3, 1}, {1, 1}}},
        {"VIEWPORT", {{10, 1}, {40, 1}, {68, 1}, {69, 1}, {12, 1}, {90, 1}}},
    };
    return m;
}

// The common codes sit in AcDbEntity, each code where its type wants it, and
// the Y and Z of a point next to its X.
void checkPlacement(const Record& r) {
    auto it = expectedPlaces().find(r.type());
    int index = -1;
    std::set<int> seen;  // codes seen in the current subclass
    const int count = static_cast<int>(markersOf(r).size());
    for (auto& [c, v] : r.tags) {
        if (c >= 1000) break;
        if (c == 100) {
            ++index;
            seen.clear();
            continue;
        }
        if (index < 0) continue;
        seen.insert(c);
        if (c == 8 || c == 6 || c == 62 || c == 67) {
            EXPECT_EQ(index, 0) << r.type() << " " << r.handle() << ": code " << c << " outside AcDbEntity";
        }
        if (c >= 20 && c <= 37) {
            EXPECT_TRUE(seen.count(10 + c % 10)) << r.type() << " " << r.handle() << ": code " << c
                                                 << " apart from its X";
        }
        if (it == expectedPlaces().end()) continue;
        for (auto [code, want] : it->second)
            if (code == c) {
                EXPECT_EQ(index, want < 0 ? count - 1 : want) << r.type() << " " << r.handle() << ": code " << c;
            }
    }
}

// Checks everything an R2000 reader relies on; returns the parsed output.
File checkStructure(const std::string& out) {
    File f = parse(out);
    EXPECT_EQ(f.sections, (std::vector<std::string>{"HEADER", "CLASSES", "TABLES", "BLOCKS", "ENTITIES",
                                                    "OBJECTS"}));
    EXPECT_EQ(f.header["$ACADVER"], (TagVec{{1, "AC1015"}}));
    std::set<uint64_t> handles;
    uint64_t maxHandle = 0;
    for (const Record& r : f.records) {
        if (r.section == "CLASSES") continue;  // classes have no handles
        const int hc = r.type() == "DIMSTYLE" ? 105 : 5;
        if (r.tags.size() <= r.handleAt() || r.tags[r.handleAt()].first != hc) {
            ADD_FAILURE() << r.type() << " in " << r.section << " has no handle where it belongs";
            continue;
        }
        uint64_t h = hexValue(r.handle());
        EXPECT_NE(h, 0u) << r.type();
        EXPECT_TRUE(handles.insert(h).second) << "handle " << r.handle() << " used twice";
        maxHandle = std::max(maxHandle, h);
    }
    if (f.header.count("$HANDSEED")) {
        EXPECT_GT(hexValue(f.header["$HANDSEED"].at(0).second), maxHandle);
    } else {
        ADD_FAILURE() << "no $HANDSEED";
    }
    for (const Record& r : f.records) {
        if (r.section == "CLASSES") continue;
        // The owner: the first 330 after the handle and the 102 groups.
        std::size_t i = r.handleAt() + 1;
        while (i < r.tags.size() && r.tags[i].first == 102) {
            ++i;
            while (i < r.tags.size() && r.tags[i].first != 102) ++i;
            ++i;
        }
        if (i >= r.tags.size() || r.tags[i].first != 330) {
            ADD_FAILURE() << r.type() << " " << r.handle() << " has no owner";
            continue;
        }
        uint64_t owner = hexValue(r.tags[i].second);
        const bool top = r.type() == "TABLE" || (r.section == "OBJECTS" && &r == &*std::find_if(
            f.records.begin(), f.records.end(), [](const Record& x) { return x.section == "OBJECTS"; }));
        if (top)
            EXPECT_EQ(owner, 0u) << r.type();
        else
            EXPECT_TRUE(handles.count(owner)) << r.type() << " " << r.handle() << " owner " << r.tags[i].second;
        std::vector<std::string> markers = markersOf(r);
        if (r.section == "TABLES") {
            if (r.type() == "TABLE") {
                EXPECT_FALSE(markers.empty() || markers[0] != "AcDbSymbolTable") << "TABLE " << *r.first(2);
            } else {
                EXPECT_TRUE(markers.size() >= 2 && markers[0] == "AcDbSymbolTableRecord") << r.type();
            }
        } else if (r.section == "BLOCKS" || r.section == "ENTITIES") {
            if (markers.empty()) {
                ADD_FAILURE() << r.type() << " has no subclass marker";
                continue;
            }
            EXPECT_EQ(markers[0], "AcDbEntity") << r.type();
            auto it = expectedMarkers().find(r.type());
            if (it != expectedMarkers().end()) { EXPECT_EQ(markers, it->second) << r.type() << " " << r.handle(); }
            checkPlacement(r);
        }
    }
    // The spaces, their blocks and the standard entries.
    auto hasEntry = [&](const std::string& type, const std::string& name) {
        auto fold = [](std::string s) {
            for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            return s;
        };
        return std::any_of(f.records.begin(), f.records.end(), [&](const Record& r) {
            const std::string* n = r.first(2);
            return r.type() == type && n && fold(*n) == fold(name);
        });
    };
    for (const char* space : {"*Model_Space", "*Paper_Space"}) {
        EXPECT_TRUE(hasEntry("BLOCK_RECORD", space)) << space;
        EXPECT_TRUE(hasEntry("BLOCK", space)) << space;
    }
    for (const char* lt : {"ByBlock", "ByLayer", "Continuous"}) EXPECT_TRUE(hasEntry("LTYPE", lt)) << lt;
    EXPECT_TRUE(hasEntry("LAYER", "0"));
    EXPECT_TRUE(hasEntry("STYLE", "Standard"));
    EXPECT_TRUE(hasEntry("APPID", "ACAD"));
    EXPECT_TRUE(hasEntry("DIMSTYLE", "Standard"));
    for (const char* table : {"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID", "DIMSTYLE", "BLOCK_RECORD"})
        EXPECT_TRUE(hasEntry("TABLE", table)) << table;
    // Every block the output defines has its record.
    for (const Record& r : f.records)
        if (r.type() == "BLOCK" && r.first(2)) {
            EXPECT_TRUE(hasEntry("BLOCK_RECORD", *r.first(2))) << *r.first(2);
        }
    // The root dictionary comes first in OBJECTS and holds ACAD_GROUP.
    auto root = std::find_if(f.records.begin(), f.records.end(), [](const Record& r) { return r.section == "OBJECTS"; });
    if (root == f.records.end()) {
        ADD_FAILURE() << "no objects";
    } else {
        EXPECT_EQ(root->type(), "DICTIONARY");
        std::set<std::string> keys;
        for (auto& [c, v] : root->tags)
            if (c == 3) keys.insert(v);
        EXPECT_EQ(keys, (std::set<std::string>{"ACAD_GROUP", "ACAD_LAYOUT", "ACAD_MLINESTYLE"}));
    }
    // A layout per space; the space's block record and the layout point at
    // each other; LAYOUT is declared as a class.
    std::map<std::string, std::string> layoutOf, recordOf;  // handles
    for (const Record& r : f.records) {
        if (r.type() == "BLOCK_RECORD" && r.first(340)) layoutOf[r.handle()] = *r.first(340);
        if (r.type() == "LAYOUT") {
            for (auto& [c, v] : r.tags)
                if (c == 330) recordOf[r.handle()] = v;  // the last 330 names the block record
        }
    }
    EXPECT_EQ(layoutOf.size(), 2u);
    EXPECT_EQ(recordOf.size(), 2u);
    for (auto& [record, layout] : layoutOf) EXPECT_EQ(recordOf[layout], record);
    EXPECT_TRUE(std::any_of(f.records.begin(), f.records.end(), [](const Record& r) {
        return r.type() == "CLASS" && r.first(1) && *r.first(1) == "LAYOUT";
    }));
    return f;
}

// ---------------------------------------------------------------------------
// Nothing lost: each record of the R12 file against the output.

// The names R12 gives the spaces, as the output spells them.
std::string spaceName(const std::string& v) {
    std::string up = v;
    for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (up == "$MODEL_SPACE") return "*Model_Space";
    if (up == "$PAPER_SPACE") return "*Paper_Space";
    return v;
}

// True when, for every code, the values the original record has appear in the
// same order among the output record's values of that code, and the extended
// data is the same. The original's handle and owner are left out (the output
// has its own, checked elsewhere).
bool keeps(const Record& orig, const Record& out, std::string& why) {
    if (orig.type() != out.type() && !(orig.type() == "3DLINE" && out.type() == "LINE")) return false;
    std::map<int, std::vector<std::string>> a, b;
    TagVec xa, xb;
    const int hc = orig.type() == "DIMSTYLE" ? 105 : 5;
    bool handleSeen = false;
    for (std::size_t i = 1; i < orig.tags.size(); ++i) {
        auto [c, v] = orig.tags[i];
        if (c >= 1000 || !xa.empty()) {
            xa.emplace_back(c, trim(v));
            continue;
        }
        if (c == hc && !handleSeen) {
            handleSeen = true;
            continue;
        }
        if (c == 70 && orig.type() == "TABLE") continue;  // the count is recomputed
        a[c].push_back(c == 2 || c == 3 ? spaceName(trim(v)) : trim(v));
    }
    for (std::size_t i = 1; i < out.tags.size(); ++i) {
        auto [c, v] = out.tags[i];
        if (c >= 1000 || !xb.empty()) {
            xb.emplace_back(c, trim(v));
            continue;
        }
        b[c].push_back(trim(v));
    }
    if (xa != xb) {
        why = "extended data differs";
        return false;
    }
    for (auto& [c, values] : a) {
        const auto& have = b[c];
        std::size_t j = 0;
        for (const std::string& v : values) {
            while (j < have.size() && have[j] != v) ++j;
            if (j == have.size()) {
                why = "code " + std::to_string(c) + " value '" + v + "' missing";
                return false;
            }
            ++j;
        }
    }
    return true;
}

// Matches the original's records in order against the output's records of the
// same section (the output has more: created entries, heads, blocks).
void checkNothingLost(const std::string& original, const File& out) {
    File in = parse(original);
    for (auto& [name, value] : in.header) {
        if (name == "$ACADVER" || name == "$HANDSEED") continue;
        auto it = out.header.find(name);
        if (it == out.header.end()) {
            ADD_FAILURE() << "header variable " << name << " lost";
            continue;
        }
        EXPECT_EQ(it->second, value) << name;
    }
    std::map<std::string, std::size_t> cursor;
    int failures = 0;
    for (const Record& r : in.records) {
        std::size_t& j = cursor[r.section];
        std::size_t k = j;
        std::string why, firstWhy;
        for (; k < out.records.size(); ++k) {
            const Record& o = out.records[k];
            if (o.section != r.section) continue;
            if (keeps(r, o, why)) break;
            if (firstWhy.empty() && !why.empty()) firstWhy = why;
        }
        if (k == out.records.size()) {
            if (++failures <= 5)
                ADD_FAILURE() << r.section << " " << r.type() << " (" << (r.tags.size() > 1 ? r.handle() : "")
                              << ") not found in the output: " << firstWhy;
            continue;
        }
        j = k + 1;
    }
    EXPECT_EQ(failures, 0);
}

// Saving the upgraded drawing, loading the result and saving it again gives
// the same bytes: the output is an R2000 file the host itself reads as such.
void checkStable(const std::string& out) {
    Drawing d;
    std::string error, again;
    ASSERT_TRUE(hostcore::loadDxf(d, out, error)) << error;
    EXPECT_FALSE(d.fromR12);
    EXPECT_EQ(d.acadver, "AC1015");
    ASSERT_TRUE(hostcore::saveDxf(d, hostcore::SaveOptions{}, again, error)) << error;
    EXPECT_TRUE(again == out) << "second save differs";
}

std::string asciiOf(const std::string& bytes) {
    if (!dxf::isBinaryDxf(bytes)) return bytes;
    std::string ascii, error;
    EXPECT_TRUE(dxf::binaryToAscii(bytes, ascii, error)) << error;
    return ascii;
}

void checkAll(const std::string& original, const std::string& label) {
    std::string out = upgrade(original);
    File f = checkStructure(out);
    checkNothingLost(asciiOf(original), f);
    checkStable(out);
    if (!haveOracle()) return;
    fs::path dir = scratchDir();
    std::string base = label;
    for (char& c : base)
        if (c == '/' || c == ' ') c = '_';
    fs::path a = dir / (base + ".r12.dxf"), b = dir / (base + ".r2000.dxf");
    writeFile(a, original);
    writeFile(b, out);
    EXPECT_EQ(runScript("compare_r12.py", "'" + a.string() + "' '" + b.string() + "'"), 0) << label;
    // The upgraded drawing saves as the later versions too (R2007 and later
    // in UTF-8).
    for (const char* version : {"AC1018", "AC1032"}) {
        Drawing d;
        std::string error, later;
        ASSERT_TRUE(hostcore::loadDxf(d, original, error)) << error;
        ASSERT_TRUE(hostcore::saveDxf(d, hostcore::SaveOptions{version}, later, error)) << error;
        fs::path c = dir / (base + "." + version + ".dxf");
        writeFile(c, later);
        EXPECT_EQ(runScript("compare_r12.py", "'" + a.string() + "' '" + c.string() + "' " + version), 0)
            << label << " as " << version;
    }
}

// ---------------------------------------------------------------------------
// Small R12 files written by hand.

std::string dxf(std::initializer_list<std::pair<int, std::string_view>> tags) {
    std::string out;
    dxf::TagWriter w(out);
    for (auto& [c, v] : tags) w.write(c, v);
    return out;
}

// Only an ENTITIES section, no handles: everything else is created.
const std::string kEntitiesOnly = dxf({{0, "SECTION"}, {2, "ENTITIES"},
                                       {0, "LINE"}, {8, "0"}, {10, "0.0"}, {20, "0.0"}, {11, "1.0"}, {21, "1.0"},
                                       {0, "CIRCLE"}, {8, "WALLS"}, {62, "1"}, {10, "5.0"}, {20, "5.0"}, {40, "2.0"},
                                       {0, "ENDSEC"}, {0, "EOF"}});

// Header and tables without handles, the spaces as R12 blocks, paper space,
// polylines (one without its SEQEND), attributes, a dimension with its block,
// an entity type the host does not know, extended data.
// `damaged` leaves out the SEQEND of the 3D polyline and adds vertices and
// attributes without a parent (ezdxf refuses such files, the host must not).
std::string richR12(bool handles, bool damaged = false) {
    std::string h = handles ? "1" : "0";
    std::string out = dxf({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1009"}, {9, "$HANDLING"}, {70, h},
                           {9, "$DWGCODEPAGE"}, {3, "ANSI_1251"}, {9, "$CLAYER"}, {8, "0"}, {0, "ENDSEC"},
                           {0, "SECTION"}, {2, "TABLES"},
                           {0, "TABLE"}, {2, "LTYPE"}, {70, "1"},
                           {0, "LTYPE"}, {2, "DASHED"}, {70, "0"}, {3, "__ __"}, {72, "65"}, {73, "2"}, {40, "0.75"},
                           {49, "0.5"}, {49, "-0.25"},
                           {0, "ENDTAB"},
                           {0, "TABLE"}, {2, "LAYER"}, {70, "2"},
                           {0, "LAYER"}, {2, "0"}, {70, "0"}, {62, "7"}, {6, "CONTINUOUS"},
                           {0, "LAYER"}, {2, "\xD1\xEB\xEE\xE9"}, {70, "0"}, {62, "-3"}, {6, "DASHED"},
                           {0, "ENDTAB"},
                           {0, "TABLE"}, {2, "STYLE"}, {70, "1"},
                           {0, "STYLE"}, {2, "STANDARD"}, {70, "0"}, {40, "0.0"}, {41, "1.0"}, {50, "0.0"}, {71, "0"},
                           {42, "0.2"}, {3, "txt"}, {4, ""},
                           {0, "ENDTAB"},
                           {0, "TABLE"}, {2, "APPID"}, {70, "2"},
                           {0, "APPID"}, {2, "ACAD"}, {70, "0"},
                           {0, "APPID"}, {2, "MYAPP"}, {70, "0"},
                           {0, "ENDTAB"},
                           {0, "TABLE"}, {2, "DIMSTYLE"}, {70, "1"},
                           {0, "DIMSTYLE"}, {2, "STANDARD"}, {70, "0"}, {3, ""}, {4, ""}, {5, ""}, {6, ""}, {7, ""},
                           {40, "1.0"}, {41, "0.18"},
                           {0, "ENDTAB"},
                           {0, "ENDSEC"},
                           {0, "SECTION"}, {2, "BLOCKS"},
                           {0, "BLOCK"}, {8, "0"}, {2, "$MODEL_SPACE"}, {70, "0"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"},
                           {3, "$MODEL_SPACE"}, {1, ""}, {0, "ENDBLK"}, {5, "20"}, {8, "0"},
                           {0, "BLOCK"}, {67, "1"}, {8, "0"}, {2, "$PAPER_SPACE"}, {70, "0"}, {10, "0.0"}, {20, "0.0"},
                           {30, "0.0"}, {3, "$PAPER_SPACE"}, {1, ""}, {0, "ENDBLK"}, {5, "21"}, {67, "1"}, {8, "0"},
                           {0, "BLOCK"}, {8, "0"}, {2, "DOOR"}, {70, "2"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"},
                           {3, "DOOR"},
                           {0, "ATTDEF"}, {8, "0"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {40, "0.2"}, {1, "D1"},
                           {3, "Number?"}, {2, "NUM"}, {70, "0"}, {73, "8"}, {74, "2"},
                           {0, "ARC"}, {8, "0"}, {10, "0.0"}, {20, "0.0"}, {40, "1.0"}, {50, "0.0"}, {51, "90.0"},
                           {0, "ENDBLK"}, {8, "0"},
                           {0, "BLOCK"}, {8, "0"}, {2, "*D1"}, {70, "1"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {3, "*D1"},
                           {0, "LINE"}, {8, "0"}, {10, "0.0"}, {20, "0.0"}, {11, "4.0"}, {21, "0.0"},
                           {0, "ENDBLK"}, {8, "0"},
                           {0, "ENDSEC"},
                           {0, "SECTION"}, {2, "ENTITIES"},
                           {0, "TEXT"}, {8, "\xD1\xEB\xEE\xE9"}, {10, "1.0"}, {20, "2.0"}, {40, "0.5"},
                           {1, "\xCF\xF0\xE8\xE2\xE5\xF2 \\U+0416 %%176 %%c"}, {72, "1"}, {73, "2"}, {11, "1.0"}, {21, "2.0"},
                           {0, "INSERT"}, {8, "0"}, {66, "1"}, {2, "DOOR"}, {10, "3.0"}, {20, "3.0"}, {41, "2.0"},
                           {0, "ATTRIB"}, {8, "0"}, {10, "3.0"}, {20, "3.0"}, {40, "0.2"}, {1, "\xB9 12"}, {2, "NUM"},
                           {70, "0"}, {73, "8"}, {74, "2"},
                           {0, "SEQEND"}, {8, "0"},
                           {0, "POLYLINE"}, {8, "0"}, {66, "1"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {70, "1"},
                           {0, "VERTEX"}, {8, "0"}, {10, "0.0"}, {20, "0.0"}, {42, "0.5"},
                           {0, "VERTEX"}, {8, "0"}, {10, "1.0"}, {20, "0.0"},
                           {0, "SEQEND"}, {8, "0"},
                           {0, "POLYLINE"}, {8, "0"}, {66, "1"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {70, "8"},
                           {0, "VERTEX"}, {8, "0"}, {10, "0.0"}, {20, "0.0"}, {30, "1.0"}, {70, "32"},
                           {0, "VERTEX"}, {8, "0"}, {10, "1.0"}, {20, "0.0"}, {30, "2.0"}, {70, "32"},
                           {0, "DIMENSION"}, {8, "0"}, {2, "*D1"}, {10, "4.0"}, {20, "1.0"}, {11, "2.0"}, {21, "1.2"},
                           {70, "0"}, {1, ""}, {13, "0.0"}, {23, "0.0"}, {14, "4.0"}, {24, "0.0"}, {50, "0.0"},
                           {0, "FOO"}, {8, "0"}, {10, "1.0"}, {20, "1.0"}, {290, "1"},
                           {0, "LINE"}, {8, "NOT_DEFINED"}, {10, "0.0"}, {20, "0.0"}, {11, "1.0"}, {21, "1.0"},
                           {1001, "MYAPP"}, {1000, "\xC4\xE0\xED\xED\xFB\xE5"}, {1002, "{"}, {1070, "7"}, {1002, "}"},
                           {0, "VIEWPORT"}, {67, "1"}, {8, "0"}, {10, "5.0"}, {20, "4.0"}, {30, "0.0"}, {40, "9.0"},
                           {41, "6.0"}, {68, "1"}, {69, "1"}, {1001, "ACAD"}, {1000, "MVIEW"}, {1002, "{"},
                           {1070, "16"}, {1010, "1.0"}, {1020, "2.0"}, {1030, "3.0"}, {1010, "0.0"}, {1020, "0.0"},
                           {1030, "1.0"}, {1040, "0.0"}, {1040, "9.5"}, {1040, "6.0"}, {1040, "4.5"}, {1040, "50.0"},
                           {1040, "0.0"}, {1040, "0.0"}, {1070, "0"}, {1070, "100"}, {1070, "1"}, {1070, "3"},
                           {1070, "0"}, {1070, "1"}, {1070, "0"}, {1070, "0"}, {1040, "0.0"}, {1040, "0.0"},
                           {1040, "0.0"}, {1040, "0.5"}, {1040, "0.5"}, {1040, "1.0"}, {1040, "1.0"}, {1070, "0"},
                           {1002, "{"}, {1003, "\xD1\xEB\xEE\xE9"}, {1002, "}"}, {1002, "}"},
                           {0, "LINE"}, {67, "1"}, {8, "0"}, {10, "0.0"}, {20, "0.0"}, {11, "9.0"}, {21, "6.0"},
                           {0, "ENDSEC"}, {0, "EOF"}});
    const std::string seqend = "  0\nSEQEND\n  8\n0\n";
    if (!damaged) {
        // The 3D polyline ends before the DIMENSION.
        out.insert(out.find("  0\nDIMENSION\n"), seqend);
    } else {
        out.insert(out.find("  0\nFOO\n"), "  0\nVERTEX\n  8\n0\n 10\n1.0\n 20\n1.0\n  0\nATTRIB\n  8\n0\n"
                                            "  0\n3DLINE\n  8\n0\n 10\n1.0\n 20\n2.0\n 30\n3.0\n"
                                            " 11\n4.0\n 21\n5.0\n 31\n6.0\n1001\nUNREG\n1000\nx\n");
    }
    if (handles) {
        // Give the LINEs handles (two of them the same in the damaged file).
        std::string marked;
        std::size_t pos = 0;
        int n = 0x40;
        const std::string key = "  0\nLINE\n";
        while (true) {
            std::size_t at = out.find(key, pos);
            if (at == std::string::npos) break;
            marked.append(out, pos, at + key.size() - pos);
            char handle[16];
            std::snprintf(handle, sizeof handle, "%X", damaged && n == 0x42 ? 0x41 : n);
            marked += "  5\n" + std::string(handle) + "\n";
            ++n;
            pos = at + key.size();
        }
        marked.append(out, pos, std::string::npos);
        out = marked;
    }
    return out;
}

TEST(UpgradeShape, EntitiesOnlyFileGetsEveryPartOfAnR2000File) {
    std::string out = upgrade(kEntitiesOnly);
    File f = checkStructure(out);
    checkNothingLost(kEntitiesOnly, f);
    checkStable(out);
    // A header is created, naming the code page the drawing was read in.
    EXPECT_EQ(f.header["$DWGCODEPAGE"], (TagVec{{3, "ANSI_1252"}}));
    // The undefined layer is created rather than left dangling.
    bool walls = std::any_of(f.records.begin(), f.records.end(), [](const Record& r) {
        return r.type() == "LAYER" && r.first(2) && *r.first(2) == "WALLS";
    });
    EXPECT_TRUE(walls);
}

TEST(UpgradeShape, CrLfFileStaysCrLf) {
    std::string in;
    for (char c : kEntitiesOnly) {
        if (c == '\n') in += '\r';
        in += c;
    }
    std::string out = upgrade(in);
    checkStructure(out);
    checkStable(out);
    std::size_t lf = std::count(out.begin(), out.end(), '\n');
    std::size_t crlf = 0;
    for (std::size_t at = out.find("\r\n"); at != std::string::npos; at = out.find("\r\n", at + 2)) ++crlf;
    EXPECT_EQ(lf, crlf) << "line ends mixed";
}

TEST(UpgradeShape, RichFileWithoutHandles) {
    std::string in = richR12(false, true);
    std::string out = upgrade(in);
    File f = checkStructure(out);
    checkNothingLost(in, f);
    checkStable(out);

    // The R12 space blocks became the R2000 ones; no $ names are left.
    EXPECT_EQ(out.find("$MODEL_SPACE"), std::string::npos);
    EXPECT_EQ(out.find("$PAPER_SPACE"), std::string::npos);
    // Every entity of paper space is owned by the *Paper_Space record.
    std::string paper;
    for (const Record& r : f.records)
        if (r.type() == "BLOCK_RECORD" && *r.first(2) == "*Paper_Space") paper = r.handle();
    for (const Record& r : f.records)
        if (r.section == "ENTITIES" && r.first(67) && *r.first(67) == "1") { EXPECT_EQ(*r.first(330), paper); }
    // The polyline that had no SEQEND has one now, owned by the polyline.
    int seqends = 0;
    std::string lastPolyline;
    for (const Record& r : f.records) {
        if (r.type() == "POLYLINE") lastPolyline = r.handle();
        if (r.type() == "SEQEND") {
            ++seqends;
            if (seqends == 3) { EXPECT_EQ(*r.first(330), lastPolyline); }
        }
    }
    EXPECT_EQ(seqends, 3);
    // Vertices of a 3D polyline and of a 2D one.
    std::vector<std::vector<std::string>> vertexMarkers;
    for (const Record& r : f.records)
        if (r.type() == "VERTEX") vertexMarkers.push_back(markersOf(r));
    ASSERT_EQ(vertexMarkers.size(), 5u);
    EXPECT_EQ(vertexMarkers[4], (std::vector<std::string>{"AcDbEntity", "AcDbVertex", "AcDb2dVertex"}));
    EXPECT_EQ(vertexMarkers[0], (std::vector<std::string>{"AcDbEntity", "AcDbVertex", "AcDb2dVertex"}));
    EXPECT_EQ(vertexMarkers[2], (std::vector<std::string>{"AcDbEntity", "AcDbVertex", "AcDb3dPolylineVertex"}));
    // The rotated dimension has its sub-type subclasses, the definition points
    // in the second of them.
    for (const Record& r : f.records) {
        if (r.type() == "DIMENSION") {
            EXPECT_EQ(markersOf(r), (std::vector<std::string>{"AcDbEntity", "AcDbDimension", "AcDbAlignedDimension",
                                                              "AcDbRotatedDimension"}));
            std::string sub;
            for (auto& [c, v] : r.tags) {
                if (c == 100) sub = v;
                if (c == 13 || c == 14 || c == 50) { EXPECT_EQ(sub, "AcDbAlignedDimension") << c; }
                if (c == 2 || c == 10 || c == 11 || c == 70 || c == 1) { EXPECT_EQ(sub, "AcDbDimension") << c; }
            }
        }
        // The unknown type keeps its tags after AcDbEntity.
        if (r.type() == "FOO") { EXPECT_EQ(markersOf(r), (std::vector<std::string>{"AcDbEntity"})); }
        // R2000 linetypes carry an element type per dash.
        if (r.type() == "LTYPE" && *r.first(2) == "DASHED") {
            TagVec dashes;
            for (auto& [c, v] : r.tags)
                if (c == 49 || c == 74) dashes.emplace_back(c, v);
            EXPECT_EQ(dashes, (TagVec{{49, "0.5"}, {74, "0"}, {49, "-0.25"}, {74, "0"}}));
        }
        // TEXT: vertical alignment in the second AcDbText, ATTRIB/ATTDEF: in
        // their own subclass with the field length.
        std::string sub;
        int markers = 0;
        for (auto& [c, v] : r.tags) {
            if (c == 100) {
                sub = v;
                ++markers;
            }
            if (r.type() == "TEXT" && c == 73) { EXPECT_EQ(markers, 3); }
            if ((r.type() == "ATTRIB" || r.type() == "ATTDEF") && (c == 73 || c == 74 || c == 2 || c == 70)) {
                EXPECT_TRUE(sub == "AcDbAttribute" || sub == "AcDbAttributeDefinition") << r.type() << " " << c;
            }
        }
    }
    // The paper space viewport has the R2000 codes of its view, from its
    // extended data (which stays), the frozen layer by handle.
    std::string layerHandle;
    for (const Record& r : f.records)
        if (r.type() == "LAYER" && *r.first(2) == "\xD1\xEB\xEE\xE9") layerHandle = r.handle();
    int viewports = 0;
    for (const Record& r : f.records) {
        if (r.type() != "VIEWPORT") continue;
        ++viewports;
        TagVec view;
        for (auto& [c, v] : r.tags)
            if (c == 12 || c == 22 || c == 45 || c == 17 || c == 27 || c == 37 || c == 15 || c == 72 || c == 331 ||
                c == 90)
                view.emplace_back(c, v);
        EXPECT_EQ(view, (TagVec{{12, "6.0"}, {22, "4.5"}, {15, "1.0"}, {17, "1.0"}, {27, "2.0"}, {37, "3.0"},
                                {45, "9.5"}, {72, "100"}, {331, layerHandle}, {90, "13024"}}));
        EXPECT_NE(r.first(1001), nullptr);
    }
    EXPECT_EQ(viewports, 1);
    // The application the file used without registering it is registered;
    // the pre-R11 3D line is a LINE.
    EXPECT_TRUE(std::any_of(f.records.begin(), f.records.end(), [](const Record& r) {
        return r.type() == "APPID" && *r.first(2) == "UNREG";
    }));
    EXPECT_EQ(out.find("3DLINE"), std::string::npos);
    // Created standard entries come before the file's own.
    std::vector<std::string> ltypes;
    for (const Record& r : f.records)
        if (r.type() == "LTYPE") ltypes.push_back(*r.first(2));
    EXPECT_EQ(ltypes, (std::vector<std::string>{"ByBlock", "ByLayer", "Continuous", "DASHED"}));
}

TEST(UpgradeShape, FileHandlesAreKeptAndDuplicatesReplaced) {
    std::string in = richR12(true, true);
    std::string out = upgrade(in);
    File f = checkStructure(out);
    std::vector<std::string> lineHandles;
    for (const Record& r : f.records)
        if (r.type() == "LINE") lineHandles.push_back(r.handle());
    // The block's LINE has 40, the former 3DLINE none, the two LINEs of
    // ENTITIES 41 and 41 (a duplicate): one of the two 41s is given a fresh
    // handle.
    ASSERT_EQ(lineHandles.size(), 4u);
    EXPECT_EQ(lineHandles[0], "40");
    EXPECT_TRUE(lineHandles[2] == "41" || lineHandles[3] == "41");
    EXPECT_NE(lineHandles[2], lineHandles[3]);
    // ENDBLK handles of the file (20, 21) survive.
    std::set<std::string> endblks;
    for (const Record& r : f.records)
        if (r.type() == "ENDBLK") endblks.insert(r.handle());
    EXPECT_TRUE(endblks.count("20") && endblks.count("21"));
}

TEST(UpgradeText, NamesAndTextsKeepTheirBytes) {
    std::string in = richR12(false);
    std::string out = upgrade(in);
    // cp1251 bytes of the layer name, the text with its escapes, the attribute
    // value and the extended data string are written as they were.
    for (const char* bytes : {"\n\xD1\xEB\xEE\xE9\n", "\n\xCF\xF0\xE8\xE2\xE5\xF2 \\U+0416 %%176 %%c\n",
                              "\n\xB9 12\n", "\n\xC4\xE0\xED\xED\xFB\xE5\n"})
        EXPECT_NE(out.find(bytes), std::string::npos) << bytes;
    File f = parse(out);
    EXPECT_EQ(f.header["$DWGCODEPAGE"], (TagVec{{3, "ANSI_1251"}}));
}

TEST(UpgradeText, Release2FileWithPercentCodes) {
    // AC1003 (release 2.6) with %%nnn codes and no header beyond the version.
    std::string in = dxf({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1003"}, {0, "ENDSEC"},
                          {0, "SECTION"}, {2, "ENTITIES"},
                          {0, "TEXT"}, {8, "0"}, {10, "0.0"}, {20, "0.0"}, {40, "1.0"}, {1, "%%130%%c10 %%%"},
                          {0, "ENDSEC"}, {0, "EOF"}});
    std::string out = upgrade(in);
    EXPECT_NE(out.find("\n%%130%%c10 %%%\n"), std::string::npos);
    File f = checkStructure(out);
    checkNothingLost(in, f);
}

TEST(UpgradeRobustness, DamagedFilesNeverCrash) {
    // The file cut after each of its records (and closed again), and files
    // with single tags changed: the loader may refuse them; what it accepts
    // must upgrade and save, and the output must load again.
    std::string base = richR12(true, true);
    std::vector<std::string> inputs;
    for (std::size_t at = base.find("  0\n"); at != std::string::npos; at = base.find("  0\n", at + 1)) {
        inputs.push_back(base.substr(0, at) + "  0\nENDSEC\n  0\nEOF\n");
        inputs.push_back(base.substr(0, at));
    }
    for (const char* from : {"  0\nSEQEND\n", " 66\n1\n", "  2\nDOOR\n", " 70\n8\n", "  0\nBLOCK\n"}) {
        std::string s = base;
        std::size_t at = s.find(from);
        if (at != std::string::npos) s.replace(at, std::string_view(from).size(), "999\ndamaged\n");
        inputs.push_back(s);
    }
    inputs.push_back(dxf({{0, "SECTION"}, {2, "ENTITIES"}, {0, "VERTEX"}, {8, "0"}, {0, "SEQEND"},
                          {0, "ATTRIB"}, {0, "ENDSEC"}, {0, "EOF"}}));
    inputs.push_back(dxf({{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {0, "ENDBLK"}, {0, "ENDSEC"}, {0, "EOF"}}));
    // The same block defined twice, and blocks named like the spaces in
    // other spellings.
    inputs.push_back(dxf({{0, "SECTION"}, {2, "BLOCKS"},
                          {0, "BLOCK"}, {8, "0"}, {2, "A"}, {70, "0"}, {10, "0.0"}, {20, "0.0"},
                          {0, "POINT"}, {8, "0"}, {10, "0.0"}, {20, "0.0"}, {0, "ENDBLK"}, {8, "0"},
                          {0, "BLOCK"}, {8, "0"}, {2, "a"}, {70, "0"}, {10, "0.0"}, {20, "0.0"},
                          {0, "POINT"}, {8, "0"}, {10, "1.0"}, {20, "1.0"}, {0, "ENDBLK"}, {8, "0"},
                          {0, "BLOCK"}, {8, "0"}, {2, "*MODEL_SPACE"}, {70, "0"}, {10, "0.0"}, {20, "0.0"},
                          {0, "ENDBLK"}, {8, "0"},
                          {0, "BLOCK"}, {8, "0"}, {2, "$PAPER_SPACE"}, {70, "0"}, {10, "0.0"}, {20, "0.0"},
                          {0, "ENDBLK"}, {8, "0"},
                          {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"},
                          {0, "INSERT"}, {8, "0"}, {66, "1"}, {2, "A"}, {10, "0.0"}, {20, "0.0"},
                          {0, "ENDSEC"}, {0, "EOF"}}));
    int upgraded = 0;
    for (const std::string& in : inputs) {
        Drawing d;
        std::string error, out;
        if (!hostcore::loadDxf(d, in, error)) continue;
        if (!d.upgraded) continue;
        ++upgraded;
        ASSERT_TRUE(hostcore::saveDxf(d, hostcore::SaveOptions{"AC1015"}, out, error)) << error;
        checkStructure(out);
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "for the input\n" << in;
            break;
        }
        Drawing again;
        EXPECT_TRUE(hostcore::loadDxf(again, out, error)) << error;
        EXPECT_FALSE(again.fromR12);
    }
    EXPECT_GT(upgraded, 20);
}

// ---------------------------------------------------------------------------
// Files written by ezdxf and the R12 files of the corpus, with the oracle.

TEST(UpgradeOracle, HandWrittenFiles) {
    if (!haveOracle()) GTEST_SKIP() << "ezdxf (python3) is not installed";
    checkAll(kEntitiesOnly, "entities_only");
    checkAll(richR12(false), "rich_no_handles");
    checkAll(richR12(true), "rich_handles");
}

TEST(UpgradeOracle, FilesWrittenByEzdxf) {
    if (!haveOracle()) GTEST_SKIP() << "ezdxf (python3) is not installed";
    fs::path dir = scratchDir() / "ezdxf";
    fs::create_directories(dir);
    ASSERT_EQ(runScript("make_r12.py", "'" + dir.string() + "'"), 0);
    for (const char* name : {"cp866.dxf", "ansi.dxf", "binary.dxf"}) {
        SCOPED_TRACE(name);
        std::string in = readFile(dir / name);
        ASSERT_FALSE(in.empty());
        checkAll(in, std::string("ezdxf_") + name);
    }
    // The code page 866 file: Cyrillic stays in code page 866.
    std::string out = upgrade(readFile(dir / "cp866.dxf"));
    EXPECT_NE(out.find("\nDOS866\n"), std::string::npos);
    EXPECT_NE(out.find("\n\x8F\xE0\xA8\xA2\xA5\xE2, \xAC\xA8\xE0\n"), std::string::npos);  // "Привет, мир"
}

class UpgradeCorpus : public ::testing::TestWithParam<const char*> {};

TEST_P(UpgradeCorpus, SavesAsR2000WithNothingLost) {
    fs::path p = corpusDir() / GetParam();
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) GTEST_SKIP() << p << " is not available (no /work/shared corpus)";
    checkAll(readFile(p), GetParam());
}

INSTANTIATE_TEST_SUITE_P(R12, UpgradeCorpus,
                         ::testing::Values("acadsharp/samples/sample_AC1009_ascii.dxf",
                                           "dxf2gcode-plasma/dxf/FLH-001.dxf",
                                           "ezdxf/integration_tests/data/ASCII_R12.dxf",
                                           "libredwg/test/test-data/example_r12.dxf",
                                           "libredwg/test/test-data/r11/entities-2d.dxf",
                                           "libredwg/test/test-data/r2.6/dim.dxf",
                                           "mnasoft-dxf/dxf/metric/AutoCAD-R12-LT-2-metric.dxf"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             std::string s = fs::path(param.param).stem().string();
                             for (char& c : s)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return s;
                         });

}  // namespace
