// Points, circles, arcs, ellipses, lightweight polylines, 3D faces, rays and
// construction lines (host/dbcurves.h), read and written through their tags.
#include <cmath>
#include <numbers>

#include "host/arx/curves.h"
#include "host/arx/internal.h"

using Acad::ErrorStatus;
using namespace arxhost;

namespace arxhost::curves {

namespace {
constexpr double kPi = std::numbers::pi;

// [begin, end) of the tags of subclass `sub` (after its marker, up to the next
// marker or the extended data); begin = end = -1 when the record lacks it.
std::pair<int, int> subRange(const TagList& t, std::string_view sub) {
    const std::size_t stop = xdataStart(t);
    for (std::size_t i = 1; i < stop; ++i) {
        if (t[i].code != 100 || t[i].value != sub) continue;
        std::size_t j = i + 1;
        while (j < stop && t[j].code != 100) ++j;
        return {static_cast<int>(i + 1), static_cast<int>(j)};
    }
    return {-1, -1};
}
}  // namespace

int findIn(const TagList& t, std::string_view sub, int code) {
    auto [b, e] = subRange(t, sub);
    for (int i = b; i >= 0 && i < e; ++i)
        if (t[static_cast<std::size_t>(i)].code == code) return i;
    return -1;
}

double realIn(const TagList& t, std::string_view sub, int code, double def) {
    int i = findIn(t, sub, code);
    return i < 0 ? def : toReal(t[static_cast<std::size_t>(i)].value);
}

AcGePoint3d pointIn(const TagList& t, std::string_view sub, int x, const AcGePoint3d& def) {
    return AcGePoint3d(realIn(t, sub, x, def.x), realIn(t, sub, x + 10, def.y), realIn(t, sub, x + 20, def.z));
}

AcGeVector3d normalIn(const TagList& t, std::string_view sub) {
    AcGePoint3d n = pointIn(t, sub, 210, AcGePoint3d(0, 0, 1));
    AcGeVector3d v(n.x, n.y, n.z);
    return v.isZeroLength() ? AcGeVector3d::kZAxis : v.normal();
}

void setIn(TagList& t, std::string_view sub, int code, std::string value) {
    int i = findIn(t, sub, code);
    if (i >= 0) {
        t[static_cast<std::size_t>(i)].value = std::move(value);
        return;
    }
    auto [b, e] = subRange(t, sub);
    std::size_t at = e >= 0 ? static_cast<std::size_t>(e) : xdataStart(t);
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), Tag{static_cast<int16_t>(code), std::move(value), nullptr});
}

void setRealIn(TagList& t, std::string_view sub, int code, double v) { setIn(t, sub, code, realText(v)); }

void setPointIn(TagList& t, std::string_view sub, int x, const AcGePoint3d& p) {
    setRealIn(t, sub, x, p.x);
    setRealIn(t, sub, x + 10, p.y);
    setRealIn(t, sub, x + 20, p.z);
}

void eraseIn(TagList& t, std::string_view sub, int code) {
    int i = findIn(t, sub, code);
    if (i >= 0) t.erase(t.begin() + i);
}

// The normal is written only when it is not the z axis, as AutoCAD does.
void setNormalIn(TagList& t, std::string_view sub, const AcGeVector3d& n) {
    if (n.isEqualTo(AcGeVector3d::kZAxis)) {
        for (int c : {210, 220, 230}) eraseIn(t, sub, c);
        return;
    }
    setPointIn(t, sub, 210, AcGePoint3d(n.x, n.y, n.z));
}

AcGePoint3d ocsToWorld(const AcGePoint3d& p, const AcGeVector3d& n) { return AcGeMatrix3d::planeToWorld(n) * p; }
AcGePoint3d worldToOcs(const AcGePoint3d& p, const AcGeVector3d& n) { return AcGeMatrix3d::worldToPlane(n) * p; }

double toDegrees(double radians) { return radians * 180.0 / kPi; }
double toRadians(double degrees) { return degrees * kPi / 180.0; }

