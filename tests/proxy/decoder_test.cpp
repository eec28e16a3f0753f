// The proxy-graphics decoder on buffers written by hand as the format defines them: every record
// type, the attribute state, model transforms, the lightweight-polyline bit stream, framing
// faults and the graphics kind.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "host/proxy/graphics.h"
#include "tests/proxy/encoder.h"

using namespace proxygfx;
using proxytest::BitWriter;
using proxytest::Buffer;
using proxytest::Record;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kEps = 1e-9;

DecodedGraphics decode(const Buffer& b, const DecodeContext& ctx = {}) {
    return decodeProxyGraphics(b.bytes(), ctx);
}

DecodedGraphics decodeOne(const Record& r, const DecodeContext& ctx = {}) {
    return decode(Buffer().add(r), ctx);
}

void expectPoint(const AcGePoint3d& p, double x, double y, double z, double eps = kEps) {
    EXPECT_NEAR(p.x, x, eps);
    EXPECT_NEAR(p.y, y, eps);
    EXPECT_NEAR(p.z, z, eps);
}
void expectVector(const AcGeVector3d& v, double x, double y, double z, double eps = kEps) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

// A point of a circle or arc at an angle measured as the primitive stores it: in the plane of its
// normal, from that plane's arbitrary-axis x direction.
AcGePoint3d onCircle(const Primitive& p, double angle) {
    return p.center + AcGeMatrix3d::planeToWorld(p.normal) *
                          AcGeVector3d(p.radius * std::cos(angle), p.radius * std::sin(angle), 0);
}
// A point of an ellipse at a parameter.
AcGePoint3d onEllipse(const Primitive& p, double t) {
    AcGeVector3d minor = p.normal.crossProduct(p.majorAxis) * p.radiusRatio;
    return p.center + p.majorAxis * std::cos(t) + minor * std::sin(t);
}

Record line(double x1, double y1, double x2, double y2) {
    return Record(kPolyline).u32(2).pt(x1, y1, 0).pt(x2, y2, 0);
}

Record matrixRecord(const AcGeMatrix3d& m, uint32_t type = kPushModelTransform) {
    Record r(type);
    for (auto& row : m.entry)
        for (double e : row)
            r.f64(e);
    return r;
}

}  // namespace

// --- Framing and the graphics kind ---------------------------------------------------------

TEST(ProxyFraming, EmptyAndHeaderOnlyAreKindNone) {
    auto empty = decodeProxyGraphics(std::string_view{});
    EXPECT_EQ(empty.kind, GraphicsKind::None);
    EXPECT_FALSE(empty.corrupt);

    auto headerOnly = decode(Buffer());
    EXPECT_EQ(headerOnly.kind, GraphicsKind::None);
    EXPECT_FALSE(headerOnly.corrupt) << headerOnly.message;
    EXPECT_EQ(headerOnly.declaredSize, 8u);
}

TEST(ProxyFraming, KindOfExtentsStateAndDrawingRecords) {
    Record ext = Record(kExtents).pt(0, 0, 5).pt(10, 20, 8);
    // Extents alone, and extents with records that draw nothing: a bounding box.
    auto box = decode(Buffer().add(ext));
    EXPECT_EQ(box.kind, GraphicsKind::BoundingBox);
    ASSERT_TRUE(box.extents);
    expectPoint(box.extents->minPoint(), 0, 0, 5);
    expectPoint(box.extents->maxPoint(), 10, 20, 8);
    auto boxWithState = decode(Buffer()
                                   .add(Record(kAttribColor).u32(1))
                                   .add(ext)
                                   .add(Record(kAttribMarker).u32(5))
                                   .add(Record(51).u32(0))
                                   .add(Record(kPushClip))
                                   .add(Record(kPopClip)));
    EXPECT_EQ(boxWithState.kind, GraphicsKind::BoundingBox);
    EXPECT_TRUE(boxWithState.primitives.empty());
    // State records without extents show nothing at all.
    EXPECT_EQ(decode(Buffer().add(Record(kAttribColor).u32(1))).kind, GraphicsKind::None);
    // One drawing record makes it full, with or without extents.
    EXPECT_EQ(decode(Buffer().add(ext).add(line(0, 0, 1, 1))).kind, GraphicsKind::Full);
    EXPECT_EQ(decode(Buffer().add(line(0, 0, 1, 1))).kind, GraphicsKind::Full);
    // Every drawing record type counts.
    for (uint32_t t :
         {2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12u, 13u, 32u, 33u, 36u, 38u, 44u}) {
        EXPECT_TRUE(isDrawingRecord(t)) << t;
        std::string b = Buffer().add(Record(t).u32(0)).bytes();
        EXPECT_EQ(classifyProxyGraphics(reinterpret_cast<const uint8_t*>(b.data()), b.size()),
                  GraphicsKind::Full)
            << t;
    }
    for (uint32_t t : {1u,  14u, 15u, 16u, 17u, 18u, 19u, 20u, 21u, 22u, 23u, 24u,
                       25u, 26u, 27u, 28u, 29u, 30u, 31u, 34u, 35u, 37u, 51u})
        EXPECT_FALSE(isDrawingRecord(t)) << t;
}

