// Host strings <-> the core's UTF-8, and small number helpers.
#include <charconv>
#include <cstdlib>

#include "host/arx/internal.h"
#include "host/dxf/encoding.h"
#include "host/dxf/tags.h"
#include "platform/codepage.h"
#include "platform/heap.h"

namespace arxhost {

#ifdef ARX_NARROW
namespace {

std::u16string narrowToUtf16(std::string_view s) {
    const std::size_t n = s.size();
    if (n == 0) return {};
    std::u16string out(n, u'\0');
    int got = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(n), out.data(), static_cast<int>(n));
    out.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return out;
}

void appendEscape(std::string& out, char16_t u) {
    static const char kHex[] = "0123456789ABCDEF";
    out += "\\U+";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(u >> shift) & 0xF];
}

}  // namespace
#endif

std::string toUtf8(std::basic_string_view<ACHAR> s) {
#ifdef ARX_NARROW
    return dxf::utf16ToUtf8(narrowToUtf16(s));
#else
    return dxf::utf16ToUtf8(s);
#endif
}

std::string toUtf8(const ACHAR* s) {
    if (!s) return {};
    return toUtf8(std::basic_string_view<ACHAR>(s, acStrLen(s)));
}

HostString toHostString(std::string_view utf8) {
    std::u16string w = dxf::utf8ToUtf16(utf8);
#ifdef ARX_NARROW
    std::string out;
    out.reserve(w.size());
    // Whole string first; only a string with characters the code page lacks is
    // converted one code unit at a time, so that those become escapes.
    BOOL lossy = 0;
    std::string whole(w.size() * 2 + 1, '\0');
    int n = w.empty() ? 0
                      : WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()),
                                            whole.data(), static_cast<int>(whole.size()), nullptr, &lossy);
    if (!lossy && n == static_cast<int>(w.size())) {
        whole.resize(static_cast<std::size_t>(n));
        return whole;
    }
    for (char16_t u : w) {
        char b = 0;
        BOOL used = 0;
        int k = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &u, 1, &b, 1, nullptr, &used);
        if (k == 1 && !used && !(u >= 0xD800 && u <= 0xDFFF))
            out += b;
        else
            appendEscape(out, u);
    }
    return out;
#else
    return w;
#endif
}

ACHAR* toHost(std::string_view utf8) {
    HostString h = toHostString(utf8);
    ACHAR* p = acStrAlloc<ACHAR>(h.size() + 1);
    for (std::size_t i = 0; i < h.size(); ++i) p[i] = h[i];
    p[h.size()] = 0;
    return p;
}

ACHAR* dupHost(const ACHAR* s) { return s ? acStrDup(s) : nullptr; }

std::string hexOf(uint64_t v) { return hostcore::handleText(v); }

bool parseHex(std::string_view s, uint64_t& out) { return hostcore::parseHandle(s, out); }

long long toInt(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    long long v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

double toReal(std::string_view s) {
    std::string tmp(s);
    return std::strtod(tmp.c_str(), nullptr);
}

std::string realText(double v) {
    std::string out;
    dxf::formatDouble(v, out);
    return out;
}

}  // namespace arxhost

// --- handles and ids ---------------------------------------------------------

AcDbHandle::AcDbHandle(const ACHAR* hex) {
    uint64_t v = 0;
    if (hex && arxhost::parseHex(arxhost::toUtf8(hex), v)) value_ = v;
}

void AcDbHandle::getIntoAsciiBuffer(ACHAR* buf) const { getIntoAsciiBuffer(buf, 17); }

bool AcDbHandle::getIntoAsciiBuffer(ACHAR* buf, std::size_t len) const {
    if (!buf || len == 0) return false;
    std::string s = arxhost::hexOf(value_);
    if (s.size() + 1 > len) {
        buf[0] = 0;
        return false;
    }
    for (std::size_t i = 0; i < s.size(); ++i) buf[i] = static_cast<ACHAR>(s[i]);
    buf[s.size()] = 0;
    return true;
}

const AcDbObjectId AcDbObjectId::kNull;

bool AcDbObjectId::isErased() const {
    const hostcore::Entry* e = entryOf(*this);
    return e && e->erased();
}

AcDbHandle AcDbObjectId::handle() const {
    const hostcore::Entry* e = entryOf(*this);
    return e ? AcDbHandle(e->handle) : AcDbHandle();
}

AcDbDatabase* AcDbObjectId::database() const {
    hostcore::Entry* e = entryOf(*this);
    return e ? arxhost::databaseOf(e) : nullptr;
}

bool AcDbObjectId::operator<(const AcDbObjectId& o) const {
    const hostcore::Entry *x = entryOf(*this), *y = entryOf(o);
    uint64_t a = x ? x->handle : 0, b = y ? y->handle : 0;
    if (a != b) return a < b;
    return std::less<const void*>()(x, y);
}
