#include "host/dxf/tags.h"

#include "host/dxf/hex.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace dxf {

ValueType valueType(int code) {
    if (code < 0) return ValueType::String;
    if (code < 10) return code == 5 ? ValueType::Handle : ValueType::String;
    if (code < 60) return ValueType::Double;
    if (code < 80) return ValueType::Int16;
    if (code < 90) return ValueType::String;
    if (code < 100) return ValueType::Int32;
    if (code <= 102) return ValueType::String;
    if (code == 105) return ValueType::Handle;
    if (code < 110) return ValueType::String;
    if (code < 150) return ValueType::Double;
    if (code < 160) return ValueType::String;
    if (code < 170) return ValueType::Int64;
    if (code < 180) return ValueType::Int16;
    if (code < 210) return ValueType::String;
    if (code < 240) return ValueType::Double;
    if (code < 270) return ValueType::String;
    if (code < 290) return ValueType::Int16;
    if (code < 300) return ValueType::Bool;
    if (code < 310) return ValueType::String;
    if (code < 320) return ValueType::Binary;
    if (code < 370) return ValueType::Handle;
    if (code < 390) return ValueType::Int16;
    if (code < 400) return ValueType::Handle;
    if (code < 410) return ValueType::Int16;
    if (code < 420) return ValueType::String;
    if (code < 430) return ValueType::Int32;
    if (code < 440) return ValueType::String;
    if (code < 460) return ValueType::Int32;
    if (code < 470) return ValueType::Double;
    if (code < 480) return ValueType::String;
    if (code < 482) return ValueType::Handle;
    if (code == 999) return ValueType::Comment;
    if (code < 1000) return ValueType::String;
    if (code < 1004) return ValueType::String;
    if (code == 1004) return ValueType::Binary;
    if (code == 1005) return ValueType::Handle;
    if (code < 1010) return ValueType::String;
    if (code < 1060) return ValueType::Double;
    if (code < 1071) return ValueType::Int16;
    if (code == 1071) return ValueType::Int32;
    return ValueType::String;
}

namespace {

inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// A short, printable quote of a bad line for error messages.
std::string quote(std::string_view s) {
    constexpr std::size_t kMax = 40;
    std::string q = "'";
    for (std::size_t i = 0; i < s.size() && i < kMax; ++i) {
        auto c = static_cast<unsigned char>(s[i]);
        q.push_back(c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c));
    }
    if (s.size() > kMax) q += "...";
    q += "'";
    return q;
}

}  // namespace

AsciiTagReader::AsciiTagReader(std::string_view buffer) : buf_(buffer) {
    if (buf_.size() >= 3 && std::memcmp(buf_.data(), "\xEF\xBB\xBF", 3) == 0) {
        pos_ = 3;
        bom_ = true;
    }
}

bool AsciiTagReader::fail(uint32_t line, std::string message) {
    failed_ = true;
    error_ = "line " + std::to_string(line) + ": " + std::move(message);
    return false;
}

bool AsciiTagReader::next(RawTag& tag) {
    if (failed_ || pos_ >= buf_.size()) return false;
    const char* base = buf_.data();
    const std::size_t size = buf_.size();

    // Group-code line.
    const void* nl = std::memchr(base + pos_, '\n', size - pos_);
    std::size_t codeEnd = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - base) : size;
    std::string_view codeText = trim(std::string_view(base + pos_, codeEnd - pos_));
    if (codeText.empty() || codeText[0] == '\x1a' || codeText[0] == '\0') {
        // Blank lines, a DOS end-of-file byte (0x1A) and NUL padding after the last tag end the
        // buffer cleanly.
        std::size_t i = pos_;
        while (i < size && (isBlank(base[i]) || base[i] == '\n' || base[i] == '\x1a' || base[i] == '\0')) ++i;
        if (i == size) {
            pos_ = size;
            return false;
        }
        if (!codeText.empty()) return fail(line_, "group code expected, found " + quote(codeText));
        return fail(line_, "group code expected, found an empty line");
    }
    std::size_t k = 0;
    bool negative = false;
    if (codeText[0] == '-' || codeText[0] == '+') {
        negative = codeText[0] == '-';
        k = 1;
    }
    if (k == codeText.size())
        return fail(line_, "group code expected, found " + quote(codeText));
    long code = 0;
    for (; k < codeText.size(); ++k) {
        char c = codeText[k];
        if (c < '0' || c > '9') return fail(line_, "group code expected, found " + quote(codeText));
        code = code * 10 + (c - '0');
        if (code > kMaxCode + 1)   // stop early: no overflow, and clearly out of range
            return fail(line_, "group code " + quote(codeText) + " out of range");
    }
    if (negative) code = -code;
    if (code < kMinCode || code > kMaxCode)
        return fail(line_, "group code " + quote(codeText) + " out of range");

    // Value line.
    if (!nl || codeEnd + 1 >= size)
        return fail(line_, "value of group code " + std::to_string(code) +
                               " expected, found the end of the file");
    std::size_t vStart = codeEnd + 1;
    const void* nl2 = std::memchr(base + vStart, '\n', size - vStart);
    std::size_t vEnd = nl2 ? static_cast<std::size_t>(static_cast<const char*>(nl2) - base) : size;
    std::size_t next = nl2 ? vEnd + 1 : size;
    if (nl2 && vEnd > vStart && base[vEnd - 1] == '\r') --vEnd;
    std::string_view value(base + vStart, vEnd - vStart);
    int icode = static_cast<int>(code);
    ValueType vt = valueType(icode);
    if (icode == 0 || (vt != ValueType::String && vt != ValueType::Comment)) value = trim(value);

    tag.code = icode;
    tag.value = value;
    tag.line = line_;
    pos_ = next;
    line_ += 2;
    return true;
}

