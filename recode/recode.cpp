#include "recode/recode.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

#if defined(__SSE2__) && !defined(__SANITIZE_ADDRESS__)
#include <emmintrin.h>
#define ARX_RECODE_SSE2_LENGTH 1
#endif

#include "platform/codepage.h"
#include "platform/heap.h"
#include "recode/tables.h"

ARX_RECODE_BEGIN

const ACHAR* const recodeModeLabels[recodeModeCount] = {
    ACRX_T("Dos -> Windows"),
    ACRX_T("Windows -> Dos"),
    ACRX_T("Unicode(Latin 1) -> Windows"),
    ACRX_T("Unicode(Cirillic) -> Windows"),
    ACRX_T("Windows -> Unicode(Latin 1)"),
    ACRX_T("Windows -> Unicode(Cirillic)"),
};

RecodeOptions recodeOptions;

namespace {

// ----- lookup tables derived from CyrillicLetterTable -----------------------

constexpr char16_t kFirstLetter = 0x0401, kLastLetter = 0x0457;

struct LetterMaps {
    // The byte's letter, or 0 when the byte has no row.
    char16_t letterOfByte[256];
    // Latin-1 form map over U+0000..U+00FF: the byte's letter, else the character itself.
    char16_t latin1Form[256];
    // The letter's byte for U+0401..U+0457, or 0 when the code point has no row.
    unsigned char byteOfLetter[kLastLetter - kFirstLetter + 1];
};

constexpr LetterMaps makeLetterMaps() {
    LetterMaps m{};
    for (int b = 0; b < 256; ++b)
        m.latin1Form[b] = static_cast<char16_t>(b);
    for (const CyrillicLetter& row : CyrillicLetterTable) {
        m.letterOfByte[row.byte] = row.codePoint;
        m.latin1Form[row.byte] = row.codePoint;
        m.byteOfLetter[row.codePoint - kFirstLetter] = row.byte;
    }
    return m;
}

constexpr LetterMaps kLetters = makeLetterMaps();

// The row's byte of code point v, or 0.
constexpr unsigned byteOfLetter(unsigned v) {
    return v >= kFirstLetter && v <= kLastLetter ? kLetters.byteOfLetter[v - kFirstLetter] : 0;
}

// ----- escape notation -------------------------------------------------------

constexpr char kHexDigits[] = "0123456789ABCDEF";

constexpr int hexValue(unsigned c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    c |= 0x20;
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    return -1;
}

// Value of a hexadecimal digit byte, or -1.
struct HexTable {
    signed char value[256];
};
constexpr HexTable makeHexTable() {
    HexTable h{};
    for (int b = 0; b < 256; ++b)
        h.value[b] = static_cast<signed char>(hexValue(static_cast<unsigned>(b)));
    return h;
}
constexpr HexTable kHex = makeHexTable();

constexpr bool isDigit(unsigned c) {
    return c >= '0' && c <= '9';
}

// The three characters at p read as a decimal number the way atoi reads them:
// leading white space, one sign, then digits up to the first non-digit; no
// digits give 0. Only these three characters are looked at.
template <class C>
int readNumber3(const C* p) {
    auto at = [p](int k) {
        return static_cast<unsigned>(static_cast<std::make_unsigned_t<C>>(p[k]));
    };
    int i = 0;
    while (i < 3 && (at(i) == ' ' || (at(i) >= '\t' && at(i) <= '\r')))
        ++i;
    bool negative = false;
    if (i < 3 && (at(i) == '+' || at(i) == '-')) negative = at(i++) == '-';
    int v = 0;
    while (i < 3 && isDigit(at(i)))
        v = v * 10 + static_cast<int>(at(i++) - '0');
    return negative ? -v : v;
}

// At p, with at least five characters left and "%%" there: the value of
// "%%nnn", or 0 when it is outside 1..255.
template <class C>
int percentValue(const C* p) {
    int v = readNumber3(p + 2);
    return v >= 1 && v <= 255 ? v : 0;
}

// "\U+" or "\M+" (either case of the letter) at p; `letter` is lower case.
template <class C>
bool hasPrefix(const C* p, char letter) {
    return p[0] == C('\\') && (p[1] | 0x20) == C(letter) && p[2] == C('+');
}

// For each byte, the text that replaces it in WindowsToLatin1 (narrow build)
// or WindowsToCyrillic: "\U+" and four hex digits when the byte has a row
// (length 7), else nothing (length 1: the character stays).
template <class C>
struct EscapeTexts {
    C text[256][8];
    unsigned char length[256];
};

template <class C>
constexpr EscapeTexts<C> makeEscapeTexts(bool bytesOwnValue) {
    EscapeTexts<C> e{};
    for (int b = 0; b < 256; ++b) {
        const unsigned letter = kLetters.letterOfByte[b];
        e.length[b] = 1;
        if (letter == 0) continue;
        const unsigned code = bytesOwnValue ? static_cast<unsigned>(b) : letter;
        const char text[7] = {'\\',
                              'U',
                              '+',
                              kHexDigits[(code >> 12) & 15],
                              kHexDigits[(code >> 8) & 15],
                              kHexDigits[(code >> 4) & 15],
                              kHexDigits[code & 15]};
        for (int k = 0; k < 7; ++k)
            e.text[b][k] = static_cast<C>(text[k]);
        e.length[b] = 7;
    }
    return e;
}

// Replace `text` (n units) by a new heap string of the exact size in which
// every unit whose byte (byteOf) has an escape text is replaced by that text.
template <class C, class ByteOf>
void writeEscapes(C*& text, std::size_t n, ByteOf byteOf, const EscapeTexts<C>& esc) {
    std::size_t len = 0;
    for (std::size_t i = 0; i < n; ++i)
        len += esc.length[byteOf(text[i])];
    C* const out = acStrAlloc<C>(len + 1);
    C* p = out;
    C* const end = out + len;
    std::size_t i = 0;
    // Whole eight-unit blocks while they fit, without branching on the letter;
    // then the rest unit by unit.
    for (; i < n && end - p >= 8; ++i) {
        const C c = text[i];
        const unsigned b = byteOf(c);
        std::memcpy(p, esc.text[b], sizeof esc.text[b]);
        const unsigned l = esc.length[b];
        p[0] = l == 1 ? c : C('\\');
        p += l;
    }
    for (; i < n; ++i) {
        const C c = text[i];
        const unsigned b = byteOf(c);
        const unsigned l = esc.length[b];
        if (l == 1) {
            *p++ = c;
        } else {
            std::memcpy(p, esc.text[b], l * sizeof(C));
            p += l;
        }
    }
    *p = 0;
    acStrFree(text);
    text = out;
}

// ----- string length -----------------------------------------------------------

#ifdef ARX_NARROW
std::size_t lengthOf(const char* s) {
    return std::strlen(s);
}
#else
std::size_t lengthOf(const char16_t* s) {
#ifdef ARX_RECODE_SSE2_LENGTH
    // Aligned 16-byte blocks never cross a page, so reading the rest of the
    // block that holds the terminator is safe (the way C libraries scan).
    const auto addr = reinterpret_cast<std::uintptr_t>(s);
    if ((addr & 1) == 0) {
        const char* block = reinterpret_cast<const char*>(addr & ~std::uintptr_t{15});
        const __m128i zero = _mm_setzero_si128();
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(block)), zero)));
        mask &= ~0u << (addr & 15);
        while (mask == 0) {
            block += 16;
            mask = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(block)), zero)));
        }
        return static_cast<std::size_t>(block + __builtin_ctz(mask) -
                                        reinterpret_cast<const char*>(s)) /
               2;
    }
