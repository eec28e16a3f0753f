#include "host/dxf/hex.h"

namespace dxf {

void hexEncode(std::string_view bytes, std::string& out) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::size_t at = out.size();
    out.resize(at + 2 * bytes.size());
    char* p = out.data() + at;
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        *p++ = kDigits[b >> 4];
        *p++ = kDigits[b & 15];
    }
}

namespace {
inline int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

bool hexDecode(std::string_view hex, std::string& out, std::string& error) {
    std::size_t b = 0, e = hex.size();
    while (b < e && isBlank(hex[b])) ++b;
    while (e > b && isBlank(hex[e - 1])) --e;
    out.reserve(out.size() + (e - b) / 2);
    for (std::size_t i = b; i < e; i += 2) {
        int hi = hexValue(hex[i]);
        if (hi < 0) {
            error = "invalid hex digit at position " + std::to_string(i);
            return false;
        }
        if (i + 1 == e) {
            error = "odd number of hex digits (" + std::to_string(e - b) + ")";
            return false;
        }
        int lo = hexValue(hex[i + 1]);
        if (lo < 0) {
            error = "invalid hex digit at position " + std::to_string(i + 1);
            return false;
        }
        out.push_back(static_cast<char>((hi << 4) | lo));
    }
    return true;
}

}  // namespace dxf
