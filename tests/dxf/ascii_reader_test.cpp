// The ASCII tag reader, the tag writer and the code -> value type table.
#include "test_util.h"

#include <gtest/gtest.h>

using dxftest::readTags;
using dxftest::Tag;

namespace {

TEST(ValueType, RangesOfTheDxfReference) {
    using dxf::ValueType;
    struct Case {
        int from, to;
        ValueType type;
    };
    const Case cases[] = {
        {0, 4, ValueType::String},       {5, 5, ValueType::Handle},      {6, 9, ValueType::String},
        {10, 59, ValueType::Double},     {60, 79, ValueType::Int16},     {90, 99, ValueType::Int32},
        {100, 102, ValueType::String},   {105, 105, ValueType::Handle},  {110, 149, ValueType::Double},
        {160, 169, ValueType::Int64},    {170, 179, ValueType::Int16},   {210, 239, ValueType::Double},
        {270, 289, ValueType::Int16},    {290, 299, ValueType::Bool},    {300, 309, ValueType::String},
        {310, 319, ValueType::Binary},   {320, 369, ValueType::Handle},  {370, 389, ValueType::Int16},
        {390, 399, ValueType::Handle},   {400, 409, ValueType::Int16},   {410, 419, ValueType::String},
        {420, 429, ValueType::Int32},    {430, 439, ValueType::String},  {440, 459, ValueType::Int32},
        {460, 469, ValueType::Double},   {470, 479, ValueType::String},  {480, 481, ValueType::Handle},
        {999, 999, ValueType::Comment},  {1000, 1003, ValueType::String}, {1004, 1004, ValueType::Binary},
        {1005, 1005, ValueType::Handle}, {1010, 1059, ValueType::Double}, {1060, 1070, ValueType::Int16},
        {1071, 1071, ValueType::Int32},
    };
    for (const auto& c : cases)
        for (int code = c.from; code <= c.to; ++code) EXPECT_EQ(dxf::valueType(code), c.type) << "code " << code;
    // Codes the reference does not list are strings.
    for (int code : {-5, -1, 80, 89, 103, 104, 106, 150, 180, 240, 269, 482, 998, 1006, 1072, 5000, 65535})
        EXPECT_EQ(dxf::valueType(code), ValueType::String) << "code " << code;
}

TEST(AsciiTagReader, LfFile) {
    std::string err;
    auto tags = readTags("  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n  0\nEOF\n", &err);
    EXPECT_EQ(err, "");
    ASSERT_EQ(tags.size(), 6u);
    EXPECT_EQ(tags[0], (Tag{0, "SECTION", 0}));
    EXPECT_EQ(tags[3], (Tag{1, "AC1015", 0}));
    EXPECT_EQ(tags[0].line, 1u);
    EXPECT_EQ(tags[3].line, 7u);
    EXPECT_EQ(tags[5].line, 11u);
}

TEST(AsciiTagReader, CrlfAndMixedLineEnds) {
    auto crlf = readTags("  0\r\nSECTION\r\n  2\r\nHEADER\r\n  0\r\nEOF\r\n");
    ASSERT_EQ(crlf.size(), 3u);
    EXPECT_EQ(crlf[1], (Tag{2, "HEADER", 0}));
    EXPECT_EQ(crlf[2].line, 5u);
    auto mixed = readTags("  0\r\nSECTION\n  1\r\ntext\n  0\nEOF\r\n");
    ASSERT_EQ(mixed.size(), 3u);
    EXPECT_EQ(mixed[1].value, "text");
    EXPECT_EQ(mixed[2].value, "EOF");
}

TEST(AsciiTagReader, BlanksAroundCodesAndNumbersButNotStrings) {
    auto tags = readTags(" 10 \n  1.5  \n\t70\t\n\t  6 \r\n  1\n  two blanks each side  \n  0  \n  LINE \r\n"
                         "999\n  comment  \n  5\n 1F \n");
    ASSERT_EQ(tags.size(), 6u);
    EXPECT_EQ(tags[0], (Tag{10, "1.5", 0}));
    EXPECT_EQ(tags[1], (Tag{70, "6", 0}));
    EXPECT_EQ(tags[2], (Tag{1, "  two blanks each side  ", 0}));   // strings are kept as they are
    EXPECT_EQ(tags[3], (Tag{0, "LINE", 0}));                       // code 0 is trimmed
    EXPECT_EQ(tags[4], (Tag{999, "  comment  ", 0}));
    EXPECT_EQ(tags[5], (Tag{5, "1F", 0}));                          // handles are trimmed
}

TEST(AsciiTagReader, StringValueKeepsAStrayCarriageReturn) {
    // Only one line terminator is removed; a CR before "\r\n" belongs to the value.
    auto tags = readTags("  1\nabc\r\r\n  1\n\r\n");
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].value, "abc\r");
    EXPECT_EQ(tags[1].value, "");
}

TEST(AsciiTagReader, EmptyValuesAndLastLineWithoutTerminator) {
    auto tags = readTags("  1\n\n  0\nEOF");
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].value, "");
    EXPECT_EQ(tags[1].value, "EOF");
}

TEST(AsciiTagReader, EndOfBuffer) {
    std::string err = "x";
    EXPECT_TRUE(readTags("", &err).empty());
    EXPECT_EQ(err, "");
    // Blank lines, a DOS end-of-file byte and NUL padding after the last tag end the file cleanly.
    const std::string ends[] = {"\n  \r\n\x1a", "\x1a", std::string("\x1a\0\0\n", 4), " \t\r\n"};
    for (const std::string& end : ends) {
        auto tags = readTags("  0\nEOF\n" + end, &err);
        EXPECT_EQ(tags.size(), 1u);
        EXPECT_EQ(err, "");
    }
    // Not at the end, the same bytes are an error.
    readTags("  0\nA\n\x1a\n  0\nB\n", &err);
    EXPECT_EQ(err, "line 3: group code expected, found '?'");
}

