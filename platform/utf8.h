// UTF-8 for the whole process: one encoder and one decoder of code points and
// of UTF-16 text, used by the module loader, the drawing core, the DXF layer
// and the tools.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Appends the UTF-8 form of `cp` to `out`: one byte below U+0080, two below
// U+0800, three below U+10000, four up to U+10FFFF; above that, U+FFFD.
// Surrogate code points (U+D800..U+DFFF) get their plain three-byte form, which
// the host's internal UTF-8 uses for bytes that did not decode.
void appendUtf8(std::string& out, char32_t cp);

// What utf16ToUtf8 does with a surrogate code unit that is not half of a
// high-low pair.
enum class LoneSurrogate {
    Keep,     // its own three-byte form, so the text converts back unit for unit
    Replace,  // U+FFFD, for output that must be well-formed UTF-8
};

// UTF-16 to UTF-8. A high surrogate followed by a low one is one code point;
// every other unit is converted on its own, lone surrogates as `lone` says.
std::string utf16ToUtf8(std::u16string_view text, LoneSurrogate lone = LoneSurrogate::Keep);

// The well-formed UTF-8 sequence at the start of s[0..n): returns its length
// (1-4) and sets `cp`, or returns 0 when none starts there (no bytes, a stray
// continuation byte, a lead byte C0, C1 or F5..FF, a cut-off sequence, an
// overlong form, a value above U+10FFFF). The three-byte forms of surrogates
// count only with `allowSurrogates`: the host's internal UTF-8 uses them, files
// must not. Inline because the DXF layer runs it over every byte it reads.
inline std::size_t readUtf8(const unsigned char* s, std::size_t n, bool allowSurrogates,
                            char32_t& cp) {
    if (n == 0) return 0;
    const unsigned char b0 = s[0];
    auto cont = [&](std::size_t k) { return (s[k] & 0xC0) == 0x80; };
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        if (n < 2 || !cont(1)) return 0;
        cp = (char32_t(b0 & 0x1F) << 6) | (s[1] & 0x3F);
        return 2;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (n < 3 || !cont(1) || !cont(2)) return 0;
        if (b0 == 0xE0 && s[1] < 0xA0) return 0;                       // overlong
        if (b0 == 0xED && s[1] >= 0xA0 && !allowSurrogates) return 0;  // surrogate
        cp = (char32_t(b0 & 0x0F) << 12) | (char32_t(s[1] & 0x3F) << 6) | (s[2] & 0x3F);
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (n < 4 || !cont(1) || !cont(2) || !cont(3)) return 0;
        if (b0 == 0xF0 && s[1] < 0x90) return 0;  // overlong
        if (b0 == 0xF4 && s[1] > 0x8F) return 0;  // above U+10FFFF
        cp = (char32_t(b0 & 0x07) << 18) | (char32_t(s[1] & 0x3F) << 12) |
             (char32_t(s[2] & 0x3F) << 6) | (s[3] & 0x3F);
        return 4;
    }
    return 0;
}

// The next code point of text that may carry stray bytes (the host's internal
// UTF-8): a well-formed sequence, surrogate forms included, or else the first
// byte b alone as U+DC00 + b. Returns the bytes used (1-4); n must not be 0.
inline std::size_t readUtf8OrByte(const unsigned char* s, std::size_t n, char32_t& cp) {
    if (std::size_t len = readUtf8(s, n, true, cp)) return len;
    cp = 0xDC00 + s[0];
    return 1;
}

// Appends `cp` as one UTF-16 unit, or as a surrogate pair above U+FFFF.
inline void appendUtf16(std::u16string& out, char32_t cp) {
    if (cp > 0xFFFF) {
        out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

// UTF-8 to UTF-16 by readUtf8OrByte: well-formed sequences, surrogate forms
// included (so the Keep output of utf16ToUtf8 comes back unit for unit), and
// every byte that starts none as the lone unit 0xDC00 + byte.
std::u16string utf8ToUtf16(std::string_view text);

}  // namespace platform
