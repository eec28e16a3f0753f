#include "host/dxf/hex.h"

#include <array>

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
// The value of each byte as a hex digit, -1 for bytes that are none.
constexpr auto kHexValues = [] {
    std::array<signed char, 256> t{};
    for (auto& v : t) v = -1;
    for (int c = '0'; c <= '9'; ++c) t[static_cast<std::size_t>(c)] = static_cast<signed char>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) t[static_cast<std::size_t>(c)] = static_cast<signed char>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c) t[static_cast<std::size_t>(c)] = static_cast<signed char>(c - 'a' + 10);
    return t;
}();
inline int hexValue(char c) { return kHexValues[static_cast<unsigned char>(c)]; }
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

bool hexDecode(std::string_view hex, std::string& out, std::string& error) {
    std::size_t b = 0, e = hex.size();
    while (b < e && isBlank(hex[b])) ++b;
    while (e > b && isBlank(hex[e - 1])) --e;
    const std::size_t at = out.size();
    out.resize(at + (e - b + 1) / 2);
    char* p = out.data() + at;
    for (std::size_t i = b; i < e; i += 2) {
        const int hi = hexValue(hex[i]);
        const int lo = i + 1 < e ? hexValue(hex[i + 1]) : -1;
        if ((hi | lo) < 0) {
            out.resize(static_cast<std::size_t>(p - out.data()));
            if (hi < 0)
                error = "invalid hex digit at position " + std::to_string(i);
            else if (i + 1 == e)
                error = "odd number of hex digits (" + std::to_string(e - b) + ")";
            else
                error = "invalid hex digit at position " + std::to_string(i + 1);
            return false;
        }
        *p++ = static_cast<char>((hi << 4) | lo);
    }
    return true;
}

}  // namespace dxf
