#include "host/ed/format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "host/aced.h"
#include "host/ed/text.h"
#include "platform/codepage.h"

namespace arxed {

namespace {

using Str = std::basic_string<ACHAR>;

struct Directive {
    bool left = false, zero = false, plus = false, space = false, alt = false;
    int width = 0;
    int precision = -1;
    enum Len { Int, Short, Char, Long, LongLong, Size, LongDouble, Narrow, Wide } len = Int;
};

void appendAscii(Str& out, std::string_view s) {
    for (char c : s) out += static_cast<ACHAR>(c);
}

// Pads `body` (already with sign and prefix split off) to the width.
void emit(Str& out, const Directive& sp, std::string_view sign, std::string_view prefix, const Str& body,
          bool numeric) {
    std::size_t len = sign.size() + prefix.size() + body.size();
    std::size_t pad = sp.width > 0 && static_cast<std::size_t>(sp.width) > len ? sp.width - len : 0;
    if (sp.left) {
        appendAscii(out, sign);
        appendAscii(out, prefix);
        out += body;
        out.append(pad, static_cast<ACHAR>(' '));
    } else if (sp.zero && numeric) {
        appendAscii(out, sign);
        appendAscii(out, prefix);
        out.append(pad, static_cast<ACHAR>('0'));
        out += body;
    } else {
        out.append(pad, static_cast<ACHAR>(' '));
        appendAscii(out, sign);
        appendAscii(out, prefix);
        out += body;
    }
}

Str asciiStr(std::string_view s) {
    Str r;
    appendAscii(r, s);
    return r;
}

void formatInteger(Str& out, Directive sp, char conv, uint64_t magnitude, bool negative) {
    int base = conv == 'x' || conv == 'X' ? 16 : conv == 'o' ? 8 : 10;
    char digits[72];
    auto res = std::to_chars(digits, digits + sizeof digits, magnitude, base);
    std::string body(digits, res.ptr);
    if (conv == 'X')
        for (char& c : body) c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    if (sp.precision >= 0) {
        sp.zero = false;
        if (sp.precision == 0 && magnitude == 0) body.clear();
        if (body.size() < static_cast<std::size_t>(sp.precision)) body.insert(0, sp.precision - body.size(), '0');
    }
    std::string_view sign;
    bool isSigned = conv == 'd' || conv == 'i';
    if (isSigned) sign = negative ? "-" : sp.plus ? "+" : sp.space ? " " : "";
    std::string_view prefix;
    if (sp.alt && magnitude != 0) {
        if (conv == 'x') prefix = "0x";
        if (conv == 'X') prefix = "0X";
        if (conv == 'o' && (body.empty() || body[0] != '0')) prefix = "0";
    }
    emit(out, sp, sign, prefix, asciiStr(body), true);
}

void formatFloat(Str& out, Directive sp, char conv, double v) {
    std::string sign;
    if (std::signbit(v)) {
        sign = "-";
        v = -v;
    } else if (sp.plus) {
        sign = "+";
    } else if (sp.space) {
        sign = " ";
    }
    bool upper = conv == 'F' || conv == 'E' || conv == 'G';
    if (v != v || v == __builtin_inf()) {
        sp.zero = false;
        emit(out, sp, sign, "", asciiStr(v != v ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf")), false);
        return;
    }
    int prec = sp.precision < 0 ? 6 : sp.precision;
    char buf[512];
    std::to_chars_result res{};
    char lc = static_cast<char>(conv | 0x20);
    if (lc == 'f') {
        res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, prec);
    } else if (lc == 'e') {
        res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, prec);
    } else {
        res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, prec == 0 ? 1 : prec);
    }
    if (res.ec != std::errc()) {
        // Only fixed notation of huge values can overflow the buffer.
        res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, prec);
    }
    std::string body(buf, res.ptr);
    if (sp.alt && body.find('.') == std::string::npos) {
        std::size_t e = body.find('e');
        body.insert(e == std::string::npos ? body.size() : e, ".");
    }
    if (upper)
        for (char& c : body) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    emit(out, sp, sign, "", asciiStr(body), true);
}

template <class C>
Str convertString(const C* s, int precision) {
    if (!s) return asciiStr("(null)");
    std::size_t n = 0;
    while (s[n] != 0 && (precision < 0 || n < static_cast<std::size_t>(precision))) ++n;
    if constexpr (std::is_same_v<C, ACHAR>) {
        return Str(s, n);
    } else if constexpr (std::is_same_v<C, char16_t>) {
        return fromUtf8(utf16ToUtf8(std::u16string_view(s, n)));
    } else {
        // A narrow string in the wide build: bytes of the ANSI code page.
#ifdef ARX_NARROW
        return Str(s, n);
#else
        std::u16string w;
        for (std::size_t i = 0; i < n; ++i) {
            char16_t u = 0;
            char b = s[i];
            MultiByteToWideChar(CP_ACP, 0, &b, 1, &u, 1);
            w += u;
        }
        return w;
#endif
    }
}

}  // namespace

