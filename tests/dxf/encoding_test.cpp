// Text codecs: code-page names, lossless decode/encode, \U+ escapes, UTF-16.
#include "host/dxf/encoding.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <iconv.h>

using dxf::Encoding;
using dxf::TextCodec;

namespace {

std::string dec(std::string_view bytes, const TextCodec& c) {
    std::string s;
    dxf::decode(bytes, c, s);
    return s;
}
std::string enc(std::string_view utf8, const TextCodec& c) {
    std::string s;
    dxf::encode(utf8, c, s);
    return s;
}
std::string allBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s.push_back(static_cast<char>(b));
    return s;
}
// Internal UTF-8 of the escape kept for an undecodable byte.
std::string esc(unsigned char b) {
    std::string s;
    dxf::decode(std::string(1, static_cast<char>(b)), {Encoding::Utf8, {}}, s);
    return s;
}

const TextCodec kUtf8{Encoding::Utf8, {}};
const TextCodec k1251{Encoding::Cp1251, {}};
const TextCodec k1252{Encoding::Cp1252, {}};
const TextCodec k866{Encoding::Cp866, {}};
const TextCodec k1250{Encoding::Cp1250, {}};

TEST(CodePageName, BuiltInPagesInAnyLetterCase) {
    for (const char* n : {"ANSI_1251", "ansi_1251", " Ansi_1251\r", "CP1251", "windows-1251"})
        EXPECT_EQ(dxf::codecFromCodePageName(n).enc, Encoding::Cp1251) << n;
    for (const char* n : {"DOS866", "dos866", "Dos866", "IBM866"})
        EXPECT_EQ(dxf::codecFromCodePageName(n).enc, Encoding::Cp866) << n;
    EXPECT_EQ(dxf::codecFromCodePageName("ANSI_1250").enc, Encoding::Cp1250);
    EXPECT_EQ(dxf::codecFromCodePageName("ANSI_1252").enc, Encoding::Cp1252);
    EXPECT_EQ(dxf::codecFromCodePageName("utf-8").enc, Encoding::Utf8);
}

TEST(CodePageName, UnknownNamesGiveCp1252) {
    for (const char* n : {"", "undefined", "UNDEFINED", "ANSI_", "ANSI_12x1", "DOS", "garbage", "ANSI_99999", "ANSI_1200"}) {
        TextCodec c = dxf::codecFromCodePageName(n);
        EXPECT_EQ(c.enc, Encoding::Cp1252) << n;
        EXPECT_EQ(c.iconvName, "") << n;
    }
}

TEST(CodePageName, OtherPagesGoThroughIconv) {
    struct Case {
        const char* name;
        const char* iconv;
    };
    const Case cases[] = {
        {"ANSI_932", "CP932"},   {"ansi_936", "CP936"},      {"ANSI_949", "CP949"},     {"ANSI_950", "CP950"},
        {"ANSI_874", "CP874"},   {"ANSI_1253", "CP1253"},    {"ANSI_1258", "CP1258"},   {"ANSI_1361", "JOHAB"},
        {"DOS850", "IBM850"},    {"dos850", "IBM850"},       {"DOS437", "IBM437"},      {"dos932", "CP932"},
        {"MACINTOSH", "MACINTOSH"}, {"MAC-ROMAN", "MACINTOSH"}, {"ISO8859-5", "ISO-8859-5"}, {"BIG5", "BIG5"},
        {"GB2312", "GB2312"},    {"KSC5601", "CP949"},
    };
    for (const auto& c : cases) {
        TextCodec codec = dxf::codecFromCodePageName(c.name);
        EXPECT_EQ(codec.enc, Encoding::Other) << c.name;
        EXPECT_EQ(codec.iconvName, c.iconv) << c.name;
    }
}