// --- lightweight polylines ------------------------------------------------------------

LwData readLw(const TagList& t) {
    LwData d;
    auto [b, e] = subRange(t, "AcDbPolyline");
    for (int i = b; i >= 0 && i < e; ++i) {
        const Tag& g = t[static_cast<std::size_t>(i)];
        switch (g.code) {
            case 70: d.flags = static_cast<int>(toInt(g.value)); break;
            case 43: d.constantWidth = toReal(g.value); break;
            case 38: d.elevation = toReal(g.value); break;
            case 39: d.thickness = toReal(g.value); break;
            case 10: d.verts.push_back({toReal(g.value), 0, 0, 0, 0, false}); break;
            case 20: if (!d.verts.empty()) d.verts.back().y = toReal(g.value); break;
            case 40: if (!d.verts.empty()) { d.verts.back().startWidth = toReal(g.value); d.verts.back().hasWidths = true; } break;
            case 41: if (!d.verts.empty()) { d.verts.back().endWidth = toReal(g.value); d.verts.back().hasWidths = true; } break;
            case 42: if (!d.verts.empty()) d.verts.back().bulge = toReal(g.value); break;
            case 210: d.normal.x = toReal(g.value); break;
            case 220: d.normal.y = toReal(g.value); break;
            case 230: d.normal.z = toReal(g.value); break;
            default: break;
        }
    }
    if (d.normal.isZeroLength()) d.normal = AcGeVector3d::kZAxis;
    d.normal = d.normal.normal();
    return d;
}

void writeLw(TagList& t, const LwData& d) {
    auto [b, e] = subRange(t, "AcDbPolyline");
    if (b < 0) {
        std::size_t at = xdataStart(t);
        t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), Tag{100, "AcDbPolyline", nullptr});
        b = e = static_cast<int>(at + 1);
    }
    const auto T = tagOf;
    TagList out;
    out.reserve(6 + d.verts.size() * 5);
    out.push_back(T(90, std::to_string(d.verts.size())));
    out.push_back(T(70, std::to_string(d.flags)));
    bool anyWidth = false;
    for (const LwVertex& v : d.verts) anyWidth = anyWidth || v.hasWidths;
    if (!anyWidth) out.push_back(T(43, realText(d.constantWidth)));
    if (d.elevation != 0.0) out.push_back(T(38, realText(d.elevation)));
    if (d.thickness != 0.0) out.push_back(T(39, realText(d.thickness)));
    for (const LwVertex& v : d.verts) {
        out.push_back(T(10, realText(v.x)));
        out.push_back(T(20, realText(v.y)));
        if (anyWidth) {
            out.push_back(T(40, realText(v.startWidth)));
            out.push_back(T(41, realText(v.endWidth)));
        }
        if (v.bulge != 0.0) out.push_back(T(42, realText(v.bulge)));
    }
    if (!d.normal.isEqualTo(AcGeVector3d::kZAxis)) {
        out.push_back(T(210, realText(d.normal.x)));
        out.push_back(T(220, realText(d.normal.y)));
        out.push_back(T(230, realText(d.normal.z)));
    }
    t.erase(t.begin() + b, t.begin() + e);
    t.insert(t.begin() + b, out.begin(), out.end());
}

}  // namespace arxhost::curves

using namespace arxhost::curves;

