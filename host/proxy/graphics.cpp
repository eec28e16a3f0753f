#include "host/proxy/graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "host/dxf/hex.h"
#include "host/proxy/conic.h"
#include "platform/ascii.h"

namespace proxygfx {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// --- Reading a payload ---------------------------------------------------------------------

// Reads little-endian values from one record's payload. Every read is checked against the
// payload's end; after the first failed read `ok` is false and all further reads give zeros.
class Payload {
  public:
    Payload(const uint8_t* p, std::size_t n) : p_(p), n_(n) {}

    bool ok = true;
    std::size_t pos() const { return pos_; }
    std::size_t left() const { return ok ? n_ - pos_ : 0; }
    const uint8_t* at() const { return p_ + pos_; }

    bool need(std::size_t bytes) {
        if (!ok || n_ - pos_ < bytes) {
            ok = false;
            return false;
        }
        return true;
    }
    uint32_t u32() {
        if (!need(4)) return 0;
        uint32_t v = static_cast<uint32_t>(p_[pos_]) | static_cast<uint32_t>(p_[pos_ + 1]) << 8 |
                     static_cast<uint32_t>(p_[pos_ + 2]) << 16 |
                     static_cast<uint32_t>(p_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    uint64_t u64() {
        uint64_t lo = u32();
        uint64_t hi = u32();
        return lo | hi << 32;
    }
    double f64() {
        if (!need(8)) return 0.0;
        uint64_t bits = 0;
        for (int i = 7; i >= 0; --i)
            bits = bits << 8 | p_[pos_ + static_cast<std::size_t>(i)];
        pos_ += 8;
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    AcGePoint3d point() {
        double x = f64(), y = f64(), z = f64();
        return {x, y, z};
    }
    AcGeVector3d vector() {
        double x = f64(), y = f64(), z = f64();
        return {x, y, z};
    }
    // An 8-bit string ended by NUL, then padding to a multiple of four bytes counted from the
    // start of the payload. Returns the bytes without the NUL.
    std::string_view paddedString() {
        if (!ok) return {};
        const void* nul = std::memchr(p_ + pos_, 0, n_ - pos_);
        if (!nul) {
            ok = false;
            return {};
        }
        std::size_t end = static_cast<std::size_t>(static_cast<const uint8_t*>(nul) - p_);
        std::string_view s(reinterpret_cast<const char*>(p_ + pos_), end - pos_);
        skipTo(end + 1);
        return s;
    }
    // A UTF-16LE string ended by a zero code unit, padded like paddedString.
    std::u16string paddedUnicode() {
        std::u16string s;
        if (!ok) return s;
        std::size_t i = pos_;
        for (; i + 1 < n_; i += 2) {
            char16_t unit = static_cast<char16_t>(p_[i] | p_[i + 1] << 8);
            if (unit == 0) break;
            s.push_back(unit);
        }
        if (i + 1 >= n_) {
            ok = false;
            return {};
        }
        skipTo(i + 2);
        return s;
    }

  private:
    // Moves past the padding after a string; a string that ends the payload needs none.
    void skipTo(std::size_t afterString) {
        std::size_t padded = (afterString + 3) & ~static_cast<std::size_t>(3);
        pos_ = std::min(padded, n_);
    }
    const uint8_t* p_;
    std::size_t n_;
    std::size_t pos_ = 0;
};

// Reads the DWG bit stream of the lightweight-polyline record: bits MSB first within a byte.
class BitReader {
  public:
    BitReader(const uint8_t* p, std::size_t n) : p_(p), bits_(n * 8) {}

    bool ok = true;
    std::size_t bitsLeft() const { return ok ? bits_ - pos_ : 0; }

    unsigned bits(unsigned count) {
        if (!ok || bits_ - pos_ < count) {
            ok = false;
            return 0;
        }
        unsigned v = 0;
        for (unsigned i = 0; i < count; ++i, ++pos_)
            v = v << 1 | ((p_[pos_ >> 3] >> (7 - (pos_ & 7))) & 1u);
        return v;
    }
    uint8_t byte() { return static_cast<uint8_t>(bits(8)); }
    uint64_t littleEndian(unsigned bytes) {
        uint64_t v = 0;
        for (unsigned i = 0; i < bytes; ++i)
            v |= static_cast<uint64_t>(byte()) << (8 * i);
        return v;
    }
    double raw() {
        uint64_t b = littleEndian(8);
        double d;
        std::memcpy(&d, &b, sizeof d);
        return d;
    }
    // BS: 00 int16, 01 uint8, 10 zero, 11 256.
    int32_t bitShort() {
        switch (bits(2)) {
            case 0:
                return static_cast<int16_t>(littleEndian(2));
            case 1:
                return byte();
            case 2:
                return 0;
            default:
                return 256;
        }
    }
    // BL: 00 int32, 01 uint8, 10 zero (11 is not used).
    int64_t bitLong() {
        switch (bits(2)) {
            case 0:
                return static_cast<int32_t>(littleEndian(4));
            case 1:
                return byte();
            case 2:
                return 0;
            default:
                ok = false;
                return 0;
        }
    }
    // BD: 00 raw double, 01 one, 10 zero (11 is not used).
    double bitDouble() {
        switch (bits(2)) {
            case 0:
                return raw();
            case 1:
                return 1.0;
            case 2:
                return 0.0;
            default:
                ok = false;
                return 0.0;
        }
    }
    // DD: a double given as changes to a default value.
    double bitDoubleDefault(double def) {
        uint64_t b;
        std::memcpy(&b, &def, sizeof b);
        switch (bits(2)) {
            case 0:
                return def;
            case 1:
                b = (b & ~0xFFFFFFFFull) | littleEndian(4);
                break;
            case 2: {
                uint64_t hi = littleEndian(2);
                uint64_t lo = littleEndian(4);
                b = (b & 0xFFFF000000000000ull) | hi << 32 | lo;
                break;
            }
            default:
                return raw();
        }
        double d;
        std::memcpy(&d, &b, sizeof d);
        return d;
    }

  private:
    const uint8_t* p_;
    std::size_t bits_;
    std::size_t pos_ = 0;
};

bool finite(const AcGePoint3d& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}
bool finite(const AcGeVector3d& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Whether every number a primitive hands out is finite: values from a damaged buffer (or a
// transform that overflows) must not reach the drawing as NaN or infinity.
bool finite(const Primitive& p) {
    for (const AcGePoint3d& q : p.points)
        if (!finite(q)) return false;
    for (const std::vector<double>* v : {&p.bulges, &p.startWidths, &p.endWidths})
        for (double d : *v)
            if (!std::isfinite(d)) return false;
    for (double d : {p.constantWidth, p.elevation, p.ownThickness, p.radius, p.startAngle,
                     p.endAngle, p.radiusRatio, p.startParam, p.endParam, p.text.height,
                     p.text.widthFactor, p.text.oblique, p.text.tracking})
        if (!std::isfinite(d)) return false;
    return finite(p.center) && finite(p.normal) && finite(p.refVector) && finite(p.majorAxis) &&
           finite(p.direction) && finite(p.text.direction);
}

uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// --- Geometry under a transform ------------------------------------------------------------

double normalizeAngle(double a) {
    if (!std::isfinite(a)) return a;
    a = std::fmod(a, kTwoPi);
    if (a < 0) a += kTwoPi;
    return a;
}

// The normal of the plane spanned by the images of n's plane axes: follows mirroring.
AcGeVector3d transformNormal(const AcGeMatrix3d& m, const AcGeVector3d& n) {
    AcGeVector3d ax = n.perpVector();
    AcGeVector3d ay = n.normal().crossProduct(ax);
    AcGeVector3d r = (m * ax).crossProduct(m * ay).normal();
    return r.isZeroLength() ? n.normal() : r;
}

// Angle of a world direction in the plane of `normal`, measured from the plane's arbitrary-axis
// x direction.
double planeAngle(const AcGeVector3d& normal, const AcGeVector3d& dir) {
    AcGeVector3d local = AcGeMatrix3d::worldToPlane(normal) * dir;
    return normalizeAngle(std::atan2(local.y, local.x));
}

bool isCircular(const AcGeVector3d& u, const AcGeVector3d& v) {
    double lu = u.length(), lv = v.length();
    double scale = std::max(lu, lv);
    if (!(scale > 0) || !std::isfinite(scale)) return false;
    return std::fabs(lu - lv) <= 1e-9 * scale && std::fabs(u.dotProduct(v)) <= 1e-9 * scale * scale;
}

// Fills a circle, arc or ellipse from the conic c + u cos t + v sin t, t from t0 to t1 (a whole
// curve when `whole`), already in world coordinates. Circles and arcs stay what they are when u
// and v are perpendicular and of equal length; otherwise the curve becomes an ellipse with its
// principal axes. Returns false for a degenerate curve.
bool setConic(Primitive& prim, const AcGePoint3d& c, const AcGeVector3d& u, const AcGeVector3d& v,
              double t0, double t1, bool whole, bool keepCircle) {
    prim.center = c;
    if (keepCircle && isCircular(u, v)) {
        prim.radius = u.length();
        prim.normal = u.crossProduct(v).normal();
        if (prim.normal.isZeroLength()) return false;
        if (whole) {
            prim.kind = PrimitiveKind::Circle;
            return true;
        }
        prim.kind = PrimitiveKind::Arc;
        AcGeVector3d un = u.normal(), vn = v.normal();
        prim.refVector = un * std::cos(t0) + vn * std::sin(t0);
        prim.startAngle = planeAngle(prim.normal, prim.refVector);
        prim.endAngle = normalizeAngle(prim.startAngle + (t1 - t0));
        return true;
    }
    // Principal axes: with s = t - shift, u cos t + v sin t = A cos s + B sin s, A and B
    // perpendicular.
    double shift = 0.5 * std::atan2(2.0 * u.dotProduct(v), u.lengthSqrd() - v.lengthSqrd());
    AcGeVector3d a = u * std::cos(shift) + v * std::sin(shift);
    AcGeVector3d b = u * -std::sin(shift) + v * std::cos(shift);
    if (b.length() > a.length()) {
        shift += std::numbers::pi / 2;
        AcGeVector3d na = b, nb = -a;
        a = na;
        b = nb;
    }
    double la = a.length();
    if (!(la > 0) || !std::isfinite(la)) return false;
    prim.kind = PrimitiveKind::Ellipse;
    prim.majorAxis = a;
    prim.radiusRatio = b.length() / la;
    prim.normal = a.crossProduct(b).normal();
    if (prim.normal.isZeroLength()) return false;
    if (whole) {
        prim.startParam = 0.0;
        prim.endParam = kTwoPi;
    } else {
        prim.startParam = normalizeAngle(t0 - shift);
        double sweep = t1 - t0;
        prim.endParam =
            sweep >= kTwoPi ? prim.startParam + kTwoPi : normalizeAngle(prim.startParam + sweep);
    }
    return true;
}

// Circle through three points: centre, radius and the normal of their plane.
bool circleFrom3Points(const AcGePoint3d& p1, const AcGePoint3d& p2, const AcGePoint3d& p3,
                       AcGePoint3d& center, double& radius, AcGeVector3d& normal) {
    AcGeVector3d a = p2 - p1, b = p3 - p1;
    AcGeVector3d n = a.crossProduct(b);
    double nn = n.lengthSqrd();
    double scale = std::max(a.lengthSqrd(), b.lengthSqrd());
    if (!(nn > 1e-20 * scale * scale) || !std::isfinite(nn)) return false;
    AcGeVector3d toCenter = (b * a.lengthSqrd() - a * b.lengthSqrd()).crossProduct(n) / (2.0 * nn);
    center = p1 + toCenter;
    radius = toCenter.length();
    normal = n.normal();
    return std::isfinite(radius);
}

// --- The decoder ---------------------------------------------------------------------------

class Decoder {
  public:
    Decoder(const DecodeContext& ctx, DecodedGraphics& out) : ctx_(ctx), out_(out) {}

    void record(uint32_t type, const uint8_t* payload, std::size_t size, uint32_t index);

  private:
    void dispatch(uint32_t type, Payload& in, std::size_t size);
    Primitive& begin(PrimitiveKind kind, uint32_t type) {
        Primitive& p = out_.primitives.emplace_back();
        p.kind = kind;
        p.recordType = type;
        p.recordIndex = index_;
        p.attrs = attrs_;
        p.transform = matrix_;
        p.transformDepth = static_cast<int>(stack_.size());
        return p;
    }
    void drop() { out_.primitives.pop_back(); }
    void skip(const char* why) {
        ++out_.skipped;
        if (out_.message.empty())
            out_.message = std::string("record ") + std::to_string(index_) + " (" +
                           recordTypeName(type_) + "): " + why;
    }
    AcGePoint3d xf(const AcGePoint3d& p) const { return matrix_ * p; }
    AcGeVector3d xfv(const AcGeVector3d& v) const { return matrix_ * v; }

    bool points(Payload& in, uint32_t count, std::vector<AcGePoint3d>& pts) {
        if (static_cast<uint64_t>(count) * 24 > in.left()) return false;
        pts.reserve(count);
        for (uint32_t i = 0; i < count; ++i)
            pts.push_back(xf(in.point()));
        return in.ok;
    }
    std::string narrow(std::string_view bytes) const {
        if (ctx_.decodeNarrow) return ctx_.decodeNarrow(bytes);
        std::string s;
        dxf::decode(bytes, ctx_.codec, s);
        return s;
    }

    void circle(Payload& in);
    void circle3p(Payload& in);
    void arc(Payload& in);
    void arc3p(Payload& in);
    void polyline(Payload& in, bool withNormal, bool polygon);
    void lwpolyline(Payload& in);
    void mesh(Payload& in);
    void shell(Payload& in);
    void text(Payload& in, bool unicode, bool second);
    void line(Payload& in, PrimitiveKind kind);
    void ellipticArc(Payload& in);
    void pushTransform(Payload& in);
    void popTransform();
    void setTextFrame(Primitive& p, const AcGePoint3d& pos, const AcGeVector3d& normal,
                      const AcGeVector3d& dir, double height, double width);
    bool readTraits(Payload& in, uint64_t edges, uint64_t faceCount, std::vector<Face>& faces,
                    std::vector<uint8_t>& faceVisible, std::vector<uint8_t>* edgeVisible);

    const DecodeContext& ctx_;
    DecodedGraphics& out_;
    Attributes attrs_;
    AcGeMatrix3d matrix_;
    std::vector<AcGeMatrix3d> stack_;
    uint32_t refusedPushes_ = 0;
    uint32_t index_ = 0;
    uint32_t type_ = 0;
};

void Decoder::record(uint32_t type, const uint8_t* payload, std::size_t size, uint32_t index) {
    index_ = index;
    type_ = type;
    Payload in(payload, size);
    const std::size_t before = out_.primitives.size();
    dispatch(type, in, size);
    if (out_.primitives.size() > before && !finite(out_.primitives.back())) {
        drop();
        skip("coordinates are not finite numbers");
    }
    if (type == kExtents && out_.extents &&
        (!finite(out_.extents->minPoint()) || !finite(out_.extents->maxPoint()))) {
        out_.extents.reset();
        skip("extents overflow under the model transform");
    }
}

void Decoder::dispatch(uint32_t type, Payload& in, std::size_t size) {
    auto need = [&](std::size_t bytes) {
        if (size >= bytes) return true;
        skip("payload too short");
        return false;
    };
    switch (type) {
        case kExtents:
            if (need(48)) {
                AcGePoint3d a = in.point(), b = in.point();
                if (!finite(a) || !finite(b)) return skip("extents are not finite numbers");
                ++out_.stats.extents;
                AcDbExtents e(a, b);
                e.transformBy(matrix_);
                out_.extents = e;
            }
            break;
        case kCircle:
            circle(in);
            break;
        case kCircle3P:
            circle3p(in);
            break;
        case kCircularArc:
            arc(in);
            break;
        case kCircularArc3P:
            arc3p(in);
            break;
        case kPolyline:
            polyline(in, false, false);
            break;
        case kPolygon:
            polyline(in, false, true);
            break;
        case kPolylineWithNormals:
            polyline(in, true, false);
            break;
        case kMesh:
            mesh(in);
            break;
        case kShell:
            shell(in);
            break;
        case kText:
            text(in, false, false);
            break;
        case kText2:
            text(in, false, true);
            break;
        case kUnicodeText:
            text(in, true, false);
            break;
        case kUnicodeText2:
            text(in, true, true);
            break;
        case kXline:
            line(in, PrimitiveKind::Xline);
            break;
        case kRay:
            line(in, PrimitiveKind::Ray);
            break;
        case kLwPolyline:
            lwpolyline(in);
            break;
        case kEllipticArc:
            ellipticArc(in);
            break;
        case kAttribColor:
            if (need(4)) attrs_.color = color::fromAci(in.u32());
            break;
        case kAttribTrueColor:
            if (need(4)) attrs_.color = in.u32();
            break;
        case kAttribLayer:
            if (need(4)) attrs_.layerIndex = in.u32();
            break;
        case kAttribLinetype:
            if (need(4)) attrs_.linetypeIndex = in.u32();
            break;
        case kAttribMarker:
            if (need(4)) attrs_.marker = in.i32();
            break;
        case kAttribFill:
            if (need(4)) attrs_.fill = in.u32() != 0;
            break;
        case kAttribLineweight:
            if (need(4)) attrs_.lineweight = in.i32();
            break;
        case kAttribLtscale:
            if (need(8)) {
                double v = in.f64();
                if (!std::isfinite(v)) return skip("linetype scale is not a finite number");
                attrs_.linetypeScale = v;
            }
            break;
        case kAttribThickness:
            if (need(8)) {
                double v = in.f64();
                if (!std::isfinite(v)) return skip("thickness is not a finite number");
                attrs_.thickness = v;
            }
            break;
        case kAttribPlotStyle:
            if (need(8)) {
                attrs_.plotStyleType = in.u32();
                attrs_.plotStyleId = in.u32();
            }
            break;
        case kAttribMaterial:
            if (need(8)) attrs_.material = in.u64();
            break;
        case kPushModelTransform:
        case kPushModelTransform2:
            // The second form carries a matrix of the same size; it is taken as a push too, so
            // that the pop that follows it stays paired (no real picture holds one).
            pushTransform(in);
            break;
        case kPopModelTransform:
            popTransform();
            break;
        case kPushClip:
        case kPopClip:
        case kAttribMapper:
            break;  // clipping and texture mapping do not change the geometry handed out
        default:
            ++out_.stats.unknown;  // the format says to pass over records it does not define
            break;
    }
}

void Decoder::pushTransform(Payload& in) {
    if (in.left() < 128) return skip("payload too short");
    if (static_cast<int>(stack_.size()) >= ctx_.maxTransformDepth) {
        ++refusedPushes_;
        return skip("model transforms nested too deep");
    }
    AcGeMatrix3d m;
    bool finiteEntries = true;
    for (auto& row : m.entry)
        for (double& e : row) {
            e = in.f64();
            finiteEntries = finiteEntries && std::isfinite(e);
        }
    if (!finiteEntries) {
        // Refused like a push beyond the depth limit, so that its pop stays paired with it.
        ++refusedPushes_;
        return skip("model transform holds numbers that are not finite");
    }
    stack_.push_back(matrix_);
    // A nested transform acts inside the one around it: outer * inner.
    matrix_ = matrix_ * m;
    out_.maxTransformDepth = std::max(out_.maxTransformDepth, static_cast<int>(stack_.size()));
}

void Decoder::popTransform() {
    if (refusedPushes_ > 0) {
        --refusedPushes_;
        return;
    }
    if (stack_.empty()) {
        ++out_.unbalancedPops;
        return;
    }
    matrix_ = stack_.back();
    stack_.pop_back();
}

void Decoder::circle(Payload& in) {
    if (in.left() < 56) return skip("payload too short");
    AcGePoint3d c = in.point();
    double r = in.f64();
    AcGeVector3d n = in.vector().normal();
    // A circle of radius 0 (or a negative one) is no circle an entity could hold.
    if (n.isZeroLength() || !(r > 0) || !std::isfinite(r)) return skip("degenerate circle");
    Primitive& p = begin(PrimitiveKind::Circle, kCircle);
    AcGeVector3d ax = n.perpVector() * r, ay = n.crossProduct(n.perpVector()) * r;
    if (!setConic(p, xf(c), xfv(ax), xfv(ay), 0, kTwoPi, true, true)) {
        drop();
        skip("circle degenerates under the model transform");
    }
}

void Decoder::circle3p(Payload& in) {
    if (in.left() < 72) return skip("payload too short");
    AcGePoint3d p1 = xf(in.point()), p2 = xf(in.point()), p3 = xf(in.point());
    AcGePoint3d c;
    double r;
    AcGeVector3d n;
    // The points are transformed first: a circle through three points stays the circle through
    // their images under any similarity; under other transforms the images still lie on one
    // circle only approximately, and the circle through them is what the picture shows.
    if (!circleFrom3Points(p1, p2, p3, c, r, n)) return skip("points are collinear");
    Primitive& p = begin(PrimitiveKind::Circle, kCircle3P);
    p.center = c;
    p.radius = r;
    p.normal = n;
}

void Decoder::arc(Payload& in) {
    if (in.left() < 88) return skip("payload too short");
    AcGePoint3d c = in.point();
    double r = in.f64();
    AcGeVector3d n = in.vector().normal();
    AcGeVector3d start = in.vector();
    double sweep = in.f64();
    if (in.left() >= 4) in.u32();  // arc type (open, chord, pie): the outline is the same
    if (n.isZeroLength() || !(r > 0) || !std::isfinite(r) || !std::isfinite(sweep))
        return skip("degenerate arc");
    AcGeVector3d ref = (start - n * start.dotProduct(n)).normal();
    if (ref.isZeroLength()) ref = n.perpVector();
    // A negative sweep runs clockwise: the same arc counterclockwise from its other end.
    double t0 = 0.0, t1 = sweep;
    if (sweep < 0) {
        t0 = sweep;
        t1 = 0.0;
    }
    // A sweep of a full turn or more draws the whole circle.
    bool whole = std::fabs(sweep) >= kTwoPi;
    Primitive& p = begin(PrimitiveKind::Arc, kCircularArc);
    if (!setConic(p, xf(c), xfv(ref * r), xfv(n.crossProduct(ref) * r), t0, t1, whole, true)) {
        drop();
        skip("arc degenerates under the model transform");
    }
}

void Decoder::arc3p(Payload& in) {
    if (in.left() < 72) return skip("payload too short");
    AcGePoint3d s = xf(in.point()), m = xf(in.point()), e = xf(in.point());
    AcGePoint3d c;
    double r;
    AcGeVector3d n;
    if (!circleFrom3Points(s, m, e, c, r, n)) return skip("points are collinear");
    // n = (m - s) x (e - s): seen from its tip, s -> m -> e runs counterclockwise.
    Primitive& p = begin(PrimitiveKind::Arc, kCircularArc3P);
    p.center = c;
    p.radius = r;
    p.normal = n;
    p.refVector = (s - c).normal();
    p.startAngle = planeAngle(n, s - c);
    p.endAngle = planeAngle(n, e - c);
}

void Decoder::ellipticArc(Payload& in) {
    if (in.left() < 88) return skip("payload too short");
    AcGePoint3d c = in.point();
    AcGeVector3d n = in.vector().normal();
    double major = in.f64(), minor = in.f64(), t0 = in.f64(), t1 = in.f64(), angle = in.f64();
    if (n.isZeroLength() || !(major > 0) || !std::isfinite(major) || !(minor >= 0) ||
        !std::isfinite(minor) || !std::isfinite(t0) || !std::isfinite(t1) || !std::isfinite(angle))
        return skip("degenerate ellipse");
    AcGeMatrix3d toWorld = AcGeMatrix3d::planeToWorld(n);
    AcGeVector3d dir = toWorld * AcGeVector3d(std::cos(angle), std::sin(angle), 0.0);
    AcGeVector3d u = dir * major, v = n.crossProduct(dir) * minor;
    if (t1 < t0) t1 += kTwoPi * std::ceil((t0 - t1) / kTwoPi);
    bool whole = t1 - t0 >= kTwoPi - 1e-12;
    Primitive& p = begin(PrimitiveKind::Ellipse, kEllipticArc);
    if (!setConic(p, xf(c), xfv(u), xfv(v), t0, t1, whole, false)) {
        drop();
        skip("ellipse degenerates under the model transform");
    }
}

void Decoder::polyline(Payload& in, bool withNormal, bool polygon) {
    uint32_t n = in.u32();
    if (!in.ok) return skip("payload too short");
    std::vector<AcGePoint3d> pts;
    if (!points(in, n, pts)) return skip("vertex count does not fit the record");
    AcGeVector3d normal = AcGeVector3d::kZAxis;
    bool hasNormal = false;
    if (withNormal) {
        normal = in.vector();
        if (!in.ok) return skip("normal missing");
        hasNormal = !normal.isZeroLength();
    }
    if (pts.empty()) return skip("no vertices");
    uint32_t type = withNormal ? kPolylineWithNormals : (polygon ? kPolygon : kPolyline);
    Primitive& p = begin(polygon ? PrimitiveKind::Polygon : PrimitiveKind::Polyline, type);
    p.points = std::move(pts);
    p.closed = polygon;
    if (hasNormal) p.normal = transformNormal(matrix_, normal.normal());
    if (polygon && p.points.size() >= 3) {
        // One face for three or four corners, else a fan of triangles from the first corner.
        uint32_t count = static_cast<uint32_t>(p.points.size());
        if (count <= 4) {
            Face f;
            f.corners = static_cast<uint8_t>(count);
            for (uint32_t i = 0; i < 4; ++i)
                f.v[i] = std::min(i, count - 1);
            p.faces.push_back(f);
        } else {
            for (uint32_t i = 1; i + 1 < count; ++i) {
                Face f;
                f.v = {0, i, i + 1, i + 1};
                f.corners = 3;
                if (i > 1) f.invisibleEdges |= 1;          // corner 0 -> 1 lies inside
                if (i + 2 < count) f.invisibleEdges |= 4;  // corner 2 -> 0 lies inside
                p.faces.push_back(f);
            }
        }
    }
}

void Decoder::lwpolyline(Payload& in) {
    uint32_t bytes = in.u32();
    if (!in.ok || bytes > in.left()) return skip("bit-stream length does not fit the record");
    BitReader bs(in.at(), bytes);
    int32_t flags = bs.bitShort();
    double constWidth = 0.0, elevation = 0.0, thickness = 0.0;
    AcGeVector3d normal = AcGeVector3d::kZAxis;
    if (flags & 4) constWidth = bs.bitDouble();
    if (flags & 8) elevation = bs.bitDouble();
    if (flags & 2) thickness = bs.bitDouble();
    if (flags & 1) {
        double x = bs.bitDouble(), y = bs.bitDouble(), z = bs.bitDouble();
        normal.set(x, y, z);
    }
    int64_t nPoints = bs.bitLong();
    int64_t nBulges = (flags & 16) ? bs.bitLong() : 0;
    int64_t nIds = ((flags & 1024) && ctx_.r2010OrLater) ? bs.bitLong() : 0;
    int64_t nWidths = (flags & 32) ? bs.bitLong() : 0;
    if (!bs.ok) return skip("bit stream ends early");
    // Every value takes at least two bits: counts beyond what is left cannot be true.
    int64_t budget = static_cast<int64_t>(bs.bitsLeft() / 2);
    if (nPoints < 0 || nBulges < 0 || nIds < 0 || nWidths < 0 || nPoints > budget ||
        nBulges > budget || nIds > budget || nWidths > budget / 2)
        return skip("counts do not fit the bit stream");
    if (nPoints == 0) return skip("no vertices");
    std::vector<double> xy;
    xy.reserve(static_cast<std::size_t>(nPoints) * 2);
    xy.push_back(bs.raw());
    xy.push_back(bs.raw());
    for (int64_t i = 1; i < nPoints && bs.ok; ++i) {
        double prevX = xy[xy.size() - 2], prevY = xy[xy.size() - 1];
        double x = bs.bitDoubleDefault(prevX);
        double y = bs.bitDoubleDefault(prevY);
        xy.push_back(x);
        xy.push_back(y);
    }
    std::vector<double> bulges;
    for (int64_t i = 0; i < nBulges && bs.ok; ++i)
        bulges.push_back(bs.bitDouble());
    for (int64_t i = 0; i < nIds && bs.ok; ++i)
        bs.bitLong();
    std::vector<double> sw, ew;
    for (int64_t i = 0; i < nWidths && bs.ok; ++i) {
        sw.push_back(bs.bitDouble());
        ew.push_back(bs.bitDouble());
    }
    if (!bs.ok) return skip("bit stream ends early");

    if (normal.isZeroLength()) normal = AcGeVector3d::kZAxis;
    normal.normalize();
    AcGeMatrix3d toWorld = matrix_ * AcGeMatrix3d::planeToWorld(normal);
    Primitive& p = begin(PrimitiveKind::Polyline, kLwPolyline);
    std::size_t n = static_cast<std::size_t>(nPoints);
    p.points.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        p.points.push_back(toWorld * AcGePoint3d(xy[2 * i], xy[2 * i + 1], elevation));
    p.closed = (flags & 512) != 0;
    p.normal = transformNormal(matrix_, normal);
    // Widths grow with the scale of the transform in the polyline's plane.
    double widthScale = (matrix_ * normal.perpVector()).length();
    p.constantWidth = constWidth * widthScale;
    p.elevation = elevation;
    p.ownThickness = thickness;
    if (!bulges.empty()) {
        bulges.resize(n, 0.0);
        p.bulges = std::move(bulges);
    }
    if (!sw.empty()) {
        sw.resize(n, 0.0);
        ew.resize(n, 0.0);
        for (double& w : sw)
            w *= widthScale;
        for (double& w : ew)
            w *= widthScale;
        p.startWidths = std::move(sw);
        p.endWidths = std::move(ew);
    }
}

// Traits of a mesh or shell: per-edge data, per-face data, per-vertex data, each announced by a
// flag word. Face colours, layers and visibility are kept, and edge visibility when asked for;
// the rest is read past. Returns false when the traits do not fit (the geometry is kept all the
// same).
bool Decoder::readTraits(Payload& in, uint64_t edges, uint64_t faceCount, std::vector<Face>& faces,
                         std::vector<uint8_t>& faceVisible, std::vector<uint8_t>* edgeVisible) {
    auto skipWords = [&](uint64_t words) {
        if (words * 4 > in.left()) {
            in.ok = false;
            return false;
        }
        for (uint64_t i = 0; i < words; ++i)
            in.u32();
        return true;
    };
    if (in.left() < 4) return false;
    uint32_t edgeFlags = in.u32();
    if (edgeFlags & 0xFFFF) {
        for (uint32_t bit : {0x1u, 0x2u, 0x4u, 0x20u})
            if ((edgeFlags & bit) && !skipWords(edges)) return false;
        if (edgeFlags & 0x40) {
            if (edges * 4 > in.left()) return false;
            if (edgeVisible) edgeVisible->assign(edges, 1);
            for (uint64_t i = 0; i < edges; ++i) {
                uint32_t v = in.u32();
                if (edgeVisible) (*edgeVisible)[i] = v != 0;
            }
        }
    }
    if (in.left() < 4) return false;
    uint32_t faceFlags = in.u32();
    if (faceFlags & 0xFFFF) {
        auto perFace = [&](auto apply) {
            if (faceCount * 4 > in.left()) {
                in.ok = false;
                return false;
            }
            for (uint64_t i = 0; i < faceCount; ++i)
                apply(i, in.u32());
            return true;
        };
        if ((faceFlags & 0x1) && !perFace([&](uint64_t i, uint32_t v) { faces[i].color = v; }))
            return false;
        if ((faceFlags & 0x2) && !perFace([&](uint64_t i, uint32_t v) { faces[i].layerIndex = v; }))
            return false;
        if ((faceFlags & 0x20) && !skipWords(faceCount)) return false;
        if ((faceFlags & 0x80) && !skipWords(faceCount * 6)) return false;  // normals
        if ((faceFlags & 0x40) &&
            !perFace([&](uint64_t i, uint32_t v) { faceVisible[i] = v != 0; }))
            return false;
    }
    // Vertex traits (normals, orientation) follow; they do not change the faces.
    return in.ok;
}

void Decoder::mesh(Payload& in) {
    uint32_t rows = in.u32(), cols = in.u32();
    if (!in.ok) return skip("payload too short");
    uint64_t count = static_cast<uint64_t>(rows) * cols;
    if (count * 24 > in.left()) return skip("vertex count does not fit the record");
    std::vector<AcGePoint3d> pts;
    points(in, static_cast<uint32_t>(count), pts);
    if (pts.empty()) return skip("no vertices");
    std::vector<Face> faces;
    if (rows >= 2 && cols >= 2) {
        faces.reserve(static_cast<std::size_t>(rows - 1) * (cols - 1));
        for (uint32_t r = 0; r + 1 < rows; ++r)
            for (uint32_t c = 0; c + 1 < cols; ++c) {
                Face f;
                f.corners = 4;
                f.v = {r * cols + c, r * cols + c + 1, (r + 1) * cols + c + 1, (r + 1) * cols + c};
                faces.push_back(f);
            }
    }
    uint64_t edges = static_cast<uint64_t>(rows ? rows - 1 : 0) * cols +
                     static_cast<uint64_t>(cols ? cols - 1 : 0) * rows;
    std::vector<uint8_t> visible(faces.size(), 1);
    readTraits(in, edges, faces.size(), faces, visible, nullptr);
    Primitive& p = begin(PrimitiveKind::Mesh, kMesh);
    p.points = std::move(pts);
    p.meshRows = rows;
    p.meshColumns = cols;
    for (std::size_t i = 0; i < faces.size(); ++i)
        if (visible[i]) p.faces.push_back(faces[i]);
}

void Decoder::shell(Payload& in) {
    uint32_t nv = in.u32();
    if (!in.ok) return skip("payload too short");
    std::vector<AcGePoint3d> pts;
    if (!points(in, nv, pts)) return skip("vertex count does not fit the record");
    if (pts.empty()) return skip("no vertices");
    uint32_t entries = in.u32();
    if (!in.ok || static_cast<uint64_t>(entries) * 4 > in.left())
        return skip("face list does not fit the record");
    std::vector<Face> faces;
    std::vector<uint32_t> loopOfFace;  // the loop each face comes from
    // For each face corner k, the loop edge that runs from it to the next corner, or -1 for an
    // edge inside a fan.
    std::vector<std::array<int64_t, 4>> edgeOfFace;
    uint64_t edges = 0;
    uint32_t loops = 0;
    uint32_t read = 0;
    std::vector<uint32_t> loop;
    while (read < entries) {
        int32_t n = in.i32();
        ++read;
        // A negative count is a hole in the face before it: read past it, it makes no face.
        uint32_t corners =
            n < 0 ? static_cast<uint32_t>(-static_cast<int64_t>(n)) : static_cast<uint32_t>(n);
        if (corners > entries - read) return skip("face runs past the face list");
        loop.clear();
        for (uint32_t i = 0; i < corners; ++i) {
            uint32_t v = in.u32();
            if (v >= nv) return skip("face names a vertex that does not exist");
            loop.push_back(v);
        }
        read += corners;
        edges += corners;
        uint32_t loopIndex = loops++;
        if (n < 3) continue;  // holes, and faces with fewer than three corners
        const int64_t firstEdge = static_cast<int64_t>(edges - corners);
        if (corners <= 4) {
            Face f;
            f.corners = static_cast<uint8_t>(corners);
            for (uint32_t i = 0; i < 4; ++i)
                f.v[i] = loop[std::min(i, corners - 1)];
            faces.push_back(f);
            loopOfFace.push_back(loopIndex);
            edgeOfFace.push_back(
                {firstEdge, firstEdge + 1, firstEdge + 2, corners == 4 ? firstEdge + 3 : -1});
        } else {
            for (uint32_t i = 1; i + 1 < corners; ++i) {
                Face f;
                f.corners = 3;
                f.v = {loop[0], loop[i], loop[i + 1], loop[i + 1]};
                if (i > 1) f.invisibleEdges |= 1;
                if (i + 2 < corners) f.invisibleEdges |= 4;
                faces.push_back(f);
                loopOfFace.push_back(loopIndex);
                edgeOfFace.push_back({i == 1 ? firstEdge : -1, firstEdge + i,
                                      i + 2 == corners ? firstEdge + corners - 1 : -1, -1});
            }
        }
    }
    // Face traits are stored per loop (holes included); each face takes its loop's.
    std::vector<Face> traitFaces(loops);
    std::vector<uint8_t> visible(loops, 1);
    std::vector<uint8_t> edgeVisible;
    if (readTraits(in, edges, loops, traitFaces, visible, &edgeVisible)) {
        std::vector<Face> kept;
        for (std::size_t i = 0; i < faces.size(); ++i) {
            const uint32_t l = loopOfFace[i];
            faces[i].color = traitFaces[l].color;
            faces[i].layerIndex = traitFaces[l].layerIndex;
            if (!edgeVisible.empty())
                for (int k = 0; k < 4; ++k) {
                    int64_t e = edgeOfFace[i][static_cast<std::size_t>(k)];
                    if (e >= 0 && !edgeVisible[static_cast<std::size_t>(e)])
                        faces[i].invisibleEdges =
                            static_cast<uint8_t>(faces[i].invisibleEdges | (1u << k));
                }
            if (visible[l]) kept.push_back(faces[i]);
        }
        faces = std::move(kept);
    }
    Primitive& p = begin(PrimitiveKind::Shell, kShell);
    p.points = std::move(pts);
    p.faces = std::move(faces);
}

void Decoder::setTextFrame(Primitive& p, const AcGePoint3d& pos, const AcGeVector3d& normal,
                           const AcGeVector3d& dir, double height, double width) {
    AcGeVector3d n = normal.normal();
    if (n.isZeroLength()) n = AcGeVector3d::kZAxis;
    AcGeVector3d d = (dir - n * dir.dotProduct(n)).normal();
    if (d.isZeroLength()) d = n.perpVector();
    AcGeVector3d up = n.crossProduct(d);
    AcGeVector3d d2 = xfv(d), up2 = xfv(up);
    p.center = xf(pos);
    p.text.height = height;
    p.text.widthFactor = width;
    p.text.direction = d;
    p.normal = n;
    double ld = d2.length(), lu = up2.length();
    if (ld > 0 && lu > 0 && std::isfinite(ld) && std::isfinite(lu)) {
        p.text.direction = d2 / ld;
        p.text.height = height * lu;
        p.text.widthFactor = width * ld / lu;
        AcGeVector3d n2 = d2.crossProduct(up2).normal();
        if (!n2.isZeroLength()) p.normal = n2;
    }
}

void Decoder::text(Payload& in, bool unicode, bool second) {
    AcGePoint3d pos = in.point();
    AcGeVector3d normal = in.vector(), dir = in.vector();
    if (!in.ok) return skip("payload too short");
    TextData t;
    t.unicode = unicode;
    double height = 0, width = 1;
    if (!second) {
        height = in.f64();
        width = in.f64();
        t.oblique = in.f64();
        if (unicode)
            t.text = dxf::utf16ToUtf8(in.paddedUnicode());
        else
            t.text = narrow(in.paddedString());
    } else {
        std::u16string wide;
        std::string_view bytes;
        if (unicode)
            wide = in.paddedUnicode();
        else
            bytes = in.paddedString();
        in.i32();  // length in characters
        in.i32();  // raw flag
        height = in.f64();
        width = in.f64();
        t.oblique = in.f64();
        t.tracking = in.f64();
        t.backward = in.u32() != 0;
        t.upsideDown = in.u32() != 0;
        t.vertical = in.u32() != 0;
        t.underline = in.u32() != 0;
        t.overline = in.u32() != 0;
        if (unicode) {
            t.bold = in.u32() != 0;
            t.italic = in.u32() != 0;
            t.charset = in.u32();
            t.pitchAndFamily = in.u32();
            t.typeface = dxf::utf16ToUtf8(in.paddedUnicode());
            t.fontFile = dxf::utf16ToUtf8(in.paddedUnicode());
            t.bigFontFile = dxf::utf16ToUtf8(in.paddedUnicode());
            if (in.ok) t.text = dxf::utf16ToUtf8(wide);
        } else {
            t.fontFile = narrow(in.paddedString());
            t.bigFontFile = narrow(in.paddedString());
            if (in.ok) t.text = narrow(bytes);
        }
    }
    if (!in.ok) return skip("payload too short");
    uint32_t type = unicode ? (second ? kUnicodeText2 : kUnicodeText) : (second ? kText2 : kText);
    Primitive& p = begin(PrimitiveKind::Text, type);
    p.text = std::move(t);
    setTextFrame(p, pos, normal, dir, height, width);
}

void Decoder::line(Payload& in, PrimitiveKind kind) {
    if (in.left() < 48) return skip("payload too short");
    AcGePoint3d a = xf(in.point()), b = xf(in.point());
    AcGeVector3d d = (b - a).normal();
    if (d.isZeroLength()) return skip("the two points coincide");
    Primitive& p = begin(kind, kind == PrimitiveKind::Ray ? kRay : kXline);
    p.points = {a, b};
    p.direction = d;
}

// Walks the record heads; calls visit(type, payload, size, index) for each well-framed record.
template <class Visit>
void walk(const uint8_t* data, std::size_t size, DecodedGraphics& out, Visit visit) {
    if (size == 0) return;
    if (size < 8) {
        out.corrupt = true;
        out.message = "buffer of " + std::to_string(size) + " bytes is shorter than its header";
        return;
    }
    out.declaredSize = readU32(data);
    out.declaredCount = readU32(data + 4);
    std::string frameError;
    if (out.declaredSize != size)
        frameError = "header gives " + std::to_string(out.declaredSize) + " bytes, buffer holds " +
                     std::to_string(size);
    std::size_t pos = 8;
    uint32_t index = 0;
    while (pos < size) {
        if (size - pos < 8) {
            if (frameError.empty())
                frameError = "record " + std::to_string(index) + " at byte " + std::to_string(pos) +
                             ": head cut off by the end of the buffer";
            break;
        }
        uint32_t rsize = readU32(data + pos), type = readU32(data + pos + 4);
        if (rsize < 8 || rsize > size - pos) {
            if (frameError.empty())
                frameError = "record " + std::to_string(index) + " at byte " + std::to_string(pos) +
                             ": size " + std::to_string(rsize) +
                             (rsize < 8 ? " is below 8" : " runs past the end of the buffer");
            break;
        }
        ++out.stats.records;
        if (isDrawingRecord(type)) ++out.stats.drawing;
        visit(type, data + pos + 8, static_cast<std::size_t>(rsize) - 8, index);
        pos += rsize;
        ++index;
    }
    if (frameError.empty() && index != out.declaredCount)
        frameError = "header announces " + std::to_string(out.declaredCount) +
                     " records, buffer holds " + std::to_string(index);
    if (!frameError.empty()) {
        out.corrupt = true;
        out.message = frameError;  // the framing fault outranks a record's fault
    }
}

void classify(DecodedGraphics& out) {
    if (out.corrupt)
        out.kind = GraphicsKind::None;
    else if (out.stats.drawing > 0)
        out.kind = GraphicsKind::Full;
    else if (out.stats.extents > 0)
        out.kind = GraphicsKind::BoundingBox;
    else
        out.kind = GraphicsKind::None;
}

}  // namespace

bool isDrawingRecord(uint32_t type) {
    return (type >= kCircle && type <= kRay) || type == kPolylineWithNormals ||
           type == kLwPolyline || type == kUnicodeText || type == kUnicodeText2 ||
           type == kEllipticArc;
}

const char* recordTypeName(uint32_t type) {
    switch (type) {
        case kExtents:
            return "EXTENTS";
        case kCircle:
            return "CIRCLE";
        case kCircle3P:
            return "CIRCLE_3P";
        case kCircularArc:
            return "CIRCULAR_ARC";
        case kCircularArc3P:
            return "CIRCULAR_ARC_3P";
        case kPolyline:
            return "POLYLINE";
        case kPolygon:
            return "POLYGON";
        case kMesh:
            return "MESH";
        case kShell:
            return "SHELL";
        case kText:
            return "TEXT";
        case kText2:
            return "TEXT2";
        case kXline:
            return "XLINE";
        case kRay:
            return "RAY";
        case kAttribColor:
            return "COLOR";
        case kAttribLayer:
            return "LAYER";
        case kAttribLinetype:
            return "LINETYPE";
        case kAttribMarker:
            return "MARKER";
        case kAttribFill:
            return "FILL";
        case kAttribTrueColor:
            return "TRUE_COLOR";
        case kAttribLineweight:
            return "LINEWEIGHT";
        case kAttribLtscale:
            return "LTSCALE";
        case kAttribThickness:
            return "THICKNESS";
        case kAttribPlotStyle:
            return "PLOT_STYLE";
        case kPushClip:
            return "PUSH_CLIP";
        case kPopClip:
            return "POP_CLIP";
        case kPushModelTransform:
            return "PUSH_MODEL_TRANSFORM";
        case kPushModelTransform2:
            return "PUSH_MODEL_TRANSFORM2";
        case kPopModelTransform:
            return "POP_MODEL_TRANSFORM";
        case kPolylineWithNormals:
            return "POLYLINE_WITH_NORMALS";
        case kLwPolyline:
            return "LWPOLYLINE";
        case kAttribMaterial:
            return "MATERIAL";
        case kAttribMapper:
            return "MAPPER";
        case kUnicodeText:
            return "UNICODE_TEXT";
        case kUnicodeText2:
            return "UNICODE_TEXT2";
        case kEllipticArc:
            return "ELLIPTIC_ARC";
        default:
            return "UNKNOWN";
    }
}

const char* kindName(PrimitiveKind kind) {
    switch (kind) {
        case PrimitiveKind::Polyline:
            return "polyline";
        case PrimitiveKind::Polygon:
            return "polygon";
        case PrimitiveKind::Mesh:
            return "mesh";
        case PrimitiveKind::Shell:
            return "shell";
        case PrimitiveKind::Circle:
            return "circle";
        case PrimitiveKind::Arc:
            return "arc";
        case PrimitiveKind::Ellipse:
            return "ellipse";
        case PrimitiveKind::Text:
            return "text";
        case PrimitiveKind::Ray:
            return "ray";
        case PrimitiveKind::Xline:
            return "xline";
    }
    return "?";
}

namespace color {
int aciOf(uint32_t raw) {
    switch (method(raw)) {
        case kByLayer:
            return 256;
        case kByBlock:
            return 0;
        case kAci:
            return static_cast<int>(raw & 0xFF);
        case kForeground:
            return 7;
        default:
            return -1;
    }
}
uint32_t fromAci(uint32_t aci) {
    if (aci == 0) return kByBlock;
    if (aci >= 1 && aci <= 255) return kAci | aci;
    return kByLayer;  // 256, and values no colour index has
}
}  // namespace color

std::optional<int> Attributes::aci() const {
    if (!color) return std::nullopt;
    return color::aciOf(*color);
}

std::optional<uint32_t> Attributes::rgb() const {
    if (!color || color::method(*color) != color::kRgb) return std::nullopt;
    return *color & 0xFFFFFF;
}

DecodedGraphics decodeProxyGraphics(const uint8_t* data, std::size_t size,
                                    const DecodeContext& ctx) {
    DecodedGraphics out;
    // A first walk over the record heads counts the drawing records, so that the pieces are
    // built in place without moving them around as the list grows.
    {
        DecodedGraphics heads;
        walk(data, size, heads, [](uint32_t, const uint8_t*, std::size_t, uint32_t) {});
        out.primitives.reserve(heads.stats.drawing);
    }
    Decoder dec(ctx, out);
    walk(data, size, out,
         [&](uint32_t type, const uint8_t* payload, std::size_t n, uint32_t index) {
             dec.record(type, payload, n, index);
         });
    classify(out);
    return out;
}

GraphicsKind classifyProxyGraphics(const uint8_t* data, std::size_t size) {
    DecodedGraphics out;
    walk(data, size, out, [&](uint32_t type, const uint8_t* payload, std::size_t n, uint32_t) {
        if (type != kExtents || n < 48) return;
        Payload in(payload, n);
        AcGePoint3d a = in.point(), b = in.point();
        if (finite(a) && finite(b)) ++out.stats.extents;
    });
    classify(out);
    return out.kind;
}

std::string resolveLayerIndex(uint32_t index, const std::vector<std::string>& layerNames) {
    return index < layerNames.size() ? layerNames[index] : std::string();
}

std::string resolveLinetypeIndex(uint32_t index, const std::vector<std::string>& linetypeNames) {
    if (index == kLinetypeByLayer) return "ByLayer";
    if (index == kLinetypeByBlock) return "ByBlock";
    uint32_t n = 0;
    for (const std::string& name : linetypeNames) {
        if (platform::equalsAsciiNoCase(name, "ByLayer") ||
            platform::equalsAsciiNoCase(name, "ByBlock"))
            continue;
        if (n++ == index) return name;
    }
    return {};
}

namespace {

void addConicExtents(const AcGePoint3d& c, const AcGeVector3d& u, const AcGeVector3d& v, double t0,
                     double t1, AcDbExtents& ext) {
    conicBounds(c, u, v, t0, t1, [&](const AcGePoint3d& p) { ext.addPoint(p); });
}

void addBulgeExtents(const AcGePoint3d& a, const AcGePoint3d& b, double bulge,
                     const AcGeVector3d& normal, AcDbExtents& ext) {
    BulgeArc arc;
    if (bulgeArc(a, b, bulge, normal, arc)) addConicExtents(arc.c, arc.u, arc.v, arc.t0, arc.t1, ext);
}

std::size_t codePoints(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char ch : s)
        n += (ch & 0xC0) != 0x80;
    return n;
}

}  // namespace

bool addPrimitiveExtents(const Primitive& p, AcDbExtents& ext, double textAdvance) {
    AcDbExtents own;
    switch (p.kind) {
        case PrimitiveKind::Ray:
        case PrimitiveKind::Xline:
            return false;
        case PrimitiveKind::Polyline:
        case PrimitiveKind::Polygon:
        case PrimitiveKind::Mesh:
        case PrimitiveKind::Shell:
            for (const AcGePoint3d& q : p.points)
                own.addPoint(q);
            for (std::size_t i = 0; i < p.bulges.size() && i < p.points.size(); ++i) {
                std::size_t next = i + 1 < p.points.size() ? i + 1 : 0;
                if (next == 0 && !p.closed) break;
                addBulgeExtents(p.points[i], p.points[next], p.bulges[i], p.normal, own);
            }
            break;
        case PrimitiveKind::Circle:
        case PrimitiveKind::Arc: {
            AcGeMatrix3d toWorld = AcGeMatrix3d::planeToWorld(p.normal);
            AcGeVector3d u = toWorld * AcGeVector3d(p.radius, 0, 0);
            AcGeVector3d v = toWorld * AcGeVector3d(0, p.radius, 0);
            double t0 = p.kind == PrimitiveKind::Circle ? 0.0 : p.startAngle;
            double t1 = p.kind == PrimitiveKind::Circle ? 2 * std::numbers::pi : p.endAngle;
            if (t1 < t0) t1 += 2 * std::numbers::pi;
            addConicExtents(p.center, u, v, t0, t1, own);
            break;
        }
        case PrimitiveKind::Ellipse: {
            AcGeVector3d v = p.normal.crossProduct(p.majorAxis) * p.radiusRatio;
            double t1 = p.endParam;
            if (t1 < p.startParam) t1 += 2 * std::numbers::pi;
            addConicExtents(p.center, p.majorAxis, v, p.startParam, t1, own);
            break;
        }
        case PrimitiveKind::Text: {
            AcGeVector3d up = p.normal.crossProduct(p.text.direction).normal();
            double width = static_cast<double>(codePoints(p.text.text)) * p.text.height *
                           p.text.widthFactor * textAdvance;
            AcGeVector3d along = p.text.direction * width, high = up * p.text.height;
            own.addPoint(p.center);
            own.addPoint(p.center + along);
            own.addPoint(p.center + high);
            own.addPoint(p.center + along + high);
            break;
        }
    }
    if (!own.isValid()) return false;
    // A thickness extrudes the piece along its normal.
    double thickness = p.kind == PrimitiveKind::Text ? 0.0 : p.attrs.thickness.value_or(0.0);
    if (p.recordType == kLwPolyline && p.ownThickness != 0.0) thickness = p.ownThickness;
    if (thickness != 0.0 && std::isfinite(thickness)) {
        AcDbExtents moved = own;
        moved.transformBy(AcGeMatrix3d::translation(p.normal * thickness));
        own.addExt(moved);
    }
    // Pieces of finite numbers can still overflow here (a radius near the largest double).
    if (!finite(own.minPoint()) || !finite(own.maxPoint())) return false;
    ext.addExt(own);
    return true;
}

std::optional<AcDbExtents> drawnExtents(const DecodedGraphics& g, double textAdvance) {
    AcDbExtents ext;
    bool any = false;
    for (const Primitive& p : g.primitives)
        any = addPrimitiveExtents(p, ext, textAdvance) || any;
    if (!any || !ext.isValid()) return std::nullopt;
    return ext;
}

GraphicsKind classifyGraphicsBytes(const GraphicsBytes& g) {
    if (!g.present || g.sizeMismatch || g.badHex) return GraphicsKind::None;
    return classifyProxyGraphics(reinterpret_cast<const uint8_t*>(g.bytes.data()), g.bytes.size());
}

// --- GraphicsCollector -----------------------------------------------------------------------

void GraphicsCollector::add(int code, std::string_view value) {
    if (state_ == State::Done) return;
    if (state_ == State::InRun) {
        if (code == 310) {
            std::string err;
            if (!dxf::hexDecode(value, out_.bytes, err) && !out_.badHex) {
                out_.badHex = true;
                out_.message = "310: " + err;
            }
            return;
        }
        state_ = State::Done;
        return;
    }
    if (code == 100) {
        while (!value.empty() && (value.back() == ' ' || value.back() == '\r'))
            value.remove_suffix(1);
        inSubclass_ = value == (proxy_ ? "AcDbProxyEntity" : "AcDbEntity");
        if (state_ == State::AfterSize) state_ = State::Done;
        return;
    }
    if (state_ == State::AfterSize) {
        if (code == 310) {
            out_.present = true;
            state_ = State::InRun;
            add(code, value);
        } else {
            state_ = State::Done;
        }
        return;
    }
    if (inSubclass_ && (code == 92 || code == 160)) {
        out_.sizeCode = code;
        std::string_view v = value;
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
            v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r'))
            v.remove_suffix(1);
        long long n = 0;
        bool neg = !v.empty() && v.front() == '-';
        if (neg || (!v.empty() && v.front() == '+')) v.remove_prefix(1);
        bool numeric = !v.empty() && v.size() <= 18;
        for (char c : v) {
            if (c < '0' || c > '9') {
                numeric = false;
                break;
            }
            n = n * 10 + (c - '0');
        }
        out_.declaredSize = numeric ? (neg ? -n : n) : -1;
        if (!numeric) out_.message = "graphics size is not a number";
        state_ = State::AfterSize;
    }
}

GraphicsBytes GraphicsCollector::finish() {
    state_ = State::Done;
    if (out_.present && (out_.declaredSize < 0 ||
                         static_cast<unsigned long long>(out_.declaredSize) != out_.bytes.size())) {
        out_.sizeMismatch = true;
        if (out_.message.empty())
            out_.message = "size tag gives " + std::to_string(out_.declaredSize) +
                           " bytes, the 310 run holds " + std::to_string(out_.bytes.size());
    }
    return out_;
}

}  // namespace proxygfx
