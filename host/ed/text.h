// Strings of the editor: UTF-8 inside, the build's ACHAR at the interface,
// UTF-8 on standard output.
#pragma once

#include <string>
#include <string_view>

#include "host/edexport.h"

namespace arxed {

using HostString = std::basic_string<ACHAR>;

// A host string (UTF-16, or bytes of the ANSI code page in the narrow build)
// as UTF-8; null gives "".
std::string toUtf8(const ACHAR* s);
std::string toUtf8(std::basic_string_view<ACHAR> s);
HostString fromUtf8(std::string_view utf8);
// A file name (the file system's bytes) as a host string that the database
// turns back into the same bytes: bytes that are not UTF-8 travel as
// U+DC80..U+DCFF, in the narrow build as the escapes "\U+DC80".."\U+DCFF".
HostString pathToHost(std::string_view bytes);
std::string utf16ToUtf8(std::u16string_view s);
std::u16string utf8ToUtf16(std::string_view s);

// A UTF-8 literal (u8"...") as a string: plain literals with letters beyond
// ASCII would be encoded in code page 1251 in the narrow build.
inline std::string u8s(const char8_t* s) {
    return std::string(reinterpret_cast<const char*>(s));
}

// Case folding for names typed by users (Latin and Cyrillic).
std::string fold(std::string_view utf8);
bool sameName(std::string_view a, std::string_view b);

// The command line. Text goes to standard output as UTF-8. After a line read
// from a terminal the cursor is already at the start of a line, so one leading
// line feed of the next text is dropped.
ARXED_API void writeCommandLine(std::string_view utf8);
void noteInputLineEnded();
// Errors of the host itself, to standard error.
ARXED_API void hostError(std::string_view utf8);

}  // namespace arxed