namespace {
ErrorStatus writable(const AcDbObject* o) { return o->isWriteEnabled() ? Acad::eOk : Acad::eNotOpenForWrite; }
// A value that is not a finite number would be written into the drawing as text no reader
// takes ("nan", "inf"): setters refuse it.
bool finite(double v) { return std::isfinite(v); }
bool finite(const AcGePoint3d& p) { return finite(p.x) && finite(p.y) && finite(p.z); }
bool finite(const AcGeVector3d& v) { return finite(v.x) && finite(v.y) && finite(v.z); }
bool finite(const AcGePoint2d& p) { return finite(p.x) && finite(p.y); }
// eNotOpenForWrite first, then eInvalidInput for values that are not finite.
template <class... V>
ErrorStatus writableWith(const AcDbObject* o, const V&... values) {
    ErrorStatus es = writable(o);
    if (es == Acad::eOk && !(finite(values) && ...)) es = Acad::eInvalidInput;
    return es;
}
TagList& tagsOf(AcDbObject* o) {
    markDirty(o);
    return st(o).tags;
}
const TagList& tagsOf(const AcDbObject* o) { return st(o).tags; }


// Circles and arcs keep the centre in object coordinates.
AcGePoint3d circleCenter(const TagList& t) {
    return ocsToWorld(pointIn(t, "AcDbCircle", 10, AcGePoint3d()), normalIn(t, "AcDbCircle"));
}
void setCircleCenter(TagList& t, const AcGePoint3d& c) {
    setPointIn(t, "AcDbCircle", 10, worldToOcs(c, normalIn(t, "AcDbCircle")));
}
void setCircleNormal(TagList& t, const AcGeVector3d& n) {
    AcGePoint3d c = circleCenter(t);
    setNormalIn(t, "AcDbCircle", n.normal());
    setCircleCenter(t, c);
}
}  // namespace

// --- points ----------------------------------------------------------------------------

AcDbPoint::AcDbPoint() { st(this).tags = defaultTags("POINT"); }
AcDbPoint::AcDbPoint(const AcGePoint3d& p) : AcDbPoint() { setPointIn(st(this).tags, "AcDbPoint", 10, p); }
AcDbPoint::~AcDbPoint() = default;
AcGePoint3d AcDbPoint::position() const { return pointIn(tagsOf(this), "AcDbPoint", 10, AcGePoint3d()); }
ErrorStatus AcDbPoint::setPosition(const AcGePoint3d& p) {
    ErrorStatus es = writableWith(this, p);
    if (es == Acad::eOk) setPointIn(tagsOf(this), "AcDbPoint", 10, p);
    return es;
}

// --- circles and arcs --------------------------------------------------------------------

AcDbCircle::AcDbCircle() { st(this).tags = defaultTags("CIRCLE"); }
AcDbCircle::AcDbCircle(const AcGePoint3d& c, const AcGeVector3d& n, double r) : AcDbCircle() {
    TagList& t = st(this).tags;
    setNormalIn(t, "AcDbCircle", n.isZeroLength() ? AcGeVector3d::kZAxis : n.normal());
    setCircleCenter(t, c);
    setRealIn(t, "AcDbCircle", 40, r);
}
AcDbCircle::~AcDbCircle() = default;
AcGePoint3d AcDbCircle::center() const { return circleCenter(tagsOf(this)); }
ErrorStatus AcDbCircle::setCenter(const AcGePoint3d& c) {
    ErrorStatus es = writableWith(this, c);
    if (es == Acad::eOk) setCircleCenter(tagsOf(this), c);
    return es;
}
double AcDbCircle::radius() const { return realIn(tagsOf(this), "AcDbCircle", 40, 0.0); }
ErrorStatus AcDbCircle::setRadius(double r) {
    ErrorStatus es = writable(this);
    if (es != Acad::eOk) return es;
    if (!(r > 0.0) || !std::isfinite(r)) return Acad::eInvalidInput;
    setRealIn(tagsOf(this), "AcDbCircle", 40, r);
    return es;
}
AcGeVector3d AcDbCircle::normal() const { return normalIn(tagsOf(this), "AcDbCircle"); }
ErrorStatus AcDbCircle::setNormal(const AcGeVector3d& n) {
    ErrorStatus es = writableWith(this, n);
    if (es != Acad::eOk) return es;
    if (n.isZeroLength()) return Acad::eInvalidInput;
    setCircleNormal(tagsOf(this), n);
    return es;
}

