// Replays the inputs kept in tests/dxf/regressions/ (minimised fuzzer findings and hand-made edge
// cases) through the properties the fuzz target checks.
#include "properties.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

TEST(Regressions, EveryKeptInputSatisfiesTheProperties) {
    std::error_code ec;
    std::size_t n = 0;
    for (const auto& entry : fs::directory_iterator(DXF_REGRESSIONS, ec)) {
        if (!entry.is_regular_file() || entry.path().filename().string()[0] == '.' ||
            entry.path().filename() == "README")
            continue;
        std::string data = dxftest::readFile(entry.path());
        const char* violation = dxftest::propertyViolation(data);
        EXPECT_EQ(violation, nullptr) << entry.path().filename() << ": " << violation;
        ++n;
    }
    EXPECT_FALSE(ec) << ec.message();
    EXPECT_GT(n, 0u);
}

}  // namespace