TEST(ProxyFraming, CorruptFramingIsKindNoneWithAMessage) {
    std::string good = Buffer().add(line(0, 0, 1, 0)).add(line(1, 0, 1, 1)).bytes();
    auto check = [](std::string bytes, const char* fragment, size_t decodedPrimitives) {
        auto g = decodeProxyGraphics(bytes);
        EXPECT_TRUE(g.corrupt) << fragment;
        EXPECT_EQ(g.kind, GraphicsKind::None) << fragment;
        EXPECT_NE(g.message.find(fragment), std::string::npos) << g.message;
        EXPECT_EQ(g.primitives.size(), decodedPrimitives) << fragment;
        EXPECT_EQ(
            classifyProxyGraphics(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
            GraphicsKind::None);
    };
    // Header size not the buffer size (both ways).
    std::string s = good;
    s[0] = static_cast<char>(s[0] + 1);
    check(s, "header gives", 2);
    check(good + std::string(4, '\0'), "header gives", 2);
    // Record count not the number of records.
    s = good;
    s[4] = 3;
    check(s, "announces 3 records", 2);
    // A record size below its own head.
    s = good;
    s[8] = 7;
    s[9] = s[10] = s[11] = 0;
    check(s, "below 8", 0);
    // A record running past the end: the records before it are still decoded.
    s = good;
    std::size_t second = 8 + 8 + 4 + 48;
    s[second] = static_cast<char>(0xF0);
    check(s, "runs past the end", 1);
    // A truncated buffer.
    check(good.substr(0, good.size() - 3), "header gives", 1);
    check(good.substr(0, 5), "shorter than its header", 0);
    // A record head cut off.
    std::string headCut = good + std::string(4, '\0');
    uint32_t total = static_cast<uint32_t>(headCut.size());
    std::memcpy(headCut.data(), &total, 4);
    check(headCut, "head cut off", 2);
}

TEST(ProxyFraming, UnalignedRecordsAndUnknownTypes) {
    // Records of odd sizes (real lightweight-polyline records are 53 bytes) put the next record
    // at an odd offset; unknown types are passed over without counting as skipped.
    Record odd(kAttribMarker);
    odd.u32(7).bytes("x");  // one byte more than the marker needs
    auto g = decode(
        Buffer().add(odd).add(Record(37)).add(Record(999).u32(1).u32(2)).add(line(0, 0, 3, 4)));
    ASSERT_FALSE(g.corrupt) << g.message;
    ASSERT_EQ(g.primitives.size(), 1u);
    EXPECT_EQ(g.primitives[0].attrs.marker, 7);
    EXPECT_EQ(g.primitives[0].recordIndex, 3u);
    EXPECT_EQ(g.skipped, 0u);
    EXPECT_EQ(g.stats.unknown, 2u);
    EXPECT_EQ(g.stats.records, 4u);
    EXPECT_STREQ(recordTypeName(999), "UNKNOWN");
    EXPECT_STREQ(recordTypeName(kUnicodeText2), "UNICODE_TEXT2");
}

// --- Drawing records ----------------------------------------------------------------------

TEST(ProxyRecords, CircleByCentreAndByThreePoints) {
    auto g = decode(Buffer()
                        .add(Record(kCircle).pt(1, 2, 3).f64(4).pt(0, 0, 1))
                        .add(Record(kCircle).pt(0, 0, 0).f64(1).pt(1, 0, 0))
                        .add(Record(kCircle3P).pt(1, 0, 0).pt(0, 1, 0).pt(-1, 0, 0))
                        .add(Record(kCircle3P).pt(0, 0, 0).pt(1, 1, 1).pt(2, 2, 2))
                        .add(Record(kCircle).pt(0, 0, 0).f64(0).pt(0, 0, 1)));
    ASSERT_EQ(g.primitives.size(), 3u);
    const Primitive& c = g.primitives[0];
    EXPECT_EQ(c.kind, PrimitiveKind::Circle);
    expectPoint(c.center, 1, 2, 3);
    EXPECT_NEAR(c.radius, 4, kEps);
    expectVector(c.normal, 0, 0, 1);
    expectVector(g.primitives[1].normal, 1, 0, 0);
    const Primitive& c3 = g.primitives[2];
    EXPECT_EQ(c3.kind, PrimitiveKind::Circle);
    EXPECT_EQ(c3.recordType, kCircle3P);
    expectPoint(c3.center, 0, 0, 0);
    EXPECT_NEAR(c3.radius, 1, kEps);
    expectVector(c3.normal, 0, 0, 1);
    // Collinear points, and a radius of 0, give no circle: skipped and counted.
    EXPECT_EQ(g.skipped, 2u);
    EXPECT_NE(g.message.find("CIRCLE_3P"), std::string::npos) << g.message;
}

TEST(ProxyRecords, ArcByCentreStartVectorAndSweep) {
    auto g = decode(
        Buffer()
            // From (1,2)+(0,2) a quarter turn counterclockwise to (1,2)+(-2,0).
            .add(
                Record(kCircularArc).pt(1, 2, 0).f64(2).pt(0, 0, 1).pt(0, 1, 0).f64(kPi / 2).u32(0))
            // The same arc drawn clockwise from its other end.
            .add(Record(kCircularArc)
                     .pt(1, 2, 0)
                     .f64(2)
                     .pt(0, 0, 1)
                     .pt(-1, 0, 0)
                     .f64(-kPi / 2)
                     .u32(0))
            // About -Z: seen from above it runs clockwise.
            .add(Record(kCircularArc)
                     .pt(0, 0, 0)
                     .f64(1)
                     .pt(0, 0, -1)
                     .pt(1, 0, 0)
                     .f64(kPi / 2)
                     .u32(0))
            // A sweep of a full turn is a whole circle.
            .add(Record(kCircularArc)
                     .pt(0, 0, 0)
                     .f64(1)
                     .pt(0, 0, 1)
                     .pt(1, 0, 0)
                     .f64(2 * kPi)
                     .u32(0)));
    ASSERT_EQ(g.primitives.size(), 4u) << g.message;
    for (int i = 0; i < 2; ++i) {
        const Primitive& a = g.primitives[i];
        EXPECT_EQ(a.kind, PrimitiveKind::Arc);
        EXPECT_NEAR(a.radius, 2, kEps);
        EXPECT_NEAR(a.startAngle, kPi / 2, kEps) << i;
        EXPECT_NEAR(a.endAngle, kPi, kEps) << i;
        expectPoint(onCircle(a, a.startAngle), 1, 4, 0);
        expectPoint(onCircle(a, a.endAngle), -1, 2, 0);
    }
    const Primitive& down = g.primitives[2];
    expectVector(down.normal, 0, 0, -1);
    expectPoint(onCircle(down, down.startAngle), 1, 0, 0);
    expectPoint(onCircle(down, down.endAngle), 0, -1, 0);
    // Midway (counterclockwise about the normal) lies between them, below the x axis.
    expectPoint(onCircle(down, down.startAngle + kPi / 4), std::sqrt(0.5), -std::sqrt(0.5), 0);
    EXPECT_EQ(g.primitives[3].kind, PrimitiveKind::Circle);
}

TEST(ProxyRecords, ArcThroughThreePointsKeepsItsDirection) {
    auto g = decode(Buffer()
                        .add(Record(kCircularArc3P).pt(1, 0, 0).pt(0, 1, 0).pt(-1, 0, 0).u32(0))
                        .add(Record(kCircularArc3P).pt(1, 0, 0).pt(0, -1, 0).pt(-1, 0, 0).u32(0)));
    ASSERT_EQ(g.primitives.size(), 2u);
    for (const Primitive& a : g.primitives) {
        EXPECT_EQ(a.kind, PrimitiveKind::Arc);
        EXPECT_NEAR(a.radius, 1, kEps);
        expectPoint(a.center, 0, 0, 0);
        expectPoint(onCircle(a, a.startAngle), 1, 0, 0);
        expectPoint(onCircle(a, a.endAngle), -1, 0, 0);
    }
    // Through (0,1): counterclockwise seen from +Z; through (0,-1): the normal flips.
    expectVector(g.primitives[0].normal, 0, 0, 1);
    expectVector(g.primitives[1].normal, 0, 0, -1);
    expectPoint(onCircle(g.primitives[1], g.primitives[1].startAngle + kPi / 2), 0, -1, 0);
}

TEST(ProxyRecords, EllipticArc) {
    // Major axis at 90 degrees in the plane, radii 2 and 1, half of it.
    auto g = decodeOne(
        Record(kEllipticArc).pt(5, 5, 0).pt(0, 0, 1).f64(2).f64(1).f64(0).f64(kPi).f64(kPi / 2));
    ASSERT_EQ(g.primitives.size(), 1u) << g.message;
    const Primitive& e = g.primitives[0];
    EXPECT_EQ(e.kind, PrimitiveKind::Ellipse);
    expectVector(e.majorAxis, 0, 2, 0);
    EXPECT_NEAR(e.radiusRatio, 0.5, kEps);
    expectPoint(onEllipse(e, e.startParam), 5, 7, 0);
    expectPoint(onEllipse(e, e.endParam), 5, 3, 0);
    expectPoint(onEllipse(e, (e.startParam + e.endParam) / 2), 4, 5, 0);
}

TEST(ProxyRecords, PolylinesPolygonsAndPoints) {
    auto g =
        decode(Buffer()
                   .add(Record(kPolyline).u32(3).pt(0, 0, 0).pt(1, 0, 1).pt(1, 1, 2))
                   .add(Record(kPolyline).u32(1).pt(7, 8, 9))
                   .add(Record(kPolylineWithNormals).u32(2).pt(0, 0, 0).pt(0, 1, 0).pt(1, 0, 0))
                   .add(Record(kPolygon).u32(4).pt(0, 0, 0).pt(1, 0, 0).pt(1, 1, 0).pt(0, 1, 0))
                   .add(Record(kPolygon)
                            .u32(6)
                            .pt(0, 0, 0)
                            .pt(2, 0, 0)
                            .pt(3, 1, 0)
                            .pt(2, 2, 0)
                            .pt(0, 2, 0)
                            .pt(-1, 1, 0))
                   .add(Record(kPolygon).u32(3).pt(0, 0, 0).pt(1, 0, 0).pt(0, 1, 0)));
    ASSERT_EQ(g.primitives.size(), 6u) << g.message;
    const Primitive& pl = g.primitives[0];
    EXPECT_EQ(pl.kind, PrimitiveKind::Polyline);
    EXPECT_FALSE(pl.closed);
    ASSERT_EQ(pl.points.size(), 3u);
    expectPoint(pl.points[2], 1, 1, 2);
    EXPECT_TRUE(pl.faces.empty());
    ASSERT_EQ(g.primitives[1].points.size(), 1u);  // a point
    expectVector(g.primitives[2].normal, 1, 0, 0);
    EXPECT_EQ(g.primitives[2].recordType, kPolylineWithNormals);

    const Primitive& quad = g.primitives[3];
    EXPECT_EQ(quad.kind, PrimitiveKind::Polygon);
    EXPECT_TRUE(quad.closed);
    ASSERT_EQ(quad.faces.size(), 1u);
    EXPECT_EQ(quad.faces[0].corners, 4);
    EXPECT_EQ(quad.faces[0].v, (std::array<uint32_t, 4>{0, 1, 2, 3}));
    EXPECT_EQ(quad.faces[0].invisibleEdges, 0);

    // Six corners: a fan of four triangles whose inner edges are invisible.
    const Primitive& hex = g.primitives[4];
    ASSERT_EQ(hex.faces.size(), 4u);
    EXPECT_EQ(hex.faces[0].v, (std::array<uint32_t, 4>{0, 1, 2, 2}));
    EXPECT_EQ(hex.faces[0].invisibleEdges, 4);  // 2 -> 0 lies inside
    EXPECT_EQ(hex.faces[1].invisibleEdges, 5);  // 0 -> 2 and 3 -> 0
    EXPECT_EQ(hex.faces[3].v, (std::array<uint32_t, 4>{0, 4, 5, 5}));
    EXPECT_EQ(hex.faces[3].invisibleEdges, 1);  // 0 -> 4 lies inside

    const Primitive& tri = g.primitives[5];
    ASSERT_EQ(tri.faces.size(), 1u);
    EXPECT_EQ(tri.faces[0].corners, 3);
    EXPECT_EQ(tri.faces[0].v, (std::array<uint32_t, 4>{0, 1, 2, 2}));
}

TEST(ProxyRecords, MeshWithFaceTraits) {
    // 2 rows x 3 columns: 2 faces, 7 edges. Face colours and visibility stored as traits.
    Record mesh(kMesh);
    mesh.u32(2).u32(3);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            mesh.pt(c, r, r * c);
    Record plain = mesh;
    plain.u32(0).u32(0).u32(0);  // no edge, face or vertex traits
    mesh.u32(0x1);               // edge colours
    for (int i = 0; i < 7; ++i)
        mesh.u32(10 + i);
    mesh.u32(0x1 | 0x40);  // face colours and visibility
    mesh.u32(3).u32(4);
    mesh.u32(1).u32(0);
    mesh.u32(0);
    auto g = decode(Buffer().add(plain).add(mesh));
    ASSERT_EQ(g.primitives.size(), 2u) << g.message;
    const Primitive& m = g.primitives[0];
    EXPECT_EQ(m.kind, PrimitiveKind::Mesh);
    EXPECT_EQ(m.meshRows, 2u);
    EXPECT_EQ(m.meshColumns, 3u);
    ASSERT_EQ(m.points.size(), 6u);
    expectPoint(m.points[5], 2, 1, 2);
    ASSERT_EQ(m.faces.size(), 2u);
    EXPECT_EQ(m.faces[0].v, (std::array<uint32_t, 4>{0, 1, 4, 3}));
    EXPECT_EQ(m.faces[1].v, (std::array<uint32_t, 4>{1, 2, 5, 4}));
    const Primitive& t = g.primitives[1];
    ASSERT_EQ(t.faces.size(), 1u);  // the second face is invisible
    EXPECT_EQ(t.faces[0].color, 3u);

    // Traits cut short: the geometry stays.
    Record cut(kMesh);
    cut.u32(2).u32(2).pt(0, 0, 0).pt(1, 0, 0).pt(0, 1, 0).pt(1, 1, 0).u32(0x1);
    auto c = decodeOne(cut);
    ASSERT_EQ(c.primitives.size(), 1u);
    EXPECT_EQ(c.primitives[0].faces.size(), 1u);
    EXPECT_EQ(c.skipped, 0u);
}

TEST(ProxyRecords, ShellFacesHolesAndFans) {
    Record shell(kShell);
    shell.u32(7);
    shell.pt(0, 0, 0).pt(4, 0, 0).pt(4, 4, 0).pt(0, 4, 0).pt(1, 1, 0).pt(2, 1, 0).pt(1, 2, 0);
    // Face list: a quad with a triangular hole, a triangle, a pentagon (fanned).
    shell.u32(5 + 4 + 4 + 6);
    shell.i32(4).u32(0).u32(1).u32(2).u32(3);
    shell.i32(-3).u32(4).u32(5).u32(6);
    shell.i32(3).u32(0).u32(1).u32(4);
    shell.i32(5).u32(0).u32(1).u32(2).u32(3).u32(4);
    shell.u32(0);                                 // edge traits
    shell.u32(0x2).u32(7).u32(8).u32(9).u32(10);  // a layer per loop, the hole's included
    shell.u32(0);
    auto g = decodeOne(shell);
    ASSERT_EQ(g.primitives.size(), 1u) << g.message;
    const Primitive& s = g.primitives[0];
    EXPECT_EQ(s.kind, PrimitiveKind::Shell);
    ASSERT_EQ(s.points.size(), 7u);
    ASSERT_EQ(s.faces.size(), 1u + 1u + 3u);
    EXPECT_EQ(s.faces[0].corners, 4);
    EXPECT_EQ(s.faces[0].layerIndex, 7u);
    EXPECT_EQ(s.faces[1].v, (std::array<uint32_t, 4>{0, 1, 4, 4}));
    EXPECT_EQ(s.faces[1].layerIndex, 9u);
    for (int i = 2; i < 5; ++i)
        EXPECT_EQ(s.faces[i].layerIndex, 10u);
    EXPECT_EQ(s.faces[2].v, (std::array<uint32_t, 4>{0, 1, 2, 2}));
    EXPECT_EQ(s.faces[4].v, (std::array<uint32_t, 4>{0, 3, 4, 4}));

    // A face naming a vertex that does not exist, or running past the face list: skipped.
    Record bad(kShell);
    bad.u32(3).pt(0, 0, 0).pt(1, 0, 0).pt(0, 1, 0).u32(4).i32(3).u32(0).u32(1).u32(3);
    Record past(kShell);
    past.u32(3).pt(0, 0, 0).pt(1, 0, 0).pt(0, 1, 0).u32(3).i32(3).u32(0).u32(1).u32(2);
    Record minCount(kShell);
    minCount.u32(3).pt(0, 0, 0).pt(1, 0, 0).pt(0, 1, 0).u32(1).i32(INT32_MIN);
    auto b = decode(Buffer().add(bad).add(past).add(minCount));
    EXPECT_TRUE(b.primitives.empty());
    EXPECT_EQ(b.skipped, 3u);
    EXPECT_FALSE(b.corrupt);
}

TEST(ProxyRecords, ShellEdgeVisibility) {
    // Edge traits as real shells store them: flags 0x60, a marker and a visibility word per edge,
    // edges in loop order. A quad with its second edge hidden, a pentagon with its third.
    Record shell(kShell);
    shell.u32(5).pt(0, 0, 0).pt(2, 0, 0).pt(3, 1, 0).pt(2, 2, 0).pt(0, 2, 0);
    shell.u32(5 + 6).i32(4).u32(0).u32(1).u32(3).u32(4).i32(5).u32(0).u32(1).u32(2).u32(3).u32(4);
    shell.u32(0x60);
    for (int i = 0; i < 9; ++i)
        shell.u32(i + 1);  // markers
    for (int v : {1, 0, 1, 1, 1, 1, 0, 1, 1})
        shell.u32(v);  // visibility
    shell.u32(0).u32(0);
    auto g = decodeOne(shell);
    ASSERT_EQ(g.primitives.size(), 1u) << g.message;
    const auto& f = g.primitives[0].faces;
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0].invisibleEdges, 2);
    // The pentagon's fan: (0,1,2) (0,2,3) (0,3,4); its edge 2 -> 3 is hidden.
    EXPECT_EQ(f[1].invisibleEdges, 4);
    EXPECT_EQ(f[2].invisibleEdges, 1 | 2 | 4);
    EXPECT_EQ(f[3].invisibleEdges, 1);
}

