// The drawing's list of annotation scales: SCALE objects in the root
// dictionary's ACAD_SCALELIST, under the keys A0, A1, ...
#pragma once

#include <string>
#include <vector>

#include "host/core/drawing.h"

namespace hostcore {

struct Scale {
    std::string name;     // "1:100", "1/4\" = 1'-0\""
    double paperUnits;    // 140
    double drawingUnits;  // 141
    bool unitScale;       // 290: the 1:1 scale
    Entry* entry = nullptr;
};

// The scales in list order; empty when the drawing has no scale list.
std::vector<Scale> readScaleList(const Drawing& d);

// The default list of a new drawing: metric, or (for $MEASUREMENT 0) the metric
// scales followed by the imperial ones, as AutoCAD files hold them.
std::vector<Scale> defaultScaleList(bool imperial);

// Puts the default list back: a scale of the default list that the drawing has
// keeps its object (and handle); missing ones are created; the others are
// erased, except scales that some other record still refers to, which stay
// after the defaults so that nothing is left pointing at an erased scale.
// Returns false when the drawing has no scale list to reset.
bool resetScaleList(Drawing& d);

// True for drawings whose $MEASUREMENT says imperial units.
bool imperialDrawing(const Drawing& d);

}  // namespace hostcore
