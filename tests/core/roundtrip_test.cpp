// Loading and saving real drawings without changes must lose nothing: every
// record with a handle keeps its tags, records without handles stay as they
// were, and an independent reader (ezdxf) finds nothing new to complain about.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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

// The real drawings kept in the repository, then the shared corpus when present.
std::vector<fs::path> corpusFiles() {
    std::vector<fs::path> files = arxtest::dxfFilesBelow(arxtest::repoDataDir());
    for (fs::path& p : arxtest::dxfFilesBelow(corpusDir())) files.push_back(std::move(p));
    return files;
}

bool haveOracle() {
    static const bool ok = std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0;
    return ok;
}

int runOracle(const std::string& args) {
    std::string cmd = std::string("/usr/bin/python3 ") + ARX_ORACLE_SCRIPT + " " + args;
    return std::system(cmd.c_str());
}

using Tags = std::vector<std::pair<int, std::string>>;

Tags allTags(const std::string& text) {
    Tags out;
    dxf::AsciiTagReader r(text);
    dxf::RawTag t;
    while (r.next(t)) out.emplace_back(t.code, std::string(t.value));
    EXPECT_FALSE(r.failed()) << r.error();
    return out;
}

// The file's records: those with a handle by handle, the others in order. The
// header's variables count as records named by the variable.
struct Records {
    std::map<std::string, Tags> byHandle;
    std::vector<Tags> unnamed;
    std::map<std::string, Tags> header;
};

Records records(const Tags& tags) {
    Records out;
    std::size_t i = 0;
    bool inHeader = false;
    while (i < tags.size()) {
        if (tags[i].first == 9) {
            std::string name = tags[i].second;
            Tags value;
            for (++i; i < tags.size() && tags[i].first != 9 && tags[i].first != 0; ++i)
                value.push_back(tags[i]);
            out.header[name] = value;
            continue;
        }
        Tags rec{tags[i]};
        for (++i; i < tags.size() && tags[i].first != 0 && !(inHeader && tags[i].first == 9); ++i)
            rec.push_back(tags[i]);
        if (rec.size() >= 2 && rec[0].second == "SECTION") inHeader = rec[1].second == "HEADER";
        const int handleCode = rec[0].second == "DIMSTYLE" ? 105 : 5;
        std::string handle;
        for (auto& [c, v] : rec)
            if (c == handleCode) {
                handle = v;
                break;
            }
        if (handle.empty())
            out.unnamed.push_back(std::move(rec));
        else
            out.byHandle[handle] = std::move(rec);
    }
    return out;
}

std::string asciiOf(const std::string& bytes) {
    if (!dxf::isBinaryDxf(bytes)) return bytes;
    std::string ascii, err;
    EXPECT_TRUE(dxf::binaryToAscii(bytes, ascii, err)) << err;
    return ascii;
}

class CorpusRoundTrip : public ::testing::TestWithParam<fs::path> {};

TEST_P(CorpusRoundTrip, KeepsEveryRecord) {
    const fs::path path = GetParam();
    if (path.empty()) GTEST_SKIP() << "no real drawings found";
    const std::string input = readFile(path);
    Drawing d;
    std::string error;
    ASSERT_TRUE(hostcore::loadDxf(d, input, error)) << path << ": " << error;
    if (!hostcore::isWritableVersion(d.acadver)) GTEST_SKIP() << d.acadver << " is read, not written";
    // Drawings from R12 files are rewritten into R2000 form on save; what
    // they keep is checked by tests/upgrade.
    if (d.fromR12) GTEST_SKIP() << "read from an R12 file: brought into R2000 form, see tests/upgrade";

    std::string output;
    ASSERT_TRUE(hostcore::saveDxf(d, {}, output, error)) << error;

    // An ASCII file nobody changed is written back byte for byte.
    if (!dxf::isBinaryDxf(input)) {
        EXPECT_TRUE(output == input) << "output differs from the file read";
    }

    Records a = records(allTags(asciiOf(input)));
    Records b = records(allTags(output));
    for (auto& [handle, tags] : a.byHandle) {
        auto it = b.byHandle.find(handle);
        ASSERT_NE(it, b.byHandle.end()) << "record " << handle << " lost";
        EXPECT_EQ(tags, it->second) << "record " << handle << " changed";
    }
    EXPECT_EQ(a.byHandle.size(), b.byHandle.size());
    EXPECT_EQ(a.unnamed, b.unnamed);
    for (auto& [name, value] : a.header) {
        if (name == "$HANDSEED") continue;
        EXPECT_EQ(value, b.header[name]) << name;
    }
    EXPECT_EQ(a.header.size(), b.header.size());

    if (!haveOracle()) GTEST_SKIP() << "python3-ezdxf is not installed";
    fs::path out = fs::temp_directory_path() / ("roundtrip-" + std::to_string(getpid()) + "-" + path.filename().string());
    writeFile(out, output);
    int rc = runOracle("audit '" + path.string() + "' '" + out.string() + "' >/dev/null");
    fs::remove(out);
    if (WIFEXITED(rc) && WEXITSTATUS(rc) == 3) GTEST_SKIP() << "ezdxf cannot read the original";
    EXPECT_EQ(rc, 0) << "ezdxf finds the written file worse than the original";
}