AcDbArc::AcDbArc() { st(this).tags = defaultTags("ARC"); }
AcDbArc::AcDbArc(const AcGePoint3d& c, const AcGeVector3d& n, double r, double a0, double a1) : AcDbArc() {
    TagList& t = st(this).tags;
    setNormalIn(t, "AcDbCircle", n.isZeroLength() ? AcGeVector3d::kZAxis : n.normal());
    setCircleCenter(t, c);
    setRealIn(t, "AcDbCircle", 40, r);
    setRealIn(t, "AcDbArc", 50, toDegrees(a0));
    setRealIn(t, "AcDbArc", 51, toDegrees(a1));
}
AcDbArc::~AcDbArc() = default;
AcGePoint3d AcDbArc::center() const { return circleCenter(tagsOf(this)); }
ErrorStatus AcDbArc::setCenter(const AcGePoint3d& c) {
    ErrorStatus es = writableWith(this, c);
    if (es == Acad::eOk) setCircleCenter(tagsOf(this), c);
    return es;
}
double AcDbArc::radius() const { return realIn(tagsOf(this), "AcDbCircle", 40, 0.0); }
ErrorStatus AcDbArc::setRadius(double r) {
    ErrorStatus es = writable(this);
    if (es != Acad::eOk) return es;
    if (!(r > 0.0) || !std::isfinite(r)) return Acad::eInvalidInput;
    setRealIn(tagsOf(this), "AcDbCircle", 40, r);
    return es;
}
AcGeVector3d AcDbArc::normal() const { return normalIn(tagsOf(this), "AcDbCircle"); }
ErrorStatus AcDbArc::setNormal(const AcGeVector3d& n) {
    ErrorStatus es = writableWith(this, n);
    if (es != Acad::eOk) return es;
    if (n.isZeroLength()) return Acad::eInvalidInput;
    setCircleNormal(tagsOf(this), n);
    return es;
}
double AcDbArc::startAngle() const { return toRadians(realIn(tagsOf(this), "AcDbArc", 50, 0.0)); }
double AcDbArc::endAngle() const { return toRadians(realIn(tagsOf(this), "AcDbArc", 51, 0.0)); }
ErrorStatus AcDbArc::setStartAngle(double a) {
    ErrorStatus es = writableWith(this, a);
    if (es == Acad::eOk) setRealIn(tagsOf(this), "AcDbArc", 50, toDegrees(a));
    return es;
}
ErrorStatus AcDbArc::setEndAngle(double a) {
    ErrorStatus es = writableWith(this, a);
    if (es == Acad::eOk) setRealIn(tagsOf(this), "AcDbArc", 51, toDegrees(a));
    return es;
}

// --- ellipses ------------------------------------------------------------------------------

AcDbEllipse::AcDbEllipse() { st(this).tags = defaultTags("ELLIPSE"); }
AcDbEllipse::AcDbEllipse(const AcGePoint3d& c, const AcGeVector3d& n, const AcGeVector3d& major, double ratio,
                         double p0, double p1)
    : AcDbEllipse() {
    ObjectState& s = st(this);
    // A new object is writable; the same code path as set() without the check.
    setPointIn(s.tags, "AcDbEllipse", 10, c);
    setPointIn(s.tags, "AcDbEllipse", 11, AcGePoint3d(major.x, major.y, major.z));
    AcGeVector3d nn = n.isZeroLength() ? AcGeVector3d::kZAxis : n.normal();
    setPointIn(s.tags, "AcDbEllipse", 210, AcGePoint3d(nn.x, nn.y, nn.z));
    setRealIn(s.tags, "AcDbEllipse", 40, ratio);
    setRealIn(s.tags, "AcDbEllipse", 41, p0);
    setRealIn(s.tags, "AcDbEllipse", 42, p1);
}
AcDbEllipse::~AcDbEllipse() = default;
AcGePoint3d AcDbEllipse::center() const { return pointIn(tagsOf(this), "AcDbEllipse", 10, AcGePoint3d()); }
AcGeVector3d AcDbEllipse::normal() const { return normalIn(tagsOf(this), "AcDbEllipse"); }
AcGeVector3d AcDbEllipse::majorAxis() const {
    return pointIn(tagsOf(this), "AcDbEllipse", 11, AcGePoint3d(1, 0, 0)).asVector();
}
double AcDbEllipse::radiusRatio() const { return realIn(tagsOf(this), "AcDbEllipse", 40, 1.0); }
double AcDbEllipse::startParam() const { return realIn(tagsOf(this), "AcDbEllipse", 41, 0.0); }
double AcDbEllipse::endParam() const { return realIn(tagsOf(this), "AcDbEllipse", 42, 2 * std::numbers::pi); }
ErrorStatus AcDbEllipse::set(const AcGePoint3d& c, const AcGeVector3d& n, const AcGeVector3d& major, double ratio,
                             double p0, double p1) {
    ErrorStatus es = writableWith(this, c, n, major, ratio, p0, p1);
    if (es != Acad::eOk) return es;
    if (n.isZeroLength() || major.isZeroLength() || !(ratio > 0.0 && ratio <= 1.0)) return Acad::eInvalidInput;
    TagList& t = tagsOf(this);
    AcGeVector3d nn = n.normal();
    setPointIn(t, "AcDbEllipse", 10, c);
    setPointIn(t, "AcDbEllipse", 11, AcGePoint3d(major.x, major.y, major.z));
    setPointIn(t, "AcDbEllipse", 210, AcGePoint3d(nn.x, nn.y, nn.z));
    setRealIn(t, "AcDbEllipse", 40, ratio);
    setRealIn(t, "AcDbEllipse", 41, p0);
    setRealIn(t, "AcDbEllipse", 42, p1);
    return es;
}

