// The command-line formatter against strings worked out by hand from the
// platform's printing rules.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "host/aced.h"

namespace {

using Str = std::basic_string<ACHAR>;

template <class... A>
Str fmt(const ACHAR* format, A... args) {
    ACHAR buf[512];
    int n = acutSPrintf(buf, sizeof buf / sizeof buf[0], format, args...);
    EXPECT_EQ(static_cast<std::size_t>(n), acStrLen(buf));
    return Str(buf);
}

TEST(Format, IntegersWidthsAndFlags) {
    EXPECT_EQ(fmt(ACRX_T("%d|%i|%u"), -42, 7, 4000000000u), Str(ACRX_T("-42|7|4000000000")));
    EXPECT_EQ(fmt(ACRX_T("[%5d][%-5d][%05d][%+d][% d]"), 42, 42, -42, 42, 42),
              Str(ACRX_T("[   42][42   ][-0042][+42][ 42]")));
    EXPECT_EQ(fmt(ACRX_T("%x %X %#x %o %.3d"), 255, 255, 255, 8, 5), Str(ACRX_T("ff FF 0xff 10 005")));
    EXPECT_EQ(fmt(ACRX_T("%*d|%-*d|"), 4, 1, 3, 2), Str(ACRX_T("   1|2  |")));
    EXPECT_EQ(fmt(ACRX_T("%hd %hhu"), 70000, 257), Str(ACRX_T("4464 1")));
    EXPECT_EQ(fmt(ACRX_T("%d"), INT32_MIN), Str(ACRX_T("-2147483648")));
}

TEST(Format, PlatformSixtyFourBitAndHexSuffix) {
    int64_t big = 12345678901234LL;
    EXPECT_EQ(fmt(ACRX_T("%I64d"), big), Str(ACRX_T("12345678901234")));
    EXPECT_EQ(fmt(ACRX_T("%I64d"), INT64_MIN), Str(ACRX_T("-9223372036854775808")));
    EXPECT_EQ(fmt(ACRX_T("%I64x|%I64X"), static_cast<uint64_t>(0x1A2B3C4D5E6FULL), static_cast<uint64_t>(255)),
              Str(ACRX_T("1a2b3c4d5e6f|FF")));
    // The 64-bit value must be taken whole, so the next argument stays in place.
    EXPECT_EQ(fmt(ACRX_T("%I64d and %d"), static_cast<int64_t>(1) << 40, 9), Str(ACRX_T("1099511627776 and 9")));
    EXPECT_EQ(fmt(ACRX_T("%I32d %lld"), -5, -6LL), Str(ACRX_T("-5 -6")));
    // "%0xh": a zero flag without width, hex, then a literal h.
    EXPECT_EQ(fmt(ACRX_T("\nGetThreadLocale=%0xh"), 0x10019), Str(ACRX_T("\nGetThreadLocale=10019h")));
    EXPECT_EQ(fmt(ACRX_T("%0xh"), 0x419), Str(ACRX_T("419h")));
    EXPECT_EQ(fmt(ACRX_T("%08X"), 0xBEEF), Str(ACRX_T("0000BEEF")));
}

TEST(Format, StringsAndCharacters) {
    const ACHAR* s = ACRX_T("Слой");
    EXPECT_EQ(fmt(ACRX_T("<%s>"), s), Str(ACRX_T("<Слой>")));
    EXPECT_EQ(fmt(ACRX_T("[%6s][%-6s][%.2s]"), s, s, s), Str(ACRX_T("[  Слой][Слой  ][Сл]")));
    EXPECT_EQ(fmt(ACRX_T("%s"), static_cast<const ACHAR*>(nullptr)), Str(ACRX_T("(null)")));
    EXPECT_EQ(fmt(ACRX_T("%hs|%ls"), "abc", u"Жж"), Str(ACRX_T("abc|Жж")));
    EXPECT_EQ(fmt(ACRX_T("%c%c"), static_cast<int>(ACRX_T('A')), static_cast<int>(ACRX_T('b'))), Str(ACRX_T("Ab")));
    EXPECT_EQ(fmt(ACRX_T("100%% done")), Str(ACRX_T("100% done")));
}

TEST(Format, Reals) {
    EXPECT_EQ(fmt(ACRX_T("%f"), 1.5), Str(ACRX_T("1.500000")));
    EXPECT_EQ(fmt(ACRX_T("%.2f|%8.3f|%-8.1f|"), 3.14159, -2.5, 0.25), Str(ACRX_T("3.14|  -2.500|0.2     |")));
    EXPECT_EQ(fmt(ACRX_T("%g %g %g"), 0.0001, 123456789.0, 100.0), Str(ACRX_T("0.0001 1.23457e+08 100")));
    EXPECT_EQ(fmt(ACRX_T("%e|%E"), 12345.678, 0.5), Str(ACRX_T("1.234568e+04|5.000000E-01")));
    EXPECT_EQ(fmt(ACRX_T("%010.2f|%+.0f"), -3.5, 2.0), Str(ACRX_T("-000003.50|+2")));
    EXPECT_EQ(fmt(ACRX_T("%G"), 1e-10), Str(ACRX_T("1E-10")));
}

TEST(Format, OddFormatsStaySafe) {
    // Unknown conversions are copied, a dangling % too, %n writes nothing.
    EXPECT_EQ(fmt(ACRX_T("%q|%")), Str(ACRX_T("%q|%")));
    int untouched = 77;
    EXPECT_EQ(fmt(ACRX_T("a%nb"), &untouched), Str(ACRX_T("ab")));
    EXPECT_EQ(untouched, 77);
    // A tiny buffer is cut and terminated; the answer is the full length.
    ACHAR small[4];
    EXPECT_EQ(acutSPrintf(small, 4, ACRX_T("%d"), 123456), 6);
    EXPECT_EQ(Str(small), Str(ACRX_T("123")));
    // Huge widths are capped rather than exhausting memory.
    ACHAR buf[8];
    EXPECT_GT(acutSPrintf(buf, 8, ACRX_T("%999999999d"), 1), 0);
}

}  // namespace