TEST(ProxyRecords, NarrowTextsUseTheDrawingCodePage) {
    // "Привет" in code page 1251.
    const std::string cp1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
    Record text(kText);
    text.pt(1, 2, 0).pt(0, 0, 1).pt(0, 1, 0).f64(2.5).f64(0.8).f64(0.25).str(cp1251);
    Record text2(kText2);
    text2.pt(0, 0, 0)
        .pt(0, 0, 1)
        .pt(1, 0, 0)
        .str("AB")
        .i32(2)
        .i32(0)
        .f64(3)
        .f64(1)
        .f64(0)
        .f64(100)
        .u32(1)
        .u32(0)
        .u32(0)
        .u32(1)
        .u32(0)
        .str("txt")
        .str("bigfont.shx");
    DecodeContext ctx;
    ctx.codec = dxf::TextCodec{dxf::Encoding::Cp1251, {}};
    auto g = decode(Buffer().add(text).add(text2), ctx);
    ASSERT_EQ(g.primitives.size(), 2u) << g.message;
    const Primitive& t = g.primitives[0];
    EXPECT_EQ(t.kind, PrimitiveKind::Text);
    EXPECT_EQ(t.text.text, "Привет");
    EXPECT_FALSE(t.text.unicode);
    expectPoint(t.center, 1, 2, 0);
    expectVector(t.text.direction, 0, 1, 0);
    EXPECT_DOUBLE_EQ(t.text.height, 2.5);
    EXPECT_DOUBLE_EQ(t.text.widthFactor, 0.8);
    EXPECT_DOUBLE_EQ(t.text.oblique, 0.25);
    const Primitive& t2 = g.primitives[1];
    EXPECT_EQ(t2.text.text, "AB");
    EXPECT_DOUBLE_EQ(t2.text.height, 3);
    EXPECT_DOUBLE_EQ(t2.text.tracking, 100);
    EXPECT_TRUE(t2.text.backward);
    EXPECT_TRUE(t2.text.underline);
    EXPECT_FALSE(t2.text.upsideDown);
    EXPECT_EQ(t2.text.fontFile, "txt");
    EXPECT_EQ(t2.text.bigFontFile, "bigfont.shx");

    // A caller-supplied decoder replaces the code page.
    ctx.decodeNarrow = [](std::string_view b) {
        std::string out(1, '<');
        out.append(b);
        out.push_back('>');
        return out;
    };
    auto h = decode(Buffer().add(text2), ctx);
    ASSERT_EQ(h.primitives.size(), 1u);
    EXPECT_EQ(h.primitives[0].text.text, "<AB>");
    // The default code page is 1252; bytes it leaves undefined survive as U+DC80 + byte.
    auto d = decodeOne(
        Record(kText).pt(0, 0, 0).pt(0, 0, 1).pt(1, 0, 0).f64(1).f64(1).f64(0).str("\xE9\x81"));
    ASSERT_EQ(d.primitives.size(), 1u);
    EXPECT_EQ(d.primitives[0].text.text, "é\xED\xB2\x81");
}

