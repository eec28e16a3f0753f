// What the editor knows of an entity's shape, read from its record: enough to
// find the entity under a pick and inside a window.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "host/core/drawing.h"
#include "host/dbid.h"

namespace arxed {

struct Xform {
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    void apply(const double in[3], double out[3]) const;
    Xform then(const Xform& outer) const;  // this first, then outer
};

struct Extents {
    double min[3] = {1e300, 1e300, 1e300}, max[3] = {-1e300, -1e300, -1e300};
    bool valid() const { return min[0] <= max[0]; }
    void add(const double p[3]);
};

// An entity met in a walk: its entry, the transformation to the world, and the
// block references that hold it (innermost first).
struct Visit {
    hostcore::Entry* entity;
    Xform xf;
    std::vector<hostcore::Entry*> containers;
};

// Distance in the XY plane from the point to the entity as drawn (world
// coordinates); a negative value when the entity has no shape the editor knows.
double pickDistance(const Visit& v, const double p[3]);
// World extents of the entity (a block reference: of what it shows).
Extents worldExtents(hostcore::Entry* e, const Xform& xf, int depth = 0);

// Walks the entities of a block record (not erased), descending into block
// references when `nested` (attributes of references are visited too, with the
// reference's containers).
void walkBlock(hostcore::Entry* blockRecord, bool nested, const std::function<void(const Visit&)>& visit);
// The transformation a block reference applies to its block's contents.
Xform insertXform(hostcore::Entry* insert);
hostcore::Entry* insertBlock(hostcore::Entry* insert);

}  // namespace arxed
