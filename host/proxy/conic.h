// The exact box of an arc of a circle or ellipse and the arc of a bulged polyline segment: one
// home for the extents engine (host/arx/extents_detail.h) and the picture decoder's boxes.
// Header-only; needs nothing but the geometry types.
#pragma once

#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/gegeom3d.h"

namespace proxygfx {

// Calls add(p) for the points of c + u cos t + v sin t, t from t0 to t1, that bound the curve:
// its ends and, per axis, the points where that coordinate is extreme (at most one turn is
// needed). For t0, t1 that are no numbers or the wrong way round, the ends only.
template <class Add>
void conicBounds(const AcGePoint3d& c, const AcGeVector3d& u, const AcGeVector3d& v, double t0, double t1,
                 Add add) {
    auto at = [&](double t) { return c + u * std::cos(t) + v * std::sin(t); };
    add(at(t0));
    add(at(t1));
    if (!(t1 >= t0)) return;
    t1 = std::min(t1, t0 + 2 * std::numbers::pi);
    for (unsigned i = 0; i < 3; ++i) {
        const double phi = std::atan2(v[i], u[i]);
        // The extremes sit at phi + k pi; the first one at or after t0.
        const double k = std::ceil((t0 - phi) / std::numbers::pi);
        for (double t = phi + k * std::numbers::pi; t <= t1; t += std::numbers::pi) add(at(t));
    }
}

// The arc of a bulged segment from a to b: it turns by 4 atan(bulge) about `normal`
// (counterclockwise for a positive bulge) and is c + u cos t + v sin t for t from t0 to t1.
struct BulgeArc {
    AcGePoint3d c;
    AcGeVector3d u, v;
    double t0 = 0, t1 = 0;
};

// False when there is no arc: a bulge of 0 or no number, or a segment of no length.
inline bool bulgeArc(const AcGePoint3d& a, const AcGePoint3d& b, double bulge, const AcGeVector3d& normal,
                     BulgeArc& arc) {
    const AcGeVector3d chord = b - a;
    const double d = chord.length();
    if (bulge == 0.0 || !(d > 0) || !std::isfinite(bulge)) return false;
    const AcGeVector3d left = normal.crossProduct(chord / d);
    arc.c = a + chord * 0.5 + left * (d * (1 - bulge * bulge) / (4 * bulge));
    arc.u = a - arc.c;
    arc.v = normal.crossProduct(arc.u);
    const double sweep = 4 * std::atan(bulge);
    arc.t0 = std::min(0.0, sweep);
    arc.t1 = std::max(0.0, sweep);
    return true;
}

}  // namespace proxygfx