TEST(ProxyRecords, UnicodeTexts) {
    // "LEADER" takes 14 bytes with its terminator, then 2 bytes of padding.
    Record u2(kUnicodeText2);
    u2.pt(10, 20, 0)
        .pt(0, 0, 1)
        .pt(1, 0, 0)
        .ustr(u"LEADER")
        .i32(6)
        .i32(0)
        .f64(2.5)
        .f64(1)
        .f64(0)
        .f64(100)
        .u32(0)
        .u32(1)
        .u32(0)
        .u32(0)
        .u32(1)
        .u32(1)
        .u32(0)
        .u32(204)
        .u32(34)
        .ustr(u"Arial")
        .ustr(u"arial.ttf")
        .ustr(u"");
    EXPECT_EQ(u2.payload().size(), 72u + 16u + 8u + 32u + 20u + 16u + 12u + 20u + 4u);
    Record u1(kUnicodeText);
    u1.pt(0, 0, 0).pt(0, 0, 1).pt(1, 0, 0).f64(1).f64(1).f64(0).ustr(u"Ж\U0001F600");
    auto g = decode(Buffer().add(u2).add(u1));
    ASSERT_EQ(g.primitives.size(), 2u) << g.message;
    const TextData& t = g.primitives[0].text;
    EXPECT_EQ(t.text, "LEADER");
    EXPECT_TRUE(t.unicode);
    EXPECT_TRUE(t.bold);
    EXPECT_FALSE(t.italic);
    EXPECT_TRUE(t.upsideDown);
    EXPECT_TRUE(t.overline);
    EXPECT_EQ(t.charset, 204u);
    EXPECT_EQ(t.pitchAndFamily, 34u);
    EXPECT_EQ(t.typeface, "Arial");
    EXPECT_EQ(t.fontFile, "arial.ttf");
    EXPECT_EQ(t.bigFontFile, "");
    EXPECT_EQ(g.primitives[1].text.text, "Ж\U0001F600");
    // A string without its terminator cannot be read: skipped.
    Record cut(kUnicodeText);
    cut.pt(0, 0, 0).pt(0, 0, 1).pt(1, 0, 0).f64(1).f64(1).f64(0).bytes("A\0B");
    auto c = decodeOne(cut);
    EXPECT_TRUE(c.primitives.empty());
    EXPECT_EQ(c.skipped, 1u);
}

TEST(ProxyRecords, RaysAndConstructionLines) {
    auto g = decode(Buffer()
                        .add(Record(kRay).pt(1, 1, 0).pt(4, 5, 0))
                        .add(Record(kXline).pt(0, 0, 0).pt(0, 0, 2))
                        .add(Record(kRay).pt(1, 1, 0).pt(1, 1, 0)));
    ASSERT_EQ(g.primitives.size(), 2u);
    EXPECT_EQ(g.primitives[0].kind, PrimitiveKind::Ray);
    expectPoint(g.primitives[0].points[0], 1, 1, 0);
    expectVector(g.primitives[0].direction, 0.6, 0.8, 0);
    EXPECT_EQ(g.primitives[1].kind, PrimitiveKind::Xline);
    expectVector(g.primitives[1].direction, 0, 0, 1);
    EXPECT_EQ(g.skipped, 1u);  // no direction between equal points
}

