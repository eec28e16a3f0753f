#include "host/dxf/encoding.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/codepage_tables.h"
#include "platform/utf8.h"

namespace dxf {

namespace {

using uchar = unsigned char;

// ---------------------------------------------------------------------------------------------
// UTF-8 helpers

// A file byte that did not decode, kept as U+DC00 + byte.
inline void appendEscapedByte(uchar b, std::string& out) { platform::appendUtf8(out, 0xDC00 + b); }

inline bool isByteEscape(char32_t cp) { return cp >= 0xDC80 && cp <= 0xDCFF; }

// Index of the first byte >= 0x80, or n.
inline std::size_t firstNonAscii(const uchar* s, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, s + i, 8);
        if (w & 0x8080808080808080ull) break;
    }
    for (; i < n; ++i)
        if (s[i] & 0x80) return i;
    return n;
}

void appendUEscape(char32_t cp, std::string& out) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    auto one = [&](unsigned u) {
        char e[7] = {'\\', 'U', '+', kHex[(u >> 12) & 15], kHex[(u >> 8) & 15], kHex[(u >> 4) & 15], kHex[u & 15]};
        out.append(e, 7);
    };
    if (cp > 0xFFFF) {
        unsigned v = static_cast<unsigned>(cp) - 0x10000;
        one(0xD800 + (v >> 10));
        one(0xDC00 + (v & 0x3FF));
    } else {
        one(static_cast<unsigned>(cp));
    }
}

// ---------------------------------------------------------------------------------------------
// Single-byte code pages by table

struct ByteTable {
    char16_t high[128] = {};   // bytes 0x80-0xFF; 0 = undefined
    char utf8[128][3] = {};    // their internal UTF-8 (escape for undefined bytes)
    uint8_t utf8Len[128] = {};
    std::array<uint8_t, 65536> reverse{};   // UTF-16 code unit -> byte, 0 = not in the code page

    void finish() {
        for (int i = 0; i < 128; ++i) {
            std::string s;
            if (high[i])
                platform::appendUtf8(s, high[i]);
            else
                appendEscapedByte(static_cast<uchar>(0x80 + i), s);
            std::memcpy(utf8[i], s.data(), s.size());
            utf8Len[i] = static_cast<uint8_t>(s.size());
            if (high[i] && !reverse[high[i]]) reverse[high[i]] = static_cast<uint8_t>(0x80 + i);
        }
    }
};

// The upper half of one of the platform's code-page tables (platform/gen_codepage_tables.py).
// The platform maps a byte the code page leaves undefined to the C1 control of the same value,
// as Windows does; no defined byte of these code pages is a C1 control, so those bytes are
// marked undefined here and travel as escapes.
std::unique_ptr<ByteTable> makeTable(const char16_t (&all)[256]) {
    auto t = std::make_unique<ByteTable>();
    for (int i = 0; i < 128; ++i) {
        const char16_t u = all[128 + i];
        t->high[i] = u >= 0x80 && u <= 0x9F ? char16_t(0) : u;
    }
    t->finish();
    return t;
}

const ByteTable& builtinTable(Encoding enc) {
    static const std::unique_ptr<ByteTable> t866 = makeTable(codepage_data::cp866);
    static const std::unique_ptr<ByteTable> t1250 = makeTable(codepage_data::cp1250);
    static const std::unique_ptr<ByteTable> t1251 = makeTable(codepage_data::cp1251);
    static const std::unique_ptr<ByteTable> t1252 = makeTable(codepage_data::cp1252);
    switch (enc) {
    case Encoding::Cp866: return *t866;
    case Encoding::Cp1250: return *t1250;
    case Encoding::Cp1251: return *t1251;
    default: return *t1252;
    }
}

void decodeTable(std::string_view bytes, const ByteTable& t, std::string& out) {
    auto s = reinterpret_cast<const uchar*>(bytes.data());
    std::size_t n = bytes.size();
    std::size_t i = firstNonAscii(s, n);
    out.assign(bytes.data(), i);
    if (i == n) return;
    out.reserve(n + (n - i) * 2);
    while (i < n) {
        std::size_t run = i;
        while (i < n && s[i] < 0x80) ++i;
        out.append(bytes.data() + run, i - run);
        for (; i < n && s[i] >= 0x80; ++i) {
            int k = s[i] - 0x80;
            out.append(t.utf8[k], t.utf8Len[k]);
        }
    }
}