std::vector<fs::path> corpusOrPlaceholder() {
    auto files = corpusFiles();
    if (files.empty()) files.push_back(fs::path());  // one test that skips
    return files;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusRoundTrip, ::testing::ValuesIn(corpusOrPlaceholder()),
                         [](const ::testing::TestParamInfo<fs::path>& param) {
                             std::string name = param.param.empty()
                                                    ? "absent"
                                                    : param.param.parent_path().filename().string() +
                                                          "_" + param.param.stem().string();
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name + "_" + std::to_string(param.index);
                         });


TEST(CorpusRoundTripNote, CorpusIsPresentOrSkipped) {
    if (corpusFiles().empty()) GTEST_SKIP() << "no corpus at " << corpusDir() << "; real-file tests skipped";
    SUCCEED();
}

TEST(Save, StreamedToAFileGivesTheSameText) {
    auto files = corpusFiles();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << corpusDir();
    for (const fs::path& path : files) {
        Drawing d;
        std::string error;
        ASSERT_TRUE(hostcore::loadDxf(d, readFile(path), error)) << error;
        if (!hostcore::isWritableVersion(d.acadver)) continue;
        std::string text;
        ASSERT_TRUE(hostcore::saveDxf(d, {}, text, error));
        std::FILE* f = std::tmpfile();
        ASSERT_TRUE(hostcore::saveDxf(d, {}, f, error));
        std::string streamed(static_cast<std::size_t>(std::ftell(f)), '\0');
        std::rewind(f);
        ASSERT_EQ(std::fread(streamed.data(), 1, streamed.size(), f), streamed.size());
        std::fclose(f);
        ASSERT_EQ(text, streamed) << path;
    }
}

TEST(Save, RefusesVersionsItDoesNotWrite) {
    Drawing d;
    std::string error, out;
    ASSERT_TRUE(hostcore::loadDxf(d, "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n  0\nEOF\n", error)) << error;
    EXPECT_FALSE(hostcore::saveDxf(d, {"AC1009"}, out, error));
    EXPECT_NE(error.find("AC1009"), std::string::npos);
    EXPECT_TRUE(hostcore::saveDxf(d, {"AC1032"}, out, error)) << error;
    EXPECT_NE(out.find("AC1032"), std::string::npos);
}

// A drawing saved in an older version, whose strings are 8-bit text of the
// drawing's code page: characters that page lacks travel as \U+XXXX escapes.
TEST(Save, OlderVersionEscapesWhatTheCodePageLacks) {
    const std::string text =
        "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1032\n  9\n$DWGCODEPAGE\n  3\nANSI_1251\n"
        "  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  5\n20\n  8\n0\n  1\n"
        "Привет 中 é\n  0\nENDSEC\n  0\nEOF\n";
    Drawing d;
    std::string error, out;
    ASSERT_TRUE(hostcore::loadDxf(d, text, error)) << error;
    ASSERT_TRUE(hostcore::saveDxf(d, {"AC1018"}, out, error)) << error;
    // Cyrillic exists in code page 1251 and is written as its bytes; the others are escaped.
    EXPECT_NE(out.find("\xCF\xF0\xE8\xE2\xE5\xF2 \\U+4E2D \\U+00E9"), std::string::npos) << out;
    EXPECT_NE(out.find("AC1018"), std::string::npos);

    // Read back, the escapes stay text: decoding them is the recoding tools' job.
    Drawing again;
    ASSERT_TRUE(hostcore::loadDxf(again, out, error)) << error;
    std::string back;
    ASSERT_TRUE(hostcore::saveDxf(again, {"AC1032"}, back, error)) << error;
    EXPECT_NE(back.find("Привет \\U+4E2D \\U+00E9"), std::string::npos) << back;
}

