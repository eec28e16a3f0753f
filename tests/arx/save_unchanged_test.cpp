// A drawing read and saved through the interface without changes is the file
// it was read from: byte for byte for ASCII files, tag for tag for binary ones
// (which the host writes as ASCII). The save goes through AcDbDatabase::saveAs,
// which brings the drawing's recorded names up to date first, so this checks
// more than the core's writer alone.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "arx_test_util.h"
#include "host/dbdict.h"
#include "host/dxf/tags.h"

namespace {

namespace fs = std::filesystem;

using TagPairs = std::vector<std::pair<int, std::string>>;

TagPairs tagPairs(const std::string& text) {
    TagPairs out;
    dxf::AsciiTagReader r(text);
    dxf::RawTag t;
    while (r.next(t)) out.emplace_back(t.code, std::string(t.value));
    EXPECT_FALSE(r.failed()) << r.error();
    return out;
}

// The first line where two texts part, for a readable failure.
std::string firstDifference(const std::string& a, const std::string& b) {
    std::size_t i = 0, line = 1;
    while (i < a.size() && i < b.size() && a[i] == b[i]) {
        if (a[i] == '\n') ++line;
        ++i;
    }
    auto lineAt = [](const std::string& s, std::size_t at) {
        std::size_t from = s.rfind('\n', at == 0 ? 0 : at - 1);
        from = from == std::string::npos ? 0 : from + 1;
        std::size_t to = s.find('\n', at);
        return s.substr(from, (to == std::string::npos ? s.size() : to) - from);
    };
    return "line " + std::to_string(line) + ": read '" + lineAt(a, i) + "', written '" + lineAt(b, i) + "'";
}

// Whether the file's $ACADVER is one the host writes as it is.
bool writtenVersion(const std::string& input) {
    std::string text = input;
    if (dxf::isBinaryDxf(input)) {
        std::string error;
        if (!dxf::binaryToAscii(input, text, error)) return false;
    }
    dxf::AsciiTagReader r(text);
    dxf::RawTag t;
    bool next = false;
    while (r.next(t)) {
        if (next && t.code == 1) {
            const std::string v(t.value);
            return v == "AC1015" || v == "AC1018" || v == "AC1021" || v == "AC1024" || v == "AC1027" ||
                   v == "AC1032";
        }
        next = t.code == 9 && t.value == "$ACADVER";
        if (t.code == 0 && t.value == "ENDSEC") break;
    }
    return false;
}

// Reads `path` and saves it unchanged; empty when the host writes it back as it was.
std::string saveUnchanged(const std::string& path, bool& skipped) {
    skipped = false;
    const std::string input = readAll(path);
    AcDbDatabase db(false, true);
    if (db.readDwgFile(host(path).c_str()) != Acad::eOk) return "not read: " + u8(db.lastErrorMessage());
    TempDir dir;
    const std::string out = dir.file("same.dxf");
    Acad::ErrorStatus es = db.saveAs(host(out).c_str(), false, AcDb::kDHL_CURRENT);
    if (es == Acad::eNotApplicable) {
        skipped = true;  // an R12 drawing that cannot be brought over
        return {};
    }
    if (es != Acad::eOk) return "not saved: " + u8(db.lastErrorMessage());
    if (db.isModified()) return "the save left the drawing modified";
    const std::string output = readAll(out);
    if (!writtenVersion(input)) {
        skipped = true;  // read from a version the host does not write (it writes R2000 for those)
        return {};
    }
    if (!dxf::isBinaryDxf(input)) return output == input ? std::string() : firstDifference(input, output);
    std::string ascii, error;
    if (!dxf::binaryToAscii(input, ascii, error)) return "binary input not converted: " + error;
    TagPairs a = tagPairs(ascii), b = tagPairs(output);
    if (a == b) return {};
    auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return "tag " + std::to_string(x - a.begin()) + " differs: read " +
           (x == a.end() ? std::string("(end)") : std::to_string(x->first) + " '" + x->second + "'") + ", written " +
           (y == b.end() ? std::string("(end)") : std::to_string(y->first) + " '" + y->second + "'");
}

// The current table style recorded in another letter case than its key, and
// a value padded as some writers pad it: saved as it was read.
TEST(SaveUnchanged, StyleNamesRecordedInAnotherLetterCaseStayAsWritten) {
    TempDir dir;
    {
        AcDbDatabase db;
        AcDbDictionary* styles = nullptr;
        ASSERT_EQ(db.getTableStyleDictionary(styles, AcDb::kForRead), Acad::eOk);
        AcDbObjectId standard;
        ASSERT_EQ(styles->getAt(ACRX_T("Standard"), standard), Acad::eOk);
        styles->close();
        ASSERT_EQ(db.setTablestyle(standard), Acad::eOk);
        ASSERT_EQ(db.saveAs(host(dir.file("made.dxf")).c_str()), Acad::eOk);
    }
    std::string text = readAll(dir.file("made.dxf"));
    const std::string from = "DictionaryVariables\n280\n0\n  1\nStandard\n";
    auto at = text.find(from);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, from.size(), "DictionaryVariables\n280\n     0\n  1\nSTANDARD\n");
    writeAll(dir.file("upper.dxf"), text);

    bool skipped = false;
    EXPECT_EQ(saveUnchanged(dir.file("upper.dxf"), skipped), "");
    EXPECT_FALSE(skipped);