void encodeTable(std::string_view utf8, const ByteTable& t, std::string& out) {
    auto s = reinterpret_cast<const uchar*>(utf8.data());
    std::size_t n = utf8.size();
    std::size_t i = firstNonAscii(s, n);
    out.assign(utf8.data(), i);
    if (i == n) return;
    out.reserve(n);
    while (i < n) {
        if (s[i] < 0x80) {
            out.push_back(static_cast<char>(s[i++]));
            continue;
        }
        char32_t cp;
        i += platform::readUtf8OrByte(s + i, n - i, cp);
        if (isByteEscape(cp))
            out.push_back(static_cast<char>(cp - 0xDC00));
        else if (cp <= 0xFFFF && t.reverse[cp])
            out.push_back(static_cast<char>(t.reverse[cp]));
        else
            appendUEscape(cp, out);
    }
}

// ---------------------------------------------------------------------------------------------
// Other code pages through iconv

// One conversion in each direction per thread and code page (iconv descriptors are not
// thread-safe). Characters are converted one at a time through UTF-32, which tells exactly how
// many bytes each character takes.
struct IconvPair {
    iconv_t toU = reinterpret_cast<iconv_t>(-1);
    iconv_t fromU = reinterpret_cast<iconv_t>(-1);
    IconvPair() = default;
    IconvPair(const IconvPair&) = delete;
    IconvPair& operator=(const IconvPair&) = delete;
    ~IconvPair() {
        if (toU != reinterpret_cast<iconv_t>(-1)) iconv_close(toU);
        if (fromU != reinterpret_cast<iconv_t>(-1)) iconv_close(fromU);
    }
    bool ok() const { return toU != reinterpret_cast<iconv_t>(-1) && fromU != reinterpret_cast<iconv_t>(-1); }

    enum class Result { Ok, Invalid, Incomplete };

    // Decodes the first character of in. Tries one byte, then two, up to four, each time from the
    // initial state and flushing what iconv holds back (some converters wait for a combining mark),
    // so that the length is exact. On Ok, len is the character's length in bytes.
    Result decodeOne(const uchar* in, std::size_t n, char32_t& cp, std::size_t& len) {
        std::size_t maxLen = n < 4 ? n : 4;
        for (len = 1; len <= maxLen; ++len) {
            examined_ = len;
            char buf[8];
            char* inp = const_cast<char*>(reinterpret_cast<const char*>(in));
            std::size_t inLeft = len;
            char* outp = buf;
            std::size_t outLeft = sizeof buf;
            iconv(toU, nullptr, nullptr, nullptr, nullptr);
            errno = 0;
            std::size_t r = iconv(toU, &inp, &inLeft, &outp, &outLeft);
            if (r == static_cast<std::size_t>(-1)) {
                if (errno == EINVAL) continue;   // the sequence goes on
                return Result::Invalid;
            }
            iconv(toU, nullptr, nullptr, &outp, &outLeft);
            if (sizeof buf - outLeft != 4) return Result::Invalid;   // nothing, or two characters
            uint32_t v;
            std::memcpy(&v, buf, 4);
            cp = v;
            return Result::Ok;
        }
        return maxLen < 4 && n == maxLen ? Result::Incomplete : Result::Invalid;
    }
    // Encodes one character; false if the code page lacks it.
    bool encodeOne(char32_t cp, std::string& out) {
        uint32_t v = cp;
        char in[4];
        std::memcpy(in, &v, 4);
        char buf[16];
        char* inp = in;
        std::size_t inLeft = 4;
        char* outp = buf;
        std::size_t outLeft = sizeof buf;
        iconv(fromU, nullptr, nullptr, nullptr, nullptr);
        std::size_t r = iconv(fromU, &inp, &inLeft, &outp, &outLeft);
        if (r == static_cast<std::size_t>(-1) || inLeft != 0) return false;
        // Return a stateful encoding to its initial shift state.
        iconv(fromU, nullptr, nullptr, &outp, &outLeft);
        if (outLeft == sizeof buf) return false;   // dropped rather than converted
        out.append(buf, sizeof buf - outLeft);
        return true;
    }

