#include "platform/utf8.h"

namespace platform {

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        const char b[2] = {static_cast<char>(0xC0 | (cp >> 6)),
                           static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(b, 2);
    } else if (cp < 0x10000) {
        const char b[3] = {static_cast<char>(0xE0 | (cp >> 12)),
                           static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(b, 3);
    } else if (cp <= 0x10FFFF) {
        const char b[4] = {
            static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
            static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(b, 4);
    } else {
        out.append("\xEF\xBF\xBD", 3);
    }
}

std::string utf16ToUtf8(std::u16string_view text, LoneSurrogate lone) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
                ++i;
            } else if (lone == LoneSurrogate::Replace) {
                c = 0xFFFD;
            }
        }
        appendUtf8(out, c);
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::u16string out;
    out.reserve(n);
    for (std::size_t i = 0; i < n;) {
        if (s[i] < 0x80) {
            out.push_back(s[i++]);
            continue;
        }
        char32_t cp;
        i += readUtf8OrByte(s + i, n - i, cp);
        appendUtf16(out, cp);
    }
    return out;
}

}  // namespace platform