TEST(Load, RefusesWhatIsNotADrawing) {
    Drawing d1;
    std::string error;
    EXPECT_FALSE(hostcore::loadDxf(d1, "hello world\n", error));
    EXPECT_NE(error.find("line"), std::string::npos) << error;

    Drawing d2;
    EXPECT_FALSE(hostcore::loadDxf(d2, std::string("AC1032\0\0\0\0\0\0\0", 13), error));
    EXPECT_NE(error.find("DWG"), std::string::npos) << error;

    Drawing d3;
    EXPECT_FALSE(hostcore::loadDxf(d3, "", error));
}

TEST(Load, ReportsWhereATruncatedFileStops) {
    const std::string text =
        "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n"
        "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  5\n20\n  8\n0\n 10\n";
    Drawing d;
    std::string error;
    EXPECT_FALSE(hostcore::loadDxf(d, text, error));
    EXPECT_NE(error.find("line"), std::string::npos) << error;
}

TEST(Load, SectionWithoutEndIsAnError) {
    const std::string text = "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n  0\nLAYER\n  2\nA\n";
    Drawing d;
    std::string error;
    EXPECT_FALSE(hostcore::loadDxf(d, text, error));
    EXPECT_FALSE(error.empty());
}

// Builds a drawing with ezdxf: a Cyrillic layer with a line and a text on it.
bool makeDrawing(const fs::path& out, const std::string& version, const std::string& codepage) {
    std::string script =
        "import ezdxf\n"
        "doc = ezdxf.new('" + version + "')\n"
        "doc.encoding = '" + codepage + "'\n"
        "doc.layers.add('Слой1')\n"
        "msp = doc.modelspace()\n"
        "msp.add_line((0, 0), (1, 1), dxfattribs={'layer': 'Слой1'})\n"
        "msp.add_text('Текст', dxfattribs={'layer': 'Слой1'})\n"
        "doc.header['$CLAYER'] = 'Слой1'\n"
        "doc.saveas(r'" + out.string() + "')\n";
    fs::path py = out;
    py += ".py";
    writeFile(py, script);
    int rc = std::system(("/usr/bin/python3 '" + py.string() + "' >/dev/null 2>&1").c_str());
    fs::remove(py);
    return rc == 0;
}

class RenameFollows : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(RenameFollows, EveryReferenceToARenamedLayer) {
    if (!haveOracle()) GTEST_SKIP() << "python3-ezdxf is not installed";
    auto [version, codepage] = GetParam();
    fs::path in = fs::temp_directory_path() / ("rename-" + std::to_string(getpid()) + version + ".dxf");
    ASSERT_TRUE(makeDrawing(in, version, codepage));
    Drawing d;
    std::string error;
    ASSERT_TRUE(hostcore::loadDxf(d, readFile(in), error)) << error;
    hostcore::Entry* layer = d.lookup(hostcore::TableKind::Layer, "СЛОЙ1");  // any letter case
    ASSERT_NE(layer, nullptr);
    d.setName(layer, "Новый");
    for (hostcore::Tag& t : d.ownTags(layer))
        if (t.code == 2) t.value = "Новый";

    std::string output;
    ASSERT_TRUE(hostcore::saveDxf(d, {}, output, error)) << error;
    fs::path out = fs::temp_directory_path() / ("renamed-" + std::to_string(getpid()) + version + ".dxf");
    writeFile(out, output);
    EXPECT_EQ(runOracle("layers '" + out.string() + "' 'Слой1' 'Новый'"), 0);
    EXPECT_NE(output.find("$CLAYER"), std::string::npos);
    fs::remove(in);
    fs::remove(out);
}

INSTANTIATE_TEST_SUITE_P(Versions, RenameFollows,
                         ::testing::Values(std::make_pair("R2000", "cp1251"),
                                           std::make_pair("R2004", "cp1251"),
                                           std::make_pair("R2018", "utf8")));

}  // namespace
