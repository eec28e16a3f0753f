// Extents of entities, and the kind of picture a proxy stores.
//
// The box is computed from the record's tags (group codes), so every record type is measured
// the same way whether or not the host has a C++ class for it, and whether the entity is open,
// new or still the bytes the file had. Block references (and dimensions, tables and the block
// content of multileaders) are measured through their blocks: every entity of the block is
// measured under the reference's transform, so that a rotated reference gets the box of its
// rotated content rather than the rotated box of its content.
#include <array>
#include <cmath>
#include <numbers>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/arx/extents_detail.h"
#include "host/arx/geometry.h"
#include "host/arx/internal.h"
#include "host/arx/textutil.h"
#include "host/proxy/graphics.h"

using Acad::ErrorStatus;
using namespace arxhost;
using namespace arxhost::extents;

namespace {

// How the measuring of one record ended.
enum class Outcome {
    Box,            // geometry was added
    Nothing,        // the entity shows nothing (empty text, block without entities)
    Unbounded,      // rays and construction lines: no finite extents
    NotMeasurable,  // the host has no way to measure it (ACIS bodies, unknown types)
    Malformed,      // the record's data do not make a shape (missing or bad numbers)
};

// Nesting of blocks deeper than this is treated as malformed (a real drawing stays far below).
constexpr std::size_t kMaxBlockDepth = 64;
// Entities a single measurement visits exactly before it switches to the boxes of whole blocks
// (still a box around the content, but that of the transformed block box): keeps references
// to blocks full of references to big blocks from taking forever.
constexpr long kVisitBudget = 4'000'000;
// Columns or rows of an array reference, and vertices or edges of one record, beyond which the
// record counts as malformed.
constexpr long long kMaxCount = 100'000'000;

// What one measurement has learnt of a block, each piece read on first use: a block referenced
// many times is read once per measurement (never kept longer, the block may change).
struct BlockData {
    std::optional<AcGePoint3d> base;
    std::optional<std::vector<std::pair<const Entry*, TagList>>> entities;  // live ones, in order
    std::optional<AcDbExtents> box;  // in the block's own coordinates
    bool boxBad = false;             // some of the content had no finite numbers there
};

struct Ctx {
    const Drawing* d = nullptr;
    std::vector<const Entry*> stack;  // block records being measured, outermost first
    bool nestingFault = false;        // a cycle or a nesting too deep was met
    long budget = kVisitBudget;
    double charAdvance = kCharAdvance;  // of a text's characters, as a multiple of its height
    std::unordered_map<const Entry*, BlockData> blocks;
};

// The record's own tags: after the type, before extended data and embedded objects.
struct Rec {
    const TagList& t;
    std::size_t end;
    std::string_view type;