    // Decodes the character at s[i] for a multi-byte page and keeps it only if it encodes back to
    // the same bytes (some pages map two byte sequences to one character). False: the byte at
    // s[i] is to be kept as it is. Decisions that depend on two bytes at most (all the double-byte
    // pages) are remembered, so each byte pair costs iconv calls once per thread.
    bool decodeAt(const uchar* s, std::size_t n, std::size_t i, char32_t& cp, std::size_t& len) {
        const bool pair = n - i >= 2;
        const std::size_t key = pair ? (std::size_t(s[i]) << 8 | s[i + 1]) : 0;
        if (pair && !pairMemo_.empty() && pairMemo_[key]) {
            uint32_t m = pairMemo_[key];
            if ((m & 7) == kKeepByte) return false;
            cp = m >> 3;
            len = m & 7;
            return true;
        }
        bool ok = decodeOne(s + i, n - i, cp, len) == Result::Ok && cp < 0x110000 && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (ok) {
            scratch_.clear();
            ok = encodeOne(cp, scratch_) &&
                 scratch_ == std::string_view(reinterpret_cast<const char*>(s + i), len);
        }
        if (pair && examined_ <= 2) {
            if (pairMemo_.empty()) pairMemo_.assign(65536, 0);
            pairMemo_[key] = ok ? (uint32_t(cp) << 3 | uint32_t(len)) : kKeepByte;
        }
        return ok;
    }

    // encodeOne() with the answers for the Basic Multilingual Plane remembered.
    bool encodeCached(char32_t cp, std::string& out) {
        if (cp > 0xFFFF) return encodeOne(cp, out);
        if (bmpMemo_.empty()) bmpMemo_.assign(65536, 0);
        uint32_t m = bmpMemo_[cp];
        if (m == 0) {
            scratch_.clear();
            if (!encodeOne(cp, scratch_)) {
                m = kNoBytes;
            } else if (scratch_.size() > 3) {
                out.append(scratch_);
                return true;
            } else {
                m = uint32_t(scratch_.size()) << 24;
                for (std::size_t k = 0; k < scratch_.size(); ++k) m |= uint32_t(uchar(scratch_[k])) << (8 * k);
            }
            bmpMemo_[cp] = m;
        }
        if (m == kNoBytes) return false;
        for (uint32_t k = 0; k < (m >> 24); ++k) out.push_back(static_cast<char>((m >> (8 * k)) & 0xFF));
        return true;
    }

private:
    static constexpr uint32_t kKeepByte = 7;
    static constexpr uint32_t kNoBytes = 0xFFFFFFFF;
    std::size_t examined_ = 0;          // bytes decodeOne() showed iconv last time
    std::vector<uint32_t> pairMemo_;    // byte pair -> (cp << 3 | len) or kKeepByte; 0 = not known
    std::vector<uint32_t> bmpMemo_;     // code point -> (len << 24 | bytes) or kNoBytes; 0 = not known
    std::string scratch_;
};

IconvPair* iconvFor(const std::string& name) {
    thread_local std::map<std::string, std::unique_ptr<IconvPair>> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        auto p = std::make_unique<IconvPair>();
        p->toU = iconv_open("UTF-32LE", name.c_str());
        p->fromU = iconv_open(name.c_str(), "UTF-32LE");
        it = cache.emplace(name, std::move(p)).first;
    }
    return it->second->ok() ? it->second.get() : nullptr;
}

// What is known about an iconv code page: whether iconv has it, and for single-byte pages a
// table built from iconv once, so that they run as fast as the built-in ones.
struct IconvInfo {
    bool available = false;
    std::unique_ptr<ByteTable> table;   // set for single-byte code pages
};

const IconvInfo& iconvInfo(const std::string& name) {
    static std::mutex mutex;
    static std::unordered_map<std::string, std::unique_ptr<IconvInfo>> infos;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = infos.find(name);
    if (it != infos.end()) return *it->second;
    auto info = std::make_unique<IconvInfo>();
    if (IconvPair* ic = name.empty() ? nullptr : iconvFor(name)) {
        info->available = true;
        auto t = std::make_unique<ByteTable>();
        bool singleByte = true;
        for (int b = 0x80; b < 0x100 && singleByte; ++b) {
            uchar in[1] = {static_cast<uchar>(b)};
            char32_t cp = 0;
            std::size_t len = 0;
            IconvPair::Result r = ic->decodeOne(in, 1, cp, len);
            if (r == IconvPair::Result::Incomplete) singleByte = false;   // a lead byte
            if (r != IconvPair::Result::Ok) continue;
            std::string back;
            if (cp <= 0xFFFF && !isByteEscape(cp) && ic->encodeOne(cp, back) && back.size() == 1 &&
                static_cast<uchar>(back[0]) == b)
                t->high[b - 0x80] = static_cast<char16_t>(cp);
        }
        if (singleByte) {
            t->finish();
            info->table = std::move(t);
        }
    }
    it = infos.emplace(name, std::move(info)).first;
    return *it->second;
}