TEST(CodePageName, VersionDecidesUtf8) {
    EXPECT_EQ(dxf::codecForFile("AC1021", "ANSI_1251").enc, Encoding::Utf8);
    EXPECT_EQ(dxf::codecForFile("ac1032", "ANSI_1252").enc, Encoding::Utf8);
    EXPECT_EQ(dxf::codecForFile("AC1018", "ANSI_1251").enc, Encoding::Cp1251);
    EXPECT_EQ(dxf::codecForFile("AC1009", "").enc, Encoding::Cp1252);
    EXPECT_EQ(dxf::codecForFile("AC1015", "DOS866").enc, Encoding::Cp866);
    EXPECT_EQ(dxf::codecForFile("", "ANSI_1250").enc, Encoding::Cp1250);
    EXPECT_EQ(dxf::codecForFile("junk", "ANSI_1251").enc, Encoding::Cp1251);
    EXPECT_EQ(dxf::codecForFile("AC10xx", "ANSI_1251").enc, Encoding::Cp1251);
}

TEST(Decode, AsciiIsCopiedByEveryCodec) {
    std::string ascii = "LAYER 0 \\U+0410 ^J {\\fArial|b0;}";
    for (const auto& c : {kUtf8, k1251, k1252, k866, k1250, dxf::codecFromCodePageName("ANSI_932")}) {
        EXPECT_EQ(dec(ascii, c), ascii);
        EXPECT_EQ(enc(ascii, c), ascii);
    }
    EXPECT_TRUE(dxf::isPlainAscii(ascii));
    EXPECT_TRUE(dxf::isPlainAscii(""));
    EXPECT_FALSE(dxf::isPlainAscii("0123456789abcdef\x80"));
    EXPECT_FALSE(dxf::isPlainAscii("\xff"));
}

TEST(Decode, KnownCharactersOfEachSingleBytePage) {
    EXPECT_EQ(dec("\xC8\xE3\xEE\xF0\xFC", k1251), "Игорь");
    EXPECT_EQ(dec("\xA8\xB8\xB9", k1251), "Ёё№");
    EXPECT_EQ(dec("\x88\xE8\xAE\xA1", k866), "Ишоб");
    EXPECT_EQ(dec("\xF0\xF1\xFC", k866), "Ёё№");
    EXPECT_EQ(dec("\x80\xE4\xFC\xDF", k1252), "€äüß");
    EXPECT_EQ(dec("\x8A\xB9\xF8", k1250), "Šąř");
}

TEST(Decode, UndefinedBytesAreKept) {
    EXPECT_EQ(dec("a\x98z", k1251), "a" + esc(0x98) + "z");
    EXPECT_EQ(esc(0x98), "\xED\xB2\x98");   // U+DC98
    EXPECT_EQ(esc(0xFF), "\xED\xB3\xBF");   // U+DCFF
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(dec(std::string(1, char(b)), k1252), esc(b));
    for (unsigned char b : {0x81, 0x83, 0x88, 0x90, 0x98}) EXPECT_EQ(dec(std::string(1, char(b)), k1250), esc(b));
}

TEST(Decode, EveryByteOfEverySingleBytePageRoundTrips) {
    const std::string bytes = allBytes();
    for (const auto& c : {k1251, k1252, k866, k1250, dxf::codecFromCodePageName("ANSI_1253"),
                          dxf::codecFromCodePageName("DOS850"), dxf::codecFromCodePageName("MACINTOSH")}) {
        std::string text = dec(bytes, c);
        EXPECT_EQ(enc(text, c), bytes) << c.iconvName;
        // Byte by byte as well (the fast paths differ for single characters).
        for (int b = 0; b < 256; ++b) {
            std::string one(1, static_cast<char>(b));
            EXPECT_EQ(enc(dec(one, c), c), one) << "byte " << b << " " << c.iconvName;
        }
    }
}

TEST(Decode, TablesAgreeWithIconv) {
    // An independent source for the built-in tables: glibc's converters.
    struct Page {
        TextCodec codec;
        const char* iconvName;
    };
    for (const auto& p : {Page{k1251, "CP1251"}, Page{k1252, "CP1252"}, Page{k866, "IBM866"}, Page{k1250, "CP1250"}}) {
        iconv_t cd = iconv_open("UTF-8", p.iconvName);
        ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
        int compared = 0;
        for (int b = 0x80; b < 0x100; ++b) {
            char in[1] = {static_cast<char>(b)};
            char out[8];
            char* inp = in;
            char* outp = out;
            std::size_t inLeft = 1, outLeft = sizeof out;
            if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1)) continue;
            std::string viaIconv(out, sizeof out - outLeft);
            std::string mine = dec(std::string(1, in[0]), p.codec);
            // glibc maps a few bytes Windows leaves undefined to C1 controls; those stay escapes here.
            if (mine == esc(static_cast<unsigned char>(b))) continue;
            EXPECT_EQ(mine, viaIconv) << p.iconvName << " byte " << b;
            ++compared;
        }
        EXPECT_GE(compared, 123) << p.iconvName;
        iconv_close(cd);
    }
}

