// The consistency check behind AUDIT: the drawing's structure checked, and with the fix option
// mended, through the core and the database's own calls (a missing layer is made as a module
// would make it).
//
// What it checks, in this order (each step sees the fixes of the steps before):
//  1. handles used by more than one record: the record the drawing's structure
//     hangs on keeps the handle (a table, a table entry, a block, an object
//     before an entity; then the first in the file), the others get new ones;
//  2. owners: an entity whose block is missing goes to the space the loader
//     placed it in (model space, or paper space for a paper-space entity), an
//     entity of an erased block is erased with it; an object whose owner is
//     missing is given the dictionary that files it, an object of an erased
//     owner is erased; an object its owner does not list is filed back where a
//     dictionary lists it, else erased when nothing refers to it;
//     references by name to a block that does not exist: the block reference
//     (or dimension, or table) is erased;
//  3. references by handle (codes 320-369, 390-399, 480-481, 1005) to records
//     that do not exist: reactor entries, dictionary entries, draw-order
//     entries and hatch boundary links are removed, a missing extension
//     dictionary is unlinked, a group forgets the member, any other reference
//     is set to null (the writer's mends, hostcore::referenceMend);
//     references by name to missing layers (the layer is made), linetypes
//     (BYLAYER), text styles and dimension styles (Standard);
//  4. stored pictures (proxy graphics) whose framing is broken: reported only,
//     the picture is the drawing's data and the host cannot redraw it.
// Records open in a module at the time are reported but never changed.
// Erased records, and what they own, leave the drawing when it is written, and
// the writer drops every reference to them then: they are no faults here.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "host/arx/internal.h"
#include "host/core/dxfio.h"
#include "host/core/header.h"
#include "host/dbsymtb.h"
#include "host/proxy/graphics.h"

namespace arxhost {

namespace {

namespace fl = hostcore::flags;

bool isPointerCode(int code) { return hostcore::isHandleReference(code); }

bool isDictionaryType(const std::string& type) {
    return type == "DICTIONARY" || type == "ACDBDICTIONARYWDFLT";
}

// An entity in the sense of names and blocks (BLOCK and ENDBLK included).
bool entityLike(const Entry* e) {
    return e->is(fl::kEntity) || e->is(fl::kBlockBegin) || e->is(fl::kBlockEnd);
}

using hostcore::TagPlace;
using hostcore::placesOf;

int ownerTagIndex(const std::vector<TagPlace>& places) {
    for (std::size_t i = 0; i < places.size(); ++i)
        if (places[i].ownerTag) return static_cast<int>(i);
    return -1;
}

// Index after which an owner tag is inserted: after the handle and the
// application groups that follow it.
std::size_t ownerInsertIndex(const TagList& t) {
    std::size_t i = 1;
    while (i < t.size() && (t[i].code == 5 || t[i].code == 105)) ++i;
    while (i < t.size() && t[i].code == 102 && !t[i].value.empty() && t[i].value.front() == '{') {
        while (i < t.size() && !(t[i].code == 102 && t[i].value == "}")) ++i;
        if (i < t.size()) ++i;
    }
    return i;
}

// Changes to the tags of one record, applied together from the back so that
// indexes stay valid.
struct Edits {
    struct Edit {
        std::size_t from, to;  // erase [from, to) when set is false
        bool set = false;
        std::string value;
        Entry* ref = nullptr;
    };
    std::vector<Edit> list;
    void erase(std::size_t from, std::size_t to) { list.push_back({from, to, false, {}, nullptr}); }
    void set(std::size_t i, std::string v, Entry* ref = nullptr) { list.push_back({i, i + 1, true, std::move(v), ref}); }
    bool empty() const { return list.empty(); }
    void apply(TagList& t) {
        std::sort(list.begin(), list.end(), [](const Edit& a, const Edit& b) { return a.from > b.from; });
        std::size_t limit = t.size();
        for (const Edit& e : list) {
            if (e.to > limit || e.from >= e.to) continue;  // overlaps an edit already made
            if (e.set) {
                t[e.from].value = e.value;
                t[e.from].ref = e.ref;
            } else {
                t.erase(t.begin() + static_cast<std::ptrdiff_t>(e.from), t.begin() + static_cast<std::ptrdiff_t>(e.to));
            }
            limit = e.from;
        }
        hostcore::dropEmptyGroups(t);
    }
};

class Auditor {
public:
    Auditor(AcDbDatabase* db, Drawing& d, bool fix, const std::function<void(const std::string&)>& print)
        : db_(db), d_(d), fix_(fix), print_(print) {}

