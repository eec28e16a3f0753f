// Two-dimensional points and vectors of the geometry library (as lightweight polylines and
// plane coordinates use them). Header-only and free of the drawing database, like
// gegeom3d.h; modules include host/gepnt2d.h or host/gevec2d.h.
#pragma once

#include <cmath>
#include <numbers>

#include "host/gegeom3d.h"

class AcGeVector2d {
  public:
    double x = 0.0, y = 0.0;

    constexpr AcGeVector2d() = default;
    constexpr AcGeVector2d(double xx, double yy) : x(xx), y(yy) {}

    static const AcGeVector2d kIdentity;  // (0,0)
    static const AcGeVector2d kXAxis;
    static const AcGeVector2d kYAxis;

    double operator[](unsigned i) const { return i == 0 ? x : y; }
    double& operator[](unsigned i) { return i == 0 ? x : y; }
    AcGeVector2d& set(double xx, double yy) {
        x = xx;
        y = yy;
        return *this;
    }
    AcGeVector2d operator+(const AcGeVector2d& v) const { return {x + v.x, y + v.y}; }
    AcGeVector2d operator-(const AcGeVector2d& v) const { return {x - v.x, y - v.y}; }
    AcGeVector2d operator-() const { return {-x, -y}; }
    AcGeVector2d operator*(double s) const { return {x * s, y * s}; }
    AcGeVector2d operator/(double s) const { return {x / s, y / s}; }
    AcGeVector2d& operator+=(const AcGeVector2d& v) { return *this = *this + v; }
    AcGeVector2d& operator-=(const AcGeVector2d& v) { return *this = *this - v; }
    AcGeVector2d& operator*=(double s) { return *this = *this * s; }

    double dotProduct(const AcGeVector2d& v) const { return x * v.x + y * v.y; }
    double length() const { return std::hypot(x, y); }
    double lengthSqrd() const { return x * x + y * y; }
    bool isZeroLength(const AcGeTol& tol = AcGeContext::gTol) const {
        return length() <= tol.equalVector();
    }
    AcGeVector2d normal(const AcGeTol& tol = AcGeContext::gTol) const {
        double l = length();
        return l <= tol.equalVector() ? AcGeVector2d{} : *this / l;
    }
    AcGeVector2d& normalize(const AcGeTol& tol = AcGeContext::gTol) { return *this = normal(tol); }
    // Angle from the x axis, counterclockwise, in [0, 2*pi).
    double angle() const {
        double a = std::atan2(y, x);
        return a < 0 ? a + 2 * std::numbers::pi : a;
    }
    AcGeVector2d& rotateBy(double angle) {
        double c = std::cos(angle), s = std::sin(angle);
        return set(c * x - s * y, s * x + c * y);
    }
    bool isEqualTo(const AcGeVector2d& v, const AcGeTol& tol = AcGeContext::gTol) const {
        return (*this - v).length() <= tol.equalVector();
    }
    bool operator==(const AcGeVector2d& v) const { return isEqualTo(v); }
    bool operator!=(const AcGeVector2d& v) const { return !isEqualTo(v); }
};

inline AcGeVector2d operator*(double s, const AcGeVector2d& v) {
    return v * s;
}
inline const AcGeVector2d AcGeVector2d::kIdentity{0, 0};
inline const AcGeVector2d AcGeVector2d::kXAxis{1, 0};
inline const AcGeVector2d AcGeVector2d::kYAxis{0, 1};

class AcGePoint2d {
  public:
    double x = 0.0, y = 0.0;

    constexpr AcGePoint2d() = default;
    constexpr AcGePoint2d(double xx, double yy) : x(xx), y(yy) {}

    static const AcGePoint2d kOrigin;

    double operator[](unsigned i) const { return i == 0 ? x : y; }
    double& operator[](unsigned i) { return i == 0 ? x : y; }
    AcGePoint2d& set(double xx, double yy) {
        x = xx;
        y = yy;
        return *this;
    }
    AcGePoint2d operator+(const AcGeVector2d& v) const { return {x + v.x, y + v.y}; }
    AcGePoint2d operator-(const AcGeVector2d& v) const { return {x - v.x, y - v.y}; }
    AcGeVector2d operator-(const AcGePoint2d& p) const { return {x - p.x, y - p.y}; }
    AcGePoint2d& operator+=(const AcGeVector2d& v) { return *this = *this + v; }
    AcGePoint2d& operator-=(const AcGeVector2d& v) { return *this = *this - v; }
    AcGeVector2d asVector() const { return {x, y}; }
    double distanceTo(const AcGePoint2d& p) const { return (*this - p).length(); }
    bool isEqualTo(const AcGePoint2d& p, const AcGeTol& tol = AcGeContext::gTol) const {
        return distanceTo(p) <= tol.equalPoint();
    }
    bool operator==(const AcGePoint2d& p) const { return isEqualTo(p); }
    bool operator!=(const AcGePoint2d& p) const { return !isEqualTo(p); }
    // The point at this position in the plane z = elevation.
    AcGePoint3d to3d(double elevation = 0.0) const { return {x, y, elevation}; }
};

inline const AcGePoint2d AcGePoint2d::kOrigin{0, 0};