TEST(Decode, InvalidUtf8IsKeptByteForByte) {
    const char* cases[] = {
        "\xC3\x28",          // bad continuation
        "\xE2\x82",          // cut-off sequence at the end
        "ab\xF0\x9F\x98",    // cut-off four-byte sequence
        "\x80\xBF",          // lone continuation bytes
        "\xC0\xAF\xC1\xBF",  // overlong forms
        "\xE0\x80\xAF",      // overlong three-byte form
        "\xED\xA0\x80",      // an encoded surrogate
        "\xED\xB2\x98",      // an encoded U+DC98: in a file it is three bytes, not one escape
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xF5\xFF\xFE",      // bytes that never occur in UTF-8
        "ok \xD0\x9F\xD1\x80\xD0\xB8 then \xFF end",
    };
    for (const char* c : cases) {
        std::string text = dec(c, kUtf8);
        EXPECT_EQ(enc(text, kUtf8), c);
        EXPECT_EQ(dxf::utf16ToUtf8(dxf::utf8ToUtf16(text)), text);
    }
    EXPECT_EQ(dec("\xC3\x28", kUtf8), esc(0xC3) + "(");
    EXPECT_EQ(dec("\xED\xB2\x98", kUtf8), esc(0xED) + esc(0xB2) + esc(0x98));
    // Valid UTF-8 comes through unchanged, characters above U+FFFF included.
    std::string valid = "Привет, 世界 😀 \xF4\x8F\xBF\xBF";
    EXPECT_EQ(dec(valid, kUtf8), valid);
    EXPECT_EQ(enc(valid, kUtf8), valid);
}

TEST(Decode, DoubleBytePagesThroughIconv) {
    TextCodec cp932 = dxf::codecFromCodePageName("ANSI_932");
    ASSERT_EQ(cp932.enc, Encoding::Other);
    EXPECT_EQ(dec("\x93\xFA\x96\x7B\x8C\xEA", cp932), "日本語");
    EXPECT_EQ(enc("日本語", cp932), "\x93\xFA\x96\x7B\x8C\xEA");
    // A trail byte in the ASCII range is not taken for ASCII.
    EXPECT_EQ(dec("\x83\x5C", cp932), "ソ");
    EXPECT_EQ(dec("\xB1", cp932), "ｱ");   // half-width katakana: one byte
    // A lead byte without its trail byte, at the end or before a byte that cannot follow it.
    EXPECT_EQ(dec("ab\x93", cp932), "ab" + esc(0x93));
    EXPECT_EQ(dec("\x93 x", cp932), esc(0x93) + " x");
    // Everything round trips, even byte pairs that map to the same character (NEC and IBM
    // extensions of CP932), which decode only when they would encode back to the same bytes.
    for (const char* bytes : {"\x93\xFA\x96\x7B", "ab\x93", "\x93 x", "\xED\x40\xFA\x5C", "\x87\x90\x81\xE0",
                              "\xFC\xFC\xFF\x80\xA0"}) {
        EXPECT_EQ(enc(dec(bytes, cp932), cp932), bytes);
    }
    TextCodec cp949 = dxf::codecFromCodePageName("ANSI_949");
    EXPECT_EQ(dec("\xC7\xD1\xB1\xDB", cp949), "한글");
    EXPECT_EQ(enc("한글", cp949), "\xC7\xD1\xB1\xDB");
    TextCodec cp936 = dxf::codecFromCodePageName("ANSI_936");
    EXPECT_EQ(dec("\xD6\xD0\xCE\xC4", cp936), "中文");
}

TEST(Decode, EscapesStayText) {
    // \U+XXXX and \M+NXXXX are text; the layers above decide what they mean.
    for (const char* s : {"\\U+0410\\U+0411", "\\M+18140", "\\u+0410", "\\\\U+0410"}) {
        for (const auto& c : {kUtf8, k1251, dxf::codecFromCodePageName("ANSI_932")}) {
            EXPECT_EQ(dec(s, c), s);
            EXPECT_EQ(enc(s, c), s);
        }
    }
    EXPECT_EQ(dec("\\U+0410\xC0", k1251), "\\U+0410А");
}

