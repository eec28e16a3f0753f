#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/codepage.h"

namespace {

std::u16string toWide(UINT cp, const std::string& bytes) {
    std::u16string out(bytes.size(), u'\0');
    int n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(),
                                static_cast<int>(out.size()));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string toBytes(UINT cp, const std::u16string& text, BOOL* usedDefault = nullptr,
                    const char* defaultChar = nullptr, DWORD flags = 0) {
    std::string out(text.size(), '\0');
    int n = WideCharToMultiByte(cp, flags, text.data(), static_cast<int>(text.size()), out.data(),
                                static_cast<int>(out.size()), defaultChar, usedDefault);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

TEST(CodePageTables, PublishedLetters) {
    EXPECT_EQ(toWide(1251, "\xCF\xF0\xE8\xE2\xE5\xF2"), u"Привет");
    EXPECT_EQ(toWide(866, "\x8F\xE0\xA8\xA2\xA5\xE2"), u"Привет");
    EXPECT_EQ(toWide(1252, "\xC0\xE9\x80"), u"Àé€");
    EXPECT_EQ(toWide(1250, "\x8A\xB9\xF8"), u"Šąř");
    EXPECT_EQ(toWide(1251, "\xA5\xB4\x81\x83"), u"ҐґЃѓ");
}

TEST(CodePageTables, EveryByteRoundTripsIncludingUndefinedOnes) {
    for (UINT cp : {866u, 1250u, 1251u, 1252u}) {
        const char16_t* table = codePageTable(cp);
        ASSERT_NE(table, nullptr) << cp;
        std::string all;
        for (int b = 1; b < 256; ++b)
            all.push_back(static_cast<char>(b));
        std::u16string wide = toWide(cp, all);
        ASSERT_EQ(wide.size(), all.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            EXPECT_EQ(wide[i], table[i + 1]);
        BOOL used = 1;
        EXPECT_EQ(toBytes(cp, wide, &used), all) << cp;
        EXPECT_FALSE(used);
    }
    // Undefined bytes keep their value in both directions.
    EXPECT_EQ(toWide(1251, "\x98"), u"\u0098");
    EXPECT_EQ(toBytes(1251, u"\u0098"), "\x98");
    EXPECT_EQ(toWide(1252, "\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
}

TEST(CodePageTables, SupportedPagesOnly) {
    EXPECT_TRUE(isSupportedCodePage(1250));
    EXPECT_FALSE(isSupportedCodePage(CP_ACP));
    EXPECT_FALSE(isSupportedCodePage(65001));
    EXPECT_EQ(codePageTable(437), nullptr);
    char16_t w[4];
    char b[4];
    EXPECT_EQ(MultiByteToWideChar(437, 0, "ab", 2, w, 4), 0);
    EXPECT_EQ(WideCharToMultiByte(65001, 0, u"ab", 2, b, 4, nullptr, nullptr), 0);
}

TEST(Conversion, TerminatedSourceCountsTheTerminator) {
    char16_t w[8] = {};
    EXPECT_EQ(MultiByteToWideChar(1251, 0, "\xC0\xE1", -1, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(1251, 0, "\xC0\xE1", -1, w, 8), 3);
    EXPECT_EQ(std::u16string(w), u"Аб");
    char b[8] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(WideCharToMultiByte(866, 0, u"Аб", -1, nullptr, 0, nullptr, nullptr), 3);
    EXPECT_EQ(WideCharToMultiByte(866, 0, u"Аб", -1, b, 8, nullptr, nullptr), 3);
    EXPECT_EQ(std::string(b), "\x80\xA1");
}

TEST(Conversion, SizeQueryAndShortBuffer) {
    char16_t w[2];
    char b[2];
    EXPECT_EQ(MultiByteToWideChar(1251, 0, "abc", 3, w, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(1251, 0, "abc", 3, w, 2), 0);
    EXPECT_EQ(WideCharToMultiByte(1251, 0, u"abc", 3, b, 0, nullptr, nullptr), 3);
    EXPECT_EQ(WideCharToMultiByte(1251, 0, u"abc", 3, b, 2, nullptr, nullptr), 0);
    // A surrogate pair needs one byte.
    EXPECT_EQ(WideCharToMultiByte(1251, 0, u"a\U0001F600", 3, b, 2, nullptr, nullptr), 2);
    EXPECT_EQ(MultiByteToWideChar(1251, 0, "abc", 0, w, 2), 0);
    EXPECT_EQ(MultiByteToWideChar(1251, 0, nullptr, 3, w, 2), 0);
    EXPECT_EQ(WideCharToMultiByte(1251, 0, u"abc", -2, b, 2, nullptr, nullptr), 0);
}

TEST(BestFit, StandInsWhereTheCodePageHasThem) {
    BOOL used = 1;
    EXPECT_EQ(toBytes(1251, u"éÀñőĆ", &used), "eAnoC");
    EXPECT_FALSE(used);
    EXPECT_EQ(toBytes(866, u"‘’“”–—…", &used), "''\"\"--.");
    EXPECT_FALSE(used);
    EXPECT_EQ(toBytes(1252, u"ＡＢｃ０９！～", &used), "ABc09!~");
    EXPECT_FALSE(used);
    EXPECT_EQ(toBytes(866, u"\u202FÀøŁ"), " AoL");  // narrow no-break space
    // Exact characters win over stand-ins.
    EXPECT_EQ(toBytes(1252, u"é“—"), "\xE9\x93\x97");
    EXPECT_EQ(toBytes(1251, u"«»"), "\xAB\xBB");
    EXPECT_EQ(toBytes(866, u"«»"), "<>");
    // Cyrillic letters with marks fall back to the plain letter.
    EXPECT_EQ(toBytes(866, u"Ѓѐ"), "\x83\xA5");
}

TEST(BestFit, DefaultCharacterWhenThereIsNoStandIn) {
    BOOL used = 0;
    EXPECT_EQ(toBytes(1252, u"aЖb", &used), "a?b");
    EXPECT_TRUE(used);
    const char star = '*';
    EXPECT_EQ(toBytes(1251, u"中\u0080", &used, &star), "**");
    EXPECT_TRUE(used);
    // A surrogate pair is one character, a lone surrogate one as well.
    EXPECT_EQ(toBytes(1251, u"x\U0001F600y", &used), "x?y");
    EXPECT_EQ(toBytes(1251, std::u16string(u"\xD800z\xDC00")), "?z?");
    // A literal question mark is no default.
    EXPECT_EQ(toBytes(1251, u"?", &used), "?");
    EXPECT_FALSE(used);
}

TEST(BestFit, SwitchedOffByFlag) {
    BOOL used = 0;
    EXPECT_EQ(toBytes(1251, u"éЖ", &used, nullptr, WC_NO_BEST_FIT_CHARS), "?\xC6");
    EXPECT_TRUE(used);
}

TEST(BestFit, NeverGivesNulOrQuestionMarkForOtherCharacters) {
    for (UINT cp : {866u, 1250u, 1251u, 1252u}) {
        for (unsigned u = 1; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF) continue;
            char16_t c = static_cast<char16_t>(u);
            char b = 'x';
            BOOL used = 0;
            ASSERT_EQ(WideCharToMultiByte(cp, 0, &c, 1, &b, 1, nullptr, &used), 1);
            ASSERT_NE(b, '\0') << cp << " U+" << std::hex << u;
            if (u != '?' && b == '?') {
                ASSERT_TRUE(used) << cp << " U+" << std::hex << u;
            }
        }
    }
}

TEST(AnsiCodePage, SetAndUsedByCpAcp) {
    UINT before = GetACP();
    setAnsiCodePage(1252);
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_EQ(toWide(CP_ACP, "\xC0"), u"À");
    EXPECT_EQ(codePageTable(CP_ACP), codePageTable(1252));
    setAnsiCodePage(437);  // unsupported: ignored
    EXPECT_EQ(GetACP(), 1252u);
    setAnsiCodePage(1251);
    EXPECT_EQ(toWide(CP_ACP, "\xC0"), u"А");
    EXPECT_EQ(toBytes(CP_ACP, u"Ё"), "\xA8");
    setAnsiCodePage(before);
}

TEST(AnsiEnvironment, ReadOnFirstUse) {
    const char* env = std::getenv("ARX_ANSI_CODEPAGE");
    if (env == nullptr) GTEST_SKIP() << "run by CTest with ARX_ANSI_CODEPAGE set";
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(env)));
}

TEST(AnsiEnvironment, DefaultIs1251) {
    if (std::getenv("ARX_ANSI_CODEPAGE") != nullptr) GTEST_SKIP();
    EXPECT_EQ(GetACP(), 1251u);
}

}  // namespace