void decodeIconv(std::string_view bytes, IconvPair& ic, std::string& out) {
    auto s = reinterpret_cast<const uchar*>(bytes.data());
    std::size_t n = bytes.size();
    std::size_t i = firstNonAscii(s, n);
    out.assign(bytes.data(), i);
    while (i < n) {
        if (s[i] < 0x80) {
            out.push_back(static_cast<char>(s[i++]));
            continue;
        }
        char32_t cp = 0;
        std::size_t len = 0;
        if (ic.decodeAt(s, n, i, cp, len)) {
            platform::appendUtf8(out, cp);
            i += len;
        } else {
            appendEscapedByte(s[i], out);
            ++i;
        }
    }
}

void encodeIconv(std::string_view utf8, IconvPair& ic, std::string& out) {
    auto s = reinterpret_cast<const uchar*>(utf8.data());
    std::size_t n = utf8.size();
    std::size_t i = firstNonAscii(s, n);
    out.assign(utf8.data(), i);
    while (i < n) {
        if (s[i] < 0x80) {
            out.push_back(static_cast<char>(s[i++]));
            continue;
        }
        char32_t cp;
        i += platform::readUtf8OrByte(s + i, n - i, cp);
        if (isByteEscape(cp))
            out.push_back(static_cast<char>(cp - 0xDC00));
        else if ((cp >= 0xD800 && cp <= 0xDFFF) || !ic.encodeCached(cp, out))
            appendUEscape(cp, out);
    }
}

// ---------------------------------------------------------------------------------------------
// UTF-8 files

void decodeUtf8(std::string_view bytes, std::string& out) {
    auto s = reinterpret_cast<const uchar*>(bytes.data());
    std::size_t n = bytes.size();
    std::size_t i = firstNonAscii(s, n);
    // Find the first byte that is not valid UTF-8; usually there is none and the text is copied.
    std::size_t bad = i;
    while (bad < n) {
        char32_t cp;
        std::size_t len = platform::readUtf8(s + bad, n - bad, false, cp);
        if (!len) break;
        bad += len;
    }
    out.assign(bytes.data(), bad);
    if (bad == n) return;
    i = bad;
    while (i < n) {
        char32_t cp;
        std::size_t len = platform::readUtf8(s + i, n - i, false, cp);
        if (len) {
            out.append(bytes.data() + i, len);
            i += len;
        } else {
            appendEscapedByte(s[i], out);
            ++i;
        }
    }
}

void encodeUtf8(std::string_view utf8, std::string& out) {
    auto s = reinterpret_cast<const uchar*>(utf8.data());
    std::size_t n = utf8.size();
    // Only surrogate code points (which start with 0xED) need attention.
    const void* ed = std::memchr(utf8.data(), 0xED, n);
    std::size_t i = ed ? static_cast<std::size_t>(static_cast<const char*>(ed) - utf8.data()) : n;
    out.assign(utf8.data(), i);
    while (i < n) {
        char32_t cp;
        std::size_t len = platform::readUtf8OrByte(s + i, n - i, cp);
        if (cp >= 0xD800 && cp <= 0xDFFF && len == 3) {
            if (isByteEscape(cp))
                out.push_back(static_cast<char>(cp - 0xDC00));
            else
                appendUEscape(cp, out);
        } else {
            out.append(utf8.data() + i, len);
        }
        i += len;
    }
}

std::string upperTrimmed(std::string_view name) {
    std::size_t b = 0, e = name.size();
    while (b < e && (name[b] == ' ' || name[b] == '\t' || name[b] == '\r' || name[b] == '\n')) ++b;
    while (e > b && (name[e - 1] == ' ' || name[e - 1] == '\t' || name[e - 1] == '\r' || name[e - 1] == '\n')) --e;
    std::string s(name.substr(b, e - b));
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// The iconv name for a $DWGCODEPAGE value, or "" when the name is not known.
std::string iconvNameFor(const std::string& n) {
    auto number = [&](std::string_view prefix) -> std::string {
        if (n.size() > prefix.size() && n.compare(0, prefix.size(), prefix) == 0 &&
            allDigits(std::string_view(n).substr(prefix.size())))
            return n.substr(prefix.size());
        return {};
    };
    std::string num;
    if (!(num = number("ANSI_")).empty() || !(num = number("CP")).empty() ||
        !(num = number("WINDOWS-")).empty()) {
        if (num == "1361") return "JOHAB";
        return "CP" + num;
    }
    if (!(num = number("DOS")).empty() || !(num = number("IBM")).empty()) {
        if (num == "932" || num == "936" || num == "949" || num == "950") return "CP" + num;
        return "IBM" + num;
    }
    if (!(num = number("ISO8859-")).empty() || !(num = number("ISO-8859-")).empty() ||
        !(num = number("ISO8859_")).empty())
        return "ISO-8859-" + num;
    if (n == "MACINTOSH" || n == "MAC-ROMAN" || n == "MACROMAN" || n == "MAC_ROMAN") return "MACINTOSH";
    if (n == "BIG5") return "BIG5";
    if (n == "GB2312") return "GB2312";
    if (n == "KSC5601") return "CP949";
    if (n == "JOHAB") return "JOHAB";
    return {};
}

}  // namespace