    explicit Rec(const TagList& tags) : t(tags), end(tags.size()) {
        for (std::size_t i = 1; i < tags.size(); ++i)
            if (tags[i].code >= 1000 || tags[i].code == 101) {
                end = i;
                break;
            }
        if (!tags.empty() && tags[0].code == 0) type = tags[0].value;
    }
    int find(int code, std::size_t from = 1) const {
        for (std::size_t i = from; i < end; ++i)
            if (t[i].code == code) return static_cast<int>(i);
        return -1;
    }
    bool has(int code) const { return find(code) >= 0; }
    // The first `code` tag as a number; `def` when there is none, NaN when it is no number.
    double real(int code, double def) const {
        int i = find(code);
        return i < 0 ? def : parseReal(t[static_cast<std::size_t>(i)].value);
    }
    long long integer(int code, long long def) const {
        int i = find(code);
        return i < 0 ? def : parseInt(t[static_cast<std::size_t>(i)].value, def);
    }
    std::string_view str(int code) const {
        int i = find(code);
        return i < 0 ? std::string_view() : std::string_view(t[static_cast<std::size_t>(i)].value);
    }
    // The point whose x is the tag at i (y and z in the tags that follow, z optional).
    bool pointAt(std::size_t i, AcGePoint3d& p) const {
        const int code = t[i].code;
        p.x = parseReal(t[i].value);
        if (i + 1 >= end || t[i + 1].code != code + 10) return false;
        p.y = parseReal(t[i + 1].value);
        p.z = (i + 2 < end && t[i + 2].code == code + 20) ? parseReal(t[i + 2].value) : 0.0;
        return finitePoint(p);
    }
    // The first point of `code`: absent gives `def` (and false in `present`), bad numbers false.
    bool point(int code, AcGePoint3d& p, const AcGePoint3d& def = AcGePoint3d::kOrigin,
               bool* present = nullptr) const {
        int i = find(code);
        if (present) *present = i >= 0;
        if (i < 0) {
            p = def;
            return true;
        }
        return pointAt(static_cast<std::size_t>(i), p);
    }
    // The extrusion direction (210); the world z axis when absent. False when it is no usable
    // direction.
    bool normal(AcGeVector3d& n) const {
        AcGePoint3d p;
        bool present = false;
        if (!point(210, p, AcGePoint3d(0, 0, 1), &present)) return false;
        n = AcGeVector3d(p.x, p.y, p.z);
        double len = n.length();
        if (!(len > 1e-12) || !std::isfinite(len)) return false;
        n /= len;
        return true;
    }
};

// Adds what `inner` collected to `out`, with a copy moved by `sweep` (a thickness along the
// normal, in `out`'s local coordinates): the box of the swept shape.
void addSwept(Collector& out, const Collector& inner, const AcGeVector3d& sweep) {
    if (inner.bad()) out.markBad();
    if (inner.empty()) return;
    out.worldBox(inner.box());
    const AcGeVector3d shift = out.matrix() * sweep;
    if (shift.isZeroLength() || !finiteVector(shift)) return;
    AcDbExtents moved = inner.box();
    moved.transformBy(AcGeMatrix3d::translation(shift));
    out.worldBox(moved);
}

// Points joined in order by straight segments (and the last to the first when closed).
void polygon(const std::vector<AcGePoint3d>& points, bool closed, Collector& c) {
    if (points.size() == 1) c.point(points[0]);
    for (std::size_t i = 1; i < points.size(); ++i) c.segment(points[i - 1], points[i]);
    if (closed && points.size() > 2) c.segment(points.back(), points.front());
}

Outcome result(const Collector& c) {
    if (c.bad()) return Outcome::Malformed;
    return c.empty() ? Outcome::Nothing : Outcome::Box;
}

AcGeMatrix3d scaling3(double sx, double sy, double sz) {
    AcGeMatrix3d m;
    m.entry[0][0] = sx;
    m.entry[1][1] = sy;
    m.entry[2][2] = sz;
    return m;
}

// True when the matrix's linear part takes each axis to a multiple of an axis (rotations by
// quarter turns, scales, mirrors): the box of a transformed box is then the exact box of the
// transformed content.
bool keepsAxes(const AcGeMatrix3d& m) {
    for (int r = 0; r < 3; ++r) {
        double big = 0;
        for (int c = 0; c < 3; ++c) big = std::max(big, std::fabs(m.entry[r][c]));
        int nonzero = 0;
        for (int c = 0; c < 3; ++c) nonzero += std::fabs(m.entry[r][c]) > big * 1e-12;
        if (nonzero > 1) return false;
    }
    return true;
}

Outcome measure(Ctx& ctx, const TagList& tags, const Entry* entry,
                const std::vector<TagList>* pending, Collector& out);

// --- The picture a record stores ----------------------------------------------------------------

Outcome pictureExtents(Ctx& ctx, const TagList& tags, bool proxy, Collector& out) {
    const proxygfx::GraphicsBytes bytes = proxygfx::collectGraphicsBytes(tags, proxy);
    if (!bytes.present) return Outcome::NotMeasurable;
    const proxygfx::GraphicsKind kind = proxygfx::classifyGraphicsBytes(bytes);
    if (kind == proxygfx::GraphicsKind::None) return Outcome::Malformed;
    proxygfx::DecodeContext dc;
    if (ctx.d) {
        dc.codec = ctx.d->codec;
        dc.r2010OrLater = ctx.d->acadver >= "AC1024";
    }
    const proxygfx::DecodedGraphics g = proxygfx::decodeProxyGraphics(bytes.bytes, dc);
    // The extents record is what the application said of its own picture; what the picture
    // draws stands in when it has none.
    if (g.extents && g.extents->isValid() && finitePoint(g.extents->minPoint()) &&
        finitePoint(g.extents->maxPoint())) {
        out.shapeBox(*g.extents);
        return Outcome::Box;
    }
    if (auto drawn = proxygfx::drawnExtents(g, ctx.charAdvance); drawn && drawn->isValid()) {
        out.shapeBox(*drawn);
        return Outcome::Box;
    }
    bool unbounded = false;
    for (const proxygfx::Primitive& p : g.primitives)
        unbounded = unbounded || p.kind == proxygfx::PrimitiveKind::Ray ||
                    p.kind == proxygfx::PrimitiveKind::Xline;
    return unbounded ? Outcome::Unbounded : Outcome::Nothing;
}

// --- Curves ---------------------------------------------------------------------------------

Outcome lineExtents(const Rec& r, Collector& out) {
    AcGePoint3d a, b;
    AcGeVector3d n;
    if (!r.point(10, a) || !r.point(11, b) || !r.normal(n)) return Outcome::Malformed;
    double th = r.real(39, 0.0);
    if (!std::isfinite(th)) return Outcome::Malformed;
    Collector inner(out, AcGeMatrix3d::kIdentity);
    if (r.type == "LINE")
        inner.segment(a, b);
    else
        inner.point(a);
    addSwept(out, inner, n * th);
    return result(out);
}

// Circles and arcs: centre in the plane of the normal, angles in degrees counterclockwise.
Outcome circleExtents(const Rec& r, bool arc, Collector& out) {
    AcGePoint3d c;
    AcGeVector3d n;
    if (!r.point(10, c) || !r.normal(n)) return Outcome::Malformed;
    double radius = r.real(40, std::nan(""));
    double th = r.real(39, 0.0);
    if (!std::isfinite(radius) || radius < 0 || !std::isfinite(th)) return Outcome::Malformed;
    double t0 = 0, t1 = 2 * std::numbers::pi;
    if (arc) {
        double s = r.real(50, 0.0), e = r.real(51, 360.0);
        if (!std::isfinite(s) || !std::isfinite(e)) return Outcome::Malformed;
        s = std::fmod(s, 360.0);
        e = std::fmod(e, 360.0);
        if (e <= s) e += 360.0;  // equal angles: the whole circle
        t0 = s * std::numbers::pi / 180;
        t1 = e * std::numbers::pi / 180;
    }
    Collector inner(out, AcGeMatrix3d::planeToWorld(n));
    inner.conic(c, AcGeVector3d(radius, 0, 0), AcGeVector3d(0, radius, 0), t0, t1);
    addSwept(out, inner, n * th);
    return result(out);
}

Outcome ellipseExtents(const Rec& r, Collector& out) {
    AcGePoint3d c, major;
    AcGeVector3d n;
    if (!r.point(10, c) || !r.point(11, major) || !r.normal(n)) return Outcome::Malformed;
    double ratio = r.real(40, 1.0);
    double p0 = r.real(41, 0.0), p1 = r.real(42, 2 * std::numbers::pi);
    if (!std::isfinite(ratio) || ratio <= 0 || !std::isfinite(p0) || !std::isfinite(p1))
        return Outcome::Malformed;
    AcGeVector3d u(major.x, major.y, major.z);
    AcGeVector3d v = n.crossProduct(u) * ratio;
    constexpr double kTurn = 2 * std::numbers::pi;
    if (std::fabs(p1 - p0) >= kTurn - 1e-12) {
        p0 = 0;
        p1 = kTurn;
    } else {
        p0 = std::fmod(p0, kTurn);
        p1 = std::fmod(p1, kTurn);
        if (p1 <= p0) p1 += kTurn;
    }
    out.conic(c, u, v, p0, p1);
    return result(out);
}

Outcome splineExtents(const Rec& r, Collector& out) {
    // Control points (the curve lies in their hull), or the fit points when there are none.
    // Only the spline's own subclass: a helix keeps its axis points after it.
    std::vector<AcGePoint3d> control, fit;
    bool inSpline = !r.has(100);
    for (std::size_t i = 1; i < r.end; ++i) {
        const Tag& t = r.t[i];
        if (t.code == 100) inSpline = t.value == "AcDbSpline";
        if (!inSpline || (t.code != 10 && t.code != 11)) continue;
        AcGePoint3d p;
        if (!r.pointAt(i, p)) return Outcome::Malformed;
        (t.code == 10 ? control : fit).push_back(p);
        if (control.size() + fit.size() > static_cast<std::size_t>(kMaxCount)) return Outcome::Malformed;
    }
    polygon(control.empty() ? fit : control, false, out);
    return result(out);
}

// Lightweight polylines: vertices in the plane of the normal at the elevation, with bulges and
// widths.
struct PlineVertex {
    AcGePoint3d p;
    double startWidth = 0, endWidth = 0, bulge = 0;
};

// One edge of a wide straight segment from a to b: the line through the points its widths
// set off to one side (sign +1 left, -1 right). False for a segment of no length.
bool edgeLine(const PlineVertex& a, const PlineVertex& b, double sign, AcGePoint3d& p, AcGePoint3d& q) {
    AcGeVector3d d = b.p - a.p;
    d.z = 0;
    const double len = d.length();
    if (!(len > 0)) return false;
    const AcGeVector3d side = AcGeVector3d(-d.y, d.x, 0) / len * sign;
    p = a.p + side * (a.startWidth / 2);
    q = b.p + side * (a.endWidth / 2);
    return true;
}

// Where the lines p1-p2 and q1-q2 cross (in the plane z = p1.z); false for parallel lines.
bool crossing(const AcGePoint3d& p1, const AcGePoint3d& p2, const AcGePoint3d& q1, const AcGePoint3d& q2,
              AcGePoint3d& m) {
    const double dx = p2.x - p1.x, dy = p2.y - p1.y, ex = q2.x - q1.x, ey = q2.y - q1.y;
    const double den = dx * ey - dy * ex;
    const double scale = std::hypot(dx, dy) * std::hypot(ex, ey);
    if (!(std::fabs(den) > 1e-9 * scale)) return false;
    const double t = ((q1.x - p1.x) * ey - (q1.y - p1.y) * ex) / den;
    m = AcGePoint3d(p1.x + t * dx, p1.y + t * dy, p1.z);
    return std::isfinite(m.x) && std::isfinite(m.y);
}

// A mitre point further from its vertex than this many widths is left out: two segments that
// nearly turn back on each other would otherwise put it arbitrarily far away.
constexpr double kMitreLimit = 50.0;

// The segments of a 2D polyline in its own plane (z = elevation), with widths: a straight
// segment as the quadrilateral its widths make, a bulged one as the band around its arc (the
// wider of its two widths).
void plineSegments(const std::vector<PlineVertex>& v, bool closed, Collector& c) {
    const std::size_t n = v.size();
    for (std::size_t i = 0; i < n; ++i) {
        c.point(v[i].p);
        if (i + 1 == n && !closed) break;
        const PlineVertex& a = v[i];
        const PlineVertex& b = v[(i + 1) % n];
        if (a.bulge != 0.0) {
            c.bulge(a.p, b.p, a.bulge, std::max(std::fabs(a.startWidth), std::fabs(a.endWidth)));
            continue;
        }
        c.segment(a.p, b.p);
        if (a.startWidth == 0.0 && a.endWidth == 0.0) continue;
        AcGeVector3d d = b.p - a.p;
        d.z = 0;
        double len = d.length();
        if (!(len > 0)) continue;
        AcGeVector3d side = AcGeVector3d(-d.y, d.x, 0) / len;
        c.point(a.p + side * (a.startWidth / 2));
        c.point(a.p - side * (a.startWidth / 2));
        c.point(b.p + side * (a.endWidth / 2));
        c.point(b.p - side * (a.endWidth / 2));
    }
    // Where two wide straight segments meet, their edges run on to the mitre
    // point where they cross: the drawn shape reaches past both squared ends.
    for (std::size_t i = 0; i < n; ++i) {
        if (!closed && (i == 0 || i + 1 == n)) continue;
        const PlineVertex& a = v[(i + n - 1) % n];
        const PlineVertex& b = v[i];
        const PlineVertex& next = v[(i + 1) % n];
        if (a.bulge != 0.0 || b.bulge != 0.0) continue;
        if (a.endWidth == 0.0 || b.startWidth == 0.0) continue;
        for (double sign : {1.0, -1.0}) {
            AcGePoint3d p1, p2, q1, q2;
            if (!edgeLine(a, b, sign, p1, p2) || !edgeLine(b, next, sign, q1, q2)) continue;
            AcGePoint3d m;
            if (crossing(p1, p2, q1, q2, m) && m.distanceTo(b.p) <= kMitreLimit * std::max(a.endWidth, b.startWidth))
                c.point(m);
        }
    }
}

Outcome lwpolylineExtents(const Rec& r, Collector& out) {
    AcGeVector3d n;
    if (!r.normal(n)) return Outcome::Malformed;
    double elevation = r.real(38, 0.0), th = r.real(39, 0.0), constWidth = r.real(43, 0.0);
    long long flags = r.integer(70, 0);
    if (!std::isfinite(elevation) || !std::isfinite(th) || !std::isfinite(constWidth))
        return Outcome::Malformed;
    std::vector<PlineVertex> v;
    for (std::size_t i = 1; i < r.end; ++i) {
        const Tag& t = r.t[i];
        if (t.code == 10) {
            PlineVertex pv;
            if (!r.pointAt(i, pv.p)) return Outcome::Malformed;
            pv.p.z = elevation;
            pv.startWidth = pv.endWidth = constWidth;
            v.push_back(pv);
            if (v.size() > static_cast<std::size_t>(kMaxCount)) return Outcome::Malformed;
        } else if (!v.empty() && (t.code == 40 || t.code == 41 || t.code == 42)) {
            double x = parseReal(t.value);
            if (!std::isfinite(x)) return Outcome::Malformed;
            (t.code == 40 ? v.back().startWidth : t.code == 41 ? v.back().endWidth : v.back().bulge) = x;
        }
    }
    if (v.empty()) return Outcome::Nothing;
    Collector inner(out, AcGeMatrix3d::planeToWorld(n));
    plineSegments(v, (flags & 1) != 0, inner);
    addSwept(out, inner, n * th);
    return result(out);
}

// Sub-entity records of a polyline or block reference: the entity's own children when it is in
// a drawing, else those it will get when it is appended.
template <class F>
void forChildren(const Ctx& ctx, const Entry* entry, const std::vector<TagList>* pending, F f) {
    if (entry && ctx.d) {
        for (const Entry* c = entry->firstChild; c; c = c->next) {
            if (c->erased()) continue;
            TagList tags = currentTags(*ctx.d, c);
            f(tags);
        }
    } else if (pending) {
        for (const TagList& tags : *pending) f(tags);
    }
}

Outcome polylineExtents(Ctx& ctx, const Rec& r, const Entry* entry,
                        const std::vector<TagList>* pending, Collector& out) {
    AcGeVector3d n;
    AcGePoint3d origin;
    if (!r.normal(n) || !r.point(10, origin)) return Outcome::Malformed;
    const long long flags = r.integer(70, 0);
    const bool flat = (flags & (8 | 16 | 64)) == 0;  // a 2D polyline, in the plane of the normal
    double th = r.real(39, 0.0), w0 = r.real(40, 0.0), w1 = r.real(41, 0.0);
    if (!std::isfinite(th) || !std::isfinite(w0) || !std::isfinite(w1)) return Outcome::Malformed;
    // A spline-fit polyline shows the vertices its fitting made, not its frame; the frame
    // (control points, whose hull holds the curve) stands in when no fitting was stored.
    std::vector<PlineVertex> shown, frame;
    bool bad = false;
    std::set<long long> used;  // vertices a polyface mesh's faces use, from 1
    bool faces = false;
    forChildren(ctx, entry, pending, [&](const TagList& tags) {
        Rec v(tags);
        if (v.type != "VERTEX" || bad) return;
        long long vf = v.integer(70, 0);
        if ((vf & 128) && !(vf & 64)) {
            // A face record of a polyface mesh: the vertices it uses (71 to 74, from 1, negative
            // for an invisible edge).
            for (int code = 71; code <= 74; ++code) {
                long long k = v.integer(code, 0);
                if (k != 0) used.insert(k < 0 ? -k : k);
            }
            faces = true;
            return;
        }
        PlineVertex pv;
        if (!v.point(10, pv.p)) {
            bad = true;
            return;
        }
        if (flat) {
            pv.p.z = origin.z;
            pv.startWidth = v.real(40, w0);
            pv.endWidth = v.real(41, w1);
            pv.bulge = v.real(42, 0.0);
            if (!std::isfinite(pv.startWidth) || !std::isfinite(pv.endWidth) || !std::isfinite(pv.bulge))
                bad = true;
        }
        ((vf & 16) ? frame : shown).push_back(pv);
    });
    if (bad) return Outcome::Malformed;
    std::vector<PlineVertex>& v = shown.empty() ? frame : shown;
    if ((flags & 64) && faces) {
        // A polyface mesh shows its faces: a vertex no face uses is not drawn.
        std::vector<PlineVertex> drawn;
        for (std::size_t k = 0; k < v.size(); ++k)
            if (used.count(static_cast<long long>(k) + 1)) drawn.push_back(v[k]);
        v = std::move(drawn);
    }
    if (v.empty()) return Outcome::Nothing;
    if (!flat) {
        std::vector<AcGePoint3d> points;
        for (const PlineVertex& pv : v) points.push_back(pv.p);
        polygon(points, (flags & 1) != 0, out);
        return result(out);
    }
    // Frame points are control points: their hull, no bulges or widths.
    if (shown.empty())
        for (PlineVertex& pv : v) pv.bulge = pv.startWidth = pv.endWidth = 0;
    Collector inner(out, AcGeMatrix3d::planeToWorld(n));
    plineSegments(v, (flags & 1) != 0, inner);
    addSwept(out, inner, n * th);
    return result(out);
}

// Solids and traces (corners in the plane of the normal, thickness) and 3D faces (world corners).
Outcome cornersExtents(const Rec& r, bool planar, Collector& out) {
    AcGeVector3d n(0, 0, 1);
    if (planar && !r.normal(n)) return Outcome::Malformed;
    double th = planar ? r.real(39, 0.0) : 0.0;
    if (!std::isfinite(th)) return Outcome::Malformed;
    Collector inner(out, planar ? AcGeMatrix3d::planeToWorld(n) : AcGeMatrix3d::kIdentity);
    std::vector<AcGePoint3d> corners;
    for (int code = 10; code <= 13; ++code) {
        AcGePoint3d p;
        bool present = false;
        if (!r.point(code, p, AcGePoint3d::kOrigin, &present)) return Outcome::Malformed;
        if (!present) continue;
        corners.push_back(p);
    }
    if (corners.empty()) return Outcome::Malformed;
    // Solids and traces give their corners in the order 1 2 4 3.
    if (planar && corners.size() == 4) std::swap(corners[2], corners[3]);
    polygon(corners, true, inner);
    addSwept(out, inner, n * th);
    return result(out);
}

// --- Hatches ----------------------------------------------------------------------------------

// Reads the tags of a hatch's boundary paths in the order the format gives them.
struct HatchReader {
    const Rec& r;
    std::size_t i;
    double z = 0.0;  // the hatch's elevation: the z of every boundary point in its plane
    bool bad = false;

