// Drawing properties: read from and written to the form each version keeps
// them in, and read back by an independent reader.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/common/corpus.h"
#include "host/core/dxfio.h"
#include "host/core/summary.h"

namespace fs = std::filesystem;
using hostcore::Drawing;
using hostcore::SummaryInfo;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string run(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        std::array<char, 4096> buf;
        std::size_t n;
        while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
        pclose(p);
    }
    return out;
}

bool haveEzdxf() { return std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0; }

// A drawing of the given version made by ezdxf, loaded into the host.
bool makeDrawing(Drawing& d, const std::string& version, const std::string& encoding) {
    fs::path path = fs::temp_directory_path() / ("summary-" + std::to_string(getpid()) + version + ".dxf");
    std::string cmd = "/usr/bin/python3 -c \"import ezdxf; doc = ezdxf.new('" + version +
                      "'); doc.encoding = '" + encoding + "'; doc.saveas(r'" + path.string() +
                      "')\" >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    std::string error;
    bool ok = hostcore::loadDxf(d, slurp(path), error);
    fs::remove(path);
    return ok;
}

SummaryInfo sample(int customCount) {
    SummaryInfo s;
    s.title = "Чертёж плана";
    s.subject = "Тема";
    s.author = "Иванов";
    s.keywords = "план; этаж";
    s.comments = "Комментарий";
    s.revisionNumber = "7";
    s.hyperlinkBase = "http://example.invalid/база";
    for (int i = 0; i < customCount; ++i)
        s.custom.emplace_back("Ключ" + std::to_string(i), "Значение " + std::to_string(i));
    return s;
}

void expectSame(const SummaryInfo& a, const SummaryInfo& b) {
    EXPECT_EQ(a.title, b.title);
    EXPECT_EQ(a.subject, b.subject);
    EXPECT_EQ(a.author, b.author);
    EXPECT_EQ(a.keywords, b.keywords);
    EXPECT_EQ(a.comments, b.comments);
    EXPECT_EQ(a.revisionNumber, b.revisionNumber);
    EXPECT_EQ(a.hyperlinkBase, b.hyperlinkBase);
    EXPECT_EQ(a.custom, b.custom);
}

class SummaryRoundTrip : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(SummaryRoundTrip, SurvivesSaveAndReload) {
    if (!haveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed";
    auto [version, encoding] = GetParam();
    Drawing d;
    ASSERT_TRUE(makeDrawing(d, version, encoding));
    // More custom properties than the ten slots of the old xrecord.
    SummaryInfo info = sample(12);
    hostcore::writeSummaryInfo(d, info);
    expectSame(hostcore::readSummaryInfo(d), info);

    std::string text, error;
    ASSERT_TRUE(hostcore::saveDxf(d, {}, text, error)) << error;
    Drawing again;
    ASSERT_TRUE(hostcore::loadDxf(again, text, error)) << error;
    expectSame(hostcore::readSummaryInfo(again), info);

    // Writing again replaces, never duplicates.
    SummaryInfo fewer = sample(2);
    fewer.title = "Другое";
    hostcore::writeSummaryInfo(again, fewer);
    expectSame(hostcore::readSummaryInfo(again), fewer);

    // The independent reader sees the same properties.
    fs::path out = fs::temp_directory_path() / ("summary-out-" + std::to_string(getpid()) + version + ".dxf");
    ASSERT_TRUE(hostcore::saveDxf(again, {}, text, error)) << error;
    std::ofstream(out, std::ios::binary) << text;
    std::string seen = run(std::string("/usr/bin/python3 ") + ARX_ORACLE_SCRIPT + " summary '" +
                           out.string() + "' 2>&1");
    fs::remove(out);
    EXPECT_NE(seen.find("Другое"), std::string::npos) << seen;
    EXPECT_NE(seen.find("Ключ1"), std::string::npos) << seen;
    EXPECT_NE(seen.find("Значение 1"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("Ключ2"), std::string::npos) << seen;
}

INSTANTIATE_TEST_SUITE_P(Versions, SummaryRoundTrip,
                         ::testing::Values(std::make_pair("R2000", "cp1251"),
                                           std::make_pair("R2004", "cp1251"),
                                           std::make_pair("R2018", "utf8")));

TEST(Summary, ReadsTheXrecordOfARealDrawing) {
    fs::path p = fs::path(arxtest::corpusDir()) / "libredwg/test/test-data/example_2000.dxf";
    if (!fs::exists(p)) GTEST_SKIP() << "corpus absent";
    Drawing d;
    std::string error;
    ASSERT_TRUE(hostcore::loadDxf(d, slurp(p), error)) << error;
    SummaryInfo s = hostcore::readSummaryInfo(d);
    // Unchanged properties are not rewritten: the file saves as it was.
    std::string text;
    ASSERT_TRUE(hostcore::saveDxf(d, {}, text, error));
    EXPECT_EQ(text, d.buffer);
    // Writing the same properties back keeps every value.
    hostcore::writeSummaryInfo(d, s);
    Drawing again;
    ASSERT_TRUE(hostcore::saveDxf(d, {}, text, error));
    ASSERT_TRUE(hostcore::loadDxf(again, text, error)) << error;
    expectSame(hostcore::readSummaryInfo(again), s);
}

}  // namespace