// --- lightweight polylines ---------------------------------------------------------------

AcDbPolyline::AcDbPolyline() { st(this).tags = defaultTags("LWPOLYLINE"); }
AcDbPolyline::~AcDbPolyline() = default;
unsigned int AcDbPolyline::numVerts() const { return static_cast<unsigned int>(readLw(tagsOf(this)).verts.size()); }

ErrorStatus AcDbPolyline::getPointAt(unsigned int i, AcGePoint2d& pt) const {
    LwData d = readLw(tagsOf(this));
    if (i >= d.verts.size()) return Acad::eInvalidInput;
    pt = AcGePoint2d(d.verts[i].x, d.verts[i].y);
    return Acad::eOk;
}
ErrorStatus AcDbPolyline::getPointAt(unsigned int i, AcGePoint3d& pt) const {
    LwData d = readLw(tagsOf(this));
    if (i >= d.verts.size()) return Acad::eInvalidInput;
    pt = ocsToWorld(AcGePoint3d(d.verts[i].x, d.verts[i].y, d.elevation), d.normal);
    return Acad::eOk;
}
ErrorStatus AcDbPolyline::getBulgeAt(unsigned int i, double& bulge) const {
    LwData d = readLw(tagsOf(this));
    if (i >= d.verts.size()) return Acad::eInvalidInput;
    bulge = d.verts[i].bulge;
    return Acad::eOk;
}
ErrorStatus AcDbPolyline::getWidthsAt(unsigned int i, double& sw, double& ew) const {
    LwData d = readLw(tagsOf(this));
    if (i >= d.verts.size()) return Acad::eInvalidInput;
    sw = d.verts[i].hasWidths ? d.verts[i].startWidth : d.constantWidth;
    ew = d.verts[i].hasWidths ? d.verts[i].endWidth : d.constantWidth;
    return Acad::eOk;
}
ErrorStatus AcDbPolyline::addVertexAt(unsigned int i, const AcGePoint2d& pt, double bulge, double sw, double ew) {
    ErrorStatus es = writableWith(this, pt, bulge, sw, ew);
    if (es != Acad::eOk) return es;
    LwData d = readLw(tagsOf(this));
    if (i > d.verts.size()) return Acad::eInvalidInput;
    LwVertex v{pt.x, pt.y, 0, 0, bulge, false};
    if (sw >= 0.0 || ew >= 0.0) {
        v.startWidth = sw < 0.0 ? 0.0 : sw;
        v.endWidth = ew < 0.0 ? 0.0 : ew;
        v.hasWidths = true;
        // The others get the constant width as their own.
        for (LwVertex& o : d.verts)
            if (!o.hasWidths) {
                o.startWidth = o.endWidth = d.constantWidth;
                o.hasWidths = true;
            }
    } else if (!d.verts.empty() && d.verts.front().hasWidths) {
        v.startWidth = v.endWidth = d.constantWidth;
        v.hasWidths = true;
    }
    d.verts.insert(d.verts.begin() + i, v);
    writeLw(tagsOf(this), d);
    return Acad::eOk;
}
bool AcDbPolyline::isClosed() const { return (readLw(tagsOf(this)).flags & 1) != 0; }
ErrorStatus AcDbPolyline::setClosed(bool closed) {
    ErrorStatus es = writable(this);
    if (es != Acad::eOk) return es;
    LwData d = readLw(tagsOf(this));
    d.flags = closed ? (d.flags | 1) : (d.flags & ~1);
    writeLw(tagsOf(this), d);
    return es;
}
double AcDbPolyline::elevation() const { return readLw(tagsOf(this)).elevation; }
ErrorStatus AcDbPolyline::setElevation(double e) {
    ErrorStatus es = writableWith(this, e);
    if (es != Acad::eOk) return es;
    LwData d = readLw(tagsOf(this));
    d.elevation = e;
    writeLw(tagsOf(this), d);
    return es;
}
AcGeVector3d AcDbPolyline::normal() const { return readLw(tagsOf(this)).normal; }
ErrorStatus AcDbPolyline::setNormal(const AcGeVector3d& n) {
    ErrorStatus es = writableWith(this, n);
    if (es != Acad::eOk) return es;
    if (n.isZeroLength()) return Acad::eInvalidInput;
    LwData d = readLw(tagsOf(this));
    d.normal = n.normal();
    writeLw(tagsOf(this), d);
    return es;
}
ErrorStatus AcDbPolyline::getConstantWidth(double& w) const {
    LwData d = readLw(tagsOf(this));
    w = d.constantWidth;
    for (const LwVertex& v : d.verts)
        if (v.hasWidths) w = 0.0;
    return Acad::eOk;
}
ErrorStatus AcDbPolyline::setConstantWidth(double w) {
    ErrorStatus es = writableWith(this, w);
    if (es != Acad::eOk) return es;
    if (w < 0.0) return Acad::eInvalidInput;
    LwData d = readLw(tagsOf(this));
    d.constantWidth = w;
    for (LwVertex& v : d.verts) v.hasWidths = false;
    writeLw(tagsOf(this), d);
    return es;
}
double AcDbPolyline::thickness() const { return readLw(tagsOf(this)).thickness; }
ErrorStatus AcDbPolyline::setThickness(double th) {
    ErrorStatus es = writableWith(this, th);
    if (es != Acad::eOk) return es;
    LwData d = readLw(tagsOf(this));
    d.thickness = th;
    writeLw(tagsOf(this), d);
    return es;
}

