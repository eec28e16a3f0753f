// The narrow build's cases: bytes of code page 1251 (this file's literals are
// encoded in 1251 by the compiler), fixed tables, escapes always on.
#ifdef ARX_NARROW

#include <map>

#include "recode/tables.h"
#include "recode_test_util.h"

namespace {

using Narrow = RecodeTest;
using std::string;

// The byte of code page `to` holding the character of byte `b` of code page
// `from`, or -1 when `to` lacks it (published tables of the platform).
int sameCharacter(UINT from, UINT to, int b) {
    const char16_t c = codePageTable(from)[b];
    const char16_t* target = codePageTable(to);
    for (int k = 0; k < 256; ++k)
        if (target[k] == c) return k;
    return -1;
}

std::map<int, int> substitutes(std::initializer_list<std::pair<const char*, int>> rows) {
    std::map<int, int> m;
    for (const auto& [bytes, entry] : rows) {
        for (const char* p = bytes; *p;) {
            char* end;
            m[static_cast<int>(std::strtol(p, &end, 16))] = entry;
            p = end;
        }
    }
    return m;
}

TEST_F(Narrow, WindowsToDosTableEveryByte) {
    const auto subst = substitutes({
        {"80 81 83 88 8A 8C 8D 8E 8F 90 98 9A 9C 9D 9E 9F A3 A5 B4 BC BD BE", 0x5F},
        {"82 91 92", 0x27},
        {"84 93 94", 0x22},
        {"85", 0x3A},
        {"86", 0xC5},
        {"87", 0xD8},
        {"89", 0x25},
        {"8B AB", 0x3C},
        {"95", 0x07},
        {"96 97 AD", 0x2D},
        {"99", 0x54},
        {"9B BB", 0x3E},
        {"A6", 0xB3},
        {"A7", 0x15},
        {"A9", 0x63},
        {"AC", 0xBF},
        {"AE", 0x52},
        {"B1", 0x2B},
        {"B2", 0x49},
        {"B3", 0x69},
        {"B5", 0xE7},
        {"B6", 0x14},
    });
    for (int b = 0; b < 256; ++b) {
        int expected = b < 0x80 ? b : subst.count(b) ? subst.at(b) : sameCharacter(1251, 866, b);
        EXPECT_EQ(dosWindowsTables.windowsToDos[b], expected) << std::hex << b;
        if (b >= 0x80 && subst.count(b)) {
            EXPECT_EQ(sameCharacter(1251, 866, b), -1) << std::hex << b;
        }
    }
}

TEST_F(Narrow, DosToWindowsTableEveryByte) {
    const auto subst = substitutes({
        {"0F", 0xA4},
        {"14", 0xB6},
        {"15", 0xA7},
        {"B0 B1 B2 BC BD BE C4 D5 D9 DA DB DC DF", 0x2D},
        {"B3 B5 B6 B9 BA C6 C7 CA CC CF D0 DD DE FE", 0xA6},
        {"B4 C1 C3 C5 CE D7 D8", 0x2B},
        {"B7 B8 BB BF", 0xAC},
        {"C0 C8 D3 D4", 0x4C},
        {"C2 CB D1 D2", 0x54},
        {"C9 D6", 0xE3},
        {"CD", 0x3D},
        {"F9", 0x95},
        {"FB", 0x76},
    });
    for (int b = 0; b < 256; ++b) {
        int expected = subst.count(b) ? subst.at(b) : b < 0x80 ? b : sameCharacter(866, 1251, b);
        EXPECT_EQ(dosWindowsTables.dosToWindows[b], expected) << std::hex << b;
        if (b >= 0x80 && subst.count(b)) {
            EXPECT_EQ(sameCharacter(866, 1251, b), -1) << std::hex << b;
        }
    }
}

TEST_F(Narrow, DosToWindowsAndBack) {
    EXPECT_EQ(recoded("\x8F\xE0\xA8\xA2\xA5\xE2", DosToWindows), "Привет");
    EXPECT_EQ(recoded("Привет, мир", WindowsToDos), "\x8F\xE0\xA8\xA2\xA5\xE2, \xAC\xA8\xE0");
    EXPECT_EQ(recoded(recoded("Привет, мир! Ёё 123", WindowsToDos), DosToWindows),
              "Привет, мир! Ёё 123");
}

TEST_F(Narrow, LatinIBesideCyrillicLettersIsUkrainian) {
    // К (DOS 0x8A) then a Latin i: the i becomes і.
    EXPECT_EQ(recoded("\x8A"
                      "iev",
                      DosToWindows),
              "Кіev");
    // At both ends of the string, next to a Cyrillic letter.
    EXPECT_EQ(recoded("I\xA2", DosToWindows), "Ів");
    EXPECT_EQ(recoded("\xA2i", DosToWindows), "ві");
    // Between Latin letters and alone it stays Latin.
    EXPECT_EQ(recoded("AIB", DosToWindows), "AIB");
    EXPECT_EQ(recoded("I", DosToWindows), "I");
    EXPECT_EQ(recoded("i", DosToWindows), "i");
    // Neighbours are the source bytes after the %%nnn step.
    EXPECT_EQ(recoded("%%138i", DosToWindows), "Кі");
    // Neighbours across the 16-byte blocks the lookup works in.
    const string latin15 = "abcdefghjklmnop";
    EXPECT_EQ(recoded(latin15 + "I\xA2", DosToWindows), latin15 + "Ів");
    EXPECT_EQ(recoded(latin15 + "\xA2i", DosToWindows), latin15 + "ві");
    EXPECT_EQ(recoded(latin15 + "xi" + latin15, DosToWindows), latin15 + "xi" + latin15);
    // A pseudographic neighbour (0xB0, outside the letter ranges) is no letter.
    EXPECT_EQ(recoded("\xB0I", DosToWindows), "-I");
}

TEST_F(Narrow, UkrainianIRoundTrip) {
    EXPECT_EQ(recoded("Білий І", WindowsToDos), "\x81i\xAB\xA8\xA9 I");
    EXPECT_EQ(recoded(recoded("Білий І", WindowsToDos), DosToWindows), "Білий I");
}

TEST_F(Narrow, PercentEscapesReadLikeAtoi) {
    EXPECT_EQ(recoded("%%128", DosToWindows), "А");
    // The decoded byte goes through the table: 0x80 (Ђ) has no DOS letter.
    EXPECT_EQ(recoded("%%128", WindowsToDos), "_");
    EXPECT_EQ(recoded("%%12x", Latin1ToWindows), "\x0C");
    EXPECT_EQ(recoded("%% 65%%+66", Latin1ToWindows), "AB");
    EXPECT_EQ(recoded("%%-65%%000%%256", CyrillicToWindows), "%%-65%%000%%256");
    EXPECT_EQ(recoded("%%%065", Latin1ToWindows), "%A");
    EXPECT_EQ(recoded("a%%12", Latin1ToWindows), "a%%12");
}

TEST_F(Narrow, Latin1ToWindowsEscapesGiveBytes) {
    EXPECT_EQ(recoded("\\U+0410", Latin1ToWindows), "\x10");
    EXPECT_EQ(recoded("\\u+00c0\\U+00FF", Latin1ToWindows), "Ая");
    EXPECT_EQ(recoded("abc\xC0\xA5", Latin1ToWindows), "abc\xC0\xA5");
    EXPECT_EQ(recoded("\\U+04G0 \\U+041", Latin1ToWindows), "\\U+04G0 \\U+041");
}

TEST_F(Narrow, EscapeOfNulStaysAsText) {
    EXPECT_EQ(recoded("a\\U+0000b", Latin1ToWindows), "a\\U+0000b");
    EXPECT_EQ(recoded("a\\U+0400b", Latin1ToWindows), "a\\U+0400b");
    EXPECT_EQ(recoded("\\U+0000", CyrillicToWindows), "\\U+0000");
}

TEST_F(Narrow, CyrillicToWindowsEscapes) {
    EXPECT_EQ(recoded("\\U+0403\\U+0453\\U+0406", CyrillicToWindows), "\xA5\xB4І");
    EXPECT_EQ(recoded("%%192\\U+0041", CyrillicToWindows), "А\\U+0041");
}

TEST_F(Narrow, MultibyteEscapesAreNeverDecoded) {
    for (int m = 0; m < 4; ++m)
        EXPECT_EQ(recoded("\\M+100C0\\m+8a0c1", m), "\\M+100C0\\m+8a0c1") << m;
}

TEST_F(Narrow, WindowsToLatin1WritesTheBytesOwnValue) {
    EXPECT_EQ(recoded("Аж1", WindowsToLatin1),
              "\\U+00C0\\U+00E6"
              "1");
    EXPECT_EQ(recoded("\xA5\x81", WindowsToLatin1), "\\U+00A5\x81");
}

TEST_F(Narrow, WindowsToCyrillicWritesTheRowsCodePoint) {
    EXPECT_EQ(recoded("\xA5\xB4\x81", WindowsToCyrillic), "\\U+0403\\U+0453\x81");
}

TEST_F(Narrow, EveryByteRoundTripsThroughBothEscapeForms) {
    string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(recoded(recoded(all, WindowsToLatin1), Latin1ToWindows), all);
    EXPECT_EQ(recoded(recoded(all, WindowsToCyrillic), CyrillicToWindows), all);
}

}  // namespace

#endif  // ARX_NARROW