TEST(AsciiTagReader, MissingValueAtEndOfFile) {
    for (const char* text : {"  0\nSECTION\n  2\n", "  0\nSECTION\n  2", "  0\r\nSECTION\r\n  2\r\n"}) {
        dxf::AsciiTagReader reader(text);
        dxf::RawTag tag;
        ASSERT_TRUE(reader.next(tag));
        EXPECT_FALSE(reader.next(tag));
        EXPECT_TRUE(reader.failed());
        EXPECT_EQ(reader.error(), "line 3: value of group code 2 expected, found the end of the file");
        EXPECT_FALSE(reader.next(tag)) << "the reader stays stopped after an error";
    }
}

TEST(AsciiTagReader, NonNumericGroupCodeNamesTheLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"  0\nSECTION\nabc\nx\n", "line 3: group code expected, found 'abc'"},
        {"  0\nSECTION\n  2\nHEADER\n1x\nx\n", "line 5: group code expected, found '1x'"},
        {"1.5\nx\n", "line 1: group code expected, found '1.5'"},
        {"-\nx\n", "line 1: group code expected, found '-'"},
        {"  0\nA\n\n  0\nB\n", "line 3: group code expected, found an empty line"},
        {"\x01\x02\nx\n", "line 1: group code expected, found '?" "?'"},
    };
    for (const auto& c : cases) {
        std::string err;
        readTags(c.text, &err);
        EXPECT_EQ(err, c.error) << c.text;
    }
    // A long bad line is quoted shortened.
    std::string err;
    readTags(std::string(200, 'z') + "\nx\n", &err);
    EXPECT_EQ(err, "line 1: group code expected, found '" + std::string(40, 'z') + "...'");
}

TEST(AsciiTagReader, HugeAndNegativeCodes) {
    auto tags = readTags("-1\nename\n-32768\nx\n65535\nx\n+7\nx\n0000000000010\n1.0\n");
    ASSERT_EQ(tags.size(), 5u);
    EXPECT_EQ(tags[0].code, -1);
    EXPECT_EQ(tags[1].code, -32768);
    EXPECT_EQ(tags[2].code, 65535);
    EXPECT_EQ(tags[3].code, 7);
    EXPECT_EQ(tags[4].code, 10);
    for (const char* bad : {"65536", "-32769", "99999999999999999999999999999", "-99999999999999999999999"}) {
        std::string err;
        auto none = readTags(std::string("  0\nX\n") + bad + "\nv\n", &err);
        EXPECT_EQ(none.size(), 1u);
        EXPECT_EQ(err, std::string("line 3: group code '") + bad + "' out of range");
    }
}

TEST(AsciiTagReader, OffsetAndLineOfTheNextTag) {
    std::string text = "\xEF\xBB\xBF  0\r\nSECTION\r\n  2\nHEADER\n";
    dxf::AsciiTagReader reader(text);
    EXPECT_TRUE(reader.hadBom());
    EXPECT_EQ(reader.offset(), 3u);
    EXPECT_EQ(reader.line(), 1u);
    dxf::RawTag tag;
    ASSERT_TRUE(reader.next(tag));
    EXPECT_EQ(tag.value, "SECTION");
    EXPECT_EQ(reader.offset(), 17u);
    EXPECT_EQ(reader.line(), 3u);
    ASSERT_TRUE(reader.next(tag));
    EXPECT_EQ(reader.offset(), text.size());
    EXPECT_FALSE(reader.next(tag));
    EXPECT_FALSE(reader.failed());
    EXPECT_FALSE(dxf::AsciiTagReader("  0\nX\n").hadBom());
}

TEST(AsciiTagReader, ValuesPointIntoTheBuffer) {
    std::string text = "  1\nhello\n";
    dxf::AsciiTagReader reader(text);
    dxf::RawTag tag;
    ASSERT_TRUE(reader.next(tag));
    EXPECT_EQ(tag.value.data(), text.data() + 4);
}

TEST(TagWriter, CodesRightAlignedLikeAutoCad) {
    std::string out;
    dxf::TagWriter w(out);
    w.write(0, "SECTION");
    w.write(10, "1.5");
    w.write(100, "AcDbEntity");
    w.write(1001, "ACAD");
    w.write(-1, "x");
    w.write(5, "");
    EXPECT_EQ(out, "  0\nSECTION\n 10\n1.5\n100\nAcDbEntity\n1001\nACAD\n -1\nx\n  5\n\n");
    std::string crlf;
    dxf::TagWriter wc(crlf, true);
    wc.write(2, "HEADER");
    wc.writeRaw("  0\r\nEOF\r\n");
    EXPECT_EQ(crlf, "  2\r\nHEADER\r\n  0\r\nEOF\r\n");
}

TEST(TagWriter, WhatIsWrittenReadsBack) {
    const std::vector<Tag> tags = {{0, "LINE", 0},   {5, "2A", 0},         {1, "  spaced  ", 0},
                                   {1, "", 0},       {1071, "-7", 0},      {999, "note", 0},
                                   {1, "a\rb", 0},   {-32768, "x", 0},     {65535, "y", 0}};
    for (bool crlf : {false, true}) {
        std::string out;
        dxf::TagWriter w(out, crlf);
        for (const auto& t : tags) w.write(t.code, t.value);
        std::string err;
        EXPECT_EQ(readTags(out, &err), tags) << "crlf " << crlf;
        EXPECT_EQ(err, "");
    }
}

}  // namespace
