// UTF-8 output for the whole process: one encoder of code points and of UTF-16
// text, used by the module loader, the drawing core, the DXF layer and the
// tools.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Appends the UTF-8 form of `cp` to `out`: one byte below U+0080, two below
// U+0800, three below U+10000, four above. Surrogate code points
// (U+D800..U+DFFF) get their plain three-byte form, which the drawing's internal
// UTF-8 uses for bytes that did not decode. Values up to 0x1FFFFF keep the
// four-byte bit pattern, so a four-byte sequence with a lead byte F0..F7 that
// was taken apart comes back byte for byte; larger values, which no sequence
// can hold, give U+FFFD.
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

}  // namespace platform
