// Three-dimensional geometry of the programming interface: tolerances, vectors, points and
// 4x4 transformation matrices, as the geometry library of ObjectARX names them. Header-only
// and free of the drawing database, so that the DXF layer and the proxy-graphics decoder use
// the same types as modules do. Modules include host/gept3d.h, host/gevec3d.h, host/gemat3d.h
// or host/getol.h; each of them brings in this header.
//
// Matrices act on column vectors: a point p becomes M * p, the translation sits in the last
// column (entry[0][3], entry[1][3], entry[2][3]) and A * B applies B first.
#pragma once

#include <cmath>
#include <numbers>

// Tolerances for comparing points and vectors.
class AcGeTol {
  public:
    AcGeTol() = default;
    AcGeTol(double point, double vector) : point_(point), vector_(vector) {}
    double equalPoint() const { return point_; }
    double equalVector() const { return vector_; }
    void setEqualPoint(double v) { point_ = v; }
    void setEqualVector(double v) { vector_ = v; }

  private:
    double point_ = 1e-10;
    double vector_ = 1e-12;
};

// The tolerance every comparison uses by default. As in ObjectARX it can be changed; each module
// (shared library) that includes these headers has its own copy.
struct AcGeContext {
    static inline AcGeTol gTol{};
};

class AcGeMatrix3d;

class AcGeVector3d {
  public:
    double x = 0.0, y = 0.0, z = 0.0;

    constexpr AcGeVector3d() = default;
    constexpr AcGeVector3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

    static const AcGeVector3d kIdentity;  // (0,0,0), as ObjectARX names it
    static const AcGeVector3d kXAxis;
    static const AcGeVector3d kYAxis;
    static const AcGeVector3d kZAxis;

    double operator[](unsigned i) const { return i == 0 ? x : (i == 1 ? y : z); }
    double& operator[](unsigned i) { return i == 0 ? x : (i == 1 ? y : z); }
    AcGeVector3d& set(double xx, double yy, double zz) {
        x = xx;
        y = yy;
        z = zz;
        return *this;
    }

