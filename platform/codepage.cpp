#include "platform/codepage.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/codepage_tables.h"

namespace {

constexpr unsigned char kDefaultMark = '?';

// Conversion data of one code page. The reverse table gives, for every BMP
// code unit, its byte, its best-fit byte, or '?' when there is neither; the
// bit set says which code units the code page holds exactly.
struct CodePage {
    UINT number;
    const char16_t* toUnicode;
    unsigned char toByte[65536];
    std::uint64_t exact[65536 / 64];

    bool isExact(char16_t u) const { return (exact[u >> 6] >> (u & 63)) & 1; }
};

constexpr UINT kNumbers[] = {866, 1250, 1251, 1252};
constexpr int kPageCount = 4;

const char16_t* forwardTable(UINT number) {
    switch (number) {
        case 866:
            return codepage_data::cp866;
        case 1250:
            return codepage_data::cp1250;
        case 1251:
            return codepage_data::cp1251;
        case 1252:
            return codepage_data::cp1252;
        default:
            return nullptr;
    }
}

void build(CodePage& page, UINT number) {
    page.number = number;
    page.toUnicode = forwardTable(number);
    std::memset(page.toByte, kDefaultMark, sizeof page.toByte);
    std::memset(page.exact, 0, sizeof page.exact);
    for (int b = 0; b < 256; ++b) {
        char16_t u = page.toUnicode[b];
        page.toByte[u] = static_cast<unsigned char>(b);
        page.exact[u >> 6] |= std::uint64_t{1} << (u & 63);
    }
    for (unsigned i = 0; i < codepage_data::bestFitCount; ++i) {
        const auto& p = codepage_data::bestFit[i];
        if (!page.isExact(p.from) && page.isExact(p.to)) page.toByte[p.from] = page.toByte[p.to];
    }
}

// All reverse tables are built together on first use (about 300 KiB).
const CodePage* pages() {
    static const CodePage* const built = [] {
        auto* all = new CodePage[kPageCount];
        for (int i = 0; i < kPageCount; ++i)
            build(all[i], kNumbers[i]);
        return all;
    }();
    return built;
}

const CodePage* resolve(UINT codePage) {
    if (codePage == CP_ACP) codePage = GetACP();
    for (int i = 0; i < kPageCount; ++i)
        if (kNumbers[i] == codePage) return &pages()[i];
    return nullptr;
}

std::atomic<UINT> ansiCodePage{0};
std::once_flag ansiFromEnvironment;

void initAnsiCodePage() {
    std::call_once(ansiFromEnvironment, [] {
        UINT chosen = 1251;
        if (const char* env = std::getenv("ARX_ANSI_CODEPAGE")) {
            char* end = nullptr;
            unsigned long v = std::strtoul(env, &end, 10);
            if (end != env && *end == 0 && isSupportedCodePage(static_cast<UINT>(v)))
                chosen = static_cast<UINT>(v);
        }
        UINT unset = 0;
        ansiCodePage.compare_exchange_strong(unset, chosen);
    });
}

bool isHigh(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLow(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// One loop for counting (Write false) and converting (Write true). Returns the
// number of bytes, or -1 when they do not fit in dstLen.
template <bool Write, bool BestFit>
long long toBytes(const CodePage& page, const char16_t* src, std::size_t n, char* dst,
                  std::size_t dstLen, char defaultChar, bool& usedDefault) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < n; ++i) {
        char16_t u = src[i];
        unsigned char b = page.toByte[u];
        bool isDefault;
        if (b != kDefaultMark || u == u'?') [[likely]] {
            isDefault = !BestFit && !page.isExact(u);
        } else {
            isDefault = true;
            if (isHigh(u) && i + 1 < n && isLow(src[i + 1])) ++i;  // one character
        }
        if (isDefault) {
            usedDefault = true;
            b = static_cast<unsigned char>(defaultChar);
        }
        if constexpr (Write) {
            if (out == dstLen) return -1;
            dst[out] = static_cast<char>(b);
        }
        ++out;
    }
    return static_cast<long long>(out);
}

}  // namespace

bool isSupportedCodePage(UINT codePage) {
    return forwardTable(codePage) != nullptr;
}

const char16_t* codePageTable(UINT codePage) {
    if (codePage == CP_ACP) codePage = GetACP();
    return forwardTable(codePage);
}

UINT GetACP() {
    UINT v = ansiCodePage.load(std::memory_order_relaxed);
    if (v != 0) return v;
    initAnsiCodePage();
    return ansiCodePage.load();
}

void setAnsiCodePage(UINT codePage) {
    if (!isSupportedCodePage(codePage)) return;
    initAnsiCodePage();  // so that the environment cannot override this later
    ansiCodePage.store(codePage);
}

int MultiByteToWideChar(UINT codePage, DWORD /*flags*/, const char* src, int srcLen, char16_t* dst,
                        int dstLen) {
    const char16_t* table = codePageTable(codePage);
    if (table == nullptr || src == nullptr || srcLen == 0 || srcLen < -1 || dstLen < 0 ||
        (dstLen > 0 && dst == nullptr))
        return 0;
    std::size_t n = srcLen == -1 ? std::strlen(src) + 1 : static_cast<std::size_t>(srcLen);
    if (n > static_cast<std::size_t>(INT32_MAX)) return 0;
    if (dstLen == 0) return static_cast<int>(n);
    if (static_cast<std::size_t>(dstLen) < n) return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(src);
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = table[bytes[i]];
    return static_cast<int>(n);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* src, int srcLen, char* dst,
                        int dstLen, const char* defaultChar, BOOL* usedDefaultChar) {
    const CodePage* page = resolve(codePage);
    if (page == nullptr || src == nullptr || srcLen == 0 || srcLen < -1 || dstLen < 0 ||
        (dstLen > 0 && dst == nullptr))
        return 0;
    std::size_t n = static_cast<std::size_t>(srcLen);
    if (srcLen == -1) {
        n = 0;
        while (src[n] != 0)
            ++n;
        ++n;
        if (n > static_cast<std::size_t>(INT32_MAX)) return 0;
    }
    const char def = defaultChar != nullptr ? *defaultChar : '?';
    const bool bestFit = (flags & WC_NO_BEST_FIT_CHARS) == 0;
    bool used = false;
    long long r;
    if (dstLen == 0)
        r = bestFit ? toBytes<false, true>(*page, src, n, nullptr, 0, def, used)
                    : toBytes<false, false>(*page, src, n, nullptr, 0, def, used);
    else
        r = bestFit ? toBytes<true, true>(*page, src, n, dst, static_cast<std::size_t>(dstLen), def,
                                          used)
                    : toBytes<true, false>(*page, src, n, dst, static_cast<std::size_t>(dstLen),
                                           def, used);
    if (r < 0) return 0;
    if (usedDefaultChar != nullptr) *usedDefaultChar = used ? 1 : 0;
    return static_cast<int>(r);
}