#endif
    return acStrLen(s);
}
#endif

#ifndef ARX_NARROW
// ----- wide build: UTF-16 strings ------------------------------------------
//
// Every code-page step goes through the platform's MultiByteToWideChar and
// WideCharToMultiByte. Since names are short and many, the engine does not
// call them per string: it asks them once, for every UTF-16 code unit and
// every byte, and keeps the answers in tables (rebuilt when the ANSI code page
// changes). Each step below reads the table of the call it names, so its
// result is exactly what the call would give.

constexpr bool isSurrogate(unsigned c) {
    return c >= 0xD800 && c <= 0xDFFF;
}
constexpr bool isHighSurrogate(unsigned c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
constexpr bool isLowSurrogate(unsigned c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The byte WideCharToMultiByte gives for each code unit on its own. A
// surrogate alone gives the default character, and so does a whole pair.
void bytesOfEveryUnit(UINT cp, unsigned char* out) {
    std::unique_ptr<char16_t[]> units(new char16_t[65536]);
    for (unsigned u = 0; u < 65536; ++u)
        units[u] = isSurrogate(u) ? u'?' : char16_t(u);
    WideCharToMultiByte(cp, 0, units.get(), 65536, reinterpret_cast<char*>(out), 65536, nullptr,
                        nullptr);
    for (unsigned u = 0xD800; u <= 0xDFFF; ++u) {
        char16_t c = char16_t(u);
        WideCharToMultiByte(cp, 0, &c, 1, reinterpret_cast<char*>(out + u), 1, nullptr, nullptr);
    }
}

// The character MultiByteToWideChar gives for each byte.
void charsOfEveryByte(UINT cp, char16_t* out) {
    char bytes[256];
    for (int b = 0; b < 256; ++b)
        bytes[b] = static_cast<char>(b);
    MultiByteToWideChar(cp, 0, bytes, 256, out, 256);
}

// A map over all code units in which 0 marks the units the loops decide
// themselves (they never map to 0 otherwise: only U+0000 does, and it ends
// the string).
using UnitMap = char16_t[65536];

// The composed map of a through-bytes direction: the second code page's
// character for the first code page's byte of each code unit; 0 for
// surrogates and for units whose byte is '%'.
void compose(const unsigned char* firstBytes, const char16_t* secondChars, char16_t* out) {
    for (unsigned u = 0; u < 65536; ++u)
        out[u] = isSurrogate(u) || firstBytes[u] == '%' ? 0 : secondChars[firstBytes[u]];
    out[0] = 0;
}

struct CodePageTables {
    UINT ansi = 0;
    unsigned char ansiByte[65536];  // WideCharToMultiByte(CP_ACP) of each code unit
    unsigned char dosByte[65536];   // WideCharToMultiByte(866) of each code unit
    char16_t ansiChar[256];         // MultiByteToWideChar(CP_ACP) of each byte
    char16_t dosChar[256];          // MultiByteToWideChar(866) of each byte
    char16_t cp1251Char[256];       // MultiByteToWideChar(1251) of each byte
    signed char hexOfUnit[65536];   // hex digit value of ansiByte[u], or -1
    UnitMap dosToWindows;           // dosChar[ansiByte[u]], see compose()
    UnitMap windowsToDos;           // ansiChar[dosByte[u]], see compose()
};

// The tables for the current ANSI code page. The engine runs on one thread
// (the host's command thread), so the tables need no lock.
const CodePageTables& codePages() {
    static std::unique_ptr<CodePageTables> t;
    const UINT ansi = GetACP();
    if (t && t->ansi == ansi) [[likely]]
        return *t;
    if (!t) {
        t.reset(new CodePageTables);
        bytesOfEveryUnit(866, t->dosByte);
        charsOfEveryByte(866, t->dosChar);
        charsOfEveryByte(1251, t->cp1251Char);
    }
    t->ansi = ansi;
    bytesOfEveryUnit(CP_ACP, t->ansiByte);
    charsOfEveryByte(CP_ACP, t->ansiChar);
    for (unsigned u = 0; u < 65536; ++u)
        t->hexOfUnit[u] = kHex.value[t->ansiByte[u]];
    compose(t->ansiByte, t->dosChar, t->dosToWindows);
    compose(t->dosByte, t->ansiChar, t->windowsToDos);
    return *t;
}

// Maps that depend on no code page.
struct LetterUnitMaps {
    UnitMap fromLatin1;  // Latin-1 form map; 0 at '%' and '\'
    UnitMap plain;       // the unit itself; 0 at '%' and '\'
    UnitMap toLatin1;    // letter-to-Latin-1 map
};

const LetterUnitMaps& letterUnitMaps() {
    static const LetterUnitMaps* const maps = [] {
        auto* m = new LetterUnitMaps;
        for (unsigned u = 0; u < 65536; ++u) {
            m->fromLatin1[u] = u < 256 ? kLetters.latin1Form[u] : char16_t(u);
            m->plain[u] = char16_t(u);
            const unsigned b = byteOfLetter(u);
            m->toLatin1[u] = b != 0 ? char16_t(b) : char16_t(u);
        }
        for (unsigned u : {0u, unsigned('%'), unsigned('\\')})
            m->fromLatin1[u] = m->plain[u] = 0;
        return m;
    }();
    return *maps;
}

// Map t[r...] to t[w...] (w <= r) through `map` up to the first unit whose
// entry is 0, or the end. Four units at a time while possible.
inline void mapRun(char16_t* t, std::size_t& r, std::size_t& w, std::size_t n,
                   const char16_t* map) {
    while (r + 4 <= n) {
        const char16_t a = map[t[r]], b = map[t[r + 1]], c = map[t[r + 2]], d = map[t[r + 3]];
        if ((a == 0) | (b == 0) | (c == 0) | (d == 0)) break;
        t[w] = a;
        t[w + 1] = b;
        t[w + 2] = c;
        t[w + 3] = d;
        r += 4;
        w += 4;
    }
    for (; r < n; ++r, ++w) {
        const char16_t a = map[t[r]];
        if (a == 0) return;
        t[w] = a;
    }
}

// DosToWindows and WindowsToDos: each character becomes a byte of the first
// code page (firstBytes); "%%nnn" with three ASCII digits and a value of
// 1..255 in those bytes becomes the byte nnn; the bytes are read as the second
// code page (secondChars). `composed` does both steps for plain characters.
// The result is never longer than the input and is written over it.
void recodeThroughBytes(char16_t* t, std::size_t n, const unsigned char* firstBytes,
                        const char16_t* secondChars, const char16_t* composed) {
    const bool percent = recodeOptions.escapePercent;
    std::size_t r = 0, w = 0;
    for (;;) {
        mapRun(t, r, w, n, composed);
        if (r == n) break;
        const char16_t u = t[r];
        if (isSurrogate(u)) {
            // A pair is one character; it and a lone surrogate give one default byte.
            r += isHighSurrogate(u) && r + 1 < n && isLowSurrogate(t[r + 1]) ? 2 : 1;
            t[w++] = secondChars[firstBytes[u]];
            continue;
        }
        // The unit's byte is '%'.
        if (percent && n - r >= 5 && firstBytes[t[r + 1]] == '%' && isDigit(firstBytes[t[r + 2]]) &&
            isDigit(firstBytes[t[r + 3]]) && isDigit(firstBytes[t[r + 4]])) {
            const int v = (firstBytes[t[r + 2]] - '0') * 100 + (firstBytes[t[r + 3]] - '0') * 10 +
                          (firstBytes[t[r + 4]] - '0');
            if (v >= 1 && v <= 255) {
                t[w++] = secondChars[v];
                r += 5;
                continue;
            }
        }
        t[w++] = secondChars[static_cast<unsigned char>('%')];
        ++r;
    }
    t[w] = 0;
}

// The Count characters at p, each converted to a byte of the system code
// page, are all hexadecimal digits; their value goes to *value.
template <int Count>
bool hexDigitsViaAnsi(const CodePageTables& cp, const char16_t* p, unsigned* value) {
    // One test for all digits: a digit that fails makes the OR negative.
    int failed = 0;
    unsigned v = 0;
    for (int i = 0; i < Count; ++i) {
        const int d = cp.hexOfUnit[p[i]];
        failed |= d;
        v = v * 16 + static_cast<unsigned>(d & 15);
    }
    *value = v;
    return failed >= 0;
}

void latin1ToWindows(char16_t* t, std::size_t n) {
    const CodePageTables& cp = codePages();
    const char16_t* const map = letterUnitMaps().fromLatin1;
    const bool percent = recodeOptions.escapePercent;
    const bool unicode = recodeOptions.escapeUnicode;
    std::size_t r = 0, w = 0;
    for (;;) {
        mapRun(t, r, w, n, map);
        if (r == n) break;
        const char16_t c = t[r];  // '%' or '\'
        if (c == u'%' && percent && n - r >= 5 && t[r + 1] == u'%') {
            const int v = percentValue(t + r);
            t[w++] = v != 0 ? static_cast<char16_t>(v) : u'%';
            r += v != 0 ? 5 : 1;
            continue;
        }
        unsigned v;
        // An escape of U+0000 would end the string here; it stays as text.
        if (c == u'\\' && unicode && n - r >= 7 && hasPrefix(t + r, 'u') &&
            hexDigitsViaAnsi<4>(cp, t + r + 3, &v) && v != 0) {
            t[w++] = static_cast<char16_t>(v);
            r += 7;
            continue;
        }
        t[w++] = c;  // the Latin-1 form map keeps '%' and '\'
        ++r;
    }
    t[w] = 0;
}

void cyrillicToWindows(char16_t* t, std::size_t n) {
    const CodePageTables& cp = codePages();
    const char16_t* const plain = letterUnitMaps().plain;
    const bool percent = recodeOptions.escapePercent;
    const bool unicode = recodeOptions.escapeUnicode;
    const bool multibyte = recodeOptions.escapeMultibyte;
    std::size_t r = 0, w = 0;
    for (;;) {
        mapRun(t, r, w, n, plain);
        if (r == n) break;
        const char16_t c = t[r];  // '%' or '\'
        if (c == u'%' && percent && n - r >= 5 && t[r + 1] == u'%') {
            const int v = percentValue(t + r);
            t[w++] = v != 0 ? cp.ansiChar[v] : u'%';
            r += v != 0 ? 5 : 1;
            continue;
        }
        if (c == u'\\' && n - r >= 7) {
            unsigned v;
            if (unicode && hasPrefix(t + r, 'u') && hexDigitsViaAnsi<4>(cp, t + r + 3, &v)) {
                if (v >= 0x0410 && v <= 0x044F) {
                    t[w++] = static_cast<char16_t>(v);
                } else if (const unsigned b = byteOfLetter(v); b != 0) {
                    // The row's byte read as code page 1251: \U+0403 gives Ґ.
                    t[w++] = cp.cp1251Char[b];
                } else {
                    for (std::size_t k = 0; k < 7; ++k)
                        t[w++] = t[r + k];
                }
                r += 7;
                continue;
            }
            // A byte of 0 would end the string here; such an escape stays as text.
            if (multibyte && n - r >= 8 && hasPrefix(t + r, 'm') &&
                hexDigitsViaAnsi<5>(cp, t + r + 3, &v) && (v & 0xFF) != 0) {
                t[w++] = cp.ansiChar[v & 0xFF];
                r += 8;
                continue;
            }
        }
        t[w++] = c;
        ++r;
    }
    t[w] = 0;
}

void windowsToLatin1(char16_t*& text, std::size_t n) {
    const char16_t* const map = letterUnitMaps().toLatin1;
    char16_t* const out = acStrAlloc<char16_t>(n + 1);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = map[text[i]];
    out[n] = 0;
    acStrFree(text);
    text = out;
}

constexpr EscapeTexts<char16_t> kCyrillicEscapes = makeEscapeTexts<char16_t>(false);

// Each character whose system-code-page byte has a row becomes its escape.
// Surrogates give the default character, which has no row, so a pair stays
// as it is.
void windowsToCyrillic(char16_t*& text, std::size_t n) {
    const unsigned char* const ansiByte = codePages().ansiByte;
    writeEscapes(
        text, n, [ansiByte](char16_t c) { return ansiByte[c]; }, kCyrillicEscapes);
}

#else
// ----- narrow build: bytes of the system code page --------------------------

using Byte = unsigned char;

// "%%nnn" read as atoi reads it; a value of 1..255 becomes that byte. In place;
// returns the new length.
std::size_t decodePercent(Byte* b, std::size_t n) {
    void* first = std::memchr(b, '%', n);
    if (first == nullptr) return n;
    std::size_t r = static_cast<std::size_t>(static_cast<Byte*>(first) - b), w = r;
    while (r < n) {
        if (b[r] == '%' && n - r >= 5 && b[r + 1] == '%') {
            const int v = percentValue(b + r);
            b[w++] = v != 0 ? static_cast<Byte>(v) : b[r];
            r += v != 0 ? 5 : 1;
            continue;
        }
        b[w++] = b[r++];
    }
    return w;
}

constexpr bool isDosCyrillicLetter(Byte b) {
    return (b >= 0x80 && b <= 0xAF) || (b >= 0xE0 && b <= 0xF7);
}

// Whether the source bytes whose table entry is I or i are I and i alone, so
// that a block can be searched for them with a plain comparison.
bool onlyLatinIBecomesI() {
    for (int b = 0; b < 256; ++b)
        if (((dosWindowsTables.dosToWindows[b] | 0x20) == 'i') != ((b | 0x20) == 'i')) return false;
    return true;
}

// The table entry of t[i], with the I/i rule applied; `previous` is the source
// byte before t[i] (0 at the start), t[i + 1] is still a source byte.
Byte dosToWindowsAt(const Byte* t, std::size_t i, std::size_t n, Byte previous) {
    Byte out = dosWindowsTables.dosToWindows[t[i]];
    if ((out | 0x20) == 'i') {
        // A Latin I/i next to a Cyrillic letter was the Ukrainian І/і.
        if (isDosCyrillicLetter(previous) || (i + 1 < n && isDosCyrillicLetter(t[i + 1])))
            out = out == 'I' ? 0xB2 : 0xB3;
    }
    return out;
}

void dosToWindows(Byte* t, std::size_t n) {
    static const bool blocks = onlyLatinIBecomesI();
    n = decodePercent(t, n);
    const Byte* const table = dosWindowsTables.dosToWindows;
    Byte previous = 0;  // the source byte before the current one; 0 is no letter
    std::size_t i = 0;
    // Blocks of 16 bytes without a candidate for the I/i rule are looked up
    // without it.
    for (; blocks && i + 16 <= n; i += 16) {
        unsigned any = 0;
        for (std::size_t k = 0; k < 16; ++k)
            any |= (t[i + k] | 0x20) == 'i';
        const Byte last = t[i + 15];
        if (!any) {
            // Looked up into a local block first: stores to it cannot touch
            // the table, so the lookups need not wait for them.
            Byte block[16];
            for (std::size_t k = 0; k < 16; ++k)
                block[k] = table[t[i + k]];
            std::memcpy(t + i, block, 16);
        } else {
            for (std::size_t k = 0; k < 16; ++k) {
                const Byte source = t[i + k];
                t[i + k] = dosToWindowsAt(t, i + k, n, previous);
                previous = source;
            }
        }
        previous = last;
    }
    for (; i < n; ++i) {
        const Byte source = t[i];
        t[i] = dosToWindowsAt(t, i, n, previous);
        previous = source;
    }
    t[n] = 0;
}

void windowsToDos(Byte* t, std::size_t n) {
    n = decodePercent(t, n);
    const Byte* const table = dosWindowsTables.windowsToDos;
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        Byte block[16];
        for (std::size_t k = 0; k < 16; ++k)
            block[k] = table[t[i + k]];
        std::memcpy(t + i, block, 16);
    }
    for (; i < n; ++i)
        t[i] = table[t[i]];
    t[n] = 0;
}

// The four hexadecimal digits at p, or -1.
long hex4(const Byte* p) {
    const int a = kHex.value[p[0]], b = kHex.value[p[1]], c = kHex.value[p[2]],
              d = kHex.value[p[3]];
    if ((a | b | c | d) < 0) return -1;
    return (a << 12) | (b << 8) | (c << 4) | d;
}

// Latin1ToWindows (cyrillic false) and CyrillicToWindows (cyrillic true).
void decodeEscapes(Byte* t, std::size_t n, bool cyrillic) {
    std::size_t r = 0, w = 0;
    while (r < n) {
        const Byte c = t[r];
        if (c != '%' && c != '\\') {
            t[w++] = c;
            ++r;
            continue;
        }
        if (c == '%' && n - r >= 5 && t[r + 1] == '%') {
            const int v = percentValue(t + r);
            t[w++] = v != 0 ? static_cast<Byte>(v) : c;
            r += v != 0 ? 5 : 1;
            continue;
        }
        if (c == '\\' && n - r >= 7 && hasPrefix(t + r, 'u')) {
            const long v = hex4(t + r + 3);
            if (v >= 0 && !cyrillic) {
                // A low byte of 0 would end the string here; such an escape stays as text.
                if ((v & 0xFF) != 0) {
                    t[w++] = static_cast<Byte>(v & 0xFF);
                    r += 7;
                    continue;
                }
            } else if (v >= 0) {
                if (v >= 0x0410 && v <= 0x044F) {
                    t[w++] = static_cast<Byte>(v - 0x350);
                } else if (const unsigned b = byteOfLetter(static_cast<unsigned>(v)); b != 0) {
                    t[w++] = static_cast<Byte>(b);
                } else {
                    for (std::size_t k = 0; k < 7; ++k)
                        t[w++] = t[r + k];
                }
                r += 7;
                continue;
            }
        }
        t[w++] = c;
        ++r;
    }
    t[w] = 0;
}

constexpr EscapeTexts<char> kLatin1Escapes = makeEscapeTexts<char>(true);
constexpr EscapeTexts<char> kCyrillicEscapes = makeEscapeTexts<char>(false);
#endif

}  // namespace