// --- The lightweight-polyline bit stream -----------------------------------------------------

namespace {
Record lwRecord(const BitWriter& bits) {
    Record r(kLwPolyline);
    r.u32(static_cast<uint32_t>(bits.bytes().size()))
        .bytes(bits.bytes())
        .bytes(std::string(3, '\0'));
    return r;
}
}  // namespace

TEST(ProxyLwPolyline, ClosedSquareFlags512) {
    // Flags 512 (closed), as the closed squares of real multileader data: four points, the first
    // as raw doubles and the rest as changes to the previous point.
    BitWriter w;
    w.bsFull(512).bl(4).raw(10.0).raw(20.0);
    double pts[4][2] = {{10, 20}, {12.5, 20}, {12.5, 22.5}, {10, 22.5}};
    for (int i = 1; i < 4; ++i)
        w.ddAuto(pts[i][0], pts[i - 1][0]).ddAuto(pts[i][1], pts[i - 1][1]);
    auto g = decodeOne(lwRecord(w));
    ASSERT_EQ(g.primitives.size(), 1u) << g.message;
    const Primitive& p = g.primitives[0];
    EXPECT_EQ(p.kind, PrimitiveKind::Polyline);
    EXPECT_EQ(p.recordType, kLwPolyline);
    EXPECT_TRUE(p.closed);
    ASSERT_EQ(p.points.size(), 4u);
    for (int i = 0; i < 4; ++i)
        expectPoint(p.points[i], pts[i][0], pts[i][1], 0);
    EXPECT_TRUE(p.bulges.empty());
    EXPECT_TRUE(p.startWidths.empty());
}

TEST(ProxyLwPolyline, DotArrowFlags532WithBulgesAndConstantWidth) {
    // Flags 532 = closed + bulges + constant width: the dot arrowhead of a multileader, two
    // half circles.
    BitWriter w;
    w.bsFull(532).bd(0.25).bl(2).bl(2).raw(-0.125).raw(3.0).dd(0.125, -0.125, 3).dd(3.0, 3.0, 0);
    w.bd(1.0).bd(1.0);
    auto g = decodeOne(lwRecord(w));
    ASSERT_EQ(g.primitives.size(), 1u) << g.message;
    const Primitive& p = g.primitives[0];
    EXPECT_TRUE(p.closed);
    EXPECT_DOUBLE_EQ(p.constantWidth, 0.25);
    ASSERT_EQ(p.points.size(), 2u);
    expectPoint(p.points[0], -0.125, 3, 0);
    expectPoint(p.points[1], 0.125, 3, 0);
    ASSERT_EQ(p.bulges.size(), 2u);
    EXPECT_DOUBLE_EQ(p.bulges[0], 1.0);
    EXPECT_DOUBLE_EQ(p.bulges[1], 1.0);
}

TEST(ProxyLwPolyline, AllOptionalFieldsAndEveryValueForm) {
    // Normal (0,0,-1), elevation 2, thickness 3, widths, vertex ids; BS and BL in their short
    // forms, DD in all four forms. Six-byte DD changes bytes 0-5 of the default only: a value close
    // to it.
    const uint64_t nearOneBits = 0x3FF0123456789ABCull;
    double nearOne;
    std::memcpy(&nearOne, &nearOneBits, sizeof nearOne);
    BitWriter w;
    w.bs(4 | 8 | 2 | 1 | 16 | 32 | 1024).bd(0.0).bd(2.0).bd(3.0).bd(0.0).bd(0.0).bd(-1.0);
    w.bl(3).bl(3).bl(3).bl(3);
    w.raw(1.0).raw(1.0);
    w.dd(1.0, 1.0, 0).dd(5.0, 1.0, 3);      // (1, 5)
    w.dd(nearOne, 1.0, 2).dd(5.0, 5.0, 1);  // (nearOne, 5)
    w.bd(0.0).bd(0.5).bd(-1.0);             // bulges
    w.bl(1).bl(2).bl(300);                  // vertex ids
    w.bd(0.1).bd(0.2).bd(1.0).bd(0.0).bd(0.0).bd(0.3);
    auto g = decodeOne(lwRecord(w));
    ASSERT_EQ(g.primitives.size(), 1u) << g.message;
    const Primitive& p = g.primitives[0];
    EXPECT_FALSE(p.closed);
    // The plane of (0,0,-1): its x axis is world -x, so (1,1) at elevation 2 is (-1, 1, -2).
    expectVector(p.normal, 0, 0, -1);
    ASSERT_EQ(p.points.size(), 3u);
    expectPoint(p.points[0], -1, 1, -2);
    expectPoint(p.points[1], -1, 5, -2);
    expectPoint(p.points[2], -nearOne, 5, -2);
    EXPECT_DOUBLE_EQ(p.elevation, 2.0);
    EXPECT_DOUBLE_EQ(p.ownThickness, 3.0);
    EXPECT_EQ(p.bulges, (std::vector<double>{0.0, 0.5, -1.0}));
    EXPECT_EQ(p.startWidths, (std::vector<double>{0.1, 1.0, 0.0}));
    EXPECT_EQ(p.endWidths, (std::vector<double>{0.2, 0.0, 0.3}));

    // Drawings before release 2010 store no vertex ids: the same flags there misread the stream
    // and the decoder must only survive it.
    DecodeContext old;
    old.r2010OrLater = false;
    auto o = decodeOne(lwRecord(w), old);
    EXPECT_FALSE(o.corrupt);
}

TEST(ProxyLwPolyline, StreamsThatDoNotAddUp) {
    auto skippedOnly = [](const Record& r) {
        auto g = decodeOne(r);
        EXPECT_TRUE(g.primitives.empty());
        EXPECT_EQ(g.skipped, 1u) << g.message;
        EXPECT_FALSE(g.corrupt);
    };
    BitWriter hugeCount;
    hugeCount.bs(0).bl(0x7FFFFFFF).raw(0).raw(0);
    skippedOnly(lwRecord(hugeCount));
    BitWriter negative;
    negative.bs(16).bl(2).bl(-5).raw(0).raw(0).dd(1, 0, 3).dd(1, 0, 3);
    skippedOnly(lwRecord(negative));
    BitWriter cut;
    cut.bs(0).bl(3).raw(0).raw(0).dd(1, 0, 3);  // the third point is missing
    skippedOnly(lwRecord(cut));
    BitWriter none;
    none.bs(0).bl(0);
    skippedOnly(lwRecord(none));
    // A byte count beyond the record.
    Record longer(kLwPolyline);
    longer.u32(1000).bytes("abc");
    skippedOnly(longer);
}

// --- Attributes ------------------------------------------------------------------------------

