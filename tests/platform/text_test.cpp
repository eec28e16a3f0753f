#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

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
    // Past U+10FFFF there is no code point to write.
    EXPECT_EQ(utf8(0x110000), "\xEF\xBF\xBD");
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

// Length read from the start of `bytes` (0: no sequence), and its code point.
std::pair<std::size_t, char32_t> read(std::string_view bytes, bool allowSurrogates = false) {
    char32_t cp = 0xABCDEF;
    std::size_t len = platform::readUtf8(reinterpret_cast<const unsigned char*>(bytes.data()),
                                         bytes.size(), allowSurrogates, cp);
    return {len, len ? cp : 0};
}

TEST(Utf8Reader, WellFormedSequencesEveryLength) {
    using R = std::pair<std::size_t, char32_t>;
    EXPECT_EQ(read("A"), R(1, 0x41));
    EXPECT_EQ(read(std::string_view("\0", 1)), R(1, 0));
    EXPECT_EQ(read("\xC2\x80"), R(2, 0x80));
    EXPECT_EQ(read("\xDF\xBF"), R(2, 0x7FF));
    EXPECT_EQ(read("\xE0\xA0\x80"), R(3, 0x800));
    EXPECT_EQ(read("\xEF\xBF\xBFtail"), R(3, 0xFFFF));  // only the first sequence
    EXPECT_EQ(read("\xF0\x90\x80\x80"), R(4, 0x10000));
    EXPECT_EQ(read("\xF4\x8F\xBF\xBF"), R(4, 0x10FFFF));
    // Everything the encoder writes reads back, at every length.
    for (char32_t cp : {0x7FU, 0x416U, 0x20ACU, 0xFFFDU, 0x1F600U}) {
        EXPECT_EQ(read(utf8(cp)), R(utf8(cp).size(), cp)) << std::hex << static_cast<unsigned>(cp);
    }
}

TEST(Utf8Reader, MalformedSequencesReadAsNothing) {
    const char* bad[] = {
        "",                  // no bytes
        "\x80",              // stray continuation byte
        "\xC0\x80",          // overlong NUL
        "\xC1\xA1",          // overlong 'a'
        "\xE0\x9F\xBF",      // overlong three-byte
        "\xF0\x8F\xBF\xBF",  // overlong four-byte
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xF5\x80\x80\x80",  // lead byte past F4
        "\xFF",
        "\xC3\x41",      // continuation byte missing
        "\xE2\x82",      // cut off
        "\xF0\x9F\x98",  // cut off
    };
    for (const char* b : bad)
        EXPECT_EQ(read(b).first, 0u) << testing::PrintToString(b);
    // The three-byte forms of surrogates only where they are allowed.
    EXPECT_EQ(read("\xED\xA0\x80").first, 0u);
    EXPECT_EQ(read("\xED\xB2\x80", true), std::make_pair(std::size_t{3}, char32_t{0xDC80}));
    EXPECT_EQ(read("\xED\x9F\xBF"), std::make_pair(std::size_t{3}, char32_t{0xD7FF}));
}

TEST(Utf8ToUtf16, StrayBytesBecomeEscapesAndComeBack) {
    EXPECT_EQ(platform::utf8ToUtf16(""), u"");
    EXPECT_EQ(platform::utf8ToUtf16("Layer \xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80"),
              u"Layer \u0416\u20AC\U0001F600");
    // Each byte that starts no sequence is one unit 0xDC00 + byte; the text after
    // it is not swallowed.
    EXPECT_EQ(platform::utf8ToUtf16("a\xE9/b"), u"a\xDCE9/b");
    EXPECT_EQ(platform::utf8ToUtf16("\xC3\x41\xF0\x9F"), u"\xDCC3\x41\xDCF0\xDC9F");
    // Lone surrogates kept by utf16ToUtf8 come back unit for unit.
    const std::u16string odd = u"x\xD800y\xDFFF\xDC80\xD83D\xDE00";
    EXPECT_EQ(platform::utf8ToUtf16(platform::utf16ToUtf8(odd)), odd);
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
