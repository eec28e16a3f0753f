// The drawing's scale list and its reset to the default list.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/common/corpus.h"
#include "host/core/dxfio.h"
#include "host/core/scalelist.h"

namespace fs = std::filesystem;
using hostcore::Drawing;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool load(Drawing& d, const char* relative) {
    fs::path p = fs::path(arxtest::corpusDir()) / relative;
    if (!fs::exists(p)) return false;
    std::string error;
    EXPECT_TRUE(hostcore::loadDxf(d, slurp(p), error)) << error;
    return true;
}

std::vector<std::string> names(const std::vector<hostcore::Scale>& list) {
    std::vector<std::string> out;
    for (auto& s : list) out.push_back(s.name);
    return out;
}

// Adds a scale the user made to the drawing's list, the way the editor would.
hostcore::Entry* addScale(Drawing& d, const std::string& name, const std::string& refBy = {}) {
    auto list = hostcore::readScaleList(d);
    hostcore::Entry* dict = list.front().entry->owner;
    hostcore::Entry* e = d.newEntry(d.internType("SCALE"), hostcore::flags::kObject);
    d.assignHandle(e);
    e->owner = dict;
    char h[20];
    std::snprintf(h, sizeof h, "%llX", static_cast<unsigned long long>(e->handle));
    char o[20];
    std::snprintf(o, sizeof o, "%llX", static_cast<unsigned long long>(dict->handle));
    e->tags = std::make_unique<hostcore::TagList>(hostcore::TagList{
        {0, "SCALE", nullptr}, {5, h, nullptr}, {330, o, nullptr}, {100, "AcDbScale", nullptr},
        {70, "0", nullptr}, {300, name, nullptr}, {140, "1.0", nullptr}, {141, "25.0", nullptr},
        {290, "0", nullptr}});
    d.objects.push_back(e);
    auto& t = d.ownTags(dict);
    t.push_back({3, "A99", nullptr});
    t.push_back({350, h, nullptr});
    if (!refBy.empty()) {
        // An xrecord that points at the scale, as annotative objects do.
        hostcore::Entry* x = d.newEntry(d.internType("XRECORD"), hostcore::flags::kObject);
        d.assignHandle(x);
        x->tags = std::make_unique<hostcore::TagList>(hostcore::TagList{
            {0, "XRECORD", nullptr}, {5, refBy, nullptr}, {330, "0", nullptr},
            {100, "AcDbXrecord", nullptr}, {340, h, nullptr}});
        d.objects.push_back(x);
    }
    return e;
}

TEST(ScaleList, MetricDrawingHasTheDefaultList) {
    Drawing d;
    if (!load(d, "mnasoft-dxf/dxf/metric/AutoCAD-2018-metric.dxf")) GTEST_SKIP() << "corpus absent";
    EXPECT_FALSE(hostcore::imperialDrawing(d));
    EXPECT_EQ(names(hostcore::readScaleList(d)), names(hostcore::defaultScaleList(false)));
}

TEST(ScaleList, ImperialDrawingHasBothLists) {
    Drawing d;
    if (!load(d, "acadsharp/samples/sample_AC1032_ascii.dxf")) GTEST_SKIP() << "corpus absent";
    EXPECT_TRUE(hostcore::imperialDrawing(d));
    auto before = hostcore::readScaleList(d);
    EXPECT_EQ(names(before), names(hostcore::defaultScaleList(true)));
    // A reset of a list that is already the default changes nothing, handles included.
    ASSERT_TRUE(hostcore::resetScaleList(d));
    auto after = hostcore::readScaleList(d);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].entry, before[i].entry);
}

TEST(ScaleList, ResetRemovesUnusedScalesAndKeepsUsedOnes) {
    Drawing d;
    if (!load(d, "mnasoft-dxf/dxf/metric/AutoCAD-2018-metric.dxf")) GTEST_SKIP() << "corpus absent";
    auto defaults = hostcore::readScaleList(d);
    hostcore::Entry* unused = addScale(d, "1:25");
    hostcore::Entry* used = addScale(d, "1:75", "FFF0");
    ASSERT_EQ(hostcore::readScaleList(d).size(), defaults.size() + 2);
    ASSERT_TRUE(hostcore::resetScaleList(d));
    auto after = hostcore::readScaleList(d);
    std::vector<std::string> expected = names(hostcore::defaultScaleList(false));
    expected.push_back("1:75");
    EXPECT_EQ(names(after), expected);
    EXPECT_TRUE(unused->erased());
    EXPECT_FALSE(used->erased());
    for (std::size_t i = 0; i < defaults.size(); ++i) EXPECT_EQ(after[i].entry, defaults[i].entry);

    // Saved, the drawing reads back with the same list and ezdxf takes it.
    std::string text, error;
    ASSERT_TRUE(hostcore::saveDxf(d, {}, text, error)) << error;
    Drawing again;
    ASSERT_TRUE(hostcore::loadDxf(again, text, error)) << error;
    EXPECT_EQ(names(hostcore::readScaleList(again)), expected);
    if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0) return;
    fs::path out = fs::temp_directory_path() / ("scales-" + std::to_string(getpid()) + ".dxf");
    std::ofstream(out, std::ios::binary) << text;
    std::string cmd = "/usr/bin/python3 -c 'import ezdxf, sys; d = ezdxf.readfile(sys.argv[1]); "
                      "sys.exit(1 if d.audit().has_errors else 0)' '" + out.string() + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    fs::remove(out);
}

TEST(ScaleList, MissingDefaultsAreCreated) {
    Drawing d;
    if (!load(d, "mnasoft-dxf/dxf/metric/AutoCAD-2018-metric.dxf")) GTEST_SKIP() << "corpus absent";
    // Erase 1:2 from the list as a user would.
    auto list = hostcore::readScaleList(d);
    hostcore::Entry* dict = list.front().entry->owner;
    auto& t = d.ownTags(dict);
    for (std::size_t i = 0; i + 1 < t.size(); ++i)
        if (t[i].code == 3 && t[i].value == "A1") {
            t.erase(t.begin() + static_cast<std::ptrdiff_t>(i), t.begin() + static_cast<std::ptrdiff_t>(i + 2));
            break;
        }
    list[1].entry->flags |= hostcore::flags::kErased;
    ASSERT_EQ(hostcore::readScaleList(d).size(), list.size() - 1);
    ASSERT_TRUE(hostcore::resetScaleList(d));
    auto after = hostcore::readScaleList(d);
    EXPECT_EQ(names(after), names(hostcore::defaultScaleList(false)));
    EXPECT_NE(after[1].entry, list[1].entry);  // a new object for the restored scale
    EXPECT_DOUBLE_EQ(after[1].drawingUnits, 2.0);
}

TEST(ScaleList, DrawingWithoutAListIsLeftAlone) {
    Drawing d;
    std::string error;
    ASSERT_TRUE(hostcore::loadDxf(
        d, "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n  0\nEOF\n", error));
    EXPECT_TRUE(hostcore::readScaleList(d).empty());
    EXPECT_FALSE(hostcore::resetScaleList(d));
}

}  // namespace