TEST(ProxyAttributes, StateAppliesToWhatFollows) {
    auto g = decode(Buffer()
                        .add(line(0, 0, 1, 0))
                        .add(Record(kAttribColor).u32(1))
                        .add(Record(kAttribLayer).u32(3))
                        .add(Record(kAttribLinetype).u32(kLinetypeByLayer))
                        .add(Record(kAttribLineweight).i32(-2))
                        .add(Record(kAttribLtscale).f64(2.5))
                        .add(Record(kAttribThickness).f64(4))
                        .add(Record(kAttribFill).u32(1))
                        .add(Record(kAttribPlotStyle).u32(3).u32(77))
                        .add(Record(kAttribMarker).i32(5001))
                        .add(Record(kAttribMaterial).u32(0x1234).u32(1))
                        .add(line(0, 0, 2, 0))
                        .add(Record(kAttribTrueColor).u32(color::kRgb | 0x102030))
                        .add(Record(kAttribFill).u32(0))
                        .add(line(0, 0, 3, 0))
                        .add(Record(kAttribColor).u32(0))
                        .add(line(0, 0, 4, 0))
                        .add(Record(kAttribTrueColor).u32(color::kAci | 5))
                        .add(line(0, 0, 5, 0))
                        .add(Record(kAttribColor).u32(300))
                        .add(line(0, 0, 6, 0)));
    ASSERT_EQ(g.primitives.size(), 6u) << g.message;
    const Attributes& a0 = g.primitives[0].attrs;
    EXPECT_FALSE(a0.color || a0.layerIndex || a0.linetypeIndex || a0.lineweight ||
                 a0.linetypeScale || a0.thickness || a0.marker || a0.plotStyleType || a0.material);
    EXPECT_FALSE(a0.fill);

    const Attributes& a1 = g.primitives[1].attrs;
    EXPECT_EQ(a1.aci(), 1);
    EXPECT_EQ(a1.layerIndex, 3u);
    EXPECT_EQ(a1.linetypeIndex, kLinetypeByLayer);
    EXPECT_EQ(a1.lineweight, -2);
    EXPECT_EQ(a1.linetypeScale, 2.5);
    EXPECT_EQ(a1.thickness, 4.0);
    EXPECT_TRUE(a1.fill);
    EXPECT_EQ(a1.plotStyleType, 3u);
    EXPECT_EQ(a1.plotStyleId, 77u);
    EXPECT_EQ(a1.marker, 5001);
    EXPECT_EQ(a1.material, 0x100001234ull);

    const Attributes& a2 = g.primitives[2].attrs;
    EXPECT_EQ(a2.rgb(), 0x102030u);
    EXPECT_EQ(a2.aci(), -1);
    EXPECT_FALSE(a2.fill);
    EXPECT_EQ(a2.layerIndex, 3u);               // untouched state carries on
    EXPECT_EQ(g.primitives[3].attrs.aci(), 0);  // BYBLOCK
    EXPECT_EQ(g.primitives[3].attrs.color, color::kByBlock);
    EXPECT_EQ(g.primitives[4].attrs.aci(), 5);
    EXPECT_FALSE(g.primitives[4].attrs.rgb());
    EXPECT_EQ(g.primitives[5].attrs.aci(), 256);  // no such index: BYLAYER
}

TEST(ProxyAttributes, ShortStateRecordsAreSkipped) {
    auto g = decode(Buffer()
                        .add(Record(kAttribColor).bytes("\x01\x00"))
                        .add(Record(kAttribLtscale).u32(1))
                        .add(Record(kPushModelTransform).f64(1))
                        .add(line(0, 0, 1, 0)));
    ASSERT_EQ(g.primitives.size(), 1u);
    EXPECT_FALSE(g.primitives[0].attrs.color);
    EXPECT_FALSE(g.primitives[0].attrs.linetypeScale);
    EXPECT_EQ(g.primitives[0].transformDepth, 0);
    EXPECT_EQ(g.skipped, 3u);
    EXPECT_FALSE(g.corrupt);
    EXPECT_EQ(g.kind, GraphicsKind::Full);
}

TEST(ProxyAttributes, ColourHelpers) {
    EXPECT_EQ(color::aciOf(color::kByLayer), 256);
    EXPECT_EQ(color::aciOf(color::kByBlock), 0);
    EXPECT_EQ(color::aciOf(color::kAci | 42), 42);
    EXPECT_EQ(color::aciOf(color::kForeground), 7);
    EXPECT_EQ(color::aciOf(color::kRgb | 0xFFFFFF), -1);
    EXPECT_EQ(color::aciOf(color::kNone), -1);
    EXPECT_EQ(color::fromAci(256), color::kByLayer);
    EXPECT_EQ(color::fromAci(0), color::kByBlock);
    EXPECT_EQ(color::fromAci(7), color::kAci | 7);
}

TEST(ProxyAttributes, LayerAndLinetypeIndices) {
    std::vector<std::string> layers{"0", "Defpoints", "Walls"};
    EXPECT_EQ(resolveLayerIndex(0, layers), "0");
    EXPECT_EQ(resolveLayerIndex(2, layers), "Walls");
    EXPECT_EQ(resolveLayerIndex(3, layers), "");
    // The linetype index skips the BYBLOCK and BYLAYER records wherever they stand.
    std::vector<std::string> ltypes{"ByBlock", "BYLAYER", "Continuous", "DASHED", "byblock"};
    EXPECT_EQ(resolveLinetypeIndex(0, ltypes), "Continuous");
    EXPECT_EQ(resolveLinetypeIndex(1, ltypes), "DASHED");
    EXPECT_EQ(resolveLinetypeIndex(2, ltypes), "");
    EXPECT_EQ(resolveLinetypeIndex(kLinetypeByLayer, ltypes), "ByLayer");
    EXPECT_EQ(resolveLinetypeIndex(kLinetypeByBlock, ltypes), "ByBlock");
    EXPECT_EQ(resolveLinetypeIndex(0, {}), "");
}

// --- Model transforms ------------------------------------------------------------------------

TEST(ProxyTransforms, RowMajorTranslationAsInRealTables) {
    // A table at (105,145): rows (1,0,0,105), (0,1,0,145), (0,0,1,0), (0,0,0,1).
    double m[16] = {1, 0, 0, 105, 0, 1, 0, 145, 0, 0, 1, 0, 0, 0, 0, 1};
    auto g = decode(Buffer()
                        .add(Record(kPushModelTransform).matrix(m))
                        .add(line(0, 0, 10, 5))
                        .add(Record(kPopModelTransform))
                        .add(line(0, 0, 10, 5)));
    ASSERT_EQ(g.primitives.size(), 2u);
    expectPoint(g.primitives[0].points[0], 105, 145, 0);
    expectPoint(g.primitives[0].points[1], 115, 150, 0);
    EXPECT_EQ(g.primitives[0].transformDepth, 1);
    EXPECT_DOUBLE_EQ(g.primitives[0].transform.entry[0][3], 105);
    expectPoint(g.primitives[1].points[1], 10, 5, 0);
    EXPECT_EQ(g.primitives[1].transformDepth, 0);
}

TEST(ProxyTransforms, NestedPushesMultiply) {
    AcGeMatrix3d outer = AcGeMatrix3d::translation({10, 0, 0});
    AcGeMatrix3d inner = AcGeMatrix3d::rotation(kPi / 2, AcGeVector3d::kZAxis);
    auto g = decode(Buffer()
                        .add(matrixRecord(outer))
                        .add(matrixRecord(inner, kPushModelTransform2))
                        .add(line(1, 0, 2, 0))
                        .add(Record(kPopModelTransform))
                        .add(line(1, 0, 2, 0))
                        .add(Record(kPopModelTransform))
                        .add(line(1, 0, 2, 0)));
    ASSERT_EQ(g.primitives.size(), 3u);
    // Inner first, then outer: (1,0) turns to (0,1), then moves to (10,1).
    expectPoint(g.primitives[0].points[0], 10, 1, 0);
    expectPoint(g.primitives[0].points[1], 10, 2, 0);
    EXPECT_EQ(g.primitives[0].transformDepth, 2);
    expectPoint(g.primitives[1].points[0], 11, 0, 0);
    expectPoint(g.primitives[2].points[0], 1, 0, 0);
    EXPECT_EQ(g.maxTransformDepth, 2);
    EXPECT_EQ(g.unbalancedPops, 0u);
}