    bool at(int code) const { return i < r.end && r.t[i].code == code; }
    double take(int code) {
        if (!at(code)) {
            bad = true;
            return 0;
        }
        double v = parseReal(r.t[i++].value);
        if (!std::isfinite(v)) bad = true;
        return v;
    }
    long long takeCount(int code) {
        double v = take(code);
        if (bad || v < 0 || v > static_cast<double>(kMaxCount) || v != std::floor(v)) {
            bad = true;
            return 0;
        }
        return static_cast<long long>(v);
    }
    double optional(int code, double def) { return at(code) ? take(code) : def; }
    // A 2D point (x in `code`, y in code + 10); `z` is 0.
    AcGePoint3d point2(int code) {
        double x = take(code);
        double y = take(code + 10);
        return {x, y, 0};
    }
    // A boundary point: a 2D point at the hatch's elevation.
    AcGePoint3d planePoint(int code) {
        AcGePoint3d p = point2(code);
        p.z = z;
        return p;
    }
};

// A circular (kind 2) or elliptic (kind 3) edge of a hatch boundary.
void hatchConicEdge(HatchReader& h, long long kind, Collector& inner) {
    AcGePoint3d c = h.planePoint(10);
    AcGeVector3d u, v;
    if (kind == 2) {
        double radius = h.take(40);
        u = AcGeVector3d(radius, 0, 0);
        v = AcGeVector3d(0, radius, 0);
    } else {
        AcGePoint3d m = h.point2(11);
        double ratio = h.take(40);
        u = AcGeVector3d(m.x, m.y, 0);
        v = AcGeVector3d(-m.y, m.x, 0) * ratio;
    }
    double s = h.take(50), e = h.take(51);
    const bool ccw = h.take(73) != 0;
    if (h.bad) return;
    // A clockwise edge stores the complements (360 - angle) of its angles.
    if (!ccw) {
        double s2 = 360.0 - e, e2 = 360.0 - s;
        s = s2;
        e = e2;
    }
    constexpr double kDeg = std::numbers::pi / 180;
    double t0 = 0, t1 = 2 * std::numbers::pi;
    if (std::fabs(e - s) < 360.0) {
        s = std::fmod(s, 360.0);
        e = std::fmod(e, 360.0);
        if (e <= s) e += 360.0;
        t0 = s * kDeg;
        t1 = e * kDeg;
        if (kind == 3) {
            // Ellipse edges give angles; the curve is walked by parameter.
            double ratio = u.length() > 0 ? v.length() / u.length() : 1.0;
            auto param = [ratio](double a) {
                return std::atan2(std::sin(a) / (ratio > 0 ? ratio : 1.0), std::cos(a));
            };
            double p0 = param(t0), p1 = param(t1);
            while (p1 <= p0) p1 += 2 * std::numbers::pi;
            t0 = p0;
            t1 = p1;
        }
    }
    inner.conic(c, u, v, t0, t1);
}

// A spline edge (kind 4) of a hatch boundary: its control points, or its fit points when it has
// none. `last` when no edge of its path follows.
void hatchSplineEdge(HatchReader& h, bool last, Collector& inner) {
    h.take(94);
    const bool rational = h.take(73) != 0;
    h.take(74);
    const long long knots = h.takeCount(95);
    const long long controls = h.takeCount(96);
    for (long long q = 0; q < knots && !h.bad; ++q) h.take(40);
    std::vector<AcGePoint3d> cps, fits;
    for (long long q = 0; q < controls && !h.bad; ++q) {
        cps.push_back(h.planePoint(10));
        if (rational) h.optional(42, 1.0);
    }
    // Fit data (newer releases): 97 count, then the points and end tangents. The same code
    // counts the path's source objects after its last edge: fit data when another edge follows,
    // or when fit points or a second count do.
    const auto nextCode = [&] { return h.i + 1 < h.r.end ? h.r.t[h.i + 1].code : 0; };
    if (h.at(97) &&
        (!last || nextCode() == 11 || nextCode() == 12 || nextCode() == 13 || nextCode() == 97)) {
        const long long nfit = h.takeCount(97);
        for (long long q = 0; q < nfit && !h.bad; ++q) fits.push_back(h.planePoint(11));
        if (h.at(12)) h.point2(12);
        if (h.at(13)) h.point2(13);
    }
    polygon(cps.empty() ? fits : cps, false, inner);
}

// The edges of a hatch boundary path that is not a polyline.
void hatchEdges(HatchReader& h, Collector& inner) {
    const long long edges = h.takeCount(93);
    for (long long k = 0; k < edges && !h.bad; ++k) {
        const long long kind = static_cast<long long>(h.take(72));
        if (kind == 1) {
            const AcGePoint3d a = h.planePoint(10);
            inner.segment(a, h.planePoint(11));
        } else if (kind == 2 || kind == 3) {
            hatchConicEdge(h, kind, inner);
        } else if (kind == 4) {
            hatchSplineEdge(h, k + 1 == edges, inner);
        } else {
            h.bad = true;
        }
    }
}

// A polyline boundary path of a hatch.
void hatchPolylinePath(HatchReader& h, Collector& inner) {
    const bool bulges = h.take(72) != 0;
    const bool closed = h.take(73) != 0;
    const long long count = h.takeCount(93);
    std::vector<PlineVertex> v;
    for (long long k = 0; k < count && !h.bad; ++k) {
        PlineVertex pv;
        pv.p = h.planePoint(10);
        if (bulges) pv.bulge = h.optional(42, 0.0);
        v.push_back(pv);
    }
    if (!h.bad) plineSegments(v, closed, inner);
}

Outcome hatchExtents(const Rec& r, Collector& out) {
    AcGeVector3d n;
    if (!r.normal(n)) return Outcome::Malformed;
    int start = r.find(100);
    for (std::size_t i = 1; i < r.end; ++i)
        if (r.t[i].code == 100 && r.t[i].value == "AcDbHatch") start = static_cast<int>(i);
    AcGePoint3d elevationPoint;
    int at10 = r.find(10, static_cast<std::size_t>(std::max(start, 1)));
    if (at10 >= 0 && !r.pointAt(static_cast<std::size_t>(at10), elevationPoint)) return Outcome::Malformed;
    int at91 = r.find(91, static_cast<std::size_t>(std::max(start, 1)));
    if (at91 < 0) return Outcome::Malformed;
    HatchReader h{r, static_cast<std::size_t>(at91), elevationPoint.z};
    const long long paths = h.takeCount(91);
    Collector inner(out, AcGeMatrix3d::planeToWorld(n));
    for (long long path = 0; path < paths && !h.bad; ++path) {
        const long long type = static_cast<long long>(h.take(92));
        if (type & 2)
            hatchPolylinePath(h, inner);
        else
            hatchEdges(h, inner);
        // The boundary objects the path came from.
        if (h.at(97)) {
            const long long sources = h.takeCount(97);
            for (long long q = 0; q < sources && h.at(330); ++q) ++h.i;
        }
    }
    if (h.bad) return Outcome::Malformed;
    addSwept(out, inner, AcGeVector3d());
    return result(out);
}

// --- Texts ------------------------------------------------------------------------------------

// A single-line text: the box of its line, as long as its characters times the height times
// the width factor times the advance and as high as its height, placed by its alignment,
// slanted by its oblique angle, mirrored by its generation flags and turned by its rotation.
Outcome textExtents(const Ctx& ctx, const Rec& r, std::string_view content, int vAlignCode, Collector& out) {
    AcGeVector3d n;
    AcGePoint3d p1, p2;
    bool hasP2 = false;
    if (!r.normal(n) || !r.point(10, p1) || !r.point(11, p2, p1, &hasP2)) return Outcome::Malformed;
    double h = r.real(40, 0.0), wf = r.real(41, 1.0), rot = r.real(50, 0.0), obl = r.real(51, 0.0);
    if (!std::isfinite(h) || !std::isfinite(wf) || !std::isfinite(rot) || !std::isfinite(obl) || h < 0 ||
        wf < 0)
        return Outcome::Malformed;
    if (wf == 0) wf = 1;
    const std::size_t chars = textCharacters(content);
    if (chars == 0 || h == 0) return Outcome::Nothing;
    const long long gen = r.integer(71, 0), ha = r.integer(72, 0), va = r.integer(vAlignCode, 0);
    double width = static_cast<double>(chars) * h * wf * ctx.charAdvance;
    AcGePoint3d anchor = p1;
    double angle = rot * std::numbers::pi / 180;
    double x0 = 0, y0 = 0;
    if ((ha == 3 || ha == 5) && hasP2 && !(p2 - p1).isZeroLength()) {
        // Aligned and fitted texts run from the first to the second point.
        AcGeVector3d d = p2 - p1;
        d.z = 0;
        width = d.length();
        angle = std::atan2(d.y, d.x);
    } else {
        if ((ha != 0 || va != 0) && hasP2) anchor = p2;
        x0 = ha == 1 || ha == 4 ? -width / 2 : ha == 2 ? -width : 0.0;
        y0 = ha == 4 || va == 2 ? -h / 2 : va == 3 ? -h : 0.0;
    }
    const double shear = std::tan(std::fmod(obl, 360.0) * std::numbers::pi / 180);
    const double mx = (gen & 2) ? -1 : 1, my = (gen & 4) ? -1 : 1;
    const double c = std::cos(angle), s = std::sin(angle);
    Collector inner(out, AcGeMatrix3d::planeToWorld(n));
    AcGePoint3d corners[4];
    const double xs[4] = {x0, x0 + width, x0 + width, x0}, ys[4] = {y0, y0, y0 + h, y0 + h};
    for (int k = 0; k < 4; ++k) {
        double lx = (xs[k] + ys[k] * shear) * mx, ly = ys[k] * my;
        corners[k] = AcGePoint3d(anchor.x + lx * c - ly * s, anchor.y + lx * s + ly * c, anchor.z);
    }
    inner.face(corners);
    addSwept(out, inner, AcGeVector3d());
    return result(out);
}

// The box of a multiline text of the given contents, height, reference width, spacing factor
// and attachment, at `insert` with x direction `xdir` in the plane of `n` (world coordinates).
Outcome mtextBox(const Ctx& ctx, std::string_view contents, double h, double refWidth, double spacing, int attachment,
                 const AcGePoint3d& insert, AcGeVector3d xdir, const AcGeVector3d& n, Collector& out) {
    if (!std::isfinite(h) || !std::isfinite(refWidth) || !std::isfinite(spacing) || h < 0)
        return Outcome::Malformed;
    if (h == 0) return Outcome::Nothing;
    MTextSize size = estimateMText(contents, h, std::max(refWidth, 0.0), spacing, ctx.charAdvance);
    if (size.lines == 0) return Outcome::Nothing;
    xdir = xdir - n * xdir.dotProduct(n);
    if (!(xdir.length() > 1e-12)) xdir = AcGeMatrix3d::planeToWorld(n) * AcGeVector3d(1, 0, 0);
    xdir = xdir.normal();
    AcGeVector3d ydir = n.crossProduct(xdir);
    double x0 = 0, y0 = 0;
    mtextOrigin(attachment, size.width, size.height, x0, y0);
    const AcGePoint3d corners[4] = {insert + xdir * x0 + ydir * y0, insert + xdir * (x0 + size.width) + ydir * y0,
                                    insert + xdir * (x0 + size.width) + ydir * (y0 + size.height),
                                    insert + xdir * x0 + ydir * (y0 + size.height)};
    out.face(corners);
    return result(out);
}

Outcome mtextExtents(const Ctx& ctx, const Rec& r, Collector& out) {
    AcGeVector3d n;
    AcGePoint3d insert, dir;
    bool hasDir = false;
    if (!r.normal(n) || !r.point(10, insert) || !r.point(11, dir, AcGePoint3d::kOrigin, &hasDir))
        return Outcome::Malformed;
    double rot = r.real(50, 0.0);
    if (!std::isfinite(rot)) return Outcome::Malformed;
    AcGeVector3d x(dir.x, dir.y, dir.z);
    if (!hasDir || x.isZeroLength())
        x = AcGeMatrix3d::planeToWorld(n) * AcGeVector3d(std::cos(rot), std::sin(rot), 0);
    return mtextBox(ctx, arxhost::mtextContents(r.t), r.real(40, 0.0), r.real(41, 0.0), r.real(44, 1.0),
                    static_cast<int>(r.integer(71, 1)), insert, x, n, out);
}

// --- Blocks -----------------------------------------------------------------------------------

// The block record a reference names by its `code` tag.
const Entry* blockNamed(const Ctx& ctx, const Rec& r, int code) {
    int i = r.find(code);
    if (i < 0) return nullptr;
    const Tag& t = r.t[static_cast<std::size_t>(i)];
    if (t.ref && t.ref->table == TableKind::BlockRecord) return t.ref;
    if (!ctx.d) return nullptr;
    if (Entry* e = ctx.d->lookup(TableKind::BlockRecord, t.value)) return e;
    return ctx.d->lookupLoad(TableKind::BlockRecord, t.value);
}

// The base point of a block (its BLOCK record's 10).
AcGePoint3d blockBase(Ctx& ctx, const Entry* blockRecord) {
    AcGePoint3d base;
    if (!ctx.d || !blockRecord->block || !blockRecord->block->begin) return base;
    std::optional<AcGePoint3d>& known = ctx.blocks[blockRecord].base;
    if (known) return *known;
    TagList tags;
    if (blockRecord->live && st(static_cast<const AcDbObject*>(blockRecord->live)).beginLoaded)
        tags = st(static_cast<const AcDbObject*>(blockRecord->live)).beginTags;
    else
        tags = currentTags(*ctx.d, blockRecord->block->begin);
    Rec r(tags);
    if (!r.point(10, base)) base = AcGePoint3d::kOrigin;
    known = base;
    return base;
}

void blockEntities(Ctx& ctx, const Entry* blockRecord, Collector& c) {
    // Elements of an unordered_map stay where they are while others are added, so the list
    // holds through the nested measurements below.
    auto& entities = ctx.blocks[blockRecord].entities;
    if (!entities) {
        entities.emplace();
        for (const Entry* e = blockRecord->block->first; e; e = e->next)
            if (!e->erased() && !e->is(hostcore::flags::kBlockEnd) && !e->is(hostcore::flags::kBlockBegin))
                entities->emplace_back(e, currentTags(*ctx.d, e));
    }
    for (const auto& [e, tags] : *entities) {
        --ctx.budget;
        // Attribute definitions show in references only when they are constant and visible.
        Rec r(tags);
        if (r.type == "ATTDEF") {
            long long flags = r.integer(70, 0);
            if (!(flags & 2) || (flags & 1)) continue;
            (void)textExtents(ctx, r, r.str(1), 74, c);
            continue;
        }
        (void)measure(ctx, tags, e, nullptr, c);
    }
}

// Adds the entities of a block, placed by `c`'s matrix. False when the block nests itself or
// too deeply.
bool blockContent(Ctx& ctx, const Entry* blockRecord, Collector& c) {
    if (!ctx.d || !blockRecord || !blockRecord->block) return true;
    if (ctx.stack.size() >= kMaxBlockDepth ||
        std::find(ctx.stack.begin(), ctx.stack.end(), blockRecord) != ctx.stack.end()) {
        ctx.nestingFault = true;
        return false;
    }
    ctx.stack.push_back(blockRecord);
    // A probe needs the shapes themselves, not the box of the whole content.
    if ((keepsAxes(c.matrix()) && !c.probe()) || ctx.budget <= 0) {
        // The content's box, measured once in the block's own coordinates; content that
        // overflowed there spoils the reference as it does when measured entity by entity.
        if (!ctx.blocks[blockRecord].box) {
            Collector local;
            blockEntities(ctx, blockRecord, local);
            ctx.blocks[blockRecord].box = local.box();
            ctx.blocks[blockRecord].boxBad = local.bad();
        }
        if (ctx.blocks[blockRecord].boxBad) c.markBad();
        c.shapeBox(*ctx.blocks[blockRecord].box);
    } else {
        blockEntities(ctx, blockRecord, c);
    }
    ctx.stack.pop_back();
    return true;
}

// How a block reference places its block: `place` takes the reference's own system (its
// insertion point, turned by its rotation, in the plane of its normal) to the coordinates the
// reference lies in, `content` the block's own coordinates there (scales and base point too).
struct Placement {
    const Entry* block = nullptr;
    AcGeMatrix3d place, content;
    double dx = 0, dy = 0;  // column and row spacing of an array
    long long cols = 1, rows = 1;
};

// False when the reference's numbers make no placement.
bool placement(Ctx& ctx, const Rec& r, Placement& p) {
    AcGeVector3d n;
    AcGePoint3d ins;
    if (!r.normal(n) || !r.point(10, ins)) return false;
    double sx = r.real(41, 1.0), sy = r.real(42, 1.0), sz = r.real(43, 1.0), rot = r.real(50, 0.0);
    p.dx = r.real(44, 0.0);
    p.dy = r.real(45, 0.0);
    p.cols = r.integer(70, 1);
    p.rows = r.integer(71, 1);
    if (!std::isfinite(sx) || !std::isfinite(sy) || !std::isfinite(sz) || !std::isfinite(rot) ||
        !std::isfinite(p.dx) || !std::isfinite(p.dy) || p.cols > kMaxCount || p.rows > kMaxCount)
        return false;
    p.cols = std::max(p.cols, 1LL);
    p.rows = std::max(p.rows, 1LL);
    p.block = blockNamed(ctx, r, 2);
    p.place = AcGeMatrix3d::planeToWorld(n) * AcGeMatrix3d::translation(ins - AcGePoint3d::kOrigin) *
              AcGeMatrix3d::rotation(rot * std::numbers::pi / 180, AcGeVector3d::kZAxis);
    p.content = p.place * scaling3(sx, sy, sz) *
                AcGeMatrix3d::translation(AcGePoint3d::kOrigin - (p.block ? blockBase(ctx, p.block) : ins));
    return true;
}

Outcome insertExtents(Ctx& ctx, const Rec& r, const Entry* entry, const std::vector<TagList>* pending,
                      Collector& out) {
    Placement pl;
    if (!placement(ctx, r, pl)) return Outcome::Malformed;
    const Entry* block = pl.block;
    const long long cols = pl.cols, rows = pl.rows;
    const double dx = pl.dx, dy = pl.dy;
    const AcGeMatrix3d& place = pl.place;
    Collector content(out, pl.content);
    bool nested = true;
    if (block) nested = blockContent(ctx, block, content);
    if (!nested) return Outcome::Malformed;
    if (content.bad()) out.markBad();
    if (!content.empty()) {
        out.worldBox(content.box());
        // An array: the same box moved to the other corners of the grid.
        if (cols > 1 || rows > 1) {
            const AcGeMatrix3d grid = out.matrix() * place;
            AcGeVector3d across = grid * AcGeVector3d(dx * static_cast<double>(cols - 1), 0, 0);
            AcGeVector3d up = grid * AcGeVector3d(0, dy * static_cast<double>(rows - 1), 0);
            for (const AcGeVector3d& shift : {across, up, across + up}) {
                AcDbExtents moved = content.box();
                moved.transformBy(AcGeMatrix3d::translation(shift));
                out.worldBox(moved);
            }
        }
    }
    // The reference's attributes, placed on their own; invisible ones show nothing.
    forChildren(ctx, entry, pending, [&](const TagList& tags) {
        Rec a(tags);
        if (a.type != "ATTRIB" || (a.integer(70, 0) & 1)) return;
        (void)textExtents(ctx, a, a.str(1), 74, out);
    });
    return result(out);
}

// Dimensions and tables: the block that holds their picture, moved to their insertion point.
Outcome blockPictureExtents(Ctx& ctx, const Rec& r, int insertCode, Collector& out) {
    const Entry* block = blockNamed(ctx, r, 2);
    if (!block || !block->block || !block->block->first) return Outcome::Nothing;
    AcGeVector3d n;
    AcGePoint3d at;
    bool present = false;
    if (!r.normal(n) || !r.point(insertCode, at, AcGePoint3d::kOrigin, &present)) return Outcome::Malformed;
    AcGeMatrix3d m;
    if (present) m = AcGeMatrix3d::translation(AcGeMatrix3d::planeToWorld(n) * (at - AcGePoint3d::kOrigin));
    Collector content(out, m);
    if (!blockContent(ctx, block, content)) return Outcome::Malformed;
    if (content.bad()) out.markBad();
    out.worldBox(content.box());
    return result(out);
}

Outcome dimensionExtents(Ctx& ctx, const Rec& r, Collector& out) {
    Outcome o = blockPictureExtents(ctx, r, 12, out);
    if (o != Outcome::Nothing) return o;
    // No block: the definition points (world coordinates, the text point in the plane).
    AcGeVector3d n;
    if (!r.normal(n)) return Outcome::Malformed;
    for (int code : {10, 11, 13, 14, 15, 16}) {
        AcGePoint3d p;
        bool present = false;
        if (!r.point(code, p, AcGePoint3d::kOrigin, &present)) return Outcome::Malformed;
        if (!present) continue;
        out.point(code == 11 || code == 16 ? AcGeMatrix3d::planeToWorld(n) * p : p);
    }
    return result(out);
}

// A leader's dimension variables that shape it: the arrow size, the overall scale, the gap
// around the text and whether the text sits above the line. From the dimension style it
// names, overridden by the leader's own ACAD DSTYLE extended data; DXF defaults without them.
struct LeaderStyle {
    double asz = 0.18, scale = 1.0, gap = 0.09;
    long long tad = 0;
    bool namedArrow = false;  // a block of its own for the arrow (not the closed filled one)
};

void takeDimVar(LeaderStyle& s, int code, const std::string& value) {
    if (code == 341) {  // the arrow block, by handle
        s.namedArrow = !value.empty() && value != "0";
        return;
    }
    const double x = parseReal(value);
    if (!std::isfinite(x)) return;
    switch (code) {
    case 41: s.asz = x; break;
    case 40: s.scale = x; break;
    case 147: s.gap = x; break;
    case 77: s.tad = static_cast<long long>(x); break;
    default: break;
    }
}

LeaderStyle leaderStyle(const Ctx& ctx, const Rec& r) {
    LeaderStyle s;
    if (ctx.d) {
        const std::string name(r.str(3));
        if (const Entry* ds = findRecord(*ctx.d, TableKind::DimStyle, name.empty() ? std::string("Standard") : name)) {
            const TagList t = currentTags(*ctx.d, ds);
            for (std::size_t i = 1; i < t.size() && t[i].code < 1000; ++i) takeDimVar(s, t[i].code, t[i].value);
        }
    }
    // Overrides: 1001 ACAD, 1000 DSTYLE, 1002 {, then pairs of a 1070 code and its value.
    bool acad = false, inStyle = false;
    for (std::size_t i = r.end; i < r.t.size(); ++i) {
        const Tag& g = r.t[i];
        if (g.code == 1001) acad = g.value == "ACAD";
        else if (acad && g.code == 1000) inStyle = g.value == "DSTYLE";
        else if (acad && inStyle && g.code == 1070 && i + 1 < r.t.size()) {
            const long long code = parseInt(g.value, -1);
            const Tag& v = r.t[i + 1];
            takeDimVar(s, static_cast<int>(code), v.value);
            ++i;
        }
    }
    if (s.scale == 0.0) s.scale = 1.0;  // 0: the scale of the layout, taken as 1
    return s;
}

// Leaders: the vertices, the arrowhead at the first one (a closed filled arrow as long as the
// arrow size along the first segment and a third of it wide; an arrow of a block of its own
// within the arrow size around the vertex), and the hook line to the text (as long as the text
// annotation's width plus the gap, along the horizontal direction).
Outcome leaderExtents(const Ctx& ctx, const Rec& r, Collector& out) {
    std::vector<AcGePoint3d> v;
    for (std::size_t i = 1; i < r.end; ++i) {
        if (r.t[i].code != 10) continue;
        AcGePoint3d p;
        if (!r.pointAt(i, p)) return Outcome::Malformed;
        v.push_back(p);
    }
    if (v.empty()) return Outcome::Nothing;
    const LeaderStyle s = leaderStyle(ctx, r);
    polygon(v, false, out);
    const double size = std::fabs(s.asz * s.scale);
    if (r.integer(71, 1) != 0 && v.size() >= 2 && size > 0 && std::isfinite(size)) {
        AcGeVector3d u = v[1] - v[0];
        const double len = u.length();
        if (len > 0) {
            u /= len;
            AcGeVector3d n;
            if (!r.normal(n)) return Outcome::Malformed;
            AcGeVector3d side = n.crossProduct(u);
            if (side.length() > 0) side.normalize();
            if (s.namedArrow) {
                for (double a : {-1.0, 1.0})
                    for (double b : {-1.0, 1.0}) out.point(v[0] + u * (a * size) + side * (b * size));
            } else {
                out.point(v[0] + u * size + side * (size / 6));
                out.point(v[0] + u * size - side * (size / 6));
            }
        }
    }
    const double textWidth = r.real(41, 0.0);
    if (r.integer(73, 3) == 0 && r.integer(75, 0) != 0 && s.tad != 0 && textWidth > 0 && std::isfinite(textWidth)) {
        AcGePoint3d dir(1, 0, 0);
        if (!r.point(211, dir, AcGePoint3d(1, 0, 0))) return Outcome::Malformed;
        AcGeVector3d h = dir - AcGePoint3d::kOrigin;
        if (r.integer(74, 0) == 1) h = -h;
        out.point(v.back() + h * (s.gap * s.scale + textWidth));
    }
    return result(out);
}

// Multileaders: the points of their leader lines, the ends of their leaders and doglegs, the
// box of their text and the content of their block.
Outcome mleaderExtents(Ctx& ctx, const Rec& r, Collector& out) {
    int begin = -1;
    for (std::size_t i = 1; i < r.end; ++i)
        if (r.t[i].code == 300 && r.t[i].value == "CONTEXT_DATA{") {
            begin = static_cast<int>(i);
            break;
        }
    if (begin < 0) return Outcome::Nothing;
    enum class In { Context, Leader, Line };
    In in = In::Context;
    bool hasText = false, hasBlock = false;
    double scale = 1.0, charHeight = 0.0, textWidth = 0.0, spacing = 1.0;
    int attachment = 1;
    std::string text;
    AcGePoint3d textAt, textDir(1, 0, 0), textNormal(0, 0, 1), blockAt, blockScale(1, 1, 1),
        blockNormal(0, 0, 1), lastPoint, dogleg(1, 0, 0);
    double blockRotation = 0.0, doglegLength = 0.0;
    bool hasDogleg = false, hasLast = false;
    uint64_t blockHandle = 0;
    for (std::size_t i = static_cast<std::size_t>(begin) + 1; i < r.end; ++i) {
        const Tag& t = r.t[i];
        const int code = t.code;
        AcGePoint3d p;
        if (in == In::Context) {
            if (code == 301) break;  // end of the context
            if (code == 302 && t.value == "LEADER{") {
                in = In::Leader;
                hasDogleg = hasLast = false;
                doglegLength = 0;
                continue;
            }
            switch (code) {
                case 40: scale = parseReal(t.value); break;
                case 41: charHeight = parseReal(t.value); break;
                case 290: hasText = parseInt(t.value) != 0; break;
                case 296: hasBlock = parseInt(t.value) != 0; break;
                case 304: if (hasText) text = t.value; break;
                case 11: if (hasText && r.pointAt(i, p)) textNormal = p; break;
                case 12: if (hasText && r.pointAt(i, p)) textAt = p; break;
                case 13: if (hasText && r.pointAt(i, p)) textDir = p; break;
                case 43: textWidth = parseReal(t.value); break;
                case 45: spacing = parseReal(t.value); break;
                case 171: attachment = static_cast<int>(parseInt(t.value, 1)); break;
                case 341: blockHandle = hostcore::handleValue(t.value); break;
                case 14: if (hasBlock && r.pointAt(i, p)) blockNormal = p; break;
                case 15: if (hasBlock && r.pointAt(i, p)) blockAt = p; break;
                case 16: if (hasBlock && r.pointAt(i, p)) blockScale = p; break;
                case 46: blockRotation = parseReal(t.value); break;
                default: break;
            }
        } else if (in == In::Leader) {
            if (code == 303) {
                if (hasLast) {
                    out.point(lastPoint);
                    if (hasDogleg && std::isfinite(doglegLength))
                        out.point(lastPoint + AcGeVector3d(dogleg.x, dogleg.y, dogleg.z) * doglegLength);
                }
                in = In::Context;
            } else if (code == 304 && t.value == "LEADER_LINE{") {
                in = In::Line;
            } else if (code == 10 && r.pointAt(i, p)) {
                lastPoint = p;
                hasLast = true;
            } else if (code == 11 && r.pointAt(i, p)) {
                dogleg = p;
            } else if (code == 291) {
                hasDogleg = parseInt(t.value) != 0;
            } else if (code == 40) {
                doglegLength = parseReal(t.value);
            }
        } else {
            if (code == 305) {
                in = In::Leader;
            } else if (code == 10) {
                if (!r.pointAt(i, p)) return Outcome::Malformed;
                out.point(p);
            }
        }
    }
    if (hasText && !text.empty()) {
        AcGeVector3d n(textNormal.x, textNormal.y, textNormal.z);
        if (!(n.length() > 1e-12) || !finiteVector(n)) n = AcGeVector3d::kZAxis;
        n = n.normal();
        double w = std::isfinite(scale) ? textWidth * scale : textWidth;
        Outcome o = mtextBox(ctx, text, charHeight, w, spacing, attachment, textAt,
                             AcGeVector3d(textDir.x, textDir.y, textDir.z), n, out);
        if (o == Outcome::Malformed) return o;
    }
    if (hasBlock && blockHandle && ctx.d) {
        const Entry* block = ctx.d->find(blockHandle);
        if (block && block->table == TableKind::BlockRecord && block->block) {
            AcGeVector3d n(blockNormal.x, blockNormal.y, blockNormal.z);
            if (!(n.length() > 1e-12) || !finiteVector(n)) n = AcGeVector3d::kZAxis;
            AcGeMatrix3d m = AcGeMatrix3d::translation(blockAt - AcGePoint3d::kOrigin) *
                             AcGeMatrix3d::planeToWorld(n) *
                             AcGeMatrix3d::rotation(blockRotation, AcGeVector3d::kZAxis) *
                             scaling3(blockScale.x, blockScale.y, blockScale.z) *
                             AcGeMatrix3d::translation(AcGePoint3d::kOrigin - blockBase(ctx, block));
            Collector content(out, m);
            if (!blockContent(ctx, block, content)) return Outcome::Malformed;
            if (content.bad()) out.markBad();
            out.worldBox(content.box());
        }
    }
    return result(out);
}

// --- Images, viewports and the rest ---------------------------------------------------------------

// Images and wipeouts: the corners of the image (its insertion point plus its pixel vectors
// times its size in pixels) or, when clipped (a wipeout always), of its clip boundary.
Outcome imageExtents(const Rec& r, bool wipeout, Collector& out) {
    AcGePoint3d ins, u, v, size;
    if (!r.point(10, ins) || !r.point(11, u) || !r.point(12, v) || !r.point(13, size))
        return Outcome::Malformed;
    AcGeVector3d uu(u.x, u.y, u.z), vv(v.x, v.y, v.z);
    // Pixel coordinates of the boundary: origin at the top left pixel's centre, y down.
    auto world = [&](double px, double py) {
        return ins + uu * (px + 0.5) + vv * (size.y - py - 0.5);
    };
    std::vector<AcGePoint3d> clip;
    const bool clipped = wipeout || r.integer(280, 0) != 0;
    if (clipped) {
        for (std::size_t i = 1; i < r.end; ++i) {
            if (r.t[i].code != 14) continue;
            AcGePoint3d p;
            if (!r.pointAt(i, p)) return Outcome::Malformed;
            clip.push_back(p);
        }
    }
    if (clip.size() >= 2) {
        // The boundary's box, inside the image's own rectangle.
        AcDbExtents box;
        for (const AcGePoint3d& p : clip) box.addPoint(AcGePoint3d(p.x, p.y, 0));
        double x0 = std::max(box.minPoint().x, -0.5), x1 = std::min(box.maxPoint().x, size.x - 0.5);
        double y0 = std::max(box.minPoint().y, -0.5), y1 = std::min(box.maxPoint().y, size.y - 0.5);
        if (wipeout) {  // a wipeout's boundary is its shape, whatever its size says
            x0 = box.minPoint().x, x1 = box.maxPoint().x, y0 = box.minPoint().y, y1 = box.maxPoint().y;
        }
        if (x0 > x1 || y0 > y1) return Outcome::Nothing;
        for (double x : {x0, x1})
            for (double y : {y0, y1}) out.point(world(x, y));
        return result(out);
    }
    for (double a : {0.0, size.x})
        for (double b : {0.0, size.y}) out.point(ins + uu * a + vv * b);
    return result(out);
}

Outcome viewportExtents(const Rec& r, Collector& out) {
    AcGePoint3d c;
    double w = r.real(40, std::nan("")), h = r.real(41, std::nan(""));
    if (!r.point(10, c) || !std::isfinite(w) || !std::isfinite(h) || w < 0 || h < 0) return Outcome::Malformed;
    out.point(c + AcGeVector3d(-w / 2, -h / 2, 0));
    out.point(c + AcGeVector3d(w / 2, h / 2, 0));
    return result(out);
}

// Multilines: each element's line at its offset along the miter direction of every vertex.
Outcome mlineExtents(const Rec& r, Collector& out) {
    AcGePoint3d vertex, miter;
    bool haveVertex = false, expectOffset = false, anyElement = false;
    std::vector<AcGePoint3d> vertices;
    for (std::size_t i = 1; i < r.end; ++i) {
        const Tag& t = r.t[i];
        if (t.code == 11) {
            if (!r.pointAt(i, vertex)) return Outcome::Malformed;
            vertices.push_back(vertex);
            haveVertex = true;
        } else if (t.code == 13 && haveVertex) {
            if (!r.pointAt(i, miter)) return Outcome::Malformed;
        } else if (t.code == 74 && haveVertex) {
            expectOffset = parseInt(t.value) > 0;
        } else if (t.code == 41 && haveVertex && expectOffset) {
            double d = parseReal(t.value);
            if (!std::isfinite(d)) return Outcome::Malformed;
            out.point(vertex + AcGeVector3d(miter.x, miter.y, miter.z) * d);
            anyElement = true;
            expectOffset = false;
        }
    }
    if (!anyElement)
        for (const AcGePoint3d& p : vertices) out.point(p);
    return result(out);
}

Outcome oleExtents(const Rec& r, Collector& out) {
    AcGePoint3d a, b;
    bool pa = false, pb = false;
    if (!r.point(10, a, AcGePoint3d::kOrigin, &pa) || !r.point(11, b, AcGePoint3d::kOrigin, &pb))
        return Outcome::Malformed;
    if (!pa || !pb) return Outcome::Malformed;
    out.point(a);
    out.point(b);
    return result(out);
}

// Subdivision meshes: their vertices (the smoothed surface stays inside their hull).
Outcome meshExtents(const Rec& r, Collector& out) {
    // The vertex count is the 92 of the mesh's own part: files of AC1015 to AC1021 put a
    // stored picture, whose size is a 92 too, in the entity part before it.
    int own = -1;
    for (std::size_t i = 1; i < r.end; ++i)
        if (r.t[i].code == 100 && r.t[i].value == "AcDbSubDMesh") own = static_cast<int>(i);
    int at = r.find(92, own < 0 ? 1 : static_cast<std::size_t>(own));
    if (at < 0) return Outcome::Nothing;
    long long count = parseInt(r.t[static_cast<std::size_t>(at)].value, -1);
    if (count < 0 || count > kMaxCount) return Outcome::Malformed;
    std::size_t i = static_cast<std::size_t>(at) + 1;
    for (long long k = 0; k < count; ++k) {
        while (i < r.end && r.t[i].code != 10) ++i;
        if (i >= r.end) return Outcome::Malformed;
        AcGePoint3d p;
        if (!r.pointAt(i, p)) return Outcome::Malformed;
        out.point(p);
        ++i;
    }
    return result(out);
}

enum class Kind {
    Line, Point, Circle, Arc, Ellipse, LwPolyline, Polyline, Spline, Solid, Face, Hatch, Text, Attrib,
    AttDef, MText, Dimension, Table, Insert, Leader, MLeader, Image, Wipeout, Viewport, MLine, Ole, Mesh,
    Unbounded, Body, Proxy, Other
};

Kind kindOf(std::string_view type) {
    static const std::unordered_map<std::string_view, Kind> kinds = {
        {"LINE", Kind::Line}, {"POINT", Kind::Point}, {"CIRCLE", Kind::Circle}, {"ARC", Kind::Arc},
        {"ELLIPSE", Kind::Ellipse}, {"LWPOLYLINE", Kind::LwPolyline}, {"POLYLINE", Kind::Polyline},
        {"SPLINE", Kind::Spline}, {"HELIX", Kind::Spline}, {"SOLID", Kind::Solid}, {"TRACE", Kind::Solid},
        {"3DFACE", Kind::Face}, {"HATCH", Kind::Hatch}, {"TEXT", Kind::Text}, {"ATTRIB", Kind::Attrib},
        {"ATTDEF", Kind::AttDef}, {"MTEXT", Kind::MText}, {"DIMENSION", Kind::Dimension},
        {"ARC_DIMENSION", Kind::Dimension}, {"LARGE_RADIAL_DIMENSION", Kind::Dimension},
        {"ACAD_TABLE", Kind::Table}, {"INSERT", Kind::Insert}, {"LEADER", Kind::Leader},
        {"MULTILEADER", Kind::MLeader}, {"MLEADER", Kind::MLeader}, {"IMAGE", Kind::Image},
        {"WIPEOUT", Kind::Wipeout}, {"VIEWPORT", Kind::Viewport}, {"MLINE", Kind::MLine},
        {"OLE2FRAME", Kind::Ole}, {"MESH", Kind::Mesh}, {"RAY", Kind::Unbounded},
        {"XLINE", Kind::Unbounded}, {"REGION", Kind::Body}, {"3DSOLID", Kind::Body}, {"BODY", Kind::Body},
        {"SURFACE", Kind::Body}, {"PLANESURFACE", Kind::Body}, {"EXTRUDEDSURFACE", Kind::Body},
        {"LOFTEDSURFACE", Kind::Body}, {"REVOLVEDSURFACE", Kind::Body}, {"SWEPTSURFACE", Kind::Body},
        {"NURBSURFACE", Kind::Body}, {"ACAD_PROXY_ENTITY", Kind::Proxy},
    };
    auto it = kinds.find(type);
    return it == kinds.end() ? Kind::Other : it->second;
}

Outcome measure(Ctx& ctx, const TagList& tags, const Entry* entry, const std::vector<TagList>* pending,
                Collector& out) {
    Rec r(tags);
    switch (kindOf(r.type)) {
        case Kind::Line:
        case Kind::Point: return lineExtents(r, out);
        case Kind::Circle: return circleExtents(r, false, out);
        case Kind::Arc: return circleExtents(r, true, out);
        case Kind::Ellipse: return ellipseExtents(r, out);
        case Kind::LwPolyline: return lwpolylineExtents(r, out);
        case Kind::Polyline: return polylineExtents(ctx, r, entry, pending, out);
        case Kind::Spline: return splineExtents(r, out);
        case Kind::Solid: return cornersExtents(r, true, out);
        case Kind::Face: return cornersExtents(r, false, out);
        case Kind::Hatch: return hatchExtents(r, out);
        case Kind::Text: return textExtents(ctx, r, r.str(1), 73, out);
        case Kind::Attrib: return textExtents(ctx, r, r.str(1), 74, out);
        // On its own, an attribute definition shows its tag.
        case Kind::AttDef: return textExtents(ctx, r, r.str(2), 74, out);
        case Kind::MText: return mtextExtents(ctx, r, out);
        case Kind::Dimension: return dimensionExtents(ctx, r, out);
        case Kind::Table: {
            Outcome o = blockPictureExtents(ctx, r, 10, out);
            return o == Outcome::Nothing ? pictureExtents(ctx, tags, false, out) : o;
        }
        case Kind::Insert: return insertExtents(ctx, r, entry, pending, out);
        case Kind::Leader: return leaderExtents(ctx, r, out);
        case Kind::MLeader: {
            Outcome o = mleaderExtents(ctx, r, out);
            return o == Outcome::Nothing ? pictureExtents(ctx, tags, false, out) : o;
        }
        case Kind::Image: return imageExtents(r, false, out);
        case Kind::Wipeout: return imageExtents(r, true, out);
        case Kind::Viewport: return viewportExtents(r, out);
        case Kind::MLine: return mlineExtents(r, out);
        case Kind::Ole: return oleExtents(r, out);
        case Kind::Mesh: return meshExtents(r, out);
        case Kind::Unbounded: return Outcome::Unbounded;
        case Kind::Proxy: return pictureExtents(ctx, tags, true, out);
        case Kind::Body: {
            // Without a modeller, only a stored picture tells.
            Outcome o = pictureExtents(ctx, tags, false, out);
            return o == Outcome::Box ? o : Outcome::NotMeasurable;
        }
        case Kind::Other: {
            Outcome o = pictureExtents(ctx, tags, false, out);
            return o == Outcome::Malformed ? Outcome::NotMeasurable : o;
        }
    }
    return Outcome::NotMeasurable;
}

}  // namespace

