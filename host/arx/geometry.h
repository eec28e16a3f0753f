// The extents engine (extents.cpp) as the host's own editor uses it: boxes for windows, distances
// for picks, and the walk over the entities a block shows, all with the engine's transforms
// (object coordinates by the arbitrary-axis rule, block references with their normal, scales,
// rotation and base point) and its reading of every entity type. Texts are measured by their
// characters with the advance of real letters (kPickCharAdvance), since a pick should hit the
// letters and a window fit the text, not the room the database's extents leave around it.
//
// Not part of the module interface: this header lies outside host/include, and arxhost exports
// these functions for the host's libraries only.
#pragma once

#include <functional>
#include <vector>

#include "host/arx/hostapi.h"
#include "host/dbextents.h"
#include "host/gegeom3d.h"

namespace arxhost::geometry {

// An entity met in a walk: the transform from the coordinates of its block to the world, and
// the block references that show it (innermost first).
struct Placed {
    AcDbObjectId entity;
    AcGeMatrix3d toWorld;
    std::vector<AcDbObjectId> containers;
};

// The world box of the entity whose block coordinates `toWorld` takes to the world; false when
// it has none (it shows nothing, is unbounded or malformed).
ARXHOST_INTERNAL bool worldBox(AcDbObjectId e, const AcGeMatrix3d& toWorld, AcDbExtents& box);

// The distance in the world XY plane from `at` to the entity as drawn (a text's or a picture's
// box counts as filled); negative when the entity shows nothing there is to pick.
ARXHOST_INTERNAL double pickDistance(AcDbObjectId e, const AcGeMatrix3d& toWorld, const AcGePoint3d& at);

// The block record a block reference shows (null when it names none), and the transform from
// that block's coordinates to those the reference lies in (identity for bad numbers).
ARXHOST_INTERNAL AcDbObjectId referencedBlock(AcDbObjectId insert);
ARXHOST_INTERNAL AcGeMatrix3d blockTransform(AcDbObjectId insert);

// Visits the live entities of a block record. With `nested`, a block reference is not visited
// itself: its attributes are (in the reference's space, with its containers), then the
// entities of its block, to the engine's nesting depth and never into a block that is already
// being shown; attribute definitions do not show in references.
ARXHOST_INTERNAL void walkBlock(AcDbObjectId blockRecord, bool nested, const std::function<void(const Placed&)>& visit);

}  // namespace arxhost::geometry