TEST(ProxyTransforms, CurvesAndTextsFollowTheTransform) {
    AcGeMatrix3d scale = AcGeMatrix3d::scaling(2.0, AcGePoint3d(1, 1, 0));
    auto g = decode(
        Buffer()
            .add(matrixRecord(scale))
            .add(Record(kCircle).pt(1, 1, 0).f64(1).pt(0, 0, 1))
            .add(Record(kText).pt(2, 1, 0).pt(0, 0, 1).pt(1, 0, 0).f64(1).f64(0.5).f64(0).str("T"))
            .add(Record(kExtents).pt(0, 0, 0).pt(1, 1, 0))
            .add(Record(kEllipticArc)
                     .pt(1, 1, 0)
                     .pt(0, 0, 1)
                     .f64(2)
                     .f64(1)
                     .f64(0)
                     .f64(2 * kPi)
                     .f64(0)));
    ASSERT_EQ(g.primitives.size(), 3u) << g.message;
    EXPECT_EQ(g.primitives[0].kind, PrimitiveKind::Circle);
    expectPoint(g.primitives[0].center, 1, 1, 0);
    EXPECT_NEAR(g.primitives[0].radius, 2, kEps);
    const Primitive& t = g.primitives[1];
    expectPoint(t.center, 3, 1, 0);
    EXPECT_NEAR(t.text.height, 2, kEps);
    EXPECT_NEAR(t.text.widthFactor, 0.5, kEps);
    ASSERT_TRUE(g.extents);
    expectPoint(g.extents->minPoint(), -1, -1, 0);
    expectPoint(g.extents->maxPoint(), 1, 1, 0);
    const Primitive& e = g.primitives[2];
    EXPECT_EQ(e.kind, PrimitiveKind::Ellipse);
    EXPECT_NEAR(e.majorAxis.length(), 4, kEps);
    EXPECT_NEAR(e.endParam - e.startParam, 2 * kPi, kEps);
}

TEST(ProxyTransforms, NonUniformScalingMakesEllipses) {
    AcGeMatrix3d stretch;
    stretch.entry[0][0] = 3.0;  // x three times, y and z unchanged
    auto g = decode(Buffer()
                        .add(matrixRecord(stretch))
                        .add(Record(kCircle).pt(0, 0, 0).f64(1).pt(0, 0, 1))
                        .add(Record(kCircularArc)
                                 .pt(0, 0, 0)
                                 .f64(1)
                                 .pt(0, 0, 1)
                                 .pt(0, 1, 0)
                                 .f64(kPi / 2)
                                 .u32(0)));
    ASSERT_EQ(g.primitives.size(), 2u) << g.message;
    const Primitive& c = g.primitives[0];
    EXPECT_EQ(c.kind, PrimitiveKind::Ellipse);
    EXPECT_NEAR(c.majorAxis.length(), 3, kEps);
    EXPECT_NEAR(std::fabs(c.majorAxis.x), 3, kEps);
    EXPECT_NEAR(c.radiusRatio, 1.0 / 3.0, kEps);
    const Primitive& a = g.primitives[1];
    EXPECT_EQ(a.kind, PrimitiveKind::Ellipse);
    // The quarter from (0,1) to (-1,0) becomes the quarter from (0,1) to (-3,0).
    expectPoint(onEllipse(a, a.startParam), 0, 1, 0);
    expectPoint(onEllipse(a, a.endParam), -3, 0, 0);
    double mid = (a.startParam + a.endParam) / 2;
    if (a.endParam < a.startParam) mid += kPi;
    expectPoint(onEllipse(a, mid), -3 * std::sqrt(0.5), std::sqrt(0.5), 0);
}

TEST(ProxyTransforms, MirroringKeepsArcsOnTheirEnds) {
    AcGeMatrix3d mirror = AcGeMatrix3d::mirroring(AcGePoint3d::kOrigin, AcGeVector3d::kXAxis);
    auto g = decode(Buffer()
                        .add(matrixRecord(mirror))
                        .add(Record(kCircularArc)
                                 .pt(1, 0, 0)
                                 .f64(1)
                                 .pt(0, 0, 1)
                                 .pt(1, 0, 0)
                                 .f64(kPi / 2)
                                 .u32(0)));
    ASSERT_EQ(g.primitives.size(), 1u);
    const Primitive& a = g.primitives[0];
    EXPECT_EQ(a.kind, PrimitiveKind::Arc);
    // (2,0) -> (1,1) becomes (-2,0) -> (-1,1), now clockwise seen from +Z.
    expectVector(a.normal, 0, 0, -1);
    expectPoint(onCircle(a, a.startAngle), -2, 0, 0);
    expectPoint(onCircle(a, a.endAngle), -1, 1, 0);
}

TEST(ProxyTransforms, UnbalancedAndTooDeepStacks) {
    Buffer b;
    b.add(Record(kPopModelTransform));
    DecodeContext ctx;
    ctx.maxTransformDepth = 3;
    AcGeMatrix3d t = AcGeMatrix3d::translation({1, 0, 0});
    for (int i = 0; i < 5; ++i)
        b.add(matrixRecord(t));
    b.add(line(0, 0, 0, 1));
    for (int i = 0; i < 5; ++i)
        b.add(Record(kPopModelTransform));
    b.add(line(0, 0, 0, 1));
    auto g = decode(b, ctx);
    ASSERT_EQ(g.primitives.size(), 2u);
    EXPECT_EQ(g.unbalancedPops, 1u);
    EXPECT_EQ(g.skipped, 2u);  // the pushes beyond the limit
    expectPoint(g.primitives[0].points[0], 3, 0, 0);
    expectPoint(g.primitives[1].points[0], 0, 0, 0);
    EXPECT_EQ(g.maxTransformDepth, 3);
}

// --- Collecting the bytes from a record's tags -------------------------------------------------

namespace {
struct T {
    int code;
    std::string value;
};
}  // namespace

TEST(ProxyCollector, ProxyEntityTakesTheRunAfterItsSizeInAcDbProxyEntity) {
    std::vector<T> tags{{0, "ACAD_PROXY_ENTITY"},
                        {5, "2A"},
                        {100, "AcDbEntity"},
                        {8, "0"},
                        {100, "AcDbProxyEntity"},
                        {90, "498"},
                        {91, "500"},
                        {92, "6"},
                        {310, "010203"},
                        {310, "0a0B0c"},
                        {93, "16"},
                        {310, "FFFF"},
                        {330, "0"},
                        {94, "0"}};
    auto g = collectGraphicsBytes(tags, true);
    EXPECT_TRUE(g.present);
    EXPECT_EQ(g.sizeCode, 92);
    EXPECT_EQ(g.bytes, std::string("\x01\x02\x03\x0a\x0b\x0c"));
    EXPECT_FALSE(g.sizeMismatch);
    // Size 160 (newer files) and a wrong size.
    tags[7] = {160, "5"};
    g = collectGraphicsBytes(tags, true);
    EXPECT_TRUE(g.present);
    EXPECT_EQ(g.sizeCode, 160);
    EXPECT_TRUE(g.sizeMismatch);
    EXPECT_NE(g.message.find("5 bytes"), std::string::npos) << g.message;
    // The same record read as an ordinary entity finds nothing in AcDbEntity.
    EXPECT_FALSE(collectGraphicsBytes(tags, false).present);
}

