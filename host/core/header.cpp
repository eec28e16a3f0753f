#include "host/core/header.h"

#include <algorithm>

#include "host/dxf/encoding.h"
#include "host/dxf/tags.h"

namespace hostcore {

TagList headerTags(const Drawing& d, const HeaderVar& v) {
    if (v.tags) return *v.tags;
    TagList out;
    dxf::AsciiTagReader r(v.raw);
    dxf::RawTag t;
    while (r.next(t)) {
        if (t.code == 9) continue;
        Tag tag;
        tag.code = static_cast<int16_t>(t.code);
        if (d.codec.enc == dxf::Encoding::Utf8 || dxf::isPlainAscii(t.value))
            tag.value.assign(t.value);
        else
            dxf::decode(t.value, d.codec, tag.value);
        out.push_back(std::move(tag));
    }
    return out;
}

const HeaderVar* findHeader(const Drawing& d, std::string_view name) {
    for (const HeaderVar& v : d.header)
        if (v.name == name) return &v;
    return nullptr;
}

HeaderVar* findHeader(Drawing& d, std::string_view name) {
    return const_cast<HeaderVar*>(findHeader(static_cast<const Drawing&>(d), name));
}

void setHeaderTags(Drawing& d, std::string_view name, TagList tags) {
    if (HeaderVar* v = findHeader(d, name)) {
        if (!v->raw.empty()) {
            // Back to the value the file has: the variable is the file's again, so the drawing
            // counts as unchanged there and is written as it was read.
            v->tags.reset();
            const TagList asRead = headerTags(d, *v);
            auto same = [](const Tag& a, const Tag& b) { return a.code == b.code && a.value == b.value; };
            if (std::equal(asRead.begin(), asRead.end(), tags.begin(), tags.end(), same)) return;
        }
        v->tags = std::make_unique<TagList>(std::move(tags));
        return;
    }
    HeaderVar v;
    v.name = name;
    v.tags = std::make_unique<TagList>(std::move(tags));
    d.header.push_back(std::move(v));
}

}  // namespace hostcore