    AcGeVector3d operator+(const AcGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
    AcGeVector3d operator-(const AcGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
    AcGeVector3d operator-() const { return {-x, -y, -z}; }
    AcGeVector3d operator*(double s) const { return {x * s, y * s, z * s}; }
    AcGeVector3d operator/(double s) const { return {x / s, y / s, z / s}; }
    AcGeVector3d& operator+=(const AcGeVector3d& v) { return *this = *this + v; }
    AcGeVector3d& operator-=(const AcGeVector3d& v) { return *this = *this - v; }
    AcGeVector3d& operator*=(double s) { return *this = *this * s; }
    AcGeVector3d& operator/=(double s) { return *this = *this / s; }
    AcGeVector3d& negate() { return *this = -*this; }

    double dotProduct(const AcGeVector3d& v) const { return x * v.x + y * v.y + z * v.z; }
    AcGeVector3d crossProduct(const AcGeVector3d& v) const {
        return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
    }
    double lengthSqrd() const { return dotProduct(*this); }
    double length() const { return std::sqrt(lengthSqrd()); }
    bool isZeroLength(const AcGeTol& tol = AcGeContext::gTol) const {
        return length() <= tol.equalVector();
    }
    bool isUnitLength(const AcGeTol& tol = AcGeContext::gTol) const {
        return std::fabs(length() - 1.0) <= tol.equalVector();
    }
    // The unit vector in the same direction; the zero vector stays zero.
    AcGeVector3d normal(const AcGeTol& tol = AcGeContext::gTol) const {
        double len = length();
        return len <= tol.equalVector() ? AcGeVector3d{} : *this / len;
    }
    AcGeVector3d& normalize(const AcGeTol& tol = AcGeContext::gTol) { return *this = normal(tol); }
    // Angle to v in [0, pi].
    double angleTo(const AcGeVector3d& v) const {
        return std::atan2(crossProduct(v).length(), dotProduct(v));
    }
    // Angle to v in [0, 2*pi), counterclockwise seen from the tip of ref.
    double angleTo(const AcGeVector3d& v, const AcGeVector3d& ref) const {
        AcGeVector3d c = crossProduct(v);
        double a = std::atan2(c.length(), dotProduct(v));
        if (c.dotProduct(ref) < 0) a = 2 * std::numbers::pi - a;
        return a;
    }
    // A vector perpendicular to this one, by the arbitrary-axis rule of the DXF format.
    AcGeVector3d perpVector() const;
    bool isEqualTo(const AcGeVector3d& v, const AcGeTol& tol = AcGeContext::gTol) const {
        return (*this - v).length() <= tol.equalVector();
    }
    bool isParallelTo(const AcGeVector3d& v, const AcGeTol& tol = AcGeContext::gTol) const {
        AcGeVector3d a = normal(tol), b = v.normal(tol);
        return a.crossProduct(b).length() <= tol.equalVector();
    }
    bool isCodirectionalTo(const AcGeVector3d& v, const AcGeTol& tol = AcGeContext::gTol) const {
        return isParallelTo(v, tol) && dotProduct(v) > 0;
    }
    bool isPerpendicularTo(const AcGeVector3d& v, const AcGeTol& tol = AcGeContext::gTol) const {
        return std::fabs(normal(tol).dotProduct(v.normal(tol))) <= tol.equalVector();
    }
    // Turns the vector by angle (radians, counterclockwise seen from the tip of axis).
    AcGeVector3d& rotateBy(double angle, const AcGeVector3d& axis);
    bool operator==(const AcGeVector3d& v) const { return isEqualTo(v); }
    bool operator!=(const AcGeVector3d& v) const { return !isEqualTo(v); }

    // Applies the linear part of the matrix (a vector has no position: translation is ignored).
    AcGeVector3d& transformBy(const AcGeMatrix3d& m);
};

inline AcGeVector3d operator*(double s, const AcGeVector3d& v) {
    return v * s;
}

inline const AcGeVector3d AcGeVector3d::kIdentity{0, 0, 0};
inline const AcGeVector3d AcGeVector3d::kXAxis{1, 0, 0};
inline const AcGeVector3d AcGeVector3d::kYAxis{0, 1, 0};
inline const AcGeVector3d AcGeVector3d::kZAxis{0, 0, 1};

class AcGePoint3d {
  public:
    double x = 0.0, y = 0.0, z = 0.0;

    constexpr AcGePoint3d() = default;
    constexpr AcGePoint3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

    static const AcGePoint3d kOrigin;

    double operator[](unsigned i) const { return i == 0 ? x : (i == 1 ? y : z); }
    double& operator[](unsigned i) { return i == 0 ? x : (i == 1 ? y : z); }
    AcGePoint3d& set(double xx, double yy, double zz) {
        x = xx;
        y = yy;
        z = zz;
        return *this;
    }

    AcGePoint3d operator+(const AcGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
    AcGePoint3d operator-(const AcGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
    AcGeVector3d operator-(const AcGePoint3d& p) const { return {x - p.x, y - p.y, z - p.z}; }
    AcGePoint3d& operator+=(const AcGeVector3d& v) { return *this = *this + v; }
    AcGePoint3d& operator-=(const AcGeVector3d& v) { return *this = *this - v; }
    AcGeVector3d asVector() const { return {x, y, z}; }

    double distanceTo(const AcGePoint3d& p) const { return (*this - p).length(); }
    bool isEqualTo(const AcGePoint3d& p, const AcGeTol& tol = AcGeContext::gTol) const {
        return distanceTo(p) <= tol.equalPoint();
    }
    bool operator==(const AcGePoint3d& p) const { return isEqualTo(p); }
    bool operator!=(const AcGePoint3d& p) const { return !isEqualTo(p); }

    AcGePoint3d& transformBy(const AcGeMatrix3d& m);
    AcGePoint3d& scaleBy(double factor, const AcGePoint3d& center = kOrigin) {
        return *this = center + (*this - center) * factor;
    }
    AcGePoint3d& rotateBy(double angle, const AcGeVector3d& axis,
                          const AcGePoint3d& center = kOrigin);
};

inline const AcGePoint3d AcGePoint3d::kOrigin{0, 0, 0};

class AcGeMatrix3d {
  public:
    double entry[4][4];

    AcGeMatrix3d() { setToIdentity(); }

    static const AcGeMatrix3d kIdentity;

    AcGeMatrix3d& setToIdentity() {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                entry[r][c] = r == c ? 1.0 : 0.0;
        return *this;
    }
    double operator()(unsigned row, unsigned col) const { return entry[row][col]; }
    double& operator()(unsigned row, unsigned col) { return entry[row][col]; }

    AcGeMatrix3d operator*(const AcGeMatrix3d& m) const {
        AcGeMatrix3d r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                double s = 0.0;
                for (int k = 0; k < 4; ++k)
                    s += entry[i][k] * m.entry[k][j];
                r.entry[i][j] = s;
            }
        return r;
    }
    AcGeMatrix3d& operator*=(const AcGeMatrix3d& m) { return *this = *this * m; }
    AcGeMatrix3d& preMultBy(const AcGeMatrix3d& left) { return *this = left * *this; }
    AcGeMatrix3d& postMultBy(const AcGeMatrix3d& right) { return *this = *this * right; }
    AcGeMatrix3d& setToProduct(const AcGeMatrix3d& a, const AcGeMatrix3d& b) {
        return *this = a * b;
    }

    bool isEqualTo(const AcGeMatrix3d& m, const AcGeTol& tol = AcGeContext::gTol) const {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                if (std::fabs(entry[r][c] - m.entry[r][c]) > tol.equalVector()) return false;
        return true;
    }
    bool operator==(const AcGeMatrix3d& m) const { return isEqualTo(m); }
    bool operator!=(const AcGeMatrix3d& m) const { return !isEqualTo(m); }

    // Determinant of the whole 4x4 matrix.
    double det() const {
        double d = 0.0;
        for (int c = 0; c < 4; ++c)
            d += (c % 2 ? -1.0 : 1.0) * entry[0][c] * minor3(0, c);
        return d;
    }
    bool isSingular(const AcGeTol& tol = AcGeContext::gTol) const {
        return std::fabs(det()) <= tol.equalVector();
    }
    AcGeMatrix3d transpose() const {
        AcGeMatrix3d t;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                t.entry[r][c] = entry[c][r];
        return t;
    }
    // The inverse by cofactors; a singular matrix gives itself back unchanged.
    AcGeMatrix3d inverse() const {
        double d = det();
        if (d == 0.0 || !std::isfinite(d)) return *this;
        AcGeMatrix3d inv;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                inv.entry[c][r] = ((r + c) % 2 ? -1.0 : 1.0) * minor3(r, c) / d;
        return inv;
    }
    AcGeMatrix3d& invert() { return *this = inverse(); }

    AcGeVector3d translation() const { return {entry[0][3], entry[1][3], entry[2][3]}; }
    // Replaces the translation, keeping the linear part.
    AcGeMatrix3d& setTranslation(const AcGeVector3d& v) {
        entry[0][3] = v.x;
        entry[1][3] = v.y;
        entry[2][3] = v.z;
        return *this;
    }
    // Whether the linear part turns (or mirrors) and scales by the same factor in every
    // direction, and the last row is (0, 0, 0, 1): what a circle stays a circle under.
    bool isUniScaledOrtho(const AcGeTol& tol = AcGeContext::gTol) const {
        if (entry[3][0] != 0.0 || entry[3][1] != 0.0 || entry[3][2] != 0.0 || entry[3][3] != 1.0)
            return false;
        AcGeVector3d c[3];
        for (int k = 0; k < 3; ++k)
            c[k].set(entry[0][k], entry[1][k], entry[2][k]);
        double l = c[0].length();
        if (l <= tol.equalVector()) return false;
        for (int a = 0; a < 3; ++a) {
            if (std::fabs(c[a].length() - l) > tol.equalVector() * l) return false;
            for (int b = a + 1; b < 3; ++b)
                if (std::fabs(c[a].dotProduct(c[b])) > tol.equalVector() * l * l) return false;
        }
        return true;
    }
    // Scale factor of the linear part: the largest length of its column vectors.
    double scale() const {
        double s = 0.0;
        for (int c = 0; c < 3; ++c) {
            double l = AcGeVector3d(entry[0][c], entry[1][c], entry[2][c]).length();
            if (l > s) s = l;
        }
        return s;
    }

    // The coordinate system the matrix maps the world axes onto.
    void getCoordSystem(AcGePoint3d& origin, AcGeVector3d& xAxis, AcGeVector3d& yAxis,
                        AcGeVector3d& zAxis) const {
        origin.set(entry[0][3], entry[1][3], entry[2][3]);
        xAxis.set(entry[0][0], entry[1][0], entry[2][0]);
        yAxis.set(entry[0][1], entry[1][1], entry[2][1]);
        zAxis.set(entry[0][2], entry[1][2], entry[2][2]);
    }
    AcGeMatrix3d& setCoordSystem(const AcGePoint3d& origin, const AcGeVector3d& xAxis,
                                 const AcGeVector3d& yAxis, const AcGeVector3d& zAxis) {
        setToIdentity();
        for (int r = 0; r < 3; ++r) {
            entry[r][0] = xAxis[r];
            entry[r][1] = yAxis[r];
            entry[r][2] = zAxis[r];
            entry[r][3] = origin[r];
        }
        return *this;
    }

    AcGeMatrix3d& setToTranslation(const AcGeVector3d& v) {
        setToIdentity();
        entry[0][3] = v.x;
        entry[1][3] = v.y;
        entry[2][3] = v.z;
        return *this;
    }
    // Rotation by angle (radians, counterclockwise seen from the tip of axis) about the line
    // through center along axis.
    AcGeMatrix3d& setToRotation(double angle, const AcGeVector3d& axis,
                                const AcGePoint3d& center = AcGePoint3d::kOrigin) {
        AcGeVector3d u = axis.normal();
        double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
        setToIdentity();
        entry[0][0] = t * u.x * u.x + c;
        entry[0][1] = t * u.x * u.y - s * u.z;
        entry[0][2] = t * u.x * u.z + s * u.y;
        entry[1][0] = t * u.x * u.y + s * u.z;
        entry[1][1] = t * u.y * u.y + c;
        entry[1][2] = t * u.y * u.z - s * u.x;
        entry[2][0] = t * u.x * u.z - s * u.y;
        entry[2][1] = t * u.y * u.z + s * u.x;
        entry[2][2] = t * u.z * u.z + c;
        setPivot(center);
        return *this;
    }
    // Uniform scaling about center.
    AcGeMatrix3d& setToScaling(double factor, const AcGePoint3d& center = AcGePoint3d::kOrigin) {
        setToIdentity();
        entry[0][0] = entry[1][1] = entry[2][2] = factor;
        setPivot(center);
        return *this;
    }
    // Mirroring in the plane through origin with the given normal.
    AcGeMatrix3d& setToMirroring(const AcGePoint3d& origin, const AcGeVector3d& normal) {
        AcGeVector3d n = normal.normal();
        setToIdentity();
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                entry[r][c] -= 2.0 * n[r] * n[c];
        setPivot(origin);
        return *this;
    }
    // Maps the coordinate system (fromOrigin, fromX, fromY, fromZ) onto (toOrigin, toX, toY, toZ):
    // a point with coordinates (a, b, c) in the first system gets the same coordinates in the
    // second. The axes of the first system must be independent.
    AcGeMatrix3d& setToAlignCoordSys(const AcGePoint3d& fromOrigin, const AcGeVector3d& fromX,
                                     const AcGeVector3d& fromY, const AcGeVector3d& fromZ,
                                     const AcGePoint3d& toOrigin, const AcGeVector3d& toX,
                                     const AcGeVector3d& toY, const AcGeVector3d& toZ) {
        AcGeMatrix3d from, to;
        from.setCoordSystem(fromOrigin, fromX, fromY, fromZ);
        to.setCoordSystem(toOrigin, toX, toY, toZ);
        return *this = to * from.inverse();
    }
    // From the plane coordinate system of a normal (the DXF format's arbitrary-axis rule, used
    // for the object coordinate system of entities) to the world.
    AcGeMatrix3d& setToPlaneToWorld(const AcGeVector3d& normal);
    AcGeMatrix3d& setToWorldToPlane(const AcGeVector3d& normal) {
        setToPlaneToWorld(normal);
        return *this = transpose();
    }

    static AcGeMatrix3d translation(const AcGeVector3d& v) {
        return AcGeMatrix3d().setToTranslation(v);
    }
    static AcGeMatrix3d rotation(double angle, const AcGeVector3d& axis,
                                 const AcGePoint3d& center = AcGePoint3d::kOrigin) {
        return AcGeMatrix3d().setToRotation(angle, axis, center);
    }
    static AcGeMatrix3d scaling(double factor, const AcGePoint3d& center = AcGePoint3d::kOrigin) {
        return AcGeMatrix3d().setToScaling(factor, center);
    }
    static AcGeMatrix3d mirroring(const AcGePoint3d& origin, const AcGeVector3d& normal) {
        return AcGeMatrix3d().setToMirroring(origin, normal);
    }
    static AcGeMatrix3d alignCoordSys(const AcGePoint3d& fromOrigin, const AcGeVector3d& fromX,
                                      const AcGeVector3d& fromY, const AcGeVector3d& fromZ,
                                      const AcGePoint3d& toOrigin, const AcGeVector3d& toX,
                                      const AcGeVector3d& toY, const AcGeVector3d& toZ) {
        return AcGeMatrix3d().setToAlignCoordSys(fromOrigin, fromX, fromY, fromZ, toOrigin, toX,
                                                 toY, toZ);
    }
    static AcGeMatrix3d planeToWorld(const AcGeVector3d& normal) {
        return AcGeMatrix3d().setToPlaneToWorld(normal);
    }
    static AcGeMatrix3d worldToPlane(const AcGeVector3d& normal) {
        return AcGeMatrix3d().setToWorldToPlane(normal);
    }

  private:
    // Determinant of the 3x3 matrix left when row r and column c are struck out.
    double minor3(int r, int c) const {
        double m[3][3];
        for (int i = 0, mi = 0; i < 4; ++i) {
            if (i == r) continue;
            for (int j = 0, mj = 0; j < 4; ++j) {
                if (j == c) continue;
                m[mi][mj++] = entry[i][j];
            }
            ++mi;
        }
        return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
               m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    }
    // Makes the linear part act about center instead of the origin.
    void setPivot(const AcGePoint3d& center) {
        for (int r = 0; r < 3; ++r) {
            double t = center[r];
            for (int c = 0; c < 3; ++c)
                t -= entry[r][c] * center[c];
            entry[r][3] = t;
        }
    }
};

inline const AcGeMatrix3d AcGeMatrix3d::kIdentity{};

inline AcGeVector3d operator*(const AcGeMatrix3d& m, const AcGeVector3d& v) {
    return {m.entry[0][0] * v.x + m.entry[0][1] * v.y + m.entry[0][2] * v.z,
            m.entry[1][0] * v.x + m.entry[1][1] * v.y + m.entry[1][2] * v.z,
            m.entry[2][0] * v.x + m.entry[2][1] * v.y + m.entry[2][2] * v.z};
}

// A point through a projective matrix: divided by the fourth coordinate when that row is not
// (0, 0, 0, 1).
inline AcGePoint3d operator*(const AcGeMatrix3d& m, const AcGePoint3d& p) {
    double r[4];
    for (int i = 0; i < 4; ++i)
        r[i] = m.entry[i][0] * p.x + m.entry[i][1] * p.y + m.entry[i][2] * p.z + m.entry[i][3];
    if (r[3] != 1.0 && r[3] != 0.0) return {r[0] / r[3], r[1] / r[3], r[2] / r[3]};
    return {r[0], r[1], r[2]};
}

inline AcGeVector3d& AcGeVector3d::rotateBy(double angle, const AcGeVector3d& axis) {
    return *this = AcGeMatrix3d::rotation(angle, axis) * *this;
}
inline AcGePoint3d& AcGePoint3d::rotateBy(double angle, const AcGeVector3d& axis,
                                          const AcGePoint3d& center) {
    return *this = AcGeMatrix3d::rotation(angle, axis, center) * *this;
}

inline AcGeVector3d& AcGeVector3d::transformBy(const AcGeMatrix3d& m) {
    return *this = m * *this;
}
inline AcGePoint3d& AcGePoint3d::transformBy(const AcGeMatrix3d& m) {
    return *this = m * *this;
}

// The DXF format's arbitrary-axis rule: the x axis of a normal's plane is world Y x N when the
// normal is within 1/64 of the world z axis, else world Z x N.
inline AcGeVector3d AcGeVector3d::perpVector() const {
    AcGeVector3d n = normal();
    if (n.isZeroLength()) return kXAxis;
    constexpr double kLimit = 1.0 / 64.0;
    AcGeVector3d ax = (std::fabs(n.x) < kLimit && std::fabs(n.y) < kLimit) ? kYAxis.crossProduct(n)
                                                                           : kZAxis.crossProduct(n);
    return ax.normal();
}

inline AcGeMatrix3d& AcGeMatrix3d::setToPlaneToWorld(const AcGeVector3d& normal) {
    AcGeVector3d n = normal.normal();
    if (n.isZeroLength()) n = AcGeVector3d::kZAxis;
    AcGeVector3d ax = n.perpVector();
    AcGeVector3d ay = n.crossProduct(ax).normal();
    return setCoordSystem(AcGePoint3d::kOrigin, ax, ay, n);
}
