// Every real drawing of the shared corpus: all tags read, re-written tags read back the same,
// every string decodes and encodes back to its bytes.
#include "host/dxf/encoding.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;
using dxftest::readTags;
using dxftest::Tag;

namespace {

std::vector<fs::path> corpusFiles() {
    std::vector<fs::path> files;
    std::error_code ec;
    fs::path dir = dxftest::corpusDir();
    if (!fs::is_directory(dir, ec)) return files;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (it->is_regular_file() && ext == ".dxf") files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

#define SKIP_WITHOUT_CORPUS(files)                                                                   \
    if ((files).empty())                                                                             \
    GTEST_SKIP() << "no DXF files under " << dxftest::corpusDir() << " (set ARX_CORPUS_DIR to the shared corpus)"

// The codec a file's header asks for.
dxf::TextCodec codecOf(const std::vector<Tag>& tags) {
    std::string acadver, codepage;
    for (std::size_t i = 0; i + 1 < tags.size() && i < 400; ++i) {
        if (tags[i].code == 9 && tags[i].value == "$ACADVER") acadver = tags[i + 1].value;
        if (tags[i].code == 9 && tags[i].value == "$DWGCODEPAGE") codepage = tags[i + 1].value;
    }
    return dxf::codecForFile(acadver, codepage);
}

// The text of a file as ASCII DXF (binary files converted).
std::string asText(const fs::path& p, bool& binary) {
    std::string data = dxftest::readFile(p);
    binary = dxf::isBinaryDxf(data);
    if (!binary) return data;
    std::string text, err;
    EXPECT_TRUE(dxf::binaryToAscii(data, text, err)) << err;
    return text;
}

TEST(Corpus, EveryFileReadsAndRewritesToTheSameTags) {
    auto files = corpusFiles();
    SKIP_WITHOUT_CORPUS(files);
    std::size_t binaries = 0, identical = 0, total = 0;
    for (const auto& p : files) {
        SCOPED_TRACE(p.string());
        bool binary = false;
        std::string text = asText(p, binary);
        binaries += binary;
        std::string err;
        auto tags = readTags(text, &err);
        ASSERT_EQ(err, "");
        ASSERT_GE(tags.size(), 2u);
        EXPECT_EQ(tags.back(), (Tag{0, "EOF", 0}));
        total += tags.size();

        bool crlf = text.find("\r\n") != std::string::npos;
        std::string out;
        dxf::TagWriter writer(out, crlf);
        for (const auto& t : tags) writer.write(t.code, t.value);
        auto again = readTags(out, &err);
        ASSERT_EQ(err, "");
        ASSERT_EQ(again.size(), tags.size());
        for (std::size_t i = 0; i < tags.size(); ++i) ASSERT_EQ(again[i], tags[i]) << "tag " << i;
        identical += out == text;
    }
    // Files differ from their rewrite only where numbers were padded or lines ended unevenly.
    std::printf("[ corpus   ] %zu files (%zu binary), %zu tags, %zu rewritten byte for byte\n", files.size(),
                binaries, total, identical);
}

TEST(Corpus, EveryStringDecodesAndEncodesBackToItsBytes) {
    auto files = corpusFiles();
    SKIP_WITHOUT_CORPUS(files);
    std::size_t nonAscii = 0, escaped = 0;
    for (const auto& p : files) {
        SCOPED_TRACE(p.string());
        bool binary = false;
        std::string text = asText(p, binary);
        auto tags = readTags(text);
        dxf::TextCodec codec = codecOf(tags);
        std::string utf8, back;
        for (const auto& t : tags) {
            dxf::ValueType vt = dxf::valueType(t.code);
            if (vt != dxf::ValueType::String && vt != dxf::ValueType::Comment) continue;
            if (dxf::isPlainAscii(t.value)) continue;
            ++nonAscii;
            dxf::decode(t.value, codec, utf8);
            escaped += utf8.find("\xED\xB2") != std::string::npos || utf8.find("\xED\xB3") != std::string::npos;
            dxf::encode(utf8, codec, back);
            ASSERT_EQ(back, t.value) << "line " << t.line;
        }
    }
    std::printf("[ corpus   ] %zu non-ASCII strings, %zu kept undecodable bytes\n", nonAscii, escaped);
}

TEST(Corpus, KnownTextDecodesWithTheFilesOwnCodec) {
    struct Case {
        const char* file;
        const char* text;
    };
    const Case cases[] = {
        {"comanda-dxf-postgis/dxf_examples/ex1.dxf", "Игорь"},             // AC1015, ANSI_1251 bytes
        {"dxf-json/integration-test/src/tc0/tc.dxf", "주석"},                // AC1032: UTF-8 despite ANSI_949
        {"dxf2gcode-plasma/dxf/FLH-001.dxf", "WERKSTÜCK"},                 // R12 without $DWGCODEPAGE: cp1252
        {"skymakerolof-dxf/test/resources/issue52.dxf", "tracé"},           // AC1018, ANSI_1252
        {"ezdxf/integration_tests/data/ASCII_R12.dxf", "\\U+039B\\U+0391\\U+0393\\U+0395\\U+03A1ÄÜÖ"},   // escapes stay
    };
    fs::path dir = dxftest::corpusDir();
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
    for (const auto& c : cases) {
        std::string text = dxftest::readFile(dir / c.file);
        if (text.empty()) {
            ADD_FAILURE() << "missing " << c.file;
            continue;
        }
        auto tags = readTags(text);
        dxf::TextCodec codec = codecOf(tags);
        bool found = false;
        std::string utf8;
        for (const auto& t : tags) {
            dxf::decode(t.value, codec, utf8);
            found |= utf8 == c.text;
        }
        EXPECT_TRUE(found) << c.file << " has no " << c.text;
    }
}

TEST(Corpus, BinaryFilesConvertToTheEnd) {
    // A wrong value width (for instance for codes 280-289) would derail the conversion long
    // before the end; a right one ends exactly at 0/EOF.
    auto files = corpusFiles();
    SKIP_WITHOUT_CORPUS(files);
    for (const auto& p : files) {
        std::string data = dxftest::readFile(p);
        if (!dxf::isBinaryDxf(data)) continue;
        SCOPED_TRACE(p.string());
        std::string text, err;
        ASSERT_TRUE(dxf::binaryToAscii(data, text, err)) << err;
        EXPECT_TRUE(text.size() >= 8 && text.compare(text.size() - 8, 8, "  0\nEOF\n") == 0);
        EXPECT_EQ(data.compare(data.size() - 6, 6, std::string("\0\0EOF\0", 6)), 0);
        std::size_t n280 = 0;
        for (const auto& t : readTags(text))
            if (t.code >= 280 && t.code <= 289) {
                ++n280;
                EXPECT_LE(std::abs(std::stoi(t.value)), 32767);
            }
        EXPECT_GT(n280, 0u);
    }
}

}  // namespace