// --- 3D faces ----------------------------------------------------------------------------

AcDbFace::AcDbFace() { st(this).tags = defaultTags("3DFACE"); }
AcDbFace::AcDbFace(const AcGePoint3d& p0, const AcGePoint3d& p1, const AcGePoint3d& p2, const AcGePoint3d& p3,
                   bool e0, bool e1, bool e2, bool e3)
    : AcDbFace() {
    TagList& t = st(this).tags;
    const AcGePoint3d* p[4] = {&p0, &p1, &p2, &p3};
    for (int i = 0; i < 4; ++i) setPointIn(t, "AcDbFace", 10 + i, *p[i]);
    int flags = (e0 ? 0 : 1) | (e1 ? 0 : 2) | (e2 ? 0 : 4) | (e3 ? 0 : 8);
    setIn(t, "AcDbFace", 70, std::to_string(flags));
}
AcDbFace::~AcDbFace() = default;
ErrorStatus AcDbFace::getVertexAt(uint16_t i, AcGePoint3d& pt) const {
    if (i > 3) return Acad::eInvalidInput;
    pt = pointIn(tagsOf(this), "AcDbFace", 10 + i, AcGePoint3d());
    return Acad::eOk;
}
ErrorStatus AcDbFace::setVertexAt(uint16_t i, const AcGePoint3d& pt) {
    ErrorStatus es = writableWith(this, pt);
    if (es != Acad::eOk) return es;
    if (i > 3) return Acad::eInvalidInput;
    setPointIn(tagsOf(this), "AcDbFace", 10 + i, pt);
    return es;
}
ErrorStatus AcDbFace::isEdgeVisibleAt(uint16_t i, bool& visible) const {
    if (i > 3) return Acad::eInvalidInput;
    int i70 = findIn(tagsOf(this), "AcDbFace", 70);
    long long f = i70 < 0 ? 0 : toInt(tagsOf(this)[static_cast<std::size_t>(i70)].value);
    visible = (f & (1 << i)) == 0;
    return Acad::eOk;
}
namespace {
ErrorStatus setEdge(AcDbFace* f, uint16_t i, bool visible) {
    ErrorStatus es = writable(f);
    if (es != Acad::eOk) return es;
    if (i > 3) return Acad::eInvalidInput;
    TagList& t = tagsOf(f);
    int i70 = findIn(t, "AcDbFace", 70);
    long long v = i70 < 0 ? 0 : toInt(t[static_cast<std::size_t>(i70)].value);
    v = visible ? (v & ~(1LL << i)) : (v | (1LL << i));
    setIn(t, "AcDbFace", 70, std::to_string(v));
    return es;
}
}  // namespace
ErrorStatus AcDbFace::makeEdgeVisibleAt(uint16_t i) { return setEdge(this, i, true); }
ErrorStatus AcDbFace::makeEdgeInvisibleAt(uint16_t i) { return setEdge(this, i, false); }

