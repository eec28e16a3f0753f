// Behaviour shared by both builds.
#include <set>

#include "recode/tables.h"
#include "recode_test_util.h"

namespace {

using Common = RecodeTest;

TEST_F(Common, OptionsStartWithTheirDefaults) {
    RecodeOptions fresh;
    EXPECT_EQ(fresh.mode, DosToWindows);
    EXPECT_TRUE(fresh.recodeSymbolTables && fresh.recodeTextEntities && fresh.recodeExtendedData);
#ifndef ARX_NARROW
    EXPECT_TRUE(fresh.recodeFilePaths && fresh.escapeUnicode && fresh.escapeMultibyte &&
                fresh.escapePercent);
#endif
}

TEST_F(Common, LabelsInListOrder) {
    const AString expected[] = {ACRX_T("Dos -> Windows"),
                                ACRX_T("Windows -> Dos"),
                                ACRX_T("Unicode(Latin 1) -> Windows"),
                                ACRX_T("Unicode(Cirillic) -> Windows"),
                                ACRX_T("Windows -> Unicode(Latin 1)"),
                                ACRX_T("Windows -> Unicode(Cirillic)")};
    for (int m = 0; m < recodeModeCount; ++m)
        EXPECT_EQ(AString(recodeModeLabels[m]), expected[m]);
    EXPECT_EQ(WindowsToCyrillic, 5);
}

TEST_F(Common, NullTextAndUnknownModesAreLeftAlone) {
    ACHAR* none = nullptr;
    for (int m = -1; m <= 6; ++m) {
        recodeString(none, m);
        EXPECT_EQ(none, nullptr);
    }
    ACHAR* text = acStrDup(ACRX_T("\\U+0410 Привет %%065"));
    ACHAR* before = text;
    for (int m : {-1, 6, 100, -100}) {
        recodeString(text, m);
        EXPECT_EQ(text, before);
        EXPECT_EQ(AString(text), ACRX_T("\\U+0410 Привет %%065"));
    }
    acStrFree(text);
}

TEST_F(Common, EmptyStringStaysEmptyInEveryDirection) {
    for (int m = 0; m < recodeModeCount; ++m)
        EXPECT_EQ(recoded(ACRX_T(""), m), ACRX_T("")) << m;
}

TEST_F(Common, CyrillicLetterTableIsOneToOne) {
    std::set<int> bytes, codes;
    for (const auto& row : CyrillicLetterTable) {
        bytes.insert(row.byte);
        codes.insert(row.codePoint);
        EXPECT_GE(row.byte, 0xA5);
    }
    EXPECT_EQ(bytes.size(), 74u);
    EXPECT_EQ(codes.size(), 74u);
    EXPECT_FALSE(codes.count(0x0490) || codes.count(0x0491));
}

TEST_F(Common, WindowsToCyrillicWritesEscapesAndKeepsTheRest) {
    EXPECT_EQ(recoded(ACRX_T("Аб1"), WindowsToCyrillic), ACRX_T("\\U+0410\\U+0431") ACRX_T("1"));
    EXPECT_EQ(recoded(ACRX_T("Ёё Layer-7 \\U+0410"), WindowsToCyrillic),
              ACRX_T("\\U+0401\\U+0451 Layer-7 \\U+0410"));
}

TEST_F(Common, CyrillicToWindowsDecodesLetterEscapes) {
    EXPECT_EQ(recoded(ACRX_T("\\U+0410\\u+044f\\U+0401"), CyrillicToWindows), ACRX_T("АяЁ"));
    EXPECT_EQ(recoded(ACRX_T("\\U+0041\\U+0490"), CyrillicToWindows), ACRX_T("\\U+0041\\U+0490"));
    EXPECT_EQ(recoded(ACRX_T("Слой 1, layer 2"), CyrillicToWindows), ACRX_T("Слой 1, layer 2"));
    // Cut off at the end of the string.
    EXPECT_EQ(recoded(ACRX_T("А\\U+041"), CyrillicToWindows), ACRX_T("А\\U+041"));
    EXPECT_EQ(recoded(ACRX_T("\\U+"), CyrillicToWindows), ACRX_T("\\U+"));
}

TEST_F(Common, EscapeFormRoundTrip) {
    const AString text = ACRX_T(
        "Ёлка, ЄєІіЇї — АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя 42");
    EXPECT_EQ(recoded(recoded(text, WindowsToCyrillic), CyrillicToWindows), text);
}

TEST_F(Common, PercentEscapes) {
    EXPECT_EQ(recoded(ACRX_T("%%065"), Latin1ToWindows), ACRX_T("A"));
    EXPECT_EQ(recoded(ACRX_T("%%%065"), Latin1ToWindows), ACRX_T("%A"));
    EXPECT_EQ(recoded(ACRX_T("%%000 %%256"), Latin1ToWindows), ACRX_T("%%000 %%256"));
    EXPECT_EQ(recoded(ACRX_T("x%%12x"), Latin1ToWindows), ACRX_T("x\x0C"));
    EXPECT_EQ(recoded(ACRX_T("a%%"), Latin1ToWindows), ACRX_T("a%%"));
    EXPECT_EQ(recoded(ACRX_T("a%%12"), Latin1ToWindows), ACRX_T("a%%12"));
    EXPECT_EQ(recoded(ACRX_T("%%192"), CyrillicToWindows), ACRX_T("А"));
}

}  // namespace