TextCodec codecFromCodePageName(std::string_view name) {
    std::string n = upperTrimmed(name);
    if (n == "UTF-8" || n == "UTF8") return {Encoding::Utf8, {}};
    std::string ic = iconvNameFor(n);
    if (ic == "CP1250") return {Encoding::Cp1250, {}};
    if (ic == "CP1251") return {Encoding::Cp1251, {}};
    if (ic == "CP1252" || ic.empty()) return {Encoding::Cp1252, {}};
    if (ic == "IBM866" || ic == "CP866") return {Encoding::Cp866, {}};
    if (!iconvInfo(ic).available) return {Encoding::Cp1252, {}};
    return {Encoding::Other, ic};
}

TextCodec codecForFile(std::string_view acadver, std::string_view dwgcodepage) {
    std::string v = upperTrimmed(acadver);
    if (v.size() == 6 && v.compare(0, 2, "AC") == 0 && allDigits(std::string_view(v).substr(2)) &&
        std::stoi(v.substr(2)) >= 1021)
        return {Encoding::Utf8, {}};
    return codecFromCodePageName(dwgcodepage);
}

bool isPlainAscii(std::string_view s) {
    return firstNonAscii(reinterpret_cast<const uchar*>(s.data()), s.size()) == s.size();
}

void decode(std::string_view bytes, const TextCodec& codec, std::string& utf8) {
    if (isPlainAscii(bytes)) {
        utf8.assign(bytes);
        return;
    }
    switch (codec.enc) {
    case Encoding::Utf8: decodeUtf8(bytes, utf8); return;
    case Encoding::Cp866:
    case Encoding::Cp1250:
    case Encoding::Cp1251:
    case Encoding::Cp1252: decodeTable(bytes, builtinTable(codec.enc), utf8); return;
    case Encoding::Other: break;
    }
    const IconvInfo& info = iconvInfo(codec.iconvName);
    if (info.table) return decodeTable(bytes, *info.table, utf8);
    if (IconvPair* ic = info.available ? iconvFor(codec.iconvName) : nullptr) return decodeIconv(bytes, *ic, utf8);
    decodeTable(bytes, builtinTable(Encoding::Cp1252), utf8);
}

void encode(std::string_view utf8, const TextCodec& codec, std::string& bytes) {
    if (isPlainAscii(utf8)) {
        bytes.assign(utf8);
        return;
    }
    switch (codec.enc) {
    case Encoding::Utf8: encodeUtf8(utf8, bytes); return;
    case Encoding::Cp866:
    case Encoding::Cp1250:
    case Encoding::Cp1251:
    case Encoding::Cp1252: encodeTable(utf8, builtinTable(codec.enc), bytes); return;
    case Encoding::Other: break;
    }
    const IconvInfo& info = iconvInfo(codec.iconvName);
    if (info.table) return encodeTable(utf8, *info.table, bytes);
    if (IconvPair* ic = info.available ? iconvFor(codec.iconvName) : nullptr) return encodeIconv(utf8, *ic, bytes);
    encodeTable(utf8, builtinTable(Encoding::Cp1252), bytes);
}

std::u16string utf8ToUtf16(std::string_view utf8) {
    // Stray bytes come back as the lone units 0xDC80..0xDCFF.
    return platform::utf8ToUtf16(utf8);
}

std::string utf16ToUtf8(std::u16string_view utf16) {
    // Lone surrogates as three-byte sequences, so that they come back unchanged.
    return platform::utf16ToUtf8(utf16, platform::LoneSurrogate::Keep);
}

std::string utf8ToSingleByte(std::string_view utf8, Encoding page) {
    std::string out;
    encode(utf8, TextCodec{page, {}}, out);
    return out;
}

std::string singleByteToUtf8(std::string_view bytes, Encoding page) {
    std::string out;
    decode(bytes, TextCodec{page, {}}, out);
    return out;
}

}  // namespace dxf
