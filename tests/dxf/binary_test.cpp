// Binary DXF: detection, conversion to ASCII, checked against ezdxf's reading of the same files.
#include "host/dxf/hex.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using dxftest::readTags;
using dxftest::Tag;

namespace {

const std::string kSentinel(dxf::kBinarySentinel);

// Builders for hand-made binary DXF bytes.
std::string code2(int code) { return {static_cast<char>(code & 0xFF), static_cast<char>((code >> 8) & 0xFF)}; }
std::string str(std::string_view s) { return std::string(s) + '\0'; }
template <class T> std::string raw(T v) {
    std::string s(sizeof v, '\0');
    std::memcpy(s.data(), &v, sizeof v);
    return s;
}

std::string convert(const std::string& bin, std::string* error = nullptr) {
    std::string out, err;
    bool ok = dxf::binaryToAscii(bin, out, err);
    EXPECT_EQ(ok, err.empty());
    if (error) *error = err;
    return out;
}

TEST(BinaryDxf, Detection) {
    EXPECT_TRUE(dxf::isBinaryDxf(kSentinel));
    EXPECT_TRUE(dxf::isBinaryDxf(kSentinel + "more"));
    EXPECT_FALSE(dxf::isBinaryDxf(kSentinel.substr(0, 21)));
    EXPECT_FALSE(dxf::isBinaryDxf("AutoCAD Binary DXF\r\n\x1a"));
    EXPECT_FALSE(dxf::isBinaryDxf("  0\nSECTION\n"));
    EXPECT_TRUE(dxf::looksLikeDwg("AC1015\0\0\0\0\0\0"));
    EXPECT_TRUE(dxf::looksLikeDwg("AC1032"));
    EXPECT_TRUE(dxf::looksLikeDwg("AC1.50"));
    EXPECT_FALSE(dxf::looksLikeDwg("AC10"));
    EXPECT_FALSE(dxf::looksLikeDwg("  0\nSECTION"));
    EXPECT_FALSE(dxf::looksLikeDwg("ACAD12"));
    EXPECT_FALSE(dxf::looksLikeDwg(kSentinel));
}

TEST(BinaryDxf, EveryValueKindWithTwoByteCodes) {
    std::string bin = kSentinel + code2(0) + str("SECTION") + code2(2) + str("ENTITIES") +
                      code2(5) + str("1F") + code2(10) + raw(0.1) + code2(20) + raw(-2.5) + code2(30) + raw(1e300) +
                      code2(62) + raw<int16_t>(-32768) + code2(90) + raw<int32_t>(-2147483647 - 1) +
                      code2(160) + raw<int64_t>(INT64_MAX) + code2(280) + raw<int16_t>(255) +
                      code2(290) + raw<uint8_t>(1) + code2(310) + '\x03' + std::string("\x00\xAB\xff", 3) + code2(311) + '\0' +
                      code2(330) + str("") + code2(1071) + raw<int32_t>(70000) + code2(1004) + '\x01' + '\x7f' +
                      code2(999) + str("comment") + code2(0) + str("ENDSEC") + code2(0) + str("EOF");
    EXPECT_EQ(convert(bin),
              "  0\nSECTION\n  2\nENTITIES\n  5\n1F\n 10\n0.1\n 20\n-2.5\n 30\n1.000000000000000E+300\n 62\n-32768\n"
              " 90\n-2147483648\n160\n9223372036854775807\n280\n   255\n290\n     1\n310\n00ABFF\n311\n\n"
              "330\n\n1071\n    70000\n1004\n7F\n999\ncomment\n  0\nENDSEC\n  0\nEOF\n");
}

TEST(BinaryDxf, OneByteCodesBeforeR13) {
    // Before R13 a group code is one byte; 255 introduces a two-byte code (extended data).
    std::string bin = kSentinel + '\0' + str("SECTION") + '\x02' + str("HEADER") + '\x09' + str("$ACADVER") +
                      '\x01' + str("AC1009") + '\x46' + raw<int16_t>(3) + '\xff' + code2(1071) +
                      raw<int32_t>(-70000) + '\xff' + code2(1004) + '\x02' + "\x01\x02" + '\0' + str("EOF");
    EXPECT_EQ(convert(bin), "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n 70\n     3\n1071\n   -70000\n"
                            "1004\n0102\n  0\nEOF\n");
    // The same without $ACADVER: the first tag decides.
    std::string noVersion = kSentinel + '\0' + str("SECTION") + '\x0a' + raw(4.5) + '\0' + str("EOF");
    EXPECT_EQ(convert(noVersion), "  0\nSECTION\n 10\n4.5\n  0\nEOF\n");
}

TEST(BinaryDxf, IntegersInAutoCadsFields) {
    std::string bin = kSentinel + code2(70) + raw<int16_t>(0) + code2(90) + raw<int32_t>(329) + code2(160) +
                      raw<int64_t>(9512) + code2(290) + raw<uint8_t>(0) + code2(420) + raw<int32_t>(-1234567890) +
                      code2(0) + str("EOF");
    EXPECT_EQ(convert(bin), " 70\n     0\n 90\n      329\n160\n              9512\n290\n     0\n"
                            "420\n-1234567890\n  0\nEOF\n");
}

TEST(BinaryDxf, ControlCharactersAndCaretsInCaretForm) {
    // AutoCAD writes these raw in a binary DXF and in caret form in an ASCII DXF.
    std::string bin = kSentinel + code2(1) + str("line one\nline two\ttab ^ caret \x01\x1f\r") + code2(0) + str("EOF");
    std::string ascii = convert(bin);
    EXPECT_EQ(ascii, "  1\nline one^Jline two^Itab ^  caret ^A^_^M\n  0\nEOF\n");
    auto tags = readTags(ascii);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(dxftest::uncaret(tags[0].value), "line one\nline two\ttab ^ caret \x01\x1f\r");
}

TEST(BinaryDxf, StopsAtEofAndAcceptsAnEmptyBody) {
    EXPECT_EQ(convert(kSentinel), "");
    EXPECT_EQ(convert(kSentinel + code2(0) + str("EOF") + "trailing junk \xff"), "  0\nEOF\n");
}

TEST(BinaryDxf, MalformedInputReportsTheByteOffset) {
    struct Case {
        std::string bin;
        std::string error;
    };
    const std::string head = kSentinel + code2(0) + str("SECTION");   // 32 bytes
    const Case cases[] = {
        {"  0\nSECTION\n", "byte offset 0: not a binary DXF: the 22-byte sentinel is missing"},
        {head + code2(10) + "\x01\x02\x03",
         "byte offset 32: value of group code 10 cut off by the end of the file (8 bytes needed, 3 left)"},
        {head + code2(70) + "\x01", "byte offset 32: value of group code 70 cut off by the end of the file (2 bytes needed, 1 left)"},
        {head + code2(90), "byte offset 32: value of group code 90 cut off by the end of the file (4 bytes needed, 0 left)"},
        {head + code2(160) + "1234567", "byte offset 32: value of group code 160 cut off by the end of the file (8 bytes needed, 7 left)"},
        {head + code2(290), "byte offset 32: value of group code 290 cut off by the end of the file (1 bytes needed, 0 left)"},
        {head + code2(1) + "no terminator", "byte offset 32: string value of group code 1 not terminated before the end of the file"},
        {head + code2(310) + '\x10' + "short", "byte offset 32: value of group code 310 cut off by the end of the file (16 bytes needed, 5 left)"},
        {head + code2(310), "byte offset 32: value of group code 310 cut off by the end of the file (1 bytes needed, 0 left)"},
        {head + "\x01", "byte offset 32: group code cut off by the end of the file"},
        {kSentinel + '\0' + str("SECTION") + '\xff' + "\x01", "byte offset 31: group code cut off by the end of the file"},
    };
    for (const auto& c : cases) {
        std::string err;
        std::string out = convert(c.bin, &err);
        EXPECT_EQ(err, c.error);
        if (c.bin.size() > 32 && c.bin.compare(0, 22, kSentinel) == 0 && c.bin[23] == 0) {
            EXPECT_EQ(out.substr(0, 12), "  0\nSECTION\n") << "tags before the fault are kept";
        }
    }
}

TEST(FormatDouble, ShortestTextThatReadsBack) {
    auto fmt = [](double v) {
        std::string s;
        dxf::formatDouble(v, s);
        return s;
    };
    EXPECT_EQ(fmt(0.0), "0.0");
    EXPECT_EQ(fmt(-0.0), "-0.0");
    EXPECT_EQ(fmt(1.0), "1.0");
    EXPECT_EQ(fmt(-250.0), "-250.0");
    EXPECT_EQ(fmt(0.1), "0.1");
    EXPECT_EQ(fmt(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(fmt(1e20), "1.000000000000000E+20");
    EXPECT_EQ(fmt(-1e20), "-1.000000000000000E+20");
    EXPECT_EQ(fmt(1.224646799147353e-16), "1.224646799147353E-16");
    EXPECT_EQ(fmt(1.2246467991473532e-16), "1.2246467991473532E-16");   // 16 decimals when needed
    EXPECT_EQ(fmt(2.5e-310), "2.500000000000000E-310");
    EXPECT_EQ(fmt(0.0001), "0.0001");
    EXPECT_EQ(fmt(-6.8702555e-9), "-0.0000000068702555");
    EXPECT_EQ(fmt(1852.1856335495922), "1852.1856335495922");
    EXPECT_EQ(fmt(1e15), "1000000000000000.0");
    EXPECT_EQ(fmt(1e16), "1.000000000000000E+16");
    EXPECT_EQ(fmt(INFINITY), "inf");
    EXPECT_EQ(fmt(-INFINITY), "-inf");
    for (double v : {3.141592653589793, 1e-5, 123456789.125, 6.02214076e23, 5e-324, 1.7976931348623157e308,
                     -2.2250738585072014e-308, 1e-10, 9.999999999999999e-11, 9999999999999998.0}) {
        std::string s = fmt(v);
        EXPECT_EQ(std::strtod(s.c_str(), nullptr), v) << s;
    }
}

// Checks binaryToAscii against the dump ezdxf made of the same file (data/make_binary.py).
void compareWithEzdxf(const std::string& name) {
    const std::string dir = DXF_TEST_DATA;
    std::string bin = dxftest::readFile(dir + "/" + name + ".dxf");
    std::string dump = dxftest::readFile(dir + "/" + name + ".tags");
    ASSERT_FALSE(bin.empty());
    ASSERT_FALSE(dump.empty());
    ASSERT_TRUE(dxf::isBinaryDxf(bin));
    std::string err;
    std::string ascii = convert(bin, &err);
    ASSERT_EQ(err, "");
    auto tags = readTags(ascii, &err);
    ASSERT_EQ(err, "");

    std::istringstream lines(dump);
    std::string line;
    std::size_t i = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(i, tags.size()) << name << ": fewer tags than ezdxf reads";
        const Tag& t = tags[i++];
        std::istringstream fields(line);
        int code;
        std::string kind, value;
        fields >> code >> kind;
        std::getline(fields >> std::ws, value);
        SCOPED_TRACE(name + " tag " + std::to_string(i) + ": " + line);
        ASSERT_EQ(t.code, code);
        if (kind == "s") {
            std::string bytes, hexErr;
            ASSERT_TRUE(dxf::hexDecode(value, bytes, hexErr)) << hexErr;
            EXPECT_EQ(dxftest::uncaret(t.value), bytes);
        } else if (kind == "d") {
            double mine = std::strtod(t.value.c_str(), nullptr), theirs = std::strtod(value.c_str(), nullptr);
            EXPECT_EQ(mine, theirs);
            EXPECT_EQ(std::signbit(mine), std::signbit(theirs));
            EXPECT_NE(t.value.find_first_of(".ei"), std::string::npos) << "a double always looks like one";
        } else if (kind == "i") {
            EXPECT_EQ(t.value, value);
        } else if (kind == "b") {
            EXPECT_EQ(t.value, value);
        } else {
            FAIL() << "unknown kind " << kind;
        }
    }
    EXPECT_EQ(i, tags.size()) << name << ": more tags than ezdxf reads";
}

TEST(BinaryDxf, AgreesWithEzdxfOnEveryValueKind) { compareWithEzdxf("every_value_r2018"); }
TEST(BinaryDxf, AgreesWithEzdxfOnOneByteCodes) { compareWithEzdxf("r12_one_byte_codes"); }
TEST(BinaryDxf, AgreesWithEzdxfOnCp1251Strings) { compareWithEzdxf("cp1251_r2000"); }

}  // namespace
