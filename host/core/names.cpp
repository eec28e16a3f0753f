// Name rules shared by the whole drawing: case folding for lookups and the
// table of tags that refer to another record by its name.
#include <array>
#include <charconv>
#include <cstring>

#include "host/core/drawing.h"
#include "platform/ascii.h"
#include "platform/utf8.h"

namespace hostcore {

namespace {

// Upper-case partner of a code point, for the letters names use: Latin (ASCII,
// Latin-1, Latin Extended-A) and Cyrillic.
char32_t foldChar(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs letters as even upper / odd lower, except a
        // few ranges that are shifted by one.
        bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (shifted) return (c % 2 == 0) ? c - 1 : c;
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        return (c % 2 == 1) ? c - 1 : c;
    }
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    if (c >= 0x460 && c <= 0x4FF && c != 0x482 && !(c >= 0x483 && c <= 0x489)) {
        return (c % 2 == 1) ? c - 1 : c;
    }
    return c;
}

}  // namespace

std::string foldName(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out += static_cast<char>((b >= 'a' && b <= 'z') ? b - 32 : b);
            ++i;
            continue;
        }
        // Decode one UTF-8 sequence (the surrogate forms of byte escapes included);
        // a byte that starts none is copied as it is.
        char32_t c;
        const std::size_t len =
            platform::readUtf8(reinterpret_cast<const unsigned char*>(s.data()) + i, s.size() - i,
                               true, c);
        if (len == 0) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        platform::appendUtf8(out, foldChar(c));
        i += len;
    }
    return out;
}

namespace {
constexpr std::array<const char*, kTableCount> kTableTypes = {
    "VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID", "DIMSTYLE", "BLOCK_RECORD"};

bool isOneOf(std::string_view v, std::initializer_list<std::string_view> list) {
    for (auto s : list)
        if (v == s) return true;
    return false;
}
}  // namespace

const char* tableTypeName(TableKind kind) {
    int i = static_cast<int>(kind);
    return (i >= 0 && i < kTableCount) ? kTableTypes[static_cast<std::size_t>(i)] : "";
}

TableKind tableKindFromTypeName(std::string_view type) {
    for (int i = 0; i < kTableCount; ++i)
        if (type == kTableTypes[static_cast<std::size_t>(i)]) return static_cast<TableKind>(i);
    return TableKind::None;
}

TableKind nameReference(std::string_view type, std::string_view subclass, int code, bool xdata,
                        bool entity) {
    if (xdata) {
        if (code == 1003) return TableKind::Layer;
        if (code == 1001) return TableKind::AppId;
        // The anonymous block of a dynamic block reference names the dynamic
        // block it was made from ("subclass" is the application in extended data).
        if (code == 1000 && (platform::equalsAsciiNoCase(subclass, "AcDbDynamicBlockTrueName") ||
                             platform::equalsAsciiNoCase(subclass, "AcDbDynamicBlockTrueName2")))
            return TableKind::BlockRecord;
        return TableKind::None;
    }
    const bool common = subclass.empty() || subclass == "AcDbEntity";
    if (entity) {
        if (common && code == 8) return TableKind::Layer;
        if (common && code == 6) return TableKind::LType;
        if (code == 7 && isOneOf(type, {"TEXT", "ATTRIB", "ATTDEF", "MTEXT"}) &&
            isOneOf(subclass, {"", "AcDbText", "AcDbMText", "AcDbAttribute",
                               "AcDbAttributeDefinition"}))
            return TableKind::Style;
        if (code == 2 && isOneOf(type, {"INSERT", "DIMENSION", "ACAD_TABLE"}) &&
            isOneOf(subclass, {"", "AcDbBlockReference", "AcDbDimension"}))
            return TableKind::BlockRecord;
        if (code == 3 && ((type == "DIMENSION" && isOneOf(subclass, {"", "AcDbDimension"})) ||
                          (type == "LEADER" && isOneOf(subclass, {"", "AcDbLeader"})) ||
                          (type == "TOLERANCE" && isOneOf(subclass, {"", "AcDbFcf"}))))
            return TableKind::DimStyle;
        if (type == "BLOCK" && (code == 2 || code == 3) &&
            isOneOf(subclass, {"", "AcDbBlockBegin"}))
            return TableKind::BlockRecord;
        return TableKind::None;
    }
    if (type == "LAYER" && code == 6 && isOneOf(subclass, {"", "AcDbLayerTableRecord"}))
        return TableKind::LType;
    if (type == "MLINESTYLE" && code == 6) return TableKind::LType;
    if (type == "TABLESTYLE" && code == 7) return TableKind::Style;
    // A layer index lists the layers by name.
    if (type == "LAYER_INDEX" && code == 8 && subclass == "AcDbLayerIndex") return TableKind::Layer;
    return TableKind::None;
}

std::string handleText(uint64_t v) {
    char buf[20];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v, 16);
    std::string s(buf, p);
    for (char& c : s)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);
    return s;
}

bool parseHandle(std::string_view s, uint64_t& out) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    if (s.empty() || s.size() > 16) return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out, 16);
    return ec == std::errc() && p == s.data() + s.size();
}

}  // namespace hostcore
