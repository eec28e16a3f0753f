#include "host/ed/coreview.h"

#include <algorithm>

#include "host/core/header.h"

namespace arxed {

hostcore::Drawing* drawingOf(AcDbDatabase* db) {
    if (!db) return nullptr;
    hostcore::Entry* e = entryOf(db->blockTableId());
    return e ? e->drawing : nullptr;
}

std::string typeOf(AcDbObjectId id) {
    hostcore::Entry* e = entryOf(id);
    if (!e || !e->drawing) return {};
    return e->drawing->typeName(e);
}

hostcore::TagList tagsOf(AcDbObjectId id) {
    hostcore::Entry* e = entryOf(id);
    if (!e || !e->drawing) return {};
    return e->drawing->tagsOf(e);
}

bool headerValue(hostcore::Drawing& d, const std::string& var, std::vector<hostcore::Tag>& tags) {
    tags.clear();
    const hostcore::HeaderVar* v = hostcore::findHeader(d, var);
    if (!v) return false;
    tags = hostcore::headerTags(d, *v);
    return true;
}

void setHeaderValue(hostcore::Drawing& d, const std::string& var, const std::vector<hostcore::Tag>& tags) {
    for (hostcore::HeaderVar& v : d.header) {
        if (v.name != var) continue;
        // Set back to the value the file has: the variable is the file's again,
        // so the drawing counts as unchanged and is written as it was read.
        if (!v.raw.empty()) {
            v.tags.reset();
            std::vector<hostcore::Tag> asRead;
            headerValue(d, var, asRead);
            auto same = [](const hostcore::Tag& a, const hostcore::Tag& b) {
                return a.code == b.code && a.value == b.value;
            };
            if (std::equal(asRead.begin(), asRead.end(), tags.begin(), tags.end(), same)) return;
        }
        v.tags = std::make_unique<hostcore::TagList>(tags);
        return;
    }
    hostcore::HeaderVar v;
    v.name = var;
    v.tags = std::make_unique<hostcore::TagList>(tags);
    d.header.push_back(std::move(v));
}

}  // namespace arxed
