// AcDbExtents: an axis-aligned box in world coordinates, as entities report their extents.
// Header-only and free of the drawing database, like the geometry it is made of.
#pragma once

#include <algorithm>
#include <limits>

#include "host/gegeom3d.h"

class AcDbExtents {
  public:
    // An empty box: its minimum point lies above its maximum, so the first point added makes it
    // the box of that point.
    AcDbExtents() : min_(kBig, kBig, kBig), max_(-kBig, -kBig, -kBig) {}
    // The box spanned by two corners (in any order).
    AcDbExtents(const AcGePoint3d& a, const AcGePoint3d& b) : AcDbExtents() {
        addPoint(a);
        addPoint(b);
    }

    const AcGePoint3d& minPoint() const { return min_; }
    const AcGePoint3d& maxPoint() const { return max_; }
    // False for the box of a new AcDbExtents to which nothing was added.
    bool isValid() const { return min_.x <= max_.x && min_.y <= max_.y && min_.z <= max_.z; }

    // Makes the box spanned by the two corners; as ObjectARX does, refuses (returns false and
    // changes nothing) when min is above max in any coordinate.
    bool set(const AcGePoint3d& min, const AcGePoint3d& max) {
        if (min.x > max.x || min.y > max.y || min.z > max.z) return false;
        min_ = min;
        max_ = max;
        return true;
    }
    void addPoint(const AcGePoint3d& p) {
        min_.set(std::min(min_.x, p.x), std::min(min_.y, p.y), std::min(min_.z, p.z));
        max_.set(std::max(max_.x, p.x), std::max(max_.y, p.y), std::max(max_.z, p.z));
    }
    // Grows the box to hold another one; an empty box adds nothing.
    void addExt(const AcDbExtents& e) {
        if (!e.isValid()) return;
        addPoint(e.min_);
        addPoint(e.max_);
    }
    // Replaces the box by the box around its eight corners after the transformation. An empty
    // box stays empty.
    void transformBy(const AcGeMatrix3d& m) {
        if (!isValid()) return;
        AcDbExtents out;
        for (int i = 0; i < 8; ++i) {
            AcGePoint3d p((i & 1) ? max_.x : min_.x, (i & 2) ? max_.y : min_.y,
                          (i & 4) ? max_.z : min_.z);
            out.addPoint(m * p);
        }
        *this = out;
    }
    bool contains(const AcGePoint3d& p) const {
        return p.x >= min_.x && p.x <= max_.x && p.y >= min_.y && p.y <= max_.y && p.z >= min_.z &&
               p.z <= max_.z;
    }

  private:
    static constexpr double kBig = std::numeric_limits<double>::max();
    AcGePoint3d min_, max_;
};
