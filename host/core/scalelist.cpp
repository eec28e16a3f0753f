#include "host/core/scalelist.h"

#include <charconv>
#include <cstdlib>
#include <unordered_set>

#include "host/core/dxfio.h"
#include "host/dxf/tags.h"

namespace hostcore {

namespace {

std::string realText(double v) {
    char buf[32];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    std::string s(buf, p);
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

double toReal(const std::string& s) { return std::strtod(s.c_str(), nullptr); }

// The ACAD_SCALELIST dictionary.
Entry* scaleDictionary(const Drawing& d) {
    if (!d.rootDictionary) return nullptr;
    TagList t = d.tagsOf(d.rootDictionary);
    for (std::size_t i = 0; i + 1 < t.size(); ++i)
        if (t[i].code == 3 && foldName(t[i].value) == "ACAD_SCALELIST" &&
            (t[i + 1].code == 350 || t[i + 1].code == 360)) {
            Entry* e = d.find(handleValue(t[i + 1].value));
            return (e && !e->erased()) ? e : nullptr;
        }
    return nullptr;
}

Scale scaleOf(const Drawing& d, Entry* e) {
    Scale s{};
    s.entry = e;
    for (const Tag& t : d.tagsOf(e)) {
        if (t.code == 300) s.name = t.value;
        if (t.code == 140) s.paperUnits = toReal(t.value);
        if (t.code == 141) s.drawingUnits = toReal(t.value);
        if (t.code == 290) s.unitScale = std::atoi(t.value.c_str()) != 0;
    }
    return s;
}

// Handles that records other than the scale list itself point at.
std::unordered_set<uint64_t> referencedAmong(const Drawing& d, const std::unordered_set<uint64_t>& wanted,
                                             const Entry* list) {
    std::unordered_set<uint64_t> found;
    if (wanted.empty()) return found;
    for (const Entry& e : d.entries) {
        if (&e == list || e.erased() || wanted.count(e.handle)) continue;
        auto check = [&](int code, std::string_view value) {
            if (isHandleReference(code)) {
                uint64_t h = handleValue(value);
                if (wanted.count(h)) found.insert(h);
            }
        };
        if (e.tags) {
            for (const Tag& t : *e.tags) check(t.code, t.value);
        } else {
            dxf::AsciiTagReader r(e.raw);
            dxf::RawTag t;
            while (r.next(t)) check(t.code, t.value);
        }
    }
    return found;
}

TagList scaleTags(const Scale& s, uint64_t handle, uint64_t owner) {
    const std::string o = handleText(owner);
    return TagList{
        {0, "SCALE", nullptr},         {5, handleText(handle), nullptr},
        {102, "{ACAD_REACTORS", nullptr}, {330, o, nullptr},
        {102, "}", nullptr},           {330, o, nullptr},
        {100, "AcDbScale", nullptr},   {70, "0", nullptr},
        {300, s.name, nullptr},        {140, realText(s.paperUnits), nullptr},
        {141, realText(s.drawingUnits), nullptr}, {290, s.unitScale ? "1" : "0", nullptr},
    };
}

// Sets the units of an existing SCALE record where they differ.
void setUnits(Drawing& d, Entry* e, const Scale& s) {
    Scale now = scaleOf(d, e);
    if (now.paperUnits == s.paperUnits && now.drawingUnits == s.drawingUnits && now.unitScale == s.unitScale)
        return;
    for (Tag& t : d.ownTags(e)) {
        if (t.code == 140) t.value = realText(s.paperUnits);
        if (t.code == 141) t.value = realText(s.drawingUnits);
        if (t.code == 290) t.value = s.unitScale ? "1" : "0";
    }
}

}  // namespace

bool imperialDrawing(const Drawing& d) {
    for (const HeaderVar& v : d.header) {
        if (v.name != "$MEASUREMENT") continue;
        if (v.tags) {
            for (const Tag& t : *v.tags)
                if (t.code == 70) return std::atoi(t.value.c_str()) == 0;
            return false;
        }
        dxf::AsciiTagReader r(v.raw);
        dxf::RawTag t;
        while (r.next(t))
            if (t.code == 70) return std::atoi(std::string(t.value).c_str()) == 0;
    }
    return false;
}

std::vector<Scale> readScaleList(const Drawing& d) {
    std::vector<Scale> out;
    Entry* dict = scaleDictionary(d);
    if (!dict) return out;
    TagList t = d.tagsOf(dict);
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        if (t[i].code != 3 || (t[i + 1].code != 350 && t[i + 1].code != 360)) continue;
        Entry* e = d.find(handleValue(t[i + 1].value));
        if (e && !e->erased() && d.typeName(e) == "SCALE") out.push_back(scaleOf(d, e));
    }
    return out;
}

std::vector<Scale> defaultScaleList(bool imperial) {
    std::vector<Scale> out;
    const std::pair<double, double> metric[] = {{1, 1},  {1, 2},  {1, 4},  {1, 5},  {1, 8},   {1, 10},
                                                {1, 16}, {1, 20}, {1, 30}, {1, 40}, {1, 50},  {1, 100},
                                                {2, 1},  {4, 1},  {8, 1},  {10, 1}, {100, 1}};
    for (auto [p, dr] : metric) {
        std::string name = std::to_string(static_cast<int>(p)) + ":" + std::to_string(static_cast<int>(dr));
        out.push_back({name, p, dr, p == 1 && dr == 1});
    }
    if (imperial) {
        const std::pair<const char*, double> inch[] = {
            {"1/128\"", 0.0078125}, {"1/64\"", 0.015625}, {"1/32\"", 0.03125}, {"1/16\"", 0.0625},
            {"3/32\"", 0.09375},    {"1/8\"", 0.125},     {"3/16\"", 0.1875},  {"1/4\"", 0.25},
            {"3/8\"", 0.375},       {"1/2\"", 0.5},       {"3/4\"", 0.75},     {"1\"", 1.0},
            {"1-1/2\"", 1.5},       {"3\"", 3.0},         {"6\"", 6.0},        {"1'-0\"", 12.0}};
        for (auto [label, paper] : inch) out.push_back({std::string(label) + " = 1'-0\"", paper, 12.0, false});
    }
    return out;
}

bool resetScaleList(Drawing& d) {
    Entry* dict = scaleDictionary(d);
    if (!dict) return false;
    std::vector<Scale> current = readScaleList(d);
    std::vector<Scale> wanted = defaultScaleList(imperialDrawing(d));

    std::vector<Entry*> kept;
    std::unordered_set<Entry*> used;
    for (Scale& w : wanted) {
        Entry* e = nullptr;
        for (Scale& c : current)
            if (!used.count(c.entry) && c.name == w.name) {
                e = c.entry;
                break;
            }
        if (e) {
            setUnits(d, e, w);
        } else {
            e = d.newEntry(d.internType("SCALE"), flags::kObject | flags::kNew);
            d.assignHandle(e);
            e->owner = dict;
            e->tags = std::make_unique<TagList>(scaleTags(w, e->handle, dict->handle));
            d.objects.push_back(e);
        }
        used.insert(e);
        kept.push_back(e);
    }
    // Scales outside the default list go, unless something still refers to them.
    std::unordered_set<uint64_t> others;
    for (Scale& c : current)
        if (!used.count(c.entry)) others.insert(c.entry->handle);
    std::unordered_set<uint64_t> inUse = referencedAmong(d, others, dict);
    for (Scale& c : current) {
        if (used.count(c.entry)) continue;
        if (inUse.count(c.entry->handle)) {
            kept.push_back(c.entry);
        } else {
            c.entry->flags |= flags::kErased;
        }
    }
    // The dictionary lists the scales anew, keys A0, A1, ... in list order.
    TagList& t = d.ownTags(dict);
    TagList out;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i].code == 3 && i + 1 < t.size() && (t[i + 1].code == 350 || t[i + 1].code == 360)) {
            ++i;
            continue;
        }
        out.push_back(t[i]);
    }
    std::size_t at = out.size();
    while (at > 0 && out[at - 1].code >= 1000) --at;
    TagList pairs;
    for (std::size_t k = 0; k < kept.size(); ++k) {
        pairs.push_back({3, "A" + std::to_string(k), nullptr});
        pairs.push_back({350, handleText(kept[k]->handle), nullptr});
    }
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), pairs.begin(), pairs.end());
    t = std::move(out);
    return true;
}

}  // namespace hostcore