ErrorStatus AcDbEntity::getGeomExtents(AcDbExtents& extents) const {
    const ObjectState& s = st(this);
    Ctx ctx;
    if (s.entry && s.entry->drawing) ctx.d = s.entry->drawing;
    else if (s.db) ctx.d = drawingOf(s.db);
    Collector out;
    Outcome o = measure(ctx, s.tags, s.entry, s.entry ? nullptr : &s.pendingChildren, out);
    if (ctx.nestingFault) return Acad::eInvalidExtents;
    switch (o) {
        case Outcome::Box:
            if (out.bad() || out.empty()) return Acad::eInvalidExtents;
            extents = out.box();
            return Acad::eOk;
        case Outcome::NotMeasurable:
            return Acad::eNotImplementedYet;
        case Outcome::Nothing:
        case Outcome::Unbounded:
        case Outcome::Malformed:
            break;
    }
    return Acad::eInvalidExtents;
}

AcDbProxyEntity::GraphicsMetafileType AcDbProxyEntity::graphicsMetafileType() const {
    // An ACAD_PROXY_ENTITY keeps its picture after its own group codes; a record of a
    // was-a-proxy class keeps it where every entity does (codes 92/160 and 310).
    const TagList& tags = st(this).tags;
    const bool proxyRecord = !tags.empty() && tags[0].value == "ACAD_PROXY_ENTITY";
    const proxygfx::GraphicsBytes bytes = proxygfx::collectGraphicsBytes(tags, proxyRecord);
    return static_cast<GraphicsMetafileType>(static_cast<int>(proxygfx::classifyGraphicsBytes(bytes)));
}