bool isBinaryDxf(std::string_view buffer) {
    return buffer.size() >= kBinarySentinel.size() &&
           buffer.substr(0, kBinarySentinel.size()) == kBinarySentinel;
}

bool looksLikeDwg(std::string_view buffer) {
    // DWG files open with a six-byte version magic: "AC1015", "AC1032", older "AC1.50", "AC2.10".
    if (buffer.size() < 6 || buffer[0] != 'A' || buffer[1] != 'C') return false;
    for (std::size_t i = 2; i < 6; ++i) {
        char c = buffer[i];
        if (!((c >= '0' && c <= '9') || c == '.')) return false;
    }
    return buffer[2] >= '1' && buffer[2] <= '9';
}

void formatDouble(double v, std::string& out) {
    // The shortest digits that read back to the same value, laid out as AutoCAD lays out its
    // numbers: fixed notation for everyday magnitudes ("0.0001", "1852.185633549592", "1.0"),
    // otherwise a mantissa with at least 15 decimals and an upper-case exponent
    // ("1.000000000000000E+20").
    auto fixedForm = [&out](double x) {
        char fixed[96];
        auto rf = std::to_chars(fixed, fixed + sizeof fixed, x, std::chars_format::fixed);
        std::string_view f(fixed, static_cast<std::size_t>(rf.ptr - fixed));
        out.append(f);
        if (f.find('.') == std::string_view::npos) out.append(".0");
    };
    // Well inside the fixed range the exponent need not be asked: one conversion, not two.
    const double a = std::fabs(v);
    if (v == 0 || (a >= 1e-9 && a < 1e15)) {
        fixedForm(v);
        return;
    }
    char sci[64];
    auto r = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific);
    std::string_view s(sci, static_cast<std::size_t>(r.ptr - sci));
    std::size_t e = s.find('e');
    if (e == std::string_view::npos) {   // inf, nan
        out.append(s);
        return;
    }
    int exponent = 0;
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
    if (exponent >= -10 && exponent < 16) {
        fixedForm(v);
        return;
    }
    std::string_view mantissa = s.substr(0, e);
    out.append(mantissa);
    std::size_t dot = mantissa.find('.');
    std::size_t decimals = dot == std::string_view::npos ? 0 : mantissa.size() - dot - 1;
    if (dot == std::string_view::npos) out.push_back('.');
    if (decimals < 15) out.append(15 - decimals, '0');
    out.push_back('E');
    out.append(s.substr(e + 1));
}

namespace {

// Appends a string value in the form an ASCII DXF needs: control characters as "^@".."^_",
// a literal caret as "^ ".
void appendCaretEncoded(std::string_view s, std::string& out) {
    std::size_t run = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c != '^') continue;
        out.append(s.substr(run, i - run));
        out.push_back('^');
        out.push_back(c == '^' ? ' ' : static_cast<char>(c + 0x40));
        run = i + 1;
    }
    out.append(s.substr(run));
}

class BinaryReader {
public:
    BinaryReader(std::string_view in, std::string& out, std::string& error)
        : in_(in), out_(out), error_(error) {}

