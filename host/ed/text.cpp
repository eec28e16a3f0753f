#include "host/ed/text.h"

#include <cstdio>

#include "host/arx/hostapi.h"
#include "platform/utf8.h"

namespace arxed {

std::string utf16ToUtf8(std::u16string_view s) {
    // Lone surrogates as three-byte sequences, so that they come back unchanged.
    return platform::utf16ToUtf8(s, platform::LoneSurrogate::Keep);
}

std::u16string utf8ToUtf16(std::string_view s) {
    return platform::utf8ToUtf16(s);
}

// The database's conversion (host/arx/hostapi.h), so that a module gets the same text from the
// editor as from the database.
std::string toUtf8(std::basic_string_view<ACHAR> s) {
    return arxhost::toUtf8(s);
}

std::string toUtf8(const ACHAR* s) {
    return arxhost::toUtf8(s);
}

HostString fromUtf8(std::string_view utf8) {
    return arxhost::toHostString(utf8);
}

HostString pathToHost(std::string_view bytes) {
    // Bytes that are not UTF-8 come out of the decoder as lone surrogates, which the
    // conversion hands over as they are (wide) or as "\U+DC80".."\U+DCFF" (narrow).
    return arxhost::toHostString(bytes);
}

std::string fold(std::string_view utf8) {
    // One case for every letter; Latin letters end up lower case.
    std::string f = arxhost::foldedName(utf8);
    for (char& c : f)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return f;
}

bool sameName(std::string_view a, std::string_view b) {
    return fold(a) == fold(b);
}

namespace {
bool atLineStart = true;
bool dropNextLineFeed = false;
}  // namespace

void writeCommandLine(std::string_view utf8) {
    if (utf8.empty()) return;
    if (dropNextLineFeed) {
        dropNextLineFeed = false;
        if (utf8.front() == '\n') utf8.remove_prefix(1);
        if (utf8.empty()) return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    atLineStart = utf8.back() == '\n';
    std::fflush(stdout);
}

void noteInputLineEnded() {
    atLineStart = true;
    dropNextLineFeed = true;
}

void hostError(std::string_view utf8) {
    std::fflush(stdout);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    if (utf8.empty() || utf8.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace arxed