// --- The engine as the editor uses it (host/arx/geometry.h) ---------------------------------------

namespace {

// Measures a record of a drawing under `toWorld` with the advance of picks; `probe` may be null.
Outcome measureForEditor(Entry* e, const AcGeMatrix3d& toWorld, Probe* probe, Collector& out) {
    Ctx ctx;
    ctx.d = e->drawing;
    ctx.charAdvance = kPickCharAdvance;
    out = Collector(toWorld, probe);
    const TagList tags = currentTags(*ctx.d, e);
    Outcome o = measure(ctx, tags, e, nullptr, out);
    if (ctx.nestingFault) return Outcome::Malformed;
    if (o != Outcome::NotMeasurable) return o;
    // What the engine cannot measure is found by the points it names.
    Rec r(tags);
    for (int code = 10; code <= 14; ++code) {
        AcGePoint3d p;
        bool present = false;
        if (r.point(code, p, AcGePoint3d::kOrigin, &present) && present) out.point(p);
    }
    return result(out);
}

// The block record a block reference names, and the transform of its content.
Entry* blockOfReference(Entry* insert) {
    if (!insert || !insert->drawing) return nullptr;
    Ctx ctx;
    ctx.d = insert->drawing;
    const TagList tags = currentTags(*ctx.d, insert);
    return const_cast<Entry*>(blockNamed(ctx, Rec(tags), 2));
}

AcGeMatrix3d contentTransform(Entry* insert) {
    if (!insert || !insert->drawing) return AcGeMatrix3d::kIdentity;
    Ctx ctx;
    ctx.d = insert->drawing;
    const TagList tags = currentTags(*ctx.d, insert);
    Placement pl;
    return placement(ctx, Rec(tags), pl) ? pl.content : AcGeMatrix3d::kIdentity;
}

void walk(Entry* block, const AcGeMatrix3d& toWorld, std::vector<AcDbObjectId>& containers,
          std::vector<Entry*>& shown, bool nested, const std::function<void(const geometry::Placed&)>& visit) {
    if (!block || !block->block) return;
    const Drawing& d = *block->drawing;
    for (Entry* e = block->block->first; e; e = e->next) {
        if (e->erased() || e->is(hostcore::flags::kBlockBegin) || e->is(hostcore::flags::kBlockEnd)) continue;
        const std::string& type = d.typeName(e);
        if (!containers.empty() && type == "ATTDEF") continue;
        if (!nested || type != "INSERT") {
            visit(geometry::Placed{idOf(e), toWorld, containers});
            continue;
        }
        // Attributes belong to the reference and lie in the space of its container.
        for (Entry* a = e->firstChild; a; a = a->next)
            if (!a->erased() && d.typeName(a) == "ATTRIB") visit(geometry::Placed{idOf(a), toWorld, containers});
        Entry* b = blockOfReference(e);
        if (!b || shown.size() >= kMaxBlockDepth || std::find(shown.begin(), shown.end(), b) != shown.end())
            continue;
        containers.insert(containers.begin(), idOf(e));
        shown.push_back(b);
        walk(b, toWorld * contentTransform(e), containers, shown, nested, visit);
        shown.pop_back();
        containers.erase(containers.begin());
    }
}

}  // namespace

