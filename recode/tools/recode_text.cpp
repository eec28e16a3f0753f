// recode-text: recode UTF-8 text line by line with the recoding engine.
//
//   recode-text --mode win2cyr names.txt
//   printf 'Џа€ўҐв\n' | recode-text --mode 0
//
// Exit status: 0 done, 1 unreadable input or input that is not UTF-8,
// 2 bad command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/heap.h"
#include "platform/utf8.h"
#include "recode/recode.h"
#include "recode/tools/narrow_engine.h"

namespace {

const char* const kModeNames[recodeModeCount] = {"dos2win", "win2dos",   "latin2win",
                                                 "cyr2win", "win2latin", "win2cyr"};

void printHelp() {
    std::fputs(
        "Usage: recode-text [options] [file...]\n"
        "Recode UTF-8 text line by line and write it to standard output as UTF-8.\n"
        "Reads standard input when no file is named.\n"
        "\n"
        "  --mode M               direction, a number or a name (default 0):\n"
        "                           0 dos2win    Dos -> Windows\n"
        "                           1 win2dos    Windows -> Dos\n"
        "                           2 latin2win  Unicode(Latin 1) -> Windows\n"
        "                           3 cyr2win    Unicode(Cirillic) -> Windows\n"
        "                           4 win2latin  Windows -> Unicode(Latin 1)\n"
        "                           5 win2cyr    Windows -> Unicode(Cirillic)\n"
        "  --no-unicode-escapes   leave \\U+XXXX escapes alone\n"
        "  --no-multibyte-escapes leave \\M+XXXXX escapes alone\n"
        "  --no-percent-escapes   leave %%nnn escapes alone\n"
        "  --narrow               use the older engine on the code page 1251 bytes of\n"
        "                         each line (always decodes %%nnn and \\U+XXXX, never\n"
        "                         \\M+XXXXX; the escape options do not apply)\n"
        "  --codepage N           system (ANSI) code page: 1250, 1251 (default), 1252\n"
        "                         or 866\n"
        "  --list-modes           list the directions: number, name, label\n"
        "  --help                 show this text\n"
        "\n"
        "Exit status: 0 done, 1 unreadable input or input that is not UTF-8,\n"
        "2 bad command line.\n",
        stdout);
}

[[noreturn]] void usageError(const std::string& message) {
    std::fprintf(stderr, "recode-text: %s (try --help)\n", message.c_str());
    std::exit(2);
}

std::optional<int> parseMode(const std::string& s) {
    if (s.size() == 1 && s[0] >= '0' && s[0] <= '5') return s[0] - '0';
    for (int i = 0; i < recodeModeCount; ++i)
        if (s == kModeNames[i]) return i;
    return std::nullopt;
}

// Strict UTF-8 to UTF-16: no overlong forms, no surrogates, nothing past
// U+10FFFF, no cut-off sequences. Returns false on the first fault.
bool decodeUtf8(const std::string& in, std::u16string& out) {
    out.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    for (std::size_t i = 0; i < in.size();) {
        char32_t c;
        const std::size_t len = platform::readUtf8(p + i, in.size() - i, false, c);
        if (len == 0) return false;
        platform::appendUtf16(out, c);
        i += len;
    }
    return true;
}

struct Settings {
    int mode = DosToWindows;
    bool narrow = false;
};

// Recode one piece of text without NUL characters.
std::u16string recodePiece(const std::u16string& piece, const Settings& s) {
    if (s.narrow) {
        std::string bytes(piece.size(), '\0');
        int m = piece.empty() ? 0
                              : WideCharToMultiByte(
                                    1251, 0, piece.data(), static_cast<int>(piece.size()),
                                    bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
        bytes.resize(static_cast<std::size_t>(m));
        std::string recoded = recodeNarrow(bytes, s.mode);
        std::u16string out(recoded.size(), u'\0');
        if (!recoded.empty())
            MultiByteToWideChar(1251, 0, recoded.data(), static_cast<int>(recoded.size()),
                                out.data(), static_cast<int>(out.size()));
        return out;
    }
    char16_t* text = acStrDup(piece.c_str());
    recodeString(text, s.mode);
    std::u16string out(text);
    acStrFree(text);
    return out;
}

// Recode a line; NUL characters are kept and the text between them recoded
// piece by piece, since the engine's strings end at a NUL.
std::u16string recodeLine(const std::u16string& line, const Settings& s) {
    std::u16string out;
    std::size_t start = 0;
    for (;;) {
        std::size_t nul = line.find(u'\0', start);
        out += recodePiece(line.substr(start, nul == std::u16string::npos ? nul : nul - start), s);
        if (nul == std::u16string::npos) break;
        out.push_back(u'\0');
        start = nul + 1;
    }
    return out;
}

// Returns false (after a message) on input that cannot be read or decoded.
bool filter(std::istream& in, const std::string& name, const Settings& s) {
    std::string line, out;
    std::u16string wide;
    for (unsigned long lineNo = 1; std::getline(in, line); ++lineNo) {
        const bool newline = !in.eof();
        if (!decodeUtf8(line, wide)) {
            std::fprintf(stderr, "recode-text: %s:%lu: the line is not valid UTF-8\n", name.c_str(),
                         lineNo);
            return false;
        }
        // A lone surrogate (an escape can produce one) becomes U+FFFD.
        out = platform::utf16ToUtf8(recodeLine(wide, s), platform::LoneSurrogate::Replace);
        if (newline) out.push_back('\n');
        std::fwrite(out.data(), 1, out.size(), stdout);
    }
    if (in.bad()) {
        std::fprintf(stderr, "recode-text: %s: read error\n", name.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Settings s;
    std::vector<std::string> files;
    std::vector<std::string> escapeFlags;
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const std::string& opt) -> std::string {
            std::string prefix = opt + "=";
            if (a.compare(0, prefix.size(), prefix) == 0) return a.substr(prefix.size());
            if (i + 1 >= argc) usageError(opt + " needs a value");
            return argv[++i];
        };
        auto is = [&](const std::string& opt) { return a == opt || a.rfind(opt + "=", 0) == 0; };
        if (onlyFiles || a == "-" || a.empty() || a[0] != '-') {
            files.push_back(a);
        } else if (a == "--") {
            onlyFiles = true;
        } else if (a == "--help" || a == "-h") {
            printHelp();
            return 0;
        } else if (a == "--list-modes") {
            for (int m = 0; m < recodeModeCount; ++m) {
                const std::string label =
                    platform::utf16ToUtf8(recodeModeLabels[m], platform::LoneSurrogate::Replace);
                std::printf("%d\t%s\t%s\n", m, kModeNames[m], label.c_str());
            }
            return 0;
        } else if (is("--mode")) {
            std::string v = value("--mode");
            auto m = parseMode(v);
            if (!m)
                usageError("unknown direction '" + v + "'; give 0 to 5 or a name listed by --help");
            s.mode = *m;
        } else if (is("--codepage")) {
            std::string v = value("--codepage");
            char* end = nullptr;
            unsigned long cp = std::strtoul(v.c_str(), &end, 10);
            if (v.empty() || *end != 0 || !isSupportedCodePage(static_cast<UINT>(cp)))
                usageError("unsupported code page '" + v + "'; give 1250, 1251, 1252 or 866");
            setAnsiCodePage(static_cast<UINT>(cp));
        } else if (a == "--narrow") {
            s.narrow = true;
        } else if (a == "--no-unicode-escapes") {
            recodeOptions.escapeUnicode = false;
            escapeFlags.push_back(a);
        } else if (a == "--no-multibyte-escapes") {
            recodeOptions.escapeMultibyte = false;
            escapeFlags.push_back(a);
        } else if (a == "--no-percent-escapes") {
            recodeOptions.escapePercent = false;
            escapeFlags.push_back(a);
        } else {
            usageError("unknown option '" + a + "'");
        }
    }
    if (s.narrow && !escapeFlags.empty())
        usageError(escapeFlags.front() +
                   " does not apply to --narrow, whose rules have no escape options");

    if (files.empty()) files.push_back("-");
    for (const std::string& f : files) {
        if (f == "-") {
            if (!filter(std::cin, "<stdin>", s)) return 1;
            continue;
        }
        std::ifstream in(f, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "recode-text: %s: cannot open: %s\n", f.c_str(),
                         std::strerror(errno));
            return 1;
        }
        if (!filter(in, f, s)) return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
