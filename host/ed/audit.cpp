// AUDIT: a consistency check of the working drawing: owners, references to
// objects that do not exist, handles used twice; with the fix option, handles
// used twice get new ones and dangling references are cleared.
#include <charconv>

#include "host/ed/coreview.h"
#include "host/ed/editor.h"

namespace arxed {

namespace {

bool isPointerCode(int code) {
    return (code >= 330 && code <= 369) || (code >= 390 && code <= 399) || code == 480 || code == 481 ||
           code == 1005;
}

std::string hex(uint64_t v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v, 16);
    std::string s(buf, r.ptr);
    for (char& c : s)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);
    return s;
}

bool parseHandle(const std::string& s, uint64_t& v) {
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\r')) --e;
    if (b == e) return false;
    auto r = std::from_chars(s.data() + b, s.data() + e, v, 16);
    return r.ec == std::errc() && r.ptr == s.data() + e;
}

struct Finding {
    hostcore::Entry* entry;
    std::string text;
};

}  // namespace

void cmdAudit() {
    AcDbDatabase* db = workingDb();
    hostcore::Drawing* d = drawingOf(db);
    if (!d) {
        print("\nNo drawing is open.");
        return;
    }
    std::string a;
    if (readAnswer("\nFix any errors detected? [Yes/No] <N>: ", a) != RTNORM) return;
    std::string f = fold(trim(a));
    bool fix = f == "y" || f == "yes" || f == fold(u8s(u8"Да")) || f == fold(u8s(u8"Д"));

    int errors = 0, fixed = 0, objects = 0;
    auto report = [&](hostcore::Entry* e, uint64_t handle, const std::string& text, bool wasFixed) {
        ++errors;
        if (wasFixed) ++fixed;
        print("\n" + d->typeName(e) + " (" + hex(handle) + "): " + text + (wasFixed ? " - fixed" : ""));
    };

    for (hostcore::Entry& entry : d->entries) {
        hostcore::Entry* e = &entry;
        if (e->erased() || e->handle == 0) continue;
        ++objects;
        bool editable = e->live == nullptr;  // never change an object someone holds open
        // Handles used twice: the drawing finds only one of the objects.
        if (d->find(e->handle) != e) {
            bool ok = false;
            uint64_t old = e->handle;
            if (fix && editable) {
                hostcore::TagList& tags = d->ownTags(e);
                for (hostcore::Tag& t : tags)
                    if (t.code == 5 || t.code == 105) {
                        e->handle = 0;
                        d->assignHandle(e);
                        t.value = hex(e->handle);
                        ok = true;
                        break;
                    }
                if (!ok) e->handle = old;
            }
            report(e, old, "handle used by another object" + (ok ? ", given " + hex(e->handle) : std::string()), ok);
        }
        // Owners: an entity lives in a block that exists; others name a live owner.
        bool sub = e->is(hostcore::flags::kSubEntity);
        if (e->is(hostcore::flags::kEntity) && !sub && !e->is(hostcore::flags::kBlockBegin) &&
            !e->is(hostcore::flags::kBlockEnd)) {
            if (!e->owner) report(e, e->handle, "entity without a block", false);
            else if (e->owner->erased()) report(e, e->handle, "entity of an erased block", false);
        } else if (e->owner && e->owner->erased()) {
            report(e, e->handle, "owner " + hex(e->owner->handle) + " is erased", false);
        }
        // References to objects that are not in the drawing.
        hostcore::TagList tags = d->tagsOf(e);
        std::vector<std::size_t> dangling;
        for (std::size_t i = 0; i < tags.size(); ++i) {
            const hostcore::Tag& t = tags[i];
            if (!isPointerCode(t.code)) continue;
            uint64_t h = 0;
            if (!parseHandle(t.value, h) || h == 0) continue;
            hostcore::Entry* target = d->find(h);
            if (!target || target->erased()) dangling.push_back(i);
        }
        if (dangling.empty()) continue;
        bool canFix = fix && editable;
        if (canFix) {
            hostcore::TagList& own = d->ownTags(e);
            for (std::size_t i : dangling)
                if (i < own.size()) own[i].value = own[i].code == 330 && e->owner ? hex(e->owner->handle) : "0";
        }
        for (std::size_t i : dangling)
            report(e, e->handle, "reference " + std::to_string(tags[i].code) + " to missing object " + trim(tags[i].value), canFix);
    }
    print("\nAuditing: " + std::to_string(objects) + " objects checked, " + std::to_string(errors) +
          " errors found, " + std::to_string(fixed) + " fixed.");
}

}  // namespace arxed