Str formatV(const ACHAR* format, va_list ap) {
    Str out;
    if (!format) return out;
    const ACHAR* p = format;
    while (*p) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        const ACHAR* start = p++;
        Directive sp;
        for (;; ++p) {
            if (*p == '-') sp.left = true;
            else if (*p == '0') sp.zero = true;
            else if (*p == '+') sp.plus = true;
            else if (*p == ' ') sp.space = true;
            else if (*p == '#') sp.alt = true;
            else break;
        }
        if (*p == '*') {
            sp.width = va_arg(ap, int);
            if (sp.width < 0) {
                sp.left = true;
                sp.width = -sp.width;
            }
            ++p;
        } else {
            while (*p >= '0' && *p <= '9') sp.width = sp.width * 10 + (*p++ - '0');
        }
        if (*p == '.') {
            ++p;
            sp.precision = 0;
            if (*p == '*') {
                sp.precision = va_arg(ap, int);
                ++p;
            } else {
                while (*p >= '0' && *p <= '9') sp.precision = sp.precision * 10 + (*p++ - '0');
            }
        }
        if (sp.width > 4096) sp.width = 4096;
        if (sp.precision > 4096) sp.precision = 4096;
        // Length modifiers, the platform's I64 / I32 / I among them.
        if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
            sp.len = Directive::LongLong;
            p += 3;
        } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
            sp.len = Directive::Int;
            p += 3;
        } else if (p[0] == 'I') {
            sp.len = Directive::Size;
            ++p;
        } else if (p[0] == 'h' && p[1] == 'h') {
            sp.len = Directive::Char;
            p += 2;
        } else if (p[0] == 'h') {
            sp.len = Directive::Short;
            ++p;
        } else if (p[0] == 'l' && p[1] == 'l') {
            sp.len = Directive::LongLong;
            p += 2;
        } else if (p[0] == 'l' || p[0] == 'w') {
            sp.len = Directive::Long;
            ++p;
        } else if (p[0] == 'z' || p[0] == 't' || p[0] == 'j') {
            sp.len = Directive::Size;
            ++p;
        } else if (p[0] == 'L') {
            sp.len = Directive::LongDouble;
            ++p;
        }
        ACHAR c = *p;
        if (c == 0) {
            out.append(start, p);
            break;
        }
        ++p;
        switch (c) {
        case '%':
            out += static_cast<ACHAR>('%');
            break;
        case 'd':
        case 'i': {
            int64_t v;
            switch (sp.len) {
            case Directive::LongLong: v = va_arg(ap, long long); break;
            case Directive::Size: v = va_arg(ap, std::ptrdiff_t); break;
            case Directive::Long: v = va_arg(ap, long); break;  // 32-bit on the platform, 64 here
            case Directive::Short: v = static_cast<short>(va_arg(ap, int)); break;
            case Directive::Char: v = static_cast<signed char>(va_arg(ap, int)); break;
            default: v = va_arg(ap, int); break;
            }
            uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
            formatInteger(out, sp, static_cast<char>(c), mag, v < 0);
            break;
        }
        case 'u':
        case 'x':
        case 'X':
        case 'o': {
            uint64_t v;
            switch (sp.len) {
            case Directive::LongLong: v = va_arg(ap, unsigned long long); break;
            case Directive::Size: v = va_arg(ap, std::size_t); break;
            case Directive::Long: v = va_arg(ap, unsigned long); break;
            case Directive::Short: v = static_cast<unsigned short>(va_arg(ap, unsigned)); break;
            case Directive::Char: v = static_cast<unsigned char>(va_arg(ap, unsigned)); break;
            default: v = va_arg(ap, unsigned); break;
            }
            formatInteger(out, sp, static_cast<char>(c), v, false);
            break;
        }
        case 'p': {
            uintptr_t v = reinterpret_cast<uintptr_t>(va_arg(ap, void*));
            Directive ps = sp;
            ps.precision = 2 * static_cast<int>(sizeof(void*));
            formatInteger(out, ps, 'X', v, false);
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G': {
            double v = sp.len == Directive::LongDouble ? static_cast<double>(va_arg(ap, long double)) : va_arg(ap, double);
            formatFloat(out, sp, static_cast<char>(c), v);
            break;
        }
        case 'c':
        case 'C': {
            int v = va_arg(ap, int);
            Str body;
            body += static_cast<ACHAR>(v);
            sp.zero = false;
            emit(out, sp, "", "", body, false);
            break;
        }
        case 's':
        case 'S': {
            Str body;
            // %s: the build's own strings; %S: the other kind; h and l choose explicitly.
            bool wideArg;
            if (sp.len == Directive::Short) wideArg = false;
            else if (sp.len == Directive::Long) wideArg = true;
#ifdef ARX_NARROW
            else wideArg = c == 'S';
#else
            else wideArg = c == 's';
#endif
            if (wideArg) body = convertString(va_arg(ap, const char16_t*), sp.precision);
            else body = convertString(va_arg(ap, const char*), sp.precision);
            sp.zero = false;
            emit(out, sp, "", "", body, false);
            break;
        }
        case 'n':
            (void)va_arg(ap, void*);  // never written through: a format must not write memory
            break;
        default:
            out.append(start, p);
            break;
        }
    }
    return out;
}

}  // namespace arxed

using arxed::formatV;

int acutPrintf(const ACHAR* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::basic_string<ACHAR> s = formatV(format, ap);
    va_end(ap);
    arxed::writeCommandLine(arxed::toUtf8(s));
    return static_cast<int>(s.size());
}

int acutSPrintf(ACHAR* buffer, std::size_t size, const ACHAR* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::basic_string<ACHAR> s = formatV(format, ap);
    va_end(ap);
    if (buffer && size > 0) {
        std::size_t n = s.size() < size ? s.size() : size - 1;
        std::memcpy(buffer, s.data(), n * sizeof(ACHAR));
        buffer[n] = 0;
    }
    return static_cast<int>(s.size());
}
