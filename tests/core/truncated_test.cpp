// A file cut short is refused with the reason, wherever the cut falls: inside
// a section the host models or inside one it keeps as read (ACDSDATA,
// THUMBNAILIMAGE), which would otherwise be written back without its end.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "host/core/dxfio.h"
#include "tests/common/corpus.h"

namespace {

std::string readFile(const std::string& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// The reason of a loader error: the text after "line N: ".
std::string reasonOf(const std::string& error) {
    auto colon = error.find(": ");
    return colon == std::string::npos ? error : error.substr(colon + 2);
}

TEST(Truncated, EveryCutBeforeTheLastSectionEndsIsAnErrorWithAReason) {
    const std::string text = readFile(arxtest::repoDataDir() + "/uncommon.dxf");
    ASSERT_FALSE(text.empty());
    const std::size_t lastEnd = text.rfind("ENDSEC");
    const std::size_t acds = text.find("ACDSDATA");
    ASSERT_NE(acds, std::string::npos);
    ASSERT_LT(acds, lastEnd);
    std::vector<std::size_t> cuts;
    for (std::size_t p = 1; p < lastEnd; p += lastEnd / 150) cuts.push_back(p);
    // Inside the section the host keeps as read, and right before its end.
    for (std::size_t p = acds + 20; p < lastEnd; p += (lastEnd - acds) / 20) cuts.push_back(p);
    cuts.push_back(lastEnd - 1);
    for (std::size_t p : cuts) {
        hostcore::Drawing d;
        std::string error;
        EXPECT_FALSE(hostcore::loadDxf(d, text.substr(0, p), error)) << "cut at " << p;
        EXPECT_NE(reasonOf(error), "") << "cut at " << p << ": " << error;
    }
    {
        hostcore::Drawing d;
        std::string error;
        // Every tag of the section there, only its end missing.
        EXPECT_FALSE(hostcore::loadDxf(d, text.substr(0, text.rfind("\n  0", lastEnd) + 1), error));
        EXPECT_NE(error.find("ACDSDATA"), std::string::npos) << error;
    }
    // The whole file, and the file without its EOF, load.
    hostcore::Drawing whole;
    std::string error;
    EXPECT_TRUE(hostcore::loadDxf(whole, text, error)) << error;
    hostcore::Drawing noEof;
    EXPECT_TRUE(hostcore::loadDxf(noEof, text.substr(0, text.find('\n', lastEnd) + 1), error)) << error;
}

// The cuts that were accepted (inside THUMBNAILIMAGE) or refused without a
// reason (inside the entities of an R12 file).
TEST(Truncated, CorpusCuts) {
    struct Cut {
        const char* file;
        std::size_t size;
        const char* mentions;
    };
    const Cut cuts[] = {{"comanda-dxf-postgis/dxf_examples/ex1.dxf", 350932, "THUMBNAILIMAGE"},
                        {"libredwg/test/test-data/example_r12.dxf", 383360, "ENTITIES"}};
    int tried = 0;
    for (const Cut& c : cuts) {
        const std::string text = readFile(arxtest::corpusDir() + "/" + c.file);
        if (text.size() <= c.size) continue;
        ++tried;
        hostcore::Drawing d;
        std::string error;
        EXPECT_FALSE(hostcore::loadDxf(d, text.substr(0, c.size), error)) << c.file;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << c.file << ": " << error;
    }
    if (tried == 0) GTEST_SKIP() << "the corpus files are not here";
}

}  // namespace