    bool run() {
        if (!isBinaryDxf(in_)) return fail(0, "not a binary DXF: the 22-byte sentinel is missing");
        pos_ = kBinarySentinel.size();
        oneByteCodes_ = detectOneByteCodes();
        out_.reserve(in_.size() * 2);
        while (pos_ < in_.size()) {
            std::size_t tagStart = pos_;
            int code = 0;
            if (!readCode(code)) return false;
            ValueType vt = valueType(code);
            writeCode(code);
            switch (vt) {
            case ValueType::Binary: {
                if (pos_ >= in_.size()) return cutOff(tagStart, code, 1);
                std::size_t len = static_cast<unsigned char>(in_[pos_]);
                ++pos_;
                if (in_.size() - pos_ < len) return cutOff(tagStart, code, len);
                hexEncode(in_.substr(pos_, len), out_);
                pos_ += len;
                break;
            }
            case ValueType::Double: {
                double v = 0;
                if (!take(&v, sizeof v, tagStart, code)) return false;
                formatDouble(v, out_);
                break;
            }
            case ValueType::Int16: {
                int16_t v = 0;
                if (!take(&v, sizeof v, tagStart, code)) return false;
                appendInt(v, 6);
                break;
            }
            case ValueType::Int32: {
                int32_t v = 0;
                if (!take(&v, sizeof v, tagStart, code)) return false;
                appendInt(v, 9);
                break;
            }
            case ValueType::Int64: {
                int64_t v = 0;
                if (!take(&v, sizeof v, tagStart, code)) return false;
                appendInt(v, 18);
                break;
            }
            case ValueType::Bool: {
                uint8_t v = 0;
                if (!take(&v, sizeof v, tagStart, code)) return false;
                appendInt(v, 6);
                break;
            }
            case ValueType::String:
            case ValueType::Handle:
            case ValueType::Comment: {
                const void* nul = std::memchr(in_.data() + pos_, 0, in_.size() - pos_);
                if (!nul)
                    return fail(tagStart, "string value of group code " + std::to_string(code) +
                                              " not terminated before the end of the file");
                std::size_t end = static_cast<std::size_t>(static_cast<const char*>(nul) - in_.data());
                std::string_view s = in_.substr(pos_, end - pos_);
                appendCaretEncoded(s, out_);
                pos_ = end + 1;
                out_.push_back('\n');
                // AutoCAD ends the file with 0/EOF; whatever follows is not part of the drawing.
                if (code == 0 && s == "EOF") return true;
                continue;
            }
            }
            out_.push_back('\n');
        }
        return true;
    }

private:
    bool fail(std::size_t offset, const std::string& message) {
        error_ = "byte offset " + std::to_string(offset) + ": " + message;
        return false;
    }
    bool cutOff(std::size_t tagStart, int code, std::size_t need) {
        return fail(tagStart, "value of group code " + std::to_string(code) + " cut off by the end of the file (" +
                                  std::to_string(need) + " bytes needed, " +
                                  std::to_string(in_.size() - pos_) + " left)");
    }
    bool take(void* dst, std::size_t n, std::size_t tagStart, int code) {
        if (in_.size() - pos_ < n) return cutOff(tagStart, code, n);
        // Binary DXF is little-endian, as is every platform the host runs on.
        std::memcpy(dst, in_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    // Integers right-aligned in the field AutoCAD uses for their type.
    template <class T> void appendInt(T v, std::size_t width) {
        char buf[24];
        auto res = std::to_chars(buf, buf + sizeof buf, v);
        auto n = static_cast<std::size_t>(res.ptr - buf);
        if (n < width) out_.append(width - n, ' ');
        out_.append(buf, n);
    }
    bool readCode(int& code) {
        std::size_t start = pos_;
        std::size_t left = in_.size() - pos_;
        if (oneByteCodes_) {
            auto b = static_cast<unsigned char>(in_[pos_]);
            if (b != 255) {
                code = b;
                pos_ += 1;
                return true;
            }
            if (left < 3) return fail(start, "group code cut off by the end of the file");
            code = static_cast<unsigned char>(in_[pos_ + 1]) | (static_cast<unsigned char>(in_[pos_ + 2]) << 8);
            pos_ += 3;
            return true;
        }
        if (left < 2) return fail(start, "group code cut off by the end of the file");
        code = static_cast<unsigned char>(in_[pos_]) | (static_cast<unsigned char>(in_[pos_ + 1]) << 8);
        pos_ += 2;
        return true;
    }
    void writeCode(int code) {
        char buf[16];
        auto res = std::to_chars(buf, buf + sizeof buf, code);
        auto n = static_cast<std::size_t>(res.ptr - buf);
        if (n < 3) out_.append(3 - n, ' ');
        out_.append(buf, n);
        out_.push_back('\n');
    }
    // Files before R13 store group codes in one byte. The $ACADVER value decides when it is found
    // near the start; otherwise the first tag does: a two-byte 0 code has a zero second byte,
    // while a one-byte 0 code is followed by its non-empty string value.
    bool detectOneByteCodes() const {
        std::string_view head = in_.substr(0, 1024);
        std::size_t at = head.find(std::string_view("$ACADVER\0", 9));
        if (at != std::string_view::npos) {
            std::size_t p = at + 9;
            if (p + 2 < in_.size() && in_[p] == 1 && in_[p + 1] == 'A') return true;
            if (p + 3 < in_.size() && in_[p] == 1 && in_[p + 1] == 0 && in_[p + 2] == 'A') return false;
        }
        std::size_t p = kBinarySentinel.size();
        return p + 1 < in_.size() && in_[p + 1] != 0;
    }

    std::string_view in_;
    std::string& out_;
    std::string& error_;
    std::size_t pos_ = 0;
    bool oneByteCodes_ = false;
};

}  // namespace

bool binaryToAscii(std::string_view in, std::string& out, std::string& error) {
    error.clear();
    out.clear();
    return BinaryReader(in, out, error).run();
}

void TagWriter::write(int code, std::string_view value) {
    char buf[16];
    auto res = std::to_chars(buf, buf + sizeof buf, code);
    auto n = static_cast<std::size_t>(res.ptr - buf);
    if (n < 3) out_.append(3 - n, ' ');
    out_.append(buf, n);
    eol();
    out_.append(value);
    eol();
}

}  // namespace dxf
