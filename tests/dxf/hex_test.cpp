// Hex text of binary chunks (310-319, 1004).
#include "host/dxf/hex.h"

#include <gtest/gtest.h>

namespace {

TEST(Hex, EncodesUpperCase) {
    std::string out = "x";
    dxf::hexEncode(std::string("\x00\x01\xAB\xFF", 4), out);
    EXPECT_EQ(out, "x0001ABFF");
    std::string empty;
    dxf::hexEncode("", empty);
    EXPECT_EQ(empty, "");
}

TEST(Hex, DecodesEitherCaseAndIgnoresSurroundingBlanks) {
    std::string out, err;
    EXPECT_TRUE(dxf::hexDecode(" 0001abFF\r", out, err));
    EXPECT_EQ(out, std::string("\x00\x01\xAB\xFF", 4));
    EXPECT_EQ(err, "");
    out.clear();
    EXPECT_TRUE(dxf::hexDecode("", out, err));
    EXPECT_EQ(out, "");
}

TEST(Hex, RoundTripsEveryByte) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    std::string hex, back, err;
    dxf::hexEncode(bytes, hex);
    ASSERT_TRUE(dxf::hexDecode(hex, back, err));
    EXPECT_EQ(back, bytes);
}

TEST(Hex, BadTextIsReportedAndWhatCameBeforeIsKept) {
    std::string out, err;
    EXPECT_FALSE(dxf::hexDecode("0A1", out, err));
    EXPECT_EQ(err, "odd number of hex digits (3)");
    EXPECT_EQ(out, "\x0A");
    out.clear();
    EXPECT_FALSE(dxf::hexDecode("0AZ1", out, err));
    EXPECT_EQ(err, "invalid hex digit at position 2");
    EXPECT_EQ(out, "\x0A");
    out.clear();
    EXPECT_FALSE(dxf::hexDecode("0A 1B", out, err));
    EXPECT_EQ(err, "invalid hex digit at position 2");
    out.clear();
    EXPECT_FALSE(dxf::hexDecode("g0", out, err));
    EXPECT_EQ(err, "invalid hex digit at position 0");
    EXPECT_EQ(out, "");
}

}  // namespace
