// Low-level DXF tags: group-code value types, the ASCII tag reader, the binary DXF converter and
// the tag writer. Everything here works on raw bytes; text decoding lives in encoding.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dxf {

enum class ValueType : uint8_t { String, Double, Int16, Int32, Int64, Bool, Handle, Binary, Comment };

// Value type of a group code, after the DXF reference's table of code ranges.
// Codes outside every listed range are strings.
ValueType valueType(int code);

struct RawTag {
    int code = 0;
    std::string_view value;   // value line without its line terminator ("\r\n" or "\n"); for non-string
                              // value types and for code 0 also without surrounding blanks
    uint32_t line = 0;        // 1-based line number of the group-code line
};

// Reads (group code, value) line pairs from an ASCII DXF held in memory. The tags point into the
// buffer, which must outlive them. A UTF-8 byte-order mark at the very start is skipped
// (hadBom() tells). Blank lines, DOS end-of-file bytes (0x1A) and NUL padding after the last tag
// end the buffer cleanly.
class AsciiTagReader {
public:
    explicit AsciiTagReader(std::string_view buffer);
    bool next(RawTag& tag);               // false at the clean end of the buffer or on error
    bool failed() const { return failed_; }
    const std::string& error() const { return error_; }   // "line N: ..."
    std::size_t offset() const { return pos_; }           // where the next group-code line starts
    uint32_t line() const { return line_; }                // line number of that next group-code line
    bool hadBom() const { return bom_; }

    // Valid group codes: -32768..65535 (a binary DXF stores them in two bytes; negative codes
    // occur in entity lists handed around by applications).
    static constexpr long kMinCode = -32768;
    static constexpr long kMaxCode = 65535;

private:
    bool fail(uint32_t line, std::string message);
    std::string_view buf_;
    std::size_t pos_ = 0;
    uint32_t line_ = 1;
    bool failed_ = false;
    bool bom_ = false;
    std::string error_;
};

bool isBinaryDxf(std::string_view buffer);   // starts with the 22-byte sentinel
bool looksLikeDwg(std::string_view buffer);  // "AC10xx" magic of a DWG file

// The 22 bytes every binary DXF starts with.
inline constexpr std::string_view kBinarySentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

// Converts a binary DXF into the equivalent ASCII DXF text: group codes right-aligned in three
// columns as AutoCAD writes them, integers right-aligned in AutoCAD's fields too (6 columns for
// 16-bit and bool values, 9 for 32-bit, 18 for 64-bit), doubles in the shortest form that reads
// back to the same value, binary chunks (310-319, 1004) as upper-case hex, LF line ends. Strings are copied byte for byte
// except that control characters are written in caret form ("^J" for a line feed) and a literal
// caret as "^ ", which is what AutoCAD writes into an ASCII DXF for the same text. Handles the
// pre-R13 one-byte group codes (255 escape) and R13+ two-byte codes. On malformed input returns
// false and sets error (with the byte offset); out (replaced in any case) then holds the tags
// converted before the fault.
bool binaryToAscii(std::string_view in, std::string& out, std::string& error);

// Formats a double the way binaryToAscii writes it: the shortest digits that read back to the same
// value, in AutoCAD's layout: fixed notation from 1e-10 to below 1e16 ("1.0", "0.0001",
// "-250.5"), otherwise scientific with at least 15 decimals ("1.000000000000000E+20").
void formatDouble(double v, std::string& out);

class TagWriter {
public:
    explicit TagWriter(std::string& out, bool crlf = false) : out_(out), crlf_(crlf) {}
    void write(int code, std::string_view value);   // code right-aligned to 3 columns, like AutoCAD
    void writeRaw(std::string_view bytes) { out_.append(bytes); }   // bytes copied as they are

private:
    void eol() {
        if (crlf_) out_.push_back('\r');
        out_.push_back('\n');
    }
    std::string& out_;
    bool crlf_;
};

}  // namespace dxf
