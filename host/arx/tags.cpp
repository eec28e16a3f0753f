// Working on the tag lists of records: finding and setting values, default
// records of new objects, by-name references, name rules, dictionary pairs.
#include <map>
#include <mutex>
#include <type_traits>

#include "host/arx/internal.h"

namespace arxhost {

using hostcore::foldName;

std::size_t xdataStart(const TagList& t) {
    for (std::size_t i = 1; i < t.size(); ++i)
        if (t[i].code >= 1000) return i;
    return t.size();
}

namespace {
// End of the record's own data: extended data or an embedded object.
std::size_t dataEnd(const TagList& t) {
    for (std::size_t i = 1; i < t.size(); ++i)
        if (t[i].code >= 1000 || t[i].code == 101) return i;
    return t.size();
}
}  // namespace

int findTag(const TagList& t, int code, std::size_t from) {
    const std::size_t end = dataEnd(t);
    for (std::size_t i = from; i < end; ++i)
        if (t[i].code == code) return static_cast<int>(i);
    return -1;
}

const std::string* tagValue(const TagList& t, int code) {
    int i = findTag(t, code);
    return i < 0 ? nullptr : &t[static_cast<std::size_t>(i)].value;
}

void setTag(TagList& t, int code, std::string value, int insertAt) {
    int i = findTag(t, code);
    if (i >= 0) {
        t[static_cast<std::size_t>(i)].value = std::move(value);
        t[static_cast<std::size_t>(i)].ref = nullptr;
        return;
    }
    std::size_t at = insertAt < 0 ? dataEnd(t) : std::min(static_cast<std::size_t>(insertAt), t.size());
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), Tag{static_cast<int16_t>(code), std::move(value), nullptr});
}

int findInSubclass(const TagList& t, const char* sub, int code, bool markerless) {
    bool markers = false;
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (t[i].code != 100) continue;
        if (t[i].value == sub) return findTag(t, code, i + 1);
        markers = true;
    }
    return markerless && !markers ? findTag(t, code) : -1;
}

void setInSubclass(TagList& t, const char* sub, int code, std::string value, bool markerless) {
    int i = findInSubclass(t, sub, code, markerless);
    if (i >= 0) {
        t[static_cast<std::size_t>(i)].value = std::move(value);
        return;
    }
    std::size_t at = xdataStart(t);
    for (std::size_t k = 1; k < t.size(); ++k)
        if (t[k].code == 100 && t[k].value == sub) {
            at = k + 1;
            break;
        }
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), tagOf(code, std::move(value)));
}

namespace {
// Index of the owner tag: the first 330 before the first subclass marker that
// is not inside an application group.
int ownerIndex(const TagList& t) {
    bool inGroup = false;
    for (std::size_t i = 1; i < t.size(); ++i) {
        const Tag& g = t[i];
        if (g.code == 100 || g.code >= 1000) break;
        if (g.code == 102) {
            inGroup = !g.value.empty() && g.value.front() == '{';
            continue;
        }
        if (g.code == 330 && !inGroup) return static_cast<int>(i);
    }
    return -1;
}
}  // namespace

uint64_t ownerHandle(const TagList& t) {
    int i = ownerIndex(t);
    uint64_t h = 0;
    if (i >= 0) parseHex(t[static_cast<std::size_t>(i)].value, h);
    return h;
}

void setOwnerHandle(TagList& t, uint64_t h) {
    int i = ownerIndex(t);
    if (i >= 0) {
        t[static_cast<std::size_t>(i)].value = hexOf(h);
        return;
    }
    // After the handle and any application groups, before the first marker.
    std::size_t at = 1;
    while (at < t.size() && t[at].code != 100 && t[at].code < 1000) ++at;
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), Tag{330, hexOf(h), nullptr});
}

void setOwnHandle(TagList& t, uint64_t h, bool dimstyle) {
    const int code = dimstyle ? 105 : 5;
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (t[i].code == code) {
            t[i].value = hexOf(h);
            return;
        }
    }
    t.insert(t.begin() + (t.empty() ? 0 : 1), Tag{static_cast<int16_t>(code), hexOf(h), nullptr});
}

void resolveRefs(const Drawing& d, TagList& t, bool entity) {
    if (t.empty()) return;
    const std::string type = t[0].value;
    std::string subclass;
    bool xdata = false;
    for (Tag& g : t) {
        if (g.code == 100 || g.code == 1001) subclass = g.value;  // in extended data: its application
        if (g.code >= 1000) xdata = true;
        TableKind k = hostcore::nameReference(type, subclass, g.code, xdata, entity);
        if (k != TableKind::None) g.ref = findRecord(d, k, g.value);
    }
}

