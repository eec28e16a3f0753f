#include "host/ed/text.h"

#include <cstdio>

#include "host/core/drawing.h"
#include "host/dxf/encoding.h"
#include "platform/codepage.h"

namespace arxed {

std::string utf16ToUtf8(std::u16string_view s) {
    return dxf::utf16ToUtf8(s);
}

std::u16string utf8ToUtf16(std::string_view s) {
    return dxf::utf8ToUtf16(s);
}

std::string toUtf8(std::basic_string_view<ACHAR> s) {
#ifdef ARX_NARROW
    if (s.empty()) return {};
    std::u16string w(s.size(), u'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(),
                                static_cast<int>(w.size()));
    w.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return utf16ToUtf8(w);
#else
    return utf16ToUtf8(s);
#endif
}

std::string toUtf8(const ACHAR* s) {
    if (!s) return {};
    return toUtf8(std::basic_string_view<ACHAR>(s, acStrLen(s)));
}

HostString fromUtf8(std::string_view utf8) {
    std::u16string w = utf8ToUtf16(utf8);
#ifdef ARX_NARROW
    if (w.empty()) return {};
    std::string out(w.size() * 2 + 1, '\0');
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), out.data(),
                                static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
#else
    return w;
#endif
}

HostString pathToHost(std::string_view bytes) {
#ifdef ARX_NARROW
    std::u16string w = utf8ToUtf16(bytes);
    HostString out;
    std::size_t from = 0;
    auto flush = [&](std::size_t to) {
        if (to > from) out += fromUtf8(utf16ToUtf8(std::u16string_view(w).substr(from, to - from)));
    };
    for (std::size_t i = 0; i < w.size(); ++i) {
        if (w[i] < 0xDC80 || w[i] > 0xDCFF) continue;
        flush(i);
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\U+%04X", static_cast<unsigned>(w[i]));
        out += escape;
        from = i + 1;
    }
    flush(w.size());
    return out;
#else
    return fromUtf8(bytes);
#endif
}

std::string fold(std::string_view utf8) {
    // One case for every letter; Latin letters end up lower case.
    std::string f = hostcore::foldName(utf8);
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
