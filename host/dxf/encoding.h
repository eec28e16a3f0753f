// Text encoding of DXF string values. Inside the host every string is "internal UTF-8": UTF-8
// in which a file byte that did not decode is kept as the code point U+DC80..U+DCFF (U+DC00 plus
// the byte), written as a three-byte sequence. decode() and encode() are exact inverses on file
// bytes, so untouched text always goes back to the file unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dxf {

enum class Encoding : uint8_t { Utf8, Cp866, Cp1250, Cp1251, Cp1252, Other };

struct TextCodec {
    Encoding enc = Encoding::Cp1252;
    std::string iconvName;   // for Other: the glibc iconv name, e.g. "CP932"
};

// From the file's $DWGCODEPAGE (any letter case: "ANSI_1251", "ansi_1251", "DOS866", "dos850",
// "ANSI_932", "undefined", empty...). Unknown names, and names iconv cannot convert, give cp1252,
// as AutoCAD assumes.
TextCodec codecFromCodePageName(std::string_view name);
// AC1021 (2007) and later files are UTF-8 whatever $DWGCODEPAGE says.
TextCodec codecForFile(std::string_view acadver, std::string_view dwgcodepage);

// File bytes -> internal UTF-8 (utf8 is replaced). Lossless: bytes that do not decode (invalid
// UTF-8, bytes a code page leaves undefined, broken multi-byte sequences, and multi-byte characters
// that would not encode back to the same bytes) are kept as U+DC80..U+DCFF, which encode() turns
// back into the same bytes. "\U+XXXX" and "\M+XXXXX" escapes are NOT decoded: they stay as text.
void decode(std::string_view bytes, const TextCodec& codec, std::string& utf8);
// Internal UTF-8 -> file bytes (bytes is replaced). Characters the code page lacks become "\U+XXXX"
// (four upper-case hex digits); a character above U+FFFF becomes two escapes of its UTF-16
// surrogates. U+DC80..U+DCFF become their raw byte again. A byte that is not valid UTF-8 (the
// host should never produce one) is copied as it is.
void encode(std::string_view utf8, const TextCodec& codec, std::string& bytes);

bool isPlainAscii(std::string_view s);   // fast path: no conversion needed

// Internal UTF-8 <-> UTF-16 for the host's string API. U+DC80..U+DCFF map to the lone surrogate
// code units 0xDC80..0xDCFF and back; other lone surrogates survive the same way.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

// Internal UTF-8 <-> a single-byte code page (Cp866, Cp1250, Cp1251 or Cp1252), for the narrow
// string API; the same lossless rules as encode()/decode().
std::string utf8ToSingleByte(std::string_view utf8, Encoding page);
std::string singleByteToUtf8(std::string_view bytes, Encoding page);

}  // namespace dxf
