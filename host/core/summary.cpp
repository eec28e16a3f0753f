#include "host/core/summary.h"

#include <charconv>

#include "host/core/header.h"
#include "host/dxf/tags.h"

namespace hostcore {

namespace {

// The fixed properties and where each lives: header variable, xrecord code.
struct Field {
    const char* var;
    int code;  // in the DWGPROPS xrecord; 0 = not there
    std::string SummaryInfo::*member;
};
const Field kFields[] = {
    {"$TITLE", 2, &SummaryInfo::title},
    {"$SUBJECT", 3, &SummaryInfo::subject},
    {"$AUTHOR", 4, &SummaryInfo::author},
    {"$COMMENTS", 6, &SummaryInfo::comments},
    {"$KEYWORDS", 7, &SummaryInfo::keywords},
    {"$LASTSAVEDBY", 8, &SummaryInfo::lastSavedBy},
    {"$REVISIONNUMBER", 9, &SummaryInfo::revisionNumber},
    {"$HYPERLINKBASE", 0, &SummaryInfo::hyperlinkBase},
};

constexpr const char* kCookie = "DWGPROPS COOKIE";

std::string headerString(const Drawing& d, const HeaderVar& v) {
    for (const Tag& t : headerTags(d, v))
        if (t.code == 1) return t.value;
    return {};
}

// The DWGPROPS xrecord: the entry the root dictionary names under that key.
Entry* findPropsRecord(const Drawing& d) {
    if (!d.rootDictionary) return nullptr;
    TagList tags = d.tagsOf(d.rootDictionary);
    for (std::size_t i = 0; i + 1 < tags.size(); ++i) {
        if (tags[i].code == 3 && foldName(tags[i].value) == "DWGPROPS" &&
            (tags[i + 1].code == 350 || tags[i + 1].code == 360)) {
            Entry* e = d.find(handleValue(tags[i + 1].value));
            if (e && !e->erased()) return e;
        }
    }
    return nullptr;
}

// Where the xrecord's data starts: after its subclass marker and cloning flag.
std::size_t propsDataStart(const TagList& t) {
    std::size_t i = 0;
    while (i < t.size() && !(t[i].code == 100 && t[i].value == "AcDbXrecord")) ++i;
    if (i < t.size()) ++i;
    if (i < t.size() && t[i].code == 280) ++i;
    return i;
}

void splitCustom(const std::string& s, std::vector<std::pair<std::string, std::string>>& out) {
    if (s.empty() || s == "=") return;  // an unused slot
    std::size_t eq = s.find('=');
    if (eq == std::string::npos)
        out.emplace_back(s, std::string());
    else
        out.emplace_back(s.substr(0, eq), s.substr(eq + 1));
}

SummaryInfo readFromRecord(const Drawing& d, const Entry* e) {
    SummaryInfo info;
    TagList t = d.tagsOf(e);
    bool cookieSeen = false;
    for (std::size_t i = propsDataStart(t); i < t.size(); ++i) {
        const Tag& tag = t[i];
        if (tag.code >= 1000) break;
        if (tag.code == 1) {
            // The first code 1 is the cookie, the second the hyperlink base.
            if (!cookieSeen && tag.value == kCookie) {
                cookieSeen = true;
            } else {
                info.hyperlinkBase = tag.value;
            }
            continue;
        }
        if (tag.code >= 300 && tag.code <= 309) {
            splitCustom(tag.value, info.custom);
            continue;
        }
        for (const Field& f : kFields)
            if (f.code == tag.code) info.*f.member = tag.value;
    }
    return info;
}

std::size_t varIndex(const Drawing& d, std::string_view name) {
    for (std::size_t i = 0; i < d.header.size(); ++i)
        if (d.header[i].name == name) return i;
    return d.header.size();
}

void setVar(Drawing& d, const char* name, const std::string& value, std::size_t& insertAt) {
    HeaderVar* v = findHeader(d, name);
    if (v) {
        if (headerString(d, *v) == value) return;
        v->tags = std::make_unique<TagList>(TagList{{1, value, nullptr}});
        return;
    }
    if (value.empty()) return;  // an empty property needs no variable
    HeaderVar nv;
    nv.name = name;
    nv.tags = std::make_unique<TagList>(TagList{{1, value, nullptr}});
    insertAt = std::min(insertAt, d.header.size());
    d.header.insert(d.header.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(nv));
    ++insertAt;
}

void writeToHeader(Drawing& d, const SummaryInfo& info) {
    // New variables go after $LASTSAVEDBY, or after $DWGCODEPAGE, as AutoCAD lists them.
    std::size_t at = varIndex(d, "$LASTSAVEDBY");
    if (at == d.header.size()) at = varIndex(d, "$DWGCODEPAGE");
    at = (at == d.header.size()) ? d.header.size() : at + 1;
    for (const Field& f : kFields) setVar(d, f.var, info.*f.member, at);

    // Custom properties: the old pairs go, the new ones take the place of the first.
    std::size_t first = d.header.size();
    for (std::size_t i = 0; i < d.header.size();) {
        const std::string& n = d.header[i].name;
        if (n == "$CUSTOMPROPERTYTAG" || n == "$CUSTOMPROPERTY") {
            first = std::min(first, i);
            d.header.erase(d.header.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    if (first == d.header.size()) {
        std::size_t after = varIndex(d, "$LASTSAVEDBY");
        first = (after == d.header.size()) ? std::min(at, d.header.size()) : after + 1;
    }
    std::vector<HeaderVar> pairs;
    for (auto& [key, value] : info.custom) {
        HeaderVar k, v;
        k.name = "$CUSTOMPROPERTYTAG";
        k.tags = std::make_unique<TagList>(TagList{{1, key, nullptr}});
        v.name = "$CUSTOMPROPERTY";
        v.tags = std::make_unique<TagList>(TagList{{1, value, nullptr}});
        pairs.push_back(std::move(k));
        pairs.push_back(std::move(v));
    }
    d.header.insert(d.header.begin() + static_cast<std::ptrdiff_t>(first),
                    std::make_move_iterator(pairs.begin()), std::make_move_iterator(pairs.end()));
}

Entry* createPropsRecord(Drawing& d) {
    if (!d.rootDictionary) return nullptr;
    Entry* e = d.newEntry(d.internType("XRECORD"), flags::kObject | flags::kNew);
    d.assignHandle(e);
    e->owner = d.rootDictionary;
    const std::string root = handleText(d.rootDictionary->handle);
    e->tags = std::make_unique<TagList>(TagList{
        {0, "XRECORD", nullptr},
        {5, handleText(e->handle), nullptr},
        {102, "{ACAD_REACTORS", nullptr},
        {330, root, nullptr},
        {102, "}", nullptr},
        {330, root, nullptr},
        {100, "AcDbXrecord", nullptr},
        {280, "1", nullptr},
    });
    // The root dictionary lists it under DWGPROPS, after its last entry.
    TagList& dict = d.ownTags(d.rootDictionary);
    std::size_t at = dict.size();
    while (at > 0 && dict[at - 1].code >= 1000) --at;
    dict.insert(dict.begin() + static_cast<std::ptrdiff_t>(at),
                {{3, "DWGPROPS", nullptr}, {350, handleText(e->handle), nullptr}});
    // Place it right after the root dictionary, where AutoCAD writes it.
    d.objects.insert(d.objects.begin() + (d.objects.empty() ? 0 : 1), e);
    return e;
}

void writeToRecord(Drawing& d, const SummaryInfo& info) {
    Entry* e = findPropsRecord(d);
    if (!e) e = createPropsRecord(d);
    if (!e) return;
    TagList& t = d.ownTags(e);
    const std::size_t start = propsDataStart(t);
    std::size_t end = start;
    while (end < t.size() && t[end].code < 1000) ++end;
    // Keep what the host does not model (the times 40 to 42, anything else).
    TagList kept;
    bool cookieSeen = false;
    for (std::size_t i = start; i < end; ++i) {
        const Tag& tag = t[i];
        bool modelled = (tag.code >= 2 && tag.code <= 9 && tag.code != 5) ||
                        (tag.code >= 300 && tag.code <= 309) || tag.code == 90;
        if (tag.code == 1) {
            modelled = true;
            if (!cookieSeen && tag.value == kCookie) cookieSeen = true;
        }
        if (!modelled) kept.push_back(tag);
    }
    TagList data;
    data.push_back({1, kCookie, nullptr});
    for (const Field& f : kFields)
        if (f.code) data.push_back({static_cast<int16_t>(f.code), info.*f.member, nullptr});
    // Ten slots as AutoCAD has them; further properties continue the cycle of
    // codes 300 to 309, and code 90 gives the count.
    const std::size_t slots = std::max<std::size_t>(10, info.custom.size());
    for (std::size_t i = 0; i < slots; ++i) {
        std::string v = i < info.custom.size() ? info.custom[i].first + "=" + info.custom[i].second
                                               : std::string("=");
        data.push_back({static_cast<int16_t>(300 + i % 10), std::move(v), nullptr});
    }
    for (const Tag& k : kept) data.push_back(k);
    data.push_back({1, info.hyperlinkBase, nullptr});
    data.push_back({90, std::to_string(info.custom.size()), nullptr});
    t.erase(t.begin() + static_cast<std::ptrdiff_t>(start), t.begin() + static_cast<std::ptrdiff_t>(end));
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(start), data.begin(), data.end());
}

}  // namespace

bool summaryInHeader(const Drawing& d) { return d.acadver >= "AC1018"; }

SummaryInfo readSummaryInfo(const Drawing& d) {
    if (!summaryInHeader(d)) {
        if (const Entry* e = findPropsRecord(d)) return readFromRecord(d, e);
        return {};
    }
    SummaryInfo info;
    const HeaderVar* pendingKey = nullptr;
    for (const HeaderVar& v : d.header) {
        for (const Field& f : kFields)
            if (v.name == f.var) info.*f.member = headerString(d, v);
        if (v.name == "$CUSTOMPROPERTYTAG") {
            if (pendingKey) info.custom.emplace_back(headerString(d, *pendingKey), std::string());
            pendingKey = &v;
        } else if (v.name == "$CUSTOMPROPERTY") {
            info.custom.emplace_back(pendingKey ? headerString(d, *pendingKey) : std::string(),
                                     headerString(d, v));
            pendingKey = nullptr;
        }
    }
    if (pendingKey) info.custom.emplace_back(headerString(d, *pendingKey), std::string());
    return info;
}

void writeSummaryInfo(Drawing& d, const SummaryInfo& info) {
    if (summaryInHeader(d))
        writeToHeader(d, info);
    else
        writeToRecord(d, info);
}

}  // namespace hostcore