    void run() {
        duplicateHandles();
        collectListings();
        owners();
        references();
        header();
        print_("\nAuditing: " + std::to_string(checked_) + " objects checked, " + std::to_string(errors_) +
              " errors found, " + std::to_string(fixed_) + " fixed.");
        if (pictures_ > 0)
            print_("\n" + std::to_string(pictures_) + (pictures_ == 1 ? " stored picture is" : " stored pictures are") +
                  " corrupt and cannot be drawn; they are kept as they are.");
    }

private:
    std::string name(const Entry* e) const {
        return d_.typeName(e) + " (" + hostcore::handleText(e->handle) + ")";
    }

    void report(const Entry* e, const std::string& text, bool wasFixed, const std::string& fixText = "fixed") {
        ++errors_;
        if (wasFixed) ++fixed_;
        print_("\n" + (e ? name(e) + ": " : std::string()) + text + (wasFixed ? " - " + fixText : ""));
    }

    // A record may be changed: fixing, and nobody holds it open.
    bool canChange(const Entry* e) const { return fix_ && e->live == nullptr; }

    static bool live(const Entry* e) { return e && !e->erased(); }

    void erase(Entry* e) {
        e->flags |= fl::kErased;
        for (Entry* c = e->firstChild; c; c = c->next) c->flags |= fl::kErased;
    }

    // --- 1. handles used twice ---------------------------------------------------
    static int rank(const Entry* e) {
        // Lower keeps the handle: what others hang on comes first.
        if (e->erased()) return 9;
        if (e->is(fl::kTableHead)) return 0;
        if (e->is(fl::kTableRecord)) return 1;
        if (e->is(fl::kBlockBegin) || e->is(fl::kBlockEnd)) return 2;
        if (e->is(fl::kObject)) return 3;
        if (e->is(fl::kSubEntity)) return 5;
        return 4;
    }

    void duplicateHandles() {
        std::unordered_map<uint64_t, std::vector<Entry*>> groups;
        for (Entry& entry : d_.entries) {
            if (entry.handle == 0 || entry.is(fl::kNoFileHandle)) continue;
            Entry* found = d_.find(entry.handle);
            if (found == &entry) continue;
            auto& g = groups[entry.handle];
            if (g.empty() && found) g.push_back(found);
            g.push_back(&entry);
        }
        std::vector<uint64_t> handles;
        for (auto& [h, g] : groups) handles.push_back(h);
        std::sort(handles.begin(), handles.end());
        std::unordered_map<const Entry*, Entry*> keeperOf;  // record given a new handle -> the one that kept it
        for (uint64_t h : handles) {
            std::vector<Entry*>& g = groups[h];
            std::stable_sort(g.begin(), g.end(), [](const Entry* a, const Entry* b) {
                return rank(a) != rank(b) ? rank(a) < rank(b) : a->seq < b->seq;
            });
            Entry* keeper = g.front();
            bool fixable = fix_;
            for (const Entry* e : g)
                if (e->live && e != keeper) fixable = false;
            if (fixable) d_.byHandle[h] = keeper;
            for (std::size_t i = 1; i < g.size(); ++i) {
                Entry* e = g[i];
                if (e->erased()) {
                    // An erased record is not written; it only must not hide the live one.
                    continue;
                }
                std::string what = "handle used by " + name(keeper) + " too";
                if (!fixable) {
                    report(e, what, false);
                    continue;
                }
                std::string label = name(e);
                TagList& t = d_.ownTags(e);
                d_.assignHandle(e);  // moves the handle seed on
                const std::string given = hostcore::handleText(e->handle);
                auto own = std::find_if(t.begin() + 1, t.end(), [](const Tag& tag) { return tag.code == 5 || tag.code == 105; });
                if (own != t.end()) own->value = given;
                else t.insert(t.begin() + 1, Tag{5, given, nullptr});
                keeperOf[e] = keeper;
                ++errors_;
                ++fixed_;
                print_("\n" + label + ": " + what + " - given " + given);
            }
        }
        // Objects whose owner was taken to be a record that lost the handle
        // belong to the one that kept it.
        if (keeperOf.empty()) return;
        for (Entry& o : d_.entries) {
            if (!o.owner || !o.is(fl::kObject)) continue;
            if (auto k = keeperOf.find(o.owner); k != keeperOf.end()) o.owner = k->second;
        }
    }

