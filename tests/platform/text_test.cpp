#include <gtest/gtest.h>

#include <string>

#include "platform/ascii.h"
#include "platform/utf8.h"

namespace {

std::string utf8(char32_t cp) {
    std::string out;
    platform::appendUtf8(out, cp);
    return out;
}

TEST(Utf8Encoder, EachLengthAtItsBoundaries) {
    EXPECT_EQ(utf8(0x00), std::string(1, '\0'));
    EXPECT_EQ(utf8(0x41), "A");
    EXPECT_EQ(utf8(0x7F), "\x7F");
    EXPECT_EQ(utf8(0x80), "\xC2\x80");
    EXPECT_EQ(utf8(0x416), "\xD0\x96");  // Cyrillic Zhe
    EXPECT_EQ(utf8(0x7FF), "\xDF\xBF");
    EXPECT_EQ(utf8(0x800), "\xE0\xA0\x80");
    EXPECT_EQ(utf8(0x20AC), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(utf8(0xFFFF), "\xEF\xBF\xBF");
    EXPECT_EQ(utf8(0x10000), "\xF0\x90\x80\x80");
    EXPECT_EQ(utf8(0x1F600), "\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8(0x10FFFF), "\xF4\x8F\xBF\xBF");
}

TEST(Utf8Encoder, AppendsWithoutTouchingWhatIsThere) {
    std::string out = "ab";
    platform::appendUtf8(out, 0x416);
    platform::appendUtf8(out, 'c');
    EXPECT_EQ(out,
              "ab\xD0\x96"
              "c");
}

TEST(Utf8Encoder, SurrogatesAndValuesPastUnicode) {
    // Surrogate code points have their plain three-byte form (byte escapes use it).
    EXPECT_EQ(utf8(0xD800), "\xED\xA0\x80");
    EXPECT_EQ(utf8(0xDC80), "\xED\xB2\x80");
    EXPECT_EQ(utf8(0xDFFF), "\xED\xBF\xBF");
    // Up to 0x1FFFFF the four-byte pattern holds, so lead bytes F5..F7 come back.
    EXPECT_EQ(utf8(0x140000), "\xF5\x80\x80\x80");
    EXPECT_EQ(utf8(0x1FFFFF), "\xF7\xBF\xBF\xBF");
    // Beyond that no sequence can hold the value.
    EXPECT_EQ(utf8(0x200000), "\xEF\xBF\xBD");
    EXPECT_EQ(utf8(0xFFFFFFFF), "\xEF\xBF\xBD");
}

TEST(Utf16ToUtf8, PairsAndPlainUnits) {
    EXPECT_EQ(platform::utf16ToUtf8(u""), "");
    EXPECT_EQ(platform::utf16ToUtf8(u"Layer 0"), "Layer 0");
    EXPECT_EQ(platform::utf16ToUtf8(u"\u0416\u20AC"), "\xD0\x96\xE2\x82\xAC");
    EXPECT_EQ(platform::utf16ToUtf8(u"\xD83D\xDE00!"), "\xF0\x9F\x98\x80!");
    EXPECT_EQ(platform::utf16ToUtf8(u"\xDBFF\xDFFF"), "\xF4\x8F\xBF\xBF");
    // A NUL inside the text is text like any other unit.
    EXPECT_EQ(platform::utf16ToUtf8(std::u16string_view(u"a\0b", 3)), std::string("a\0b", 3));
}

TEST(Utf16ToUtf8, LoneSurrogatesKeptOrReplaced) {
    struct Case {
        std::u16string in;
        const char* kept;
        const char* replaced;
    };
    const Case cases[] = {
        {u"a\xD800", "a\xED\xA0\x80", "a\xEF\xBF\xBD"},  // high at the end
        {u"\xD800z", "\xED\xA0\x80z", "\xEF\xBF\xBDz"},  // high before a non-surrogate
        {u"\xDC80", "\xED\xB2\x80", "\xEF\xBF\xBD"},     // low alone
        {u"\xDE00\xD83D", "\xED\xB8\x80\xED\xA0\xBD",    // low before high: two
         "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {u"\xD800\xD83D\xDE00", "\xED\xA0\x80\xF0\x9F\x98\x80",  // high, then a pair
         "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::utf16ToUtf8(c.in), c.kept);
        EXPECT_EQ(platform::utf16ToUtf8(c.in, platform::LoneSurrogate::Keep), c.kept);
        EXPECT_EQ(platform::utf16ToUtf8(c.in, platform::LoneSurrogate::Replace), c.replaced);
    }
}

TEST(AsciiNoCase, LettersFoldOtherBytesDoNot) {
    EXPECT_TRUE(platform::equalsAsciiNoCase("ByLayer", "BYLAYER"));
    EXPECT_TRUE(platform::equalsAsciiNoCase("bylayer", "ByLayer"));
    EXPECT_TRUE(platform::equalsAsciiNoCase("", ""));
    EXPECT_FALSE(platform::equalsAsciiNoCase("ByLayer", "ByLayers"));
    EXPECT_FALSE(platform::equalsAsciiNoCase("ByLayer", "ByBlock"));
    // Only a-z and A-Z pair up: the bytes 0x20 apart elsewhere stay different.
    EXPECT_FALSE(platform::equalsAsciiNoCase("@", "`"));
    EXPECT_FALSE(platform::equalsAsciiNoCase("[", "{"));
    EXPECT_FALSE(platform::equalsAsciiNoCase("\xC0", "\xE0"));
    EXPECT_FALSE(platform::equalsAsciiNoCase("\xD0\x96", "\xD0\xB6"));
    static_assert(platform::equalsAsciiNoCase("AcDbEntity", "ACDBENTITY"));
}

}  // namespace