bool arxhost::geometry::worldBox(AcDbObjectId id, const AcGeMatrix3d& toWorld, AcDbExtents& box) {
    Entry* e = entryOf(id);
    if (!e || !e->drawing) return false;
    Collector out;
    if (measureForEditor(e, toWorld, nullptr, out) != Outcome::Box || out.bad() || out.empty()) return false;
    box = out.box();
    return true;
}

double arxhost::geometry::pickDistance(AcDbObjectId id, const AcGeMatrix3d& toWorld, const AcGePoint3d& at) {
    Entry* e = entryOf(id);
    if (!e || !e->drawing) return -1;
    Probe probe(at);
    Collector out;
    if (measureForEditor(e, toWorld, &probe, out) == Outcome::Malformed) return -1;
    return probe.distance();
}

AcDbObjectId arxhost::geometry::referencedBlock(AcDbObjectId insert) {
    Entry* b = blockOfReference(entryOf(insert));
    return b ? idOf(b) : AcDbObjectId();
}

AcGeMatrix3d arxhost::geometry::blockTransform(AcDbObjectId insert) {
    return contentTransform(entryOf(insert));
}

void arxhost::geometry::walkBlock(AcDbObjectId blockRecord, bool nested, const std::function<void(const Placed&)>& visit) {
    std::vector<AcDbObjectId> containers;
    std::vector<Entry*> shown;
    Entry* b = entryOf(blockRecord);
    if (b) shown.push_back(b);
    walk(b, AcGeMatrix3d::kIdentity, containers, shown, nested, visit);
}
