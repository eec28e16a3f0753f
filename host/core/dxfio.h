// Reading a drawing from DXF and writing it back.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <unordered_map>

#include "host/core/drawing.h"

namespace hostcore {

// Loads DXF bytes (ASCII or binary) into an empty drawing. On failure returns
// false and sets `error` to a message that names the line (or byte offset)
// where reading stopped; the drawing is then unusable.
bool loadDxf(Drawing& d, std::string bytes, std::string& error);

struct SaveOptions {
    std::string acadver;  // version to write ("AC1015" ... "AC1032"); empty = the drawing's own
};

// Writes the drawing as ASCII DXF. Records nobody changed are copied as they
// were read when the output uses the file's own encoding.
bool saveDxf(const Drawing& d, const SaveOptions& options, std::string& out, std::string& error);

// The same, written to an open file in pieces, so that saving a large drawing
// does not hold its whole text in memory. The caller opens, flushes and closes.
bool saveDxf(const Drawing& d, const SaveOptions& options, std::FILE* file, std::string& error);

// Which DXF versions the host writes.
bool isWritableVersion(std::string_view acadver);

}  // namespace hostcore

namespace hostcore {

// Records that leave the drawing when it is written: the erased ones and,
// with them, whatever they own (the entities of an erased block, the
// sub-entities of an erased entity, the extension dictionary of an erased
// object and the objects filed in it).
class LeavingRecords {
public:
    explicit LeavingRecords(const Drawing& d);
    bool any() const { return any_; }
    bool leaves(const Entry* e) const;
    // Whether a reference by handle names a record that leaves. A handle the
    // drawing does not have at all is not this question (it was read so).
    bool leavesHandle(uint64_t handle) const;

private:
    const Drawing& d_;
    bool any_ = false;
    mutable std::unordered_map<const Entry*, bool> known_;
};

// How a reference by handle to a record that is not there is mended, as the
// host does when a record leaves the drawing: the entries of lists (reactors,
// dictionary entries, group members, draw-order pairs, block reference lists,
// hatch boundary links, extension dictionary links) are removed, any other
// reference is set to null.
struct ReferenceMend {
    enum Kind { Reactor, ExtensionDictionary, DictionaryEntry, Member, DrawOrder, Boundary, Null } kind = Null;
    std::size_t from = 0, to = 0;  // the tags removed, [from, to); for Null the one tag set to "0"
    int count = -1;                // a count tag to lower by one (a hatch path's 97), or -1
};

// Whether a group code holds a reference by handle.
bool isHandleReference(int code);

// Where each tag of a record stands: its application group, its subclass,
// whether it is extended data.
struct TagPlace {
    std::string group;  // "{ACAD_REACTORS" while inside that group, else empty
    std::string subclass;
    bool xdata = false;
    bool ownerTag = false;  // the record's own owner (first 330 outside groups, before any subclass)
};
std::vector<TagPlace> placesOf(const TagList& t);

// The mend of the reference at `i` of a record's tags. `group` is the
// application group the tag stands in ("{ACAD_REACTORS"), empty outside one.
ReferenceMend referenceMend(std::string_view type, const TagList& t, std::size_t i, std::string_view group);

// Removes application groups left empty ("{ACAD_REACTORS" directly followed by "}").
void dropEmptyGroups(TagList& t);

// Applies the mends of the references whose handle `gone` answers true for,
// except the record's own owner. True when the tags changed.
bool mendReferences(std::string_view type, TagList& t, const std::function<bool(uint64_t)>& gone);

}  // namespace hostcore