namespace {

TagList buildDefaultTags(std::string_view dxf) {
    const auto T = tagOf;
    TagList t;
    t.push_back(T(0, std::string(dxf)));
    const bool dimstyle = dxf == "DIMSTYLE";
    t.push_back(T(dimstyle ? 105 : 5, "0"));
    t.push_back(T(330, "0"));
    auto rec = [&](const char* sub, std::initializer_list<Tag> rest) {
        t.push_back(T(100, "AcDbSymbolTableRecord"));
        t.push_back(T(100, sub));
        t.push_back(T(2, ""));
        t.push_back(T(70, "0"));
        t.insert(t.end(), rest);
    };
    auto ent = [&](const char* sub, std::initializer_list<Tag> rest) {
        t.push_back(T(100, "AcDbEntity"));
        t.push_back(T(8, "0"));
        t.push_back(T(100, sub));
        t.insert(t.end(), rest);
    };
    const Tag origin[] = {T(10, "0.0"), T(20, "0.0"), T(30, "0.0")};
    if (dxf == "LAYER") {
        rec("AcDbLayerTableRecord", {T(62, "7"), T(6, "Continuous"), T(370, "-3")});
    } else if (dxf == "LTYPE") {
        rec("AcDbLinetypeTableRecord", {T(3, ""), T(72, "65"), T(73, "0"), T(40, "0.0")});
    } else if (dxf == "STYLE") {
        rec("AcDbTextStyleTableRecord", {T(40, "0.0"), T(41, "1.0"), T(50, "0.0"), T(71, "0"), T(42, "2.5"),
                                         T(3, "txt"), T(4, "")});
    } else if (dxf == "DIMSTYLE") {
        rec("AcDbDimStyleTableRecord", {});
    } else if (dxf == "UCS") {
        rec("AcDbUCSTableRecord", {origin[0], origin[1], origin[2], T(11, "1.0"), T(21, "0.0"), T(31, "0.0"),
                                   T(12, "0.0"), T(22, "1.0"), T(32, "0.0"), T(79, "0"), T(146, "0.0")});
    } else if (dxf == "VIEW") {
        rec("AcDbViewTableRecord", {T(40, "1.0"), T(10, "0.0"), T(20, "0.0"), T(41, "1.0"), T(11, "0.0"),
                                    T(21, "0.0"), T(31, "1.0"), T(12, "0.0"), T(22, "0.0"), T(32, "0.0"),
                                    T(42, "50.0"), T(43, "0.0"), T(44, "0.0"), T(50, "0.0"), T(71, "0"),
                                    T(281, "0"), T(72, "0")});
    } else if (dxf == "VPORT") {
        rec("AcDbViewportTableRecord", {T(10, "0.0"), T(20, "0.0"), T(11, "1.0"), T(21, "1.0"), T(12, "0.0"),
                                        T(22, "0.0"), T(40, "1.0"), T(41, "1.0")});
    } else if (dxf == "APPID") {
        rec("AcDbRegAppTableRecord", {});
    } else if (dxf == "BLOCK_RECORD") {
        rec("AcDbBlockTableRecord", {T(340, "0"), T(280, "1"), T(281, "0")});
        // A block record has no flags tag of its own.
        for (std::size_t i = 0; i < t.size(); ++i)
            if (t[i].code == 70) {
                t.erase(t.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
    } else if (dxf == "DICTIONARY") {
        t.push_back(T(100, "AcDbDictionary"));
        t.push_back(T(281, "1"));
    } else if (dxf == "XRECORD") {
        t.push_back(T(100, "AcDbXrecord"));
        t.push_back(T(280, "1"));
    } else if (dxf == "GROUP") {
        t.push_back(T(100, "AcDbGroup"));
        t.push_back(T(300, ""));
        t.push_back(T(70, "0"));
        t.push_back(T(71, "1"));
    } else if (dxf == "LAYOUT") {
        t.push_back(T(100, "AcDbPlotSettings"));
        t.push_back(T(1, ""));
        t.push_back(T(70, "0"));
        t.push_back(T(100, "AcDbLayout"));
        t.push_back(T(1, ""));
        t.push_back(T(70, "1"));
        t.push_back(T(71, "1"));
    } else if (dxf == "MLINESTYLE") {
        t.push_back(T(100, "AcDbMlineStyle"));
        t.push_back(T(2, ""));
        t.push_back(T(70, "0"));
        t.push_back(T(3, ""));
        t.push_back(T(62, "256"));
        t.push_back(T(51, "90.0"));
        t.push_back(T(52, "90.0"));
        t.push_back(T(71, "0"));
    } else if (dxf == "TABLESTYLE") {
        t.push_back(T(100, "AcDbTableStyle"));
        t.push_back(T(280, "0"));
        t.push_back(T(3, ""));
        t.push_back(T(70, "0"));
        t.push_back(T(71, "0"));
        t.push_back(T(40, "0.06"));
        t.push_back(T(41, "0.06"));
    } else if (dxf == "IMAGEDEF") {
        t.push_back(T(100, "AcDbRasterImageDef"));
        t.push_back(T(90, "0"));
        t.push_back(T(1, ""));
        t.push_back(T(10, "1.0"));
        t.push_back(T(20, "1.0"));
        t.push_back(T(11, "1.0"));
        t.push_back(T(21, "1.0"));
        t.push_back(T(280, "1"));
        t.push_back(T(281, "0"));
    } else if (dxf == "TEXT") {
        ent("AcDbText", {origin[0], origin[1], origin[2], T(40, "2.5"), T(1, ""), T(100, "AcDbText")});
    } else if (dxf == "ATTRIB") {
        ent("AcDbText", {origin[0], origin[1], origin[2], T(40, "2.5"), T(1, ""), T(100, "AcDbAttribute"),
                         T(2, ""), T(70, "0")});
    } else if (dxf == "ATTDEF") {
        ent("AcDbText", {origin[0], origin[1], origin[2], T(40, "2.5"), T(1, ""),
                         T(100, "AcDbAttributeDefinition"), T(3, ""), T(2, ""), T(70, "0")});
    } else if (dxf == "MTEXT") {
        ent("AcDbMText", {origin[0], origin[1], origin[2], T(40, "2.5"), T(41, "0.0"), T(71, "1"), T(72, "5"),
                          T(1, "")});
    } else if (dxf == "INSERT") {
        ent("AcDbBlockReference", {T(2, ""), origin[0], origin[1], origin[2]});
    } else if (dxf == "POLYLINE") {
        ent("AcDb3dPolyline", {T(66, "1"), origin[0], origin[1], origin[2], T(70, "8")});
    } else if (dxf == "VERTEX") {
        ent("AcDbVertex", {T(100, "AcDb3dPolylineVertex"), origin[0], origin[1], origin[2], T(70, "32")});
    } else if (dxf == "SEQEND") {
        t.push_back(T(100, "AcDbEntity"));
        t.push_back(T(8, "0"));
    } else if (dxf == "LINE") {
        ent("AcDbLine", {origin[0], origin[1], origin[2], T(11, "0.0"), T(21, "0.0"), T(31, "0.0")});
    } else if (dxf == "POINT") {
        ent("AcDbPoint", {origin[0], origin[1], origin[2]});
    } else if (dxf == "CIRCLE") {
        ent("AcDbCircle", {origin[0], origin[1], origin[2], T(40, "1.0")});
    } else if (dxf == "ARC") {
        ent("AcDbCircle", {origin[0], origin[1], origin[2], T(40, "1.0"), T(100, "AcDbArc"), T(50, "0.0"),
                           T(51, "0.0")});
    } else if (dxf == "ELLIPSE") {
        ent("AcDbEllipse", {origin[0], origin[1], origin[2], T(11, "1.0"), T(21, "0.0"), T(31, "0.0"),
                            T(210, "0.0"), T(220, "0.0"), T(230, "1.0"), T(40, "1.0"), T(41, "0.0"),
                            T(42, "6.283185307179586")});
    } else if (dxf == "LWPOLYLINE") {
        ent("AcDbPolyline", {T(90, "0"), T(70, "0"), T(43, "0.0")});
    } else if (dxf == "3DFACE") {
        ent("AcDbFace", {T(10, "0.0"), T(20, "0.0"), T(30, "0.0"), T(11, "0.0"), T(21, "0.0"), T(31, "0.0"),
                         T(12, "0.0"), T(22, "0.0"), T(32, "0.0"), T(13, "0.0"), T(23, "0.0"), T(33, "0.0")});
    } else if (dxf == "RAY") {
        ent("AcDbRay", {origin[0], origin[1], origin[2], T(11, "1.0"), T(21, "0.0"), T(31, "0.0")});
    } else if (dxf == "XLINE") {
        ent("AcDbXline", {origin[0], origin[1], origin[2], T(11, "1.0"), T(21, "0.0"), T(31, "0.0")});
    }
    return t;
}

}  // namespace

// Each kind's tags are built once and copied afterwards: explode makes new entities by the
// hundred thousand.
TagList defaultTags(std::string_view dxf) {
    static std::mutex lock;
    static std::map<std::string, TagList, std::less<>> built;
    std::lock_guard<std::mutex> guard(lock);
    auto it = built.find(dxf);
    if (it == built.end()) it = built.emplace(std::string(dxf), buildDefaultTags(dxf)).first;
    return it->second;
}

bool isValidSymbolName(const ACHAR* name) {
    if (!name || name[0] == 0) return false;
    auto isHex = [](ACHAR c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    std::size_t n = acStrLen(name);
    if (n > 255) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const ACHAR c = name[i];
        // Control characters would break the file's line structure.
        if (static_cast<std::make_unsigned_t<ACHAR>>(c) < 0x20) return false;
        switch (c) {
            case '<': case '>': case '/': case '"': case ':': case ';': case '?': case '*': case '|':
            case ',': case '=': case '`':
                return false;
            case '\\': {
                // Only as the start of a well-formed \U+XXXX or \M+XXXXX escape.
                std::size_t digits = 0;
                if (i + 2 < n && name[i + 2] == '+') {
                    if (name[i + 1] == 'U' || name[i + 1] == 'u') digits = 4;
                    if (name[i + 1] == 'M' || name[i + 1] == 'm') digits = 5;
                }
                if (digits == 0 || i + 3 + digits > n) return false;
                for (std::size_t k = 0; k < digits; ++k)
                    if (!isHex(name[i + 3 + k])) return false;
                i += 2 + digits;
                break;
            }
            default:
                break;
        }
    }
    return true;
}

Entry* findRecord(const Drawing& d, TableKind k, std::string_view utf8, const Entry* except) {
    if (k == TableKind::None) return nullptr;
    const hostcore::Table& t = d.table(k);
    const std::string folded = foldName(utf8);
    auto it = t.names.find(folded);
    if (it != t.names.end() && it->second != except && !it->second->erased()) return it->second;
    // The index holds one record per name; only when some record shares a name
    // with another (or an erased one holds it) can a live one be missing from it.
    if (it == t.names.end() && t.names.size() >= t.records.size()) return nullptr;
    for (Entry* e : t.records) {
        if (e == except || e->erased()) continue;
        if (foldName(d.nameOf(e)) == folded) return e;
    }
    return nullptr;
}

std::vector<DictPair> dictPairs(const TagList& t) {
    std::vector<DictPair> out;
    const std::size_t end = xdataStart(t);
    for (std::size_t i = 1; i + 1 < end; ++i) {
        if (t[i].code != 3) continue;
        const int next = t[i + 1].code;
        if (next != 350 && next != 360) continue;
        uint64_t h = 0;
        parseHex(t[i + 1].value, h);
        out.push_back({i, t[i].value, h});
        ++i;
    }
    return out;
}

Entry* dictLookup(const Drawing& d, const Entry* dict, std::string_view key) {
    if (!dict) return nullptr;
    const std::string folded = foldName(key);
    for (const DictPair& p : dictPairs(currentTags(d, dict)))
        if (foldName(p.key) == folded) return d.find(p.handle);
    return nullptr;
}

}  // namespace arxhost

namespace arxhost {

std::string keyOf(const Drawing& d, const Entry* dict, const Entry* e) {
    if (!dict || !e) return {};
    for (const DictPair& p : dictPairs(currentTags(d, dict)))
        if (p.handle == e->handle) return p.key;
    return {};
}

void editDictionary(Entry* dict, void (*edit)(TagList&, void*), void* context) {
    Drawing& d = *dict->drawing;
    edit(d.ownTags(dict), context);
    if (dict->live) {
        auto* o = static_cast<AcDbObject*>(dict->live);
        edit(st(o).tags, context);
        // Its writer's close stores the same change again; a reader's close stores nothing.
    }
}

Acad::ErrorStatus renameKeyInOwner(AcDbObject* obj, const ACHAR* name) {
    ObjectState& s = st(obj);
    Entry* e = s.entry;
    if (!e) return Acad::eNotInDatabase;
    Entry* dict = e->owner;
    if (!dict) return Acad::eNotApplicable;
    Drawing& d = *e->drawing;
    const std::string utf8 = toUtf8(name);
    const std::string old = keyOf(d, dict, e);
    if (old == utf8) return Acad::eOk;
    if (!isValidSymbolName(name)) return Acad::eInvalidSymbolTableName;
    Entry* other = dictLookup(d, dict, utf8);
    if (other && other != e) return Acad::eDuplicateRecordName;
    struct Change {
        uint64_t handle;
        const std::string* key;
    } change{e->handle, &utf8};
    editDictionary(
        dict,
        [](TagList& t, void* c) {
            auto* ch = static_cast<Change*>(c);
            for (const DictPair& p : dictPairs(t))
                if (p.handle == ch->handle) t[p.keyIndex].value = *ch->key;
        },
        &change);
    return Acad::eOk;
}

}  // namespace arxhost