    // --- listings ----------------------------------------------------------------
    void collectListings() {
        for (Entry& entry : d_.entries) {
            Entry* e = &entry;
            if (e->erased() || e->handle == 0) continue;
            TagList t = d_.tagsOf(e);
            bool dict = isDictionaryType(d_.typeName(e));
            std::vector<TagPlace> places = placesOf(t);
            for (std::size_t i = 0; i < t.size(); ++i) {
                if (!isPointerCode(t[i].code) || places[i].ownerTag || places[i].group == "{ACAD_REACTORS") continue;
                uint64_t h = hostcore::handleValue(t[i].value);
                if (h == 0) continue;
                referenced_.insert(h);
                if (dict && (t[i].code == 350 || t[i].code == 360) && i > 0 && t[i - 1].code == 3)
                    listedBy_.emplace(h, e);
                if (places[i].group == "{ACAD_XDICTIONARY" && t[i].code == 360) listedBy_.emplace(h, e);
                else if (!dict && t[i].code == 360 && places[i].group.empty()) ownedBy_.emplace(h, e);
            }
        }
    }

    // Whether `owner` names `child` among its references.
    bool lists(Entry* owner, const Entry* child) {
        if (isDictionaryType(d_.typeName(owner))) {
            for (auto [it, end] = listedBy_.equal_range(child->handle); it != end; ++it)
                if (it->second == owner) return true;
            return false;
        }
        TagList t = d_.tagsOf(owner);
        std::vector<TagPlace> places = placesOf(t);
        for (std::size_t i = 0; i < t.size(); ++i)
            if (isPointerCode(t[i].code) && !places[i].ownerTag && hostcore::handleValue(t[i].value) == child->handle)
                return true;
        return false;
    }

    // Sets the record's owner tag (inserting one when it has none).
    void setOwnerTag(Entry* e, const Entry* owner) {
        TagList& t = d_.ownTags(e);
        int i = ownerTagIndex(placesOf(t));
        std::string h = hostcore::handleText(owner->handle);
        if (i >= 0) t[static_cast<std::size_t>(i)].value = h;
        else t.insert(t.begin() + static_cast<std::ptrdiff_t>(ownerInsertIndex(t)), Tag{330, h, nullptr});
    }

    // --- 2. owners -----------------------------------------------------------------
    void owners() {
        const hostcore::LeavingRecords leaving(d_);
        for (Entry& entry : d_.entries) {
            Entry* e = &entry;
            if (leaving.leaves(e) || e->erased() || e->handle == 0 || e->is(fl::kSubEntity)) continue;
            if (e == d_.rootDictionary || e->is(fl::kTableHead) || e->is(fl::kBlockBegin) || e->is(fl::kBlockEnd))
                continue;
            TagList t = d_.tagsOf(e);
            std::vector<TagPlace> places = placesOf(t);
            int oi = ownerTagIndex(places);
            uint64_t named = oi >= 0 ? hostcore::handleValue(t[static_cast<std::size_t>(oi)].value) : 0;
            Entry* namedEntry = named ? d_.find(named) : nullptr;
            if (e->is(fl::kEntity)) {
                entityOwner(e, named, namedEntry);
                if (!e->erased()) missingBlock(e, t, places);
            } else if (e->is(fl::kTableRecord)) {
                // A record without an owner reference belongs where it stands
                // (files before AutoCAD 2000 leave it out); only a wrong one is an error.
                if (named && e->owner && live(e->owner) && named != e->owner->handle) {
                    bool ok = canChange(e);
                    if (ok) setOwnerTag(e, e->owner);
                    report(e, "owner " + hostcore::handleText(named) + " is not its table", ok,
                           "set to " + name(e->owner));
                }
            } else if (e->is(fl::kObject)) {
                objectOwner(e, named, namedEntry);
            }
        }
    }