TEST(Encode, CharactersMissingFromThePageBecomeUEscapes) {
    EXPECT_EQ(enc("Привет ä € 中 😀", k1251), "\xCF\xF0\xE8\xE2\xE5\xF2 \\U+00E4 \x88 \\U+4E2D \\U+D83D\\U+DE00");
    EXPECT_EQ(enc("Привет ä", k1252), "\\U+041F\\U+0440\\U+0438\\U+0432\\U+0435\\U+0442 \xE4");
    EXPECT_EQ(enc("Ёж ä", k866), "\xF0\xA6 \\U+00E4");
    EXPECT_EQ(enc("ſ", k1250), "\\U+017F");
    EXPECT_EQ(enc("\xEF\xBF\xBF", k1251), "\\U+FFFF");   // upper-case hex, four digits
    EXPECT_EQ(enc("Ω😀", dxf::codecFromCodePageName("ANSI_932")), "\x83\xB6\\U+D83D\\U+DE00");
    EXPECT_EQ(enc("😀", dxf::codecFromCodePageName("ANSI_1253")), "\\U+D83D\\U+DE00");
    // Escaped bytes go back raw, whatever the page.
    EXPECT_EQ(enc("x" + esc(0x98) + "Ж", k1251), "x\x98\xC6");
    EXPECT_EQ(enc(esc(0xFF), kUtf8), "\xFF");
    // Lone surrogates other than escaped bytes cannot be written as such.
    EXPECT_EQ(enc("\xED\xA0\x80", kUtf8), "\\U+D800");
    EXPECT_EQ(enc("\xED\xB0\x80", k1251), "\\U+DC00");
    // Bytes that are not UTF-8 at all (never produced by decode) are copied.
    EXPECT_EQ(enc("a\xC0z", k1251), "a\xC0z");
}

TEST(Encode, UnavailableIconvNameFallsBackToCp1252) {
    TextCodec bogus{Encoding::Other, "NO-SUCH-CODE-PAGE"};
    EXPECT_EQ(dec("\xE4", bogus), "ä");
    EXPECT_EQ(enc("ä", bogus), "\xE4");
    TextCodec empty{Encoding::Other, ""};
    EXPECT_EQ(enc(dec("\xE4\x81", empty), empty), "\xE4\x81");
}

TEST(Utf16, RoundTripsIncludingEscapedBytes) {
    EXPECT_EQ(dxf::utf8ToUtf16("Aж中😀"), u"Aж中😀");
    EXPECT_EQ(dxf::utf16ToUtf8(u"Aж中😀"), "Aж中😀");
    // Escaped bytes are lone surrogates 0xDC80..0xDCFF.
    std::u16string w = dxf::utf8ToUtf16("a" + esc(0x98));
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[1], 0xDC98);
    EXPECT_EQ(dxf::utf16ToUtf8(w), "a" + esc(0x98));
    // Lone and reversed surrogates survive both ways.
    std::u16string odd = {0xD800, u'x', 0xDFFF, 0xDC00, 0xD800};
    EXPECT_EQ(dxf::utf8ToUtf16(dxf::utf16ToUtf8(odd)), odd);
    // Invalid internal bytes become escapes.
    EXPECT_EQ(dxf::utf8ToUtf16("\xC0"), std::u16string(1, char16_t(0xDCC0)));
}

TEST(SingleByteApi, SameRulesAsEncodeAndDecode) {
    EXPECT_EQ(dxf::utf8ToSingleByte("Слой 中", Encoding::Cp1251), "\xD1\xEB\xEE\xE9 \\U+4E2D");
    EXPECT_EQ(dxf::singleByteToUtf8("\xD1\xEB\xEE\xE9\x98", Encoding::Cp1251), "Слой" + esc(0x98));
    EXPECT_EQ(dxf::utf8ToSingleByte(dxf::singleByteToUtf8(allBytes(), Encoding::Cp866), Encoding::Cp866), allBytes());
}

}  // namespace