    // The style is still the current one, found whatever the letter case.
    AcDbDatabase db(false, true);
    ASSERT_EQ(db.readDwgFile(host(dir.file("upper.dxf")).c_str()), Acad::eOk);
    EXPECT_FALSE(db.tablestyle().isNull());
}

// Every drawing of the shared corpus that the host writes in its own version.
TEST(SaveUnchanged, CorpusDrawingsAreWrittenBackAsTheyWereRead) {
    const std::vector<fs::path> files = arxtest::dxfFilesBelow(arxtest::corpusDir());
    if (files.empty()) GTEST_SKIP() << "the shared corpus is not here";
    int compared = 0;
    for (const fs::path& p : files) {
        const std::string f = p.string();
        // The loader refuses some damaged files; those are not this test's business.
        AcDbDatabase probe(false, true);
        if (probe.readDwgFile(host(f).c_str()) != Acad::eOk) continue;
        bool skipped = false;
        EXPECT_EQ(saveUnchanged(f, skipped), "") << f;
        if (!skipped) ++compared;
    }
    EXPECT_GT(compared, 30);
}

}  // namespace

namespace {

// Only a drawing file is replaced: a folder of the target's name stays, with
// what it holds, and no backup of it is made.
TEST(SaveAs, AFolderOfThatNameIsLeftAlone) {
    TempDir dir;
    const std::string target = dir.file("p.dxf");
    std::filesystem::create_directory(target);
    writeAll(target + "/keep.txt", "mine\n");
    AcDbDatabase db;
    EXPECT_EQ(db.saveAs(host(target).c_str(), true), Acad::eFileAccessErr);
    EXPECT_NE(u8(db.lastErrorMessage()).find("is a folder"), std::string::npos) << u8(db.lastErrorMessage());
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(readAll(target + "/keep.txt"), "mine\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("p.bak")));
    std::size_t left = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path)) left += e.path() != target;
    EXPECT_EQ(left, 0u);
}

}  // namespace

namespace {

std::string text(ACHAR* s) { return u8(take(s)); }

// Drawing properties are written in the form of the version written: the
// DWGPROPS record up to AC1015, header variables from AC1018 on, both ways;
// ezdxf (which reads the header form) checks the AC1018 file. (The drawing's
// code page is 1252: the texts are kept to ASCII.)
TEST(SaveAs, DrawingPropertiesTakeTheFormOfTheVersionWritten) {
    TempDir dir;
    {
        AcDbDatabase db;
        AcDbDatabaseSummaryInfo* info = nullptr;
        ASSERT_EQ(acdbGetSummaryInfo(&db, info), Acad::eOk);
        ASSERT_EQ(info->setTitle(ACRX_T("Floor plan")), Acad::eOk);
        ASSERT_EQ(info->setAuthor(ACRX_T("Ivan")), Acad::eOk);
        ASSERT_EQ(info->addCustomSummaryInfo(ACRX_T("Project"), ACRX_T("House")), Acad::eOk);
        ASSERT_EQ(acdbPutSummaryInfo(info), Acad::eOk);
        delete info;
        ASSERT_EQ(db.saveAs(host(dir.file("r2000.dxf")).c_str(), false, AcDb::kDHL_1015), Acad::eOk);
    }
    auto check = [&](const std::string& file) {
        AcDbDatabase db(false, true);
        ASSERT_EQ(db.readDwgFile(host(dir.file(file)).c_str()), Acad::eOk);
        AcDbDatabaseSummaryInfo* info = nullptr;
        ASSERT_EQ(acdbGetSummaryInfo(&db, info), Acad::eOk);
        ACHAR* t = nullptr;
        info->getTitle(t);
        EXPECT_EQ(text(t), "Floor plan") << file;
        info->getAuthor(t);
        EXPECT_EQ(text(t), "Ivan") << file;
        ACHAR* v = nullptr;
        EXPECT_EQ(info->getCustomSummaryInfo(ACRX_T("Project"), v), Acad::eOk) << file;
        EXPECT_EQ(text(v), "House") << file;
        delete info;
    };
    check("r2000.dxf");
    EXPECT_NE(readAll(dir.file("r2000.dxf")).find("DWGPROPS"), std::string::npos);
    {
        AcDbDatabase db(false, true);
        ASSERT_EQ(db.readDwgFile(host(dir.file("r2000.dxf")).c_str()), Acad::eOk);
        ASSERT_EQ(db.saveAs(host(dir.file("r2004.dxf")).c_str(), false, AcDb::kDHL_1018), Acad::eOk);
        EXPECT_FALSE(db.isModified());
    }
    check("r2004.dxf");
    EXPECT_NE(readAll(dir.file("r2004.dxf")).find("$CUSTOMPROPERTYTAG"), std::string::npos);
    {
        AcDbDatabase db(false, true);
        ASSERT_EQ(db.readDwgFile(host(dir.file("r2004.dxf")).c_str()), Acad::eOk);
        ASSERT_EQ(db.saveAs(host(dir.file("back.dxf")).c_str(), false, AcDb::kDHL_1015), Acad::eOk);
    }
    check("back.dxf");

    SKIP_WITHOUT_EZDXF();
    bool ok = false;
    std::string out = runPython(R"PY(
import sys, ezdxf
d = ezdxf.readfile(sys.argv[1])
print(d.header['$TITLE'], d.header['$AUTHOR'], d.header.custom_vars.get('Project'))
)PY",
                                dir.file("r2004.dxf"), ok);
    EXPECT_TRUE(ok) << out;
    EXPECT_EQ(out, "Floor plan Ivan House\n");
}

}  // namespace
