// A picture with a record of every type the decoder knows, under a pushed transform, with every
// attribute record: the seed of the property tests.
#pragma once

#include "host/proxy/graphics.h"
#include "tests/proxy/encoder.h"

namespace proxytest {

inline Buffer everyRecord() {
    using namespace proxygfx;
    Buffer b;
    b.add(Record(kExtents).pt(0, 0, 0).pt(10, 10, 1));
    double m[16] = {1, 0, 0, 2, 0, 1, 0, 3, 0, 0, 1, 0, 0, 0, 0, 1};
    b.add(Record(kPushModelTransform).matrix(m));
    b.add(Record(kAttribColor).u32(3))
        .add(Record(kAttribLayer).u32(1))
        .add(Record(kAttribLinetype).u32(0));
    b.add(Record(kAttribMarker).u32(1))
        .add(Record(kAttribFill).u32(1))
        .add(Record(kAttribTrueColor).u32(0xC2102030));
    b.add(Record(kAttribLineweight).i32(-1))
        .add(Record(kAttribLtscale).f64(2))
        .add(Record(kAttribThickness).f64(1));
    b.add(Record(kAttribPlotStyle).u32(0).u32(0)).add(Record(kAttribMaterial).u32(1).u32(0));
    b.add(Record(kCircle).pt(1, 1, 0).f64(1).pt(0, 0, 1));
    b.add(Record(kCircle3P).pt(1, 0, 0).pt(0, 1, 0).pt(-1, 0, 0));
    b.add(Record(kCircularArc).pt(0, 0, 0).f64(1).pt(0, 0, 1).pt(1, 0, 0).f64(1).u32(0));
    b.add(Record(kCircularArc3P).pt(1, 0, 0).pt(0, 1, 0).pt(-1, 0, 0).u32(0));
    b.add(Record(kPolyline).u32(3).pt(0, 0, 0).pt(1, 0, 0).pt(1, 1, 0));
    b.add(Record(kPolygon).u32(5).pt(0, 0, 0).pt(1, 0, 0).pt(1, 1, 0).pt(0, 1, 0).pt(0, 0.5, 0));
    Record mesh(kMesh);
    mesh.u32(2)
        .u32(2)
        .pt(0, 0, 0)
        .pt(1, 0, 0)
        .pt(0, 1, 0)
        .pt(1, 1, 0)
        .u32(0x1)
        .u32(1)
        .u32(2)
        .u32(3)
        .u32(4)
        .u32(0x41)
        .u32(5)
        .u32(1)
        .u32(0x80)
        .pt(0, 0, 1)
        .pt(0, 0, 1)
        .pt(0, 0, 1)
        .pt(0, 0, 1);
    b.add(mesh);
    Record shell(kShell);
    shell.u32(4)
        .pt(0, 0, 0)
        .pt(1, 0, 0)
        .pt(1, 1, 0)
        .pt(0, 1, 0)
        .u32(8)
        .i32(4)
        .u32(0)
        .u32(1)
        .u32(2)
        .u32(3)
        .i32(-2)
        .u32(0)
        .u32(1)
        .u32(0)
        .u32(0x3)
        .u32(7)
        .u32(8)
        .u32(0);
    b.add(shell);
    b.add(Record(kText).pt(0, 0, 0).pt(0, 0, 1).pt(1, 0, 0).f64(1).f64(1).f64(0).str("abc"));
    b.add(Record(kText2)
              .pt(0, 0, 0)
              .pt(0, 0, 1)
              .pt(1, 0, 0)
              .str("abcd")
              .i32(4)
              .i32(0)
              .f64(1)
              .f64(1)
              .f64(0)
              .f64(0)
              .u32(0)
              .u32(0)
              .u32(0)
              .u32(0)
              .u32(0)
              .str("txt")
              .str(""));
    b.add(
        Record(kUnicodeText).pt(0, 0, 0).pt(0, 0, 1).pt(1, 0, 0).f64(1).f64(1).f64(0).ustr(u"xyz"));
    b.add(Record(kUnicodeText2)
              .pt(0, 0, 0)
              .pt(0, 0, 1)
              .pt(1, 0, 0)
              .ustr(u"LEADER")
              .i32(6)
              .i32(0)
              .f64(1)
              .f64(1)
              .f64(0)
              .f64(0)
              .u32(0)
              .u32(0)
              .u32(0)
              .u32(0)
              .u32(0)
              .u32(0)
              .u32(0)
              .u32(0)
              .u32(0)
              .ustr(u"Arial")
              .ustr(u"arial.ttf")
              .ustr(u""));
    b.add(Record(kXline).pt(0, 0, 0).pt(1, 1, 0)).add(Record(kRay).pt(0, 0, 0).pt(1, 0, 0));
    b.add(Record(kPolylineWithNormals).u32(2).pt(0, 0, 0).pt(1, 0, 0).pt(0, 0, 1));
    BitWriter w;
    w.bs(532).bd(0.5).bl(3).bl(3).raw(0).raw(0).ddAuto(1, 0).ddAuto(0, 0).ddAuto(1, 1).ddAuto(1, 0);
    w.bd(0).bd(1).bd(0.25);
    b.add(Record(kLwPolyline)
              .u32(static_cast<uint32_t>(w.bytes().size()))
              .bytes(w.bytes())
              .bytes("\0\0\0"));
    b.add(Record(kEllipticArc).pt(0, 0, 0).pt(0, 0, 1).f64(2).f64(1).f64(0).f64(3).f64(0.5));
    b.add(Record(kPushClip).u32(0)).add(Record(kPopClip)).add(Record(kAttribMapper).u32(0));
    b.add(Record(51).u32(0));
    b.add(Record(kPopModelTransform));
    return b;
}

}  // namespace proxytest