TEST(ProxyCollector, OrdinaryEntityTakesItFromAcDbEntityOnly) {
    std::vector<T> tags{{0, "ACAD_TABLE"}, {100, "AcDbEntity"}, {8, "0"},
                        {92, "2"},         {310, "ABCD"},       {100, "AcDbBlockReference"},
                        {2, "*T1"},        {100, "AcDbTable"},  {92, "3"},
                        {310, "00"}};
    auto g = collectGraphicsBytes(tags, false);
    EXPECT_TRUE(g.present);
    EXPECT_EQ(g.bytes, std::string("\xAB\xCD"));
    EXPECT_FALSE(g.sizeMismatch);
    // The table's 92 (its column count) is no picture.
    std::vector<T> noGraphics{{0, "ACAD_TABLE"},  {100, "AcDbEntity"}, {8, "0"},
                              {100, "AcDbTable"}, {92, "3"},           {310, "00"}};
    EXPECT_FALSE(collectGraphicsBytes(noGraphics, false).present);
    // A size of 0 with no run after it.
    std::vector<T> zero{{100, "AcDbEntity"}, {92, "0"}, {62, "1"}, {310, "00"}};
    EXPECT_FALSE(collectGraphicsBytes(zero, false).present);
    // Bad hex and a size that is no number are reported.
    std::vector<T> badHex{{100, "AcDbEntity"}, {160, "x"}, {310, "0G"}};
    auto b = collectGraphicsBytes(badHex, false);
    EXPECT_TRUE(b.present);
    EXPECT_TRUE(b.badHex);
    EXPECT_TRUE(b.sizeMismatch);
}

TEST(ProxyCollector, KindOfACollectedPicture) {
    auto tagsOf = [](const std::string& bytes, long long declared) {
        std::string hex;
        for (unsigned char c : bytes) {
            static const char* d = "0123456789ABCDEF";
            hex += d[c >> 4];
            hex += d[c & 15];
        }
        return std::vector<T>{{100, "AcDbEntity"}, {160, std::to_string(declared)}, {310, hex}};
    };
    std::string full = Buffer().add(line(0, 0, 1, 1)).bytes();
    std::string box = Buffer().add(Record(kExtents).pt(0, 0, 0).pt(1, 1, 1)).bytes();
    auto kind = [&](const std::string& b, long long n) {
        return classifyGraphicsBytes(collectGraphicsBytes(tagsOf(b, n), false));
    };
    EXPECT_EQ(kind(full, static_cast<long long>(full.size())), GraphicsKind::Full);
    EXPECT_EQ(kind(box, static_cast<long long>(box.size())), GraphicsKind::BoundingBox);
    EXPECT_EQ(kind(full, static_cast<long long>(full.size()) + 1),
              GraphicsKind::None);                                          // sizes disagree
    EXPECT_EQ(classifyGraphicsBytes(GraphicsBytes{}), GraphicsKind::None);  // no picture
}

// --- Extents of what is drawn ------------------------------------------------------------------

TEST(ProxyExtents, CurvesExactlyAndTextsByEstimate) {
    auto extentsOf = [](const Record& r, double advance = 1.0) {
        auto g = decodeOne(r);
        EXPECT_EQ(g.primitives.size(), 1u) << g.message;
        AcDbExtents e;
        bool finite = !g.primitives.empty() && addPrimitiveExtents(g.primitives[0], e, advance);
        return std::make_pair(finite, e);
    };
    auto box = [](const std::pair<bool, AcDbExtents>& r, double x0, double y0, double z0, double x1,
                  double y1, double z1) {
        EXPECT_TRUE(r.first);
        expectPoint(r.second.minPoint(), x0, y0, z0);
        expectPoint(r.second.maxPoint(), x1, y1, z1);
    };
    box(extentsOf(Record(kCircle).pt(1, 2, 3).f64(2).pt(0, 0, 1)), -1, 0, 3, 3, 4, 3);
    // A circle standing in the YZ plane; one tilted by 45 degrees about x.
    box(extentsOf(Record(kCircle).pt(0, 0, 0).f64(1).pt(1, 0, 0)), 0, -1, -1, 0, 1, 1);
    double h = std::sqrt(0.5);
    box(extentsOf(Record(kCircle).pt(0, 0, 0).f64(1).pt(0, 1, 1)), -1, -h, -h, 1, h, h);
    // A quarter from 90 to 180 degrees; one from 350 to 10 degrees crosses the x axis.
    box(extentsOf(
            Record(kCircularArc).pt(0, 0, 0).f64(1).pt(0, 0, 1).pt(0, 1, 0).f64(kPi / 2).u32(0)),
        -1, 0, 0, 0, 1, 0);
    double a = 10 * kPi / 180;
    box(extentsOf(Record(kCircularArc)
                      .pt(0, 0, 0)
                      .f64(1)
                      .pt(0, 0, 1)
                      .pt(std::cos(-a), std::sin(-a), 0)
                      .f64(2 * a)
                      .u32(0)),
        std::cos(a), -std::sin(a), 0, 1, std::sin(a), 0);
    box(extentsOf(
            Record(kEllipticArc).pt(0, 0, 0).pt(0, 0, 1).f64(2).f64(1).f64(0).f64(2 * kPi).f64(0)),
        -2, -1, 0, 2, 1, 0);
    // A text: five characters, height 2, width factor 0.5, advance 1: a box 5 by 2.
    box(extentsOf(
            Record(kText).pt(1, 1, 0).pt(0, 0, 1).pt(1, 0, 0).f64(2).f64(0.5).f64(0).str("abcde")),
        1, 1, 0, 6, 3, 0);
    // Rays and construction lines have none.
    EXPECT_FALSE(extentsOf(Record(kRay).pt(0, 0, 0).pt(1, 0, 0)).first);
    EXPECT_FALSE(extentsOf(Record(kXline).pt(0, 0, 0).pt(1, 0, 0)).first);
}

TEST(ProxyExtents, BulgesThicknessAndWholePictures) {
    // A closed lightweight polyline of two half circles (bulge 1) through (0,0) and (2,0).
    BitWriter w;
    w.bsFull(512 | 16).bl(2).bl(2).raw(0).raw(0).ddAuto(2, 0).ddAuto(0, 0).bd(1.0).bd(1.0);
    Record lw(kLwPolyline);
    lw.u32(static_cast<uint32_t>(w.bytes().size())).bytes(w.bytes()).bytes(std::string(3, '\0'));
    auto g = decode(Buffer()
                        .add(lw)
                        .add(Record(kAttribThickness).f64(5))
                        .add(Record(kPolyline).u32(2).pt(10, 0, 0).pt(11, 0, 0))
                        .add(Record(kRay).pt(0, 0, 0).pt(0, 1, 0)));
    ASSERT_EQ(g.primitives.size(), 3u) << g.message;
    AcDbExtents circle;
    ASSERT_TRUE(addPrimitiveExtents(g.primitives[0], circle));
    expectPoint(circle.minPoint(), 0, -1, 0);
    expectPoint(circle.maxPoint(), 2, 1, 0);
    AcDbExtents extruded;
    ASSERT_TRUE(addPrimitiveExtents(g.primitives[1], extruded));
    expectPoint(extruded.maxPoint(), 11, 0, 5);
    auto all = drawnExtents(g);
    ASSERT_TRUE(all);
    expectPoint(all->minPoint(), 0, -1, 0);
    expectPoint(all->maxPoint(), 11, 1, 5);
    EXPECT_FALSE(drawnExtents(decode(Buffer().add(Record(kRay).pt(0, 0, 0).pt(0, 1, 0)))));
}
