#include <gtest/gtest.h>

#include <string>

#include "host/core/drawing.h"

namespace {

using hostcore::foldName;

TEST(FoldName, LatinAndCyrillicLettersFold) {
    EXPECT_EQ(foldName("Layer-1_a"), "LAYER-1_A");
    EXPECT_EQ(foldName("\xC3\xA9t\xC3\xA9"), "\xC3\x89T\xC3\x89");  // été
    EXPECT_EQ(foldName("\xD1\x81\xD0\xBB\xD0\xBE\xD0\xB9"),         // слой
              "\xD0\xA1\xD0\x9B\xD0\x9E\xD0\x99");
    EXPECT_EQ(foldName("\xD1\x91"), "\xD0\x81");  // ё
    EXPECT_EQ(foldName("\xE2\x82\xAC\xF0\x9F\x98\x80"), "\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(FoldName, BytesThatAreNoCharacterStayAsTheyAre) {
    // Escapes of undecodable file bytes (surrogate forms) pass unchanged.
    EXPECT_EQ(foldName("a\xED\xB2\x98"), "A\xED\xB2\x98");
    // Malformed sequences are copied byte by byte, the ASCII after them folded,
    // and an overlong 'a' is not taken for the letter.
    EXPECT_EQ(foldName("\xC3\x61"), "\xC3\x41");
    EXPECT_EQ(foldName("\xC1\xA1"), "\xC1\xA1");
    EXPECT_NE(foldName("\xC1\xA1"), foldName("a"));
    EXPECT_EQ(foldName("x\xE2\x82"), "X\xE2\x82");
    EXPECT_EQ(foldName("\xF5\x80\x80\x80\xFF"), "\xF5\x80\x80\x80\xFF");
}

TEST(NameReference, DynamicBlockApplicationNameIgnoresAsciiCase) {
    using hostcore::TableKind;
    for (const char* app :
         {"AcDbDynamicBlockTrueName", "ACDBDYNAMICBLOCKTRUENAME", "acdbdynamicblocktruename2"})
        EXPECT_EQ(hostcore::nameReference("INSERT", app, 1000, true, true), TableKind::BlockRecord)
            << app;
    EXPECT_EQ(hostcore::nameReference("INSERT", "AcDbDynamicBlockTrueName3", 1000, true, true),
              TableKind::None);
}

}  // namespace