    void entityOwner(Entry* e, uint64_t named, Entry* namedEntry) {
        Entry* block = e->owner;  // where the loader put it
        if (!block) {
            report(e, "entity without a block to live in", false);
            return;
        }
        if (block->erased()) {
            eraseFor(e, "its block " + name(block) + " is erased", canChange(e));
            return;
        }
        // No owner reference: the entity belongs where it stands.
        if (!named || named == block->handle) return;
        std::string space = block == d_.modelSpace ? "model space" : block == d_.paperSpace ? "paper space" : name(block);
        std::string what = !namedEntry             ? "owner " + hostcore::handleText(named) + " is missing"
                           : namedEntry->erased()  ? "owner " + name(namedEntry) + " is erased"
                                                   : "owner " + name(namedEntry) + " is not its block";
        bool ok = canChange(e);
        if (ok) setOwnerTag(e, block);
        report(e, what, ok, "moved to " + space);
    }

    // A reference by name to a block that does not exist: the reference goes.
    void missingBlock(Entry* e, const TagList& t, const std::vector<TagPlace>& places) {
        const std::string& type = d_.typeName(e);
        if (type != "INSERT" && type != "DIMENSION" && type != "ACAD_TABLE") return;
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i].code != 2 || places[i].xdata) continue;
            if (hostcore::nameReference(type, places[i].subclass, 2, false, true) != TableKind::BlockRecord) continue;
            Entry* target = t[i].ref ? t[i].ref : d_.lookup(TableKind::BlockRecord, t[i].value);
            if (!live(target) && !t[i].value.empty())
                eraseFor(e, "block \"" + t[i].value + "\" does not exist", canChange(e));
            return;
        }
    }

    void objectOwner(Entry* e, uint64_t named, Entry* namedEntry) {
        Entry* listing = nullptr;
        for (auto [it, end] = listedBy_.equal_range(e->handle); it != end; ++it)
            if (live(it->second)) listing = it->second;
        const bool referenced = referenced_.count(e->handle) != 0;
        if (!named || !namedEntry) {
            std::string what = named ? "owner " + hostcore::handleText(named) + " is missing" : "no owner reference";
            if (listing) {
                giveTo(e, listing, what);
            } else if (Entry* holder = ownerByReference(e)) {
                // An image's reactor, say, that the image names as its own.
                bool ok = canChange(e);
                if (ok) {
                    setOwnerTag(e, holder);
                    e->owner = holder;
                }
                report(e, what, ok, "given to " + name(holder) + ", which names it as its own");
            } else if (referenced) {
                report(e, what + "; other records refer to it, so it is kept", false);
            } else {
                eraseFor(e, what + " and nothing lists it", canChange(e));
            }
            return;
        }
        if (namedEntry->erased()) {
            eraseFor(e, "owner " + name(namedEntry) + " is erased", canChange(e));
            return;
        }
        if (lists(namedEntry, e)) return;
        std::string what = "its owner " + name(namedEntry) + " does not list it";
        if (listing && listing != namedEntry) giveTo(e, listing, what);
        else if (!referenced) eraseFor(e, what + " and nothing refers to it", canChange(e));
        else report(e, what, false);
    }

    // The one live record that names `e` as its own (code 360), if any.
    Entry* ownerByReference(const Entry* e) const {
        auto it = ownedBy_.find(e->handle);
        if (it == ownedBy_.end() || !live(it->second) || it->second == e) return nullptr;
        return it->second;
    }

    // The object goes to the dictionary that lists it.
    void giveTo(Entry* e, Entry* listing, const std::string& what) {
        bool ok = canChange(e);
        if (ok) {
            setOwnerTag(e, listing);
            e->owner = listing;
        }
        report(e, what, ok, "given to " + name(listing) + ", which lists it");
    }

    // Reports a fault whose fix is erasing the record; erases it when `ok`.
    void eraseFor(Entry* e, const std::string& what, bool ok) {
        if (ok) erase(e);
        report(e, what, ok, "erased");
    }

    // --- 3. references ---------------------------------------------------------------
    // A replacement for the missing table entry `missing` (of a record of `type`), or null.
    Entry* replacement(TableKind k, const std::string& type, const std::string& missing) {
        auto pick = [&](const char* n) -> Entry* {
            Entry* r = d_.lookup(k, n);
            return live(r) ? r : nullptr;
        };
        switch (k) {
        case TableKind::Layer: {
            // The layer is made, as when such a drawing is loaded, so the
            // entities keep their grouping; an invalid name falls back to 0.
            if (Entry* made = makeLayer(missing)) return made;
            return pick("0");
        }
        case TableKind::LType: return type == "LAYER" ? pick("Continuous") : pick("ByLayer");
        case TableKind::Style:
        case TableKind::DimStyle: {
            if (Entry* r = pick("Standard")) return r;
            for (Entry* r : d_.table(k).records)
                if (live(r)) return r;
            return nullptr;
        }
        default: return nullptr;
        }
    }

    Entry* makeLayer(const std::string& layerName) {
        Entry*& made = made_[hostcore::foldName(layerName)];
        if (made) return made;
        AcDbLayerTable* table = nullptr;
        if (db_->getSymbolTable(table, AcDb::kForWrite) != Acad::eOk) return nullptr;
        AcDbLayerTableRecord* rec = new AcDbLayerTableRecord();
        HostString n = toHostString(layerName);
        Entry* result = nullptr;
        AcDbObjectId id;
        if (rec->setName(n.c_str()) == Acad::eOk && table->add(id, rec) == Acad::eOk) {
            rec->close();
            result = entryOf(id);
        } else {
            delete rec;
        }
        table->close();
        made = result;
        return result;
    }

    void references() {
        const bool r2010 = d_.acadver >= "AC1024";
        const hostcore::LeavingRecords leaving(d_);
        // Records made by the fixes (layers) are checked too; the deque keeps them in place.
        for (std::size_t idx = 0; idx < d_.entries.size(); ++idx) {
            Entry* e = &d_.entries[idx];
            if (e->erased() || e->handle == 0 || leaving.leaves(e)) continue;
            ++checked_;
            TagList t = d_.tagsOf(e);
            const std::string type = d_.typeName(e);
            std::vector<TagPlace> places = placesOf(t);
            const bool entity = entityLike(e);
            Edits edits;
            bool missingRefs = false;
            // What is wrong, and what the fix does (empty: no fix offered).
            struct Finding {
                std::string what, fix;
            };
            std::vector<Finding> found;
            for (std::size_t i = 0; i < t.size(); ++i) {
                const Tag& g = t[i];
                const TagPlace& p = places[i];
                if (isPointerCode(g.code) && !p.ownerTag) {
                    uint64_t h = hostcore::handleValue(g.value);
                    // An erased record is still the drawing's until it is written.
                    if (h == 0 || d_.find(h)) continue;
                    std::string what = "missing object " + hostcore::handleText(h);
                    using M = hostcore::ReferenceMend;
                    switch (hostcore::referenceMend(type, t, i, p.xdata ? std::string() : p.group).kind) {
                    case M::Reactor: found.push_back({"reactor " + what, "removed"}); break;
                    case M::ExtensionDictionary:
                        found.push_back({"extension dictionary is " + what, "unlinked"});
                        break;
                    case M::DictionaryEntry:
                        found.push_back({"entry \"" + t[i - 1].value + "\" names " + what, "removed"});
                        break;
                    case M::Member: found.push_back({"member " + what, "removed"}); break;
                    case M::DrawOrder: found.push_back({"draw-order entry names " + what, "removed"}); break;
                    case M::Boundary: found.push_back({"boundary object " + what, "unlinked"}); break;
                    case M::Null:
                        found.push_back({"reference " + std::to_string(g.code) + " to " + what, "set to null"});
                        break;
                    }
                    missingRefs = true;
                    continue;
                }
                TableKind k = hostcore::nameReference(type, p.subclass, g.code, p.xdata, entity);
                if (k != TableKind::Layer && k != TableKind::LType && k != TableKind::Style && k != TableKind::DimStyle)
                    continue;
                if (g.value.empty()) continue;
                Entry* target = g.ref ? g.ref : d_.lookup(k, g.value);
                if (live(target)) continue;
                const char* kind = k == TableKind::Layer   ? "layer"
                                   : k == TableKind::LType ? "linetype"
                                   : k == TableKind::Style ? "text style"
                                                           : "dimension style";
                std::string what = std::string(kind) + " \"" + g.value + "\" does not exist";
                Entry* r = canChange(e) ? replacement(k, type, g.value) : nullptr;
                if (!r) {
                    found.push_back({what, {}});
                    continue;
                }
                bool made = k == TableKind::Layer && hostcore::foldName(d_.nameOf(r)) == hostcore::foldName(g.value);
                found.push_back({what, made ? std::string("layer made") : "set to " + d_.nameOf(r)});
                edits.set(i, d_.nameOf(r), r);
            }
            bool ok = canChange(e) && (!edits.empty() || missingRefs);
            if (ok) {
                TagList& own = d_.ownTags(e);
                edits.apply(own);
                if (missingRefs)
                    hostcore::mendReferences(type, own, [this](uint64_t h) { return d_.find(h) == nullptr; });
            }
            for (const Finding& f : found) report(e, f.what, ok && !f.fix.empty(), f.fix);
            if (entity) picture(e, t, type, r2010);
        }
    }

    void picture(const Entry* e, const TagList& t, const std::string& type, bool r2010) {
        proxygfx::GraphicsBytes g = proxygfx::collectGraphicsBytes(t, type == "ACAD_PROXY_ENTITY");
        if (g.bytes.empty() && !g.sizeMismatch && !g.badHex) return;
        std::string why;
        if (g.sizeMismatch || g.badHex) {
            why = g.message.empty() ? std::string(g.badHex ? "its bytes are not hexadecimal" : "its size does not add up")
                                    : g.message;
        } else {
            proxygfx::DecodeContext ctx;
            ctx.codec = d_.codec;
            ctx.r2010OrLater = r2010;
            proxygfx::DecodedGraphics dg = proxygfx::decodeProxyGraphics(g.bytes, ctx);
            if (!dg.corrupt) return;
            why = dg.message.empty() ? std::string("its records do not add up") : dg.message;
        }
        ++pictures_;
        print_("\n" + name(e) + ": stored picture is corrupt (" + why + "), not changed");
    }

    // Current layer, linetype, text and dimension style of the header.
    void header() {
        struct Var {
            const char* name;
            TableKind kind;
        };
        const Var vars[] = {{"$CLAYER", TableKind::Layer},
                            {"$CELTYPE", TableKind::LType},
                            {"$TEXTSTYLE", TableKind::Style},
                            {"$DIMSTYLE", TableKind::DimStyle}};
        for (const Var& v : vars) {
            std::vector<Tag> tags;
            const hostcore::HeaderVar* var = hostcore::findHeader(d_, v.name);
            if (var) tags = hostcore::headerTags(d_, *var);
            if (tags.empty()) continue;
            const std::string value = tags.front().value;  // a copy: the fix below changes the tag
            if (value.empty()) continue;
            Entry* target = tags.front().ref ? tags.front().ref : d_.lookupLoad(v.kind, value);
            if (!live(target)) target = d_.lookup(v.kind, value);
            if (live(target)) continue;
            Entry* r = fix_ ? replacement(v.kind, "", value) : nullptr;
            if (r) {
                tags.resize(1);
                tags.front().value = d_.nameOf(r);
                tags.front().ref = r;
                hostcore::setHeaderTags(d_, v.name, tags);
            }
            bool made = r && v.kind == TableKind::Layer && hostcore::foldName(d_.nameOf(r)) == hostcore::foldName(value);
            report(nullptr, std::string("header ") + v.name + " names \"" + value + "\", which does not exist",
                   r != nullptr, made ? std::string("layer made") : r ? "set to " + d_.nameOf(r) : "fixed");
        }
    }

    AcDbDatabase* db_;
    Drawing& d_;
    bool fix_;
    const std::function<void(const std::string&)>& print_;
    int errors_ = 0, fixed_ = 0, checked_ = 0, pictures_ = 0;
    std::unordered_multimap<uint64_t, Entry*> listedBy_;  // handle -> dictionary (or entity) that lists it
    std::unordered_map<uint64_t, Entry*> ownedBy_;        // handle -> record naming it as its own (code 360)
    std::unordered_set<uint64_t> referenced_;              // handles some record refers to
    std::unordered_map<std::string, Entry*> made_;          // layers made, by folded name
};

}  // namespace

void auditDatabase(AcDbDatabase* db, bool fix, const std::function<void(const std::string&)>& report) {
    Drawing* d = db ? drawingOf(db) : nullptr;
    if (d) Auditor(db, *d, fix, report).run();
}

}  // namespace arxhost