void recodeString(ACHAR*& text, int mode) {
    if (text == nullptr || mode < 0 || mode >= recodeModeCount) return;
    const std::size_t n = lengthOf(text);
#ifndef ARX_NARROW
    switch (mode) {
        case DosToWindows: {
            const CodePageTables& cp = codePages();
            recodeThroughBytes(text, n, cp.ansiByte, cp.dosChar, cp.dosToWindows);
            break;
        }
        case WindowsToDos: {
            const CodePageTables& cp = codePages();
            recodeThroughBytes(text, n, cp.dosByte, cp.ansiChar, cp.windowsToDos);
            break;
        }
        case Latin1ToWindows:
            latin1ToWindows(text, n);
            break;
        case CyrillicToWindows:
            cyrillicToWindows(text, n);
            break;
        case WindowsToLatin1:
            windowsToLatin1(text, n);
            break;
        case WindowsToCyrillic:
            windowsToCyrillic(text, n);
            break;
    }
#else
    Byte* t = reinterpret_cast<Byte*>(text);
    auto ownByte = [](char c) { return static_cast<Byte>(c); };
    switch (mode) {
        case DosToWindows:
            dosToWindows(t, n);
            break;
        case WindowsToDos:
            windowsToDos(t, n);
            break;
        case Latin1ToWindows:
            decodeEscapes(t, n, false);
            break;
        case CyrillicToWindows:
            decodeEscapes(t, n, true);
            break;
        case WindowsToLatin1:
            writeEscapes(text, n, ownByte, kLatin1Escapes);
            break;
        case WindowsToCyrillic:
            writeEscapes(text, n, ownByte, kCyrillicEscapes);
            break;
    }
#endif
}

ARX_RECODE_END
