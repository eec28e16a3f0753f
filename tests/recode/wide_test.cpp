// The wide build's cases: UTF-16 strings, code-page steps, escape options.
#ifndef ARX_NARROW

#include "recode_test_util.h"

namespace {

// Runs a test body under a given ANSI code page.
class Wide : public RecodeTest {
  protected:
    void ansi(UINT cp) { setAnsiCodePage(cp); }
};

using std::u16string;

// Every character of code page `cp` except NUL, in byte order.
u16string allCharacters(UINT cp) {
    const char16_t* table = codePageTable(cp);
    u16string s;
    for (int b = 1; b < 256; ++b)
        s.push_back(table[b]);
    return s;
}

// ----- DosToWindows / WindowsToDos -------------------------------------------

TEST_F(Wide, DosToWindowsReadsSystemBytesAsDos) {
    EXPECT_EQ(recoded(u"ЏаЁўҐв", DosToWindows), u"Привет");
    EXPECT_EQ(recoded(u"Ђ", DosToWindows), u"А");
    EXPECT_EQ(recoded(u"Layer 1", DosToWindows), u"Layer 1");
    // Under 1252 the same bytes stand for other characters: À is 0xC0 (└ in 866).
    ansi(1252);
    EXPECT_EQ(recoded(u"À", DosToWindows), u"└");
    // Under 1251 À is not in the code page; its best fit is A.
    ansi(1251);
    EXPECT_EQ(recoded(u"À", DosToWindows), u"A");
}

TEST_F(Wide, DosToWindowsUnrepresentableCharacters) {
    EXPECT_EQ(recoded(u"a中b", DosToWindows), u"a?b");
    // A surrogate pair is one character and gives one '?'.
    EXPECT_EQ(recoded(u"a\U0001F600b", DosToWindows), u"a?b");
}

TEST_F(Wide, WindowsToDosWritesDosBytesAsSystemCharacters) {
    EXPECT_EQ(recoded(u"Привет", WindowsToDos), u"ЏаЁўҐв");
    EXPECT_EQ(recoded(u"А", WindowsToDos), u"Ђ");
    ansi(1252);
    EXPECT_EQ(recoded(u"А", WindowsToDos), u"€");
}

TEST_F(Wide, DosPercentEscapesNameBytesBetweenTheSteps) {
    EXPECT_EQ(recoded(u"%%128", DosToWindows), u"А");
    EXPECT_EQ(recoded(u"%%128", WindowsToDos), u"Ђ");
    EXPECT_EQ(recoded(u"%%%065", DosToWindows), u"%A");
    // Three ASCII digits are required here.
    EXPECT_EQ(recoded(u"%%12x %% 65", DosToWindows), u"%%12x %% 65");
    EXPECT_EQ(recoded(u"%%000%%256", WindowsToDos), u"%%000%%256");
    EXPECT_EQ(recoded(u"%%12", DosToWindows), u"%%12");
    ansi(1252);
    EXPECT_EQ(recoded(u"%%128", WindowsToDos), u"€");
    // Fullwidth percent signs and digits become ASCII bytes in the first step.
    EXPECT_EQ(recoded(u"％％０６５", DosToWindows), u"A");
}

TEST_F(Wide, DosRoundTripUnderBothCodePages) {
    for (UINT cp : {1251u, 1252u}) {
        ansi(cp);
        const u16string all = allCharacters(cp);
        EXPECT_EQ(recoded(recoded(all, DosToWindows), WindowsToDos), all) << cp;
        EXPECT_EQ(recoded(recoded(u"Привет, мир", WindowsToDos), DosToWindows), u"Привет, мир");
    }
}

TEST_F(Wide, PercentOptionOffLeavesPercentSequences) {
    recodeOptions.escapePercent = false;
    EXPECT_EQ(recoded(u"%%128", DosToWindows), u"%%128");
    EXPECT_EQ(recoded(u"%%065", Latin1ToWindows), u"%%065");
    EXPECT_EQ(recoded(u"%%192", CyrillicToWindows), u"%%192");
    // The other escapes still work.
    EXPECT_EQ(recoded(u"\\U+0041%%065", Latin1ToWindows), u"A%%065");
    EXPECT_EQ(recoded(u"\\U+0410\\M+000C1", CyrillicToWindows), u"АБ");
}

// ----- Latin1ToWindows -------------------------------------------------------

TEST_F(Wide, Latin1FormMap) {
    EXPECT_EQ(recoded(u"Ïðèâåò", Latin1ToWindows), u"Привет");
    EXPECT_EQ(recoded(u"¨æ", Latin1ToWindows), u"Ёж");
    EXPECT_EQ(recoded(u"\u00A5\u00B4", Latin1ToWindows), u"Ѓѓ");
    EXPECT_EQ(recoded(u"Ёж Layer ©", Latin1ToWindows), u"Ёж Layer ©");
}

TEST_F(Wide, Latin1UnicodeEscapesAreNotRemapped) {
    EXPECT_EQ(recoded(u"\\U+0041", Latin1ToWindows), u"A");
    EXPECT_EQ(recoded(u"\\u+00c0À", Latin1ToWindows), u"ÀА");
    EXPECT_EQ(recoded(u"\\U+4E2D", Latin1ToWindows), u"中");
    EXPECT_EQ(recoded(u"\\U+04G0À", Latin1ToWindows), u"\\U+04G0А");
    EXPECT_EQ(recoded(u"À\\U+041", Latin1ToWindows), u"А\\U+041");
    EXPECT_EQ(recoded(u"\\U+", Latin1ToWindows), u"\\U+");
    recodeOptions.escapeUnicode = false;
    EXPECT_EQ(recoded(u"\\U+0041", Latin1ToWindows), u"\\U+0041");
}

TEST_F(Wide, EscapeOfNulStaysAsText) {
    EXPECT_EQ(recoded(u"a\\U+0000b", Latin1ToWindows), u"a\\U+0000b");
    EXPECT_EQ(recoded(u"\\U+0000À", Latin1ToWindows), u"\\U+0000А");
    EXPECT_EQ(recoded(u"a\\M+10000b\\M+00000", CyrillicToWindows), u"a\\M+10000b\\M+00000");
    EXPECT_EQ(recoded(u"\\U+0000", CyrillicToWindows), u"\\U+0000");
}

TEST_F(Wide, HexDigitsAreTestedThroughTheSystemCodePage) {
    // Fullwidth digits have ASCII digits as their best fit.
    EXPECT_EQ(recoded(u"\\U+０４１０", Latin1ToWindows), u"А");
    EXPECT_EQ(recoded(u"\\U+０４１０", CyrillicToWindows), u"А");
    // ² is not in 1251 (best fit 2) but is byte 0xB2 of 1252.
    EXPECT_EQ(recoded(u"\\U+04²0", Latin1ToWindows), u"Р");
    ansi(1252);
    EXPECT_EQ(recoded(u"\\U+04²0", Latin1ToWindows), u"\\U+04І0");
    EXPECT_EQ(recoded(u"\\U+04²0", CyrillicToWindows), u"\\U+04²0");
}

TEST_F(Wide, Latin1RoundTrip) {
    const u16string text =
        u"Ёлка ЄєІіЇїЃѓ АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя 42";
    EXPECT_EQ(recoded(recoded(text, WindowsToLatin1), Latin1ToWindows), text);
}

// ----- CyrillicToWindows -----------------------------------------------------

TEST_F(Wide, CyrillicExtraLettersGoThroughCodePage1251) {
    EXPECT_EQ(recoded(u"\\U+0403\\U+0453", CyrillicToWindows), u"Ґґ");
    ansi(1252);
    EXPECT_EQ(recoded(u"\\U+0403\\U+0401", CyrillicToWindows), u"ҐЁ");
    EXPECT_EQ(recoded(u"\\U+0410", CyrillicToWindows), u"А");
}

TEST_F(Wide, MultibyteEscapes) {
    EXPECT_EQ(recoded(u"\\M+100C0\\m+8a0c1", CyrillicToWindows), u"АБ");
    EXPECT_EQ(recoded(u"\\M+100CZ", CyrillicToWindows), u"\\M+100CZ");
    EXPECT_EQ(recoded(u"\\M+100C", CyrillicToWindows), u"\\M+100C");
    ansi(1252);
    EXPECT_EQ(recoded(u"\\M+100C0%%192", CyrillicToWindows), u"ÀÀ");
    ansi(1251);
    recodeOptions.escapeMultibyte = false;
    EXPECT_EQ(recoded(u"\\M+100C0\\U+0410", CyrillicToWindows), u"\\M+100C0А");
}

TEST_F(Wide, CyrillicUnicodeOptionOffAlone) {
    recodeOptions.escapeUnicode = false;
    EXPECT_EQ(recoded(u"\\U+0410\\M+100C0%%192", CyrillicToWindows), u"\\U+0410АА");
}

TEST_F(Wide, CyrillicWithEveryEscapeOffChangesNothing) {
    recodeOptions.escapeUnicode = recodeOptions.escapeMultibyte = recodeOptions.escapePercent =
        false;
    const u16string text = u"\\U+0410\\M+100C0%%192 Ïðèâåò";
    EXPECT_EQ(recoded(text, CyrillicToWindows), text);
}

// ----- WindowsToLatin1 / WindowsToCyrillic -----------------------------------

TEST_F(Wide, WindowsToLatin1) {
    EXPECT_EQ(recoded(u"Ёж", WindowsToLatin1), u"\u00A8\u00E6");
    EXPECT_EQ(recoded(u"Ґґ Ѓ ЎЂ", WindowsToLatin1), u"Ґґ \u00A5 ЎЂ");
    // Escapes play no part and the options are not read.
    recodeOptions.escapePercent = recodeOptions.escapeUnicode = false;
    EXPECT_EQ(recoded(u"\\U+0410%%065Я", WindowsToLatin1), u"\\U+0410%%065\u00DF");
}

TEST_F(Wide, WindowsToCyrillicTestsTheSystemByte) {
    EXPECT_EQ(recoded(u"ҐЃ", WindowsToCyrillic), u"\\U+0403Ѓ");
    ansi(1252);
    // А has no byte in 1252; À is byte 0xC0 there.
    EXPECT_EQ(recoded(u"АÀ", WindowsToCyrillic), u"А\\U+0410");
}

TEST_F(Wide, WindowsToCyrillicKeepsAstralCharactersAligned) {
    EXPECT_EQ(recoded(u"А\U0001F600б\U0001F600", WindowsToCyrillic),
              u"\\U+0410\U0001F600\\U+0431\U0001F600");
}

TEST_F(Wide, ReallocatingDirectionsMakeAnExactCopy) {
    for (int mode : {WindowsToLatin1, WindowsToCyrillic}) {
        char16_t* text = acStrDup(u"Ёж");
        recodeString(text, mode);
        EXPECT_EQ(u16string(text), mode == WindowsToLatin1 ? u"\u00A8\u00E6" : u"\\U+0401\\U+0436");
        acStrFree(text);
    }
}

TEST_F(Wide, LongStringsUseTheHeapBuffer) {
    u16string text, dos, escaped;
    for (int i = 0; i < 300; ++i) {
        text += u"Привет ";
        dos += u"ЏаЁўҐв ";
        escaped += u"\\U+041F\\U+0440\\U+0438\\U+0432\\U+0435\\U+0442 ";
    }
    EXPECT_EQ(recoded(dos, DosToWindows), text);
    EXPECT_EQ(recoded(text, WindowsToDos), dos);
    EXPECT_EQ(recoded(text, WindowsToCyrillic), escaped);
    EXPECT_EQ(recoded(escaped, CyrillicToWindows), text);
}

}  // namespace

#endif  // ARX_NARROW
