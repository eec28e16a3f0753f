// Properties of the low-level DXF layer that must hold for ANY input, shared by the fuzz target
// and the unit test that replays the fuzzer's findings:
//  - tags read from a buffer, written back with TagWriter (CRLF) and read again, are the same;
//  - a successful binaryToAscii gives text the ASCII reader accepts completely;
//  - decode() then encode() gives back the original bytes, for every codec;
//  - internal UTF-8 -> UTF-16 -> internal UTF-8 is the identity.
#pragma once

#include "host/dxf/encoding.h"
#include "host/dxf/hex.h"
#include "host/dxf/tags.h"

#include <string>
#include <string_view>
#include <vector>

namespace dxftest {

// Returns nullptr when every property holds, else which one failed.
inline const char* propertyViolation(std::string_view in) {
    auto readAll = [](std::string_view text, std::vector<dxf::RawTag>& tags, bool& failed) {
        dxf::AsciiTagReader reader(text);
        dxf::RawTag tag;
        while (reader.next(tag)) tags.push_back(tag);
        failed = reader.failed();
        return reader.failed() == !reader.error().empty();
    };
    auto roundTrip = [&](std::string_view text) -> const char* {
        std::vector<dxf::RawTag> tags, again;
        bool failed = false;
        if (!readAll(text, tags, failed)) return "reader: failed() and error() disagree";
        for (const auto& t : tags) {
            if (t.value.data() < text.data() || t.value.data() + t.value.size() > text.data() + text.size())
                return "reader: value outside the buffer";
            if (t.value.find('\n') != std::string_view::npos) return "reader: value holds a line feed";
        }
        std::string out;
        dxf::TagWriter writer(out, true);
        for (const auto& t : tags) writer.write(t.code, t.value);
        if (!readAll(out, again, failed) || failed) return "writer: output does not read back";
        if (again.size() != tags.size()) return "writer: tag count changed";
        for (std::size_t i = 0; i < tags.size(); ++i)
            if (again[i].code != tags[i].code || again[i].value != tags[i].value) return "writer: tag changed";
        return nullptr;
    };

    (void)dxf::looksLikeDwg(in);
    std::string bin(dxf::isBinaryDxf(in) ? std::string_view() : dxf::kBinarySentinel);
    bin.append(in);
    std::string ascii, error;
    if (dxf::binaryToAscii(bin, ascii, error)) {
        if (!error.empty()) return "binary: error set on success";
        std::vector<dxf::RawTag> tags;
        bool failed = false;
        readAll(ascii, tags, failed);
        if (failed) return "binary: converted text does not read";
        if (const char* v = roundTrip(ascii)) return v;
    } else if (error.empty()) {
        return "binary: failure without a message";
    }
    if (const char* v = roundTrip(in)) return v;

    if (in.size() <= 4096) {
        static const dxf::TextCodec codecs[] = {
            {dxf::Encoding::Utf8, {}},   {dxf::Encoding::Cp1251, {}}, {dxf::Encoding::Cp866, {}},
            {dxf::Encoding::Cp1252, {}}, {dxf::Encoding::Cp1250, {}}, dxf::codecFromCodePageName("ANSI_932"),
            dxf::codecFromCodePageName("ANSI_1253"), dxf::codecFromCodePageName("ANSI_949"),
        };
        std::string utf8, back;
        for (const auto& codec : codecs) {
            dxf::decode(in, codec, utf8);
            dxf::encode(utf8, codec, back);
            if (back != in) return "encoding: decode/encode changed the bytes";
            if (dxf::utf16ToUtf8(dxf::utf8ToUtf16(utf8)) != utf8) return "encoding: UTF-16 round trip changed the text";
        }
        // Arbitrary bytes taken as internal UTF-8 must encode without trouble.
        dxf::encode(in, codecs[0], back);
        dxf::encode(in, codecs[1], back);
        dxf::encode(in, codecs[5], back);
    }
    std::string bytes;
    (void)dxf::hexDecode(in, bytes, error);
    return nullptr;
}

}  // namespace dxftest