// --- rays and construction lines ---------------------------------------------------------

namespace {
ErrorStatus setDir(AcDbObject* o, const char* sub, const AcGeVector3d& v) {
    ErrorStatus es = writableWith(o, v);
    if (es != Acad::eOk) return es;
    if (v.isZeroLength()) return Acad::eInvalidInput;
    AcGeVector3d u = v.normal();
    setPointIn(tagsOf(o), sub, 11, AcGePoint3d(u.x, u.y, u.z));
    return es;
}
ErrorStatus setBase(AcDbObject* o, const char* sub, const AcGePoint3d& p) {
    ErrorStatus es = writableWith(o, p);
    if (es == Acad::eOk) setPointIn(tagsOf(o), sub, 10, p);
    return es;
}
}  // namespace

AcDbRay::AcDbRay() { st(this).tags = defaultTags("RAY"); }
AcDbRay::~AcDbRay() = default;
AcGePoint3d AcDbRay::basePoint() const { return pointIn(tagsOf(this), "AcDbRay", 10, AcGePoint3d()); }
ErrorStatus AcDbRay::setBasePoint(const AcGePoint3d& p) { return setBase(this, "AcDbRay", p); }
AcGeVector3d AcDbRay::unitDir() const { return pointIn(tagsOf(this), "AcDbRay", 11, AcGePoint3d(1, 0, 0)).asVector(); }
ErrorStatus AcDbRay::setUnitDir(const AcGeVector3d& v) { return setDir(this, "AcDbRay", v); }

AcDbXline::AcDbXline() { st(this).tags = defaultTags("XLINE"); }
AcDbXline::~AcDbXline() = default;
AcGePoint3d AcDbXline::basePoint() const { return pointIn(tagsOf(this), "AcDbXline", 10, AcGePoint3d()); }
ErrorStatus AcDbXline::setBasePoint(const AcGePoint3d& p) { return setBase(this, "AcDbXline", p); }
AcGeVector3d AcDbXline::unitDir() const {
    return pointIn(tagsOf(this), "AcDbXline", 11, AcGePoint3d(1, 0, 0)).asVector();
}
ErrorStatus AcDbXline::setUnitDir(const AcGeVector3d& v) { return setDir(this, "AcDbXline", v); }
