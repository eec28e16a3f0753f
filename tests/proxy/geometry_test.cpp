// The geometry headers: points, vectors, matrices (column-vector convention, translation in the
// last column) and extents.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "host/dbextents.h"
#include "host/gemat3d.h"
#include "host/gepnt2d.h"
#include "host/gepnt3d.h"
#include "host/gept3d.h"
#include "host/gevec2d.h"
#include "host/gevec3d.h"

namespace {

constexpr double kPi = std::numbers::pi;

void expectPoint(const AcGePoint3d& p, double x, double y, double z, double eps = 1e-12) {
    EXPECT_NEAR(p.x, x, eps);
    EXPECT_NEAR(p.y, y, eps);
    EXPECT_NEAR(p.z, z, eps);
}
void expectVector(const AcGeVector3d& v, double x, double y, double z, double eps = 1e-12) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

}  // namespace

TEST(Geometry, PointsAndVectors) {
    expectPoint(AcGePoint3d::kOrigin, 0, 0, 0);
    AcGePoint3d p(1, 2, 3);
    AcGeVector3d v(4, 5, 6);
    expectPoint(p + v, 5, 7, 9);
    expectPoint(p - v, -3, -3, -3);
    expectVector(AcGePoint3d(5, 7, 9) - p, 4, 5, 6);
    EXPECT_DOUBLE_EQ(AcGePoint3d(1, 1, 1).distanceTo(AcGePoint3d(4, 5, 1)), 5.0);
    EXPECT_DOUBLE_EQ(AcGeVector3d(3, 4, 12).length(), 13.0);
    expectVector(AcGeVector3d::kXAxis.crossProduct(AcGeVector3d::kYAxis), 0, 0, 1);
    expectVector(AcGeVector3d::kYAxis.crossProduct(AcGeVector3d::kZAxis), 1, 0, 0);
    EXPECT_DOUBLE_EQ(v.dotProduct(AcGeVector3d(1, -1, 1)), 5.0);
    expectVector(AcGeVector3d(0, 0, 5).normal(), 0, 0, 1);
    EXPECT_TRUE(AcGeVector3d().normal().isZeroLength());  // the zero vector has no direction
    expectVector(2.0 * v - v * 1.5, 2, 2.5, 3);
    EXPECT_NEAR(AcGeVector3d::kXAxis.angleTo(AcGeVector3d(-1, 0, 0)), kPi, 1e-15);
    EXPECT_NEAR(AcGeVector3d::kXAxis.angleTo(AcGeVector3d(0, -1, 0), AcGeVector3d::kZAxis),
                1.5 * kPi, 1e-12);
    EXPECT_TRUE(AcGeVector3d(0, 0, 2).isParallelTo(AcGeVector3d(0, 0, -1)));
    EXPECT_TRUE(p.isEqualTo(AcGePoint3d(1, 2, 3 + 1e-12)));
    EXPECT_FALSE(p.isEqualTo(AcGePoint3d(1, 2, 3 + 1e-6)));
    EXPECT_TRUE(p.isEqualTo(AcGePoint3d(1, 2, 3 + 1e-6), AcGeTol(1e-5, 1e-5)));
    // The global tolerance is the default of every comparison, and it can be changed.
    AcGeTol saved = AcGeContext::gTol;
    AcGeContext::gTol.setEqualPoint(1e-5);
    EXPECT_TRUE(p == AcGePoint3d(1, 2, 3 + 1e-6));
    AcGeContext::gTol = saved;
    EXPECT_FALSE(p == AcGePoint3d(1, 2, 3 + 1e-6));
    AcGePoint3d q = p;
    q[2] = 7;
    EXPECT_EQ(q.z, 7);
    EXPECT_EQ(q[0], 1);
}

TEST(Geometry, ArbitraryAxisRuleOfTheFormat) {
    // Normal near the z axis: x axis = world Y x N; otherwise world Z x N.
    expectVector(AcGeVector3d::kZAxis.perpVector(), 1, 0, 0);
    expectVector(AcGeVector3d(0, 0, -1).perpVector(), -1, 0, 0);
    expectVector(AcGeVector3d::kXAxis.perpVector(), 0, 1, 0);
    AcGeMatrix3d m = AcGeMatrix3d::planeToWorld(AcGeVector3d(0, 0, -1));
    expectPoint(m * AcGePoint3d(1, 2, 3), -1, 2, -3);
    // worldToPlane undoes planeToWorld for any normal.
    AcGeVector3d n = AcGeVector3d(1, 2, 3).normal();
    AcGePoint3d back =
        AcGeMatrix3d::worldToPlane(n) * (AcGeMatrix3d::planeToWorld(n) * AcGePoint3d(4, 5, 6));
    expectPoint(back, 4, 5, 6);
}

TEST(Geometry, MatricesActOnColumnVectors) {
    AcGeMatrix3d t = AcGeMatrix3d::translation({10, 20, 30});
    EXPECT_DOUBLE_EQ(t.entry[0][3], 10);
    EXPECT_DOUBLE_EQ(t(1, 3), 20);
    expectPoint(t * AcGePoint3d(1, 1, 1), 11, 21, 31);
    expectVector(t * AcGeVector3d(1, 1, 1), 1, 1, 1);  // vectors do not move
    AcGeMatrix3d r = AcGeMatrix3d::rotation(kPi / 2, AcGeVector3d::kZAxis, AcGePoint3d(1, 0, 0));
    expectPoint(r * AcGePoint3d(2, 0, 0), 1, 1, 0);
    // A * B applies B first.
    expectPoint((t * r) * AcGePoint3d(2, 0, 0), 11, 21, 30);
    expectPoint((r * t) * AcGePoint3d(2, 0, 0), -19, 11, 30);
    AcGeMatrix3d s = AcGeMatrix3d::scaling(2, AcGePoint3d(1, 1, 1));
    expectPoint(s * AcGePoint3d(2, 2, 2), 3, 3, 3);
    EXPECT_DOUBLE_EQ(s.scale(), 2);
    AcGePoint3d p(1, 2, 3);
    p.transformBy(t);
    expectPoint(p, 11, 22, 33);
    AcGeMatrix3d m = AcGeMatrix3d::mirroring(AcGePoint3d(1, 0, 0), AcGeVector3d::kXAxis);
    expectPoint(m * AcGePoint3d(3, 5, 7), -1, 5, 7);
    EXPECT_NEAR(m.det(), -1, 1e-12);
    EXPECT_TRUE(AcGeMatrix3d::kIdentity.isEqualTo(AcGeMatrix3d()));
}

TEST(Geometry, InverseTransposeAndCoordinateSystems) {
    AcGeMatrix3d m = AcGeMatrix3d::translation({1, 2, 3}) *
                     AcGeMatrix3d::rotation(0.3, AcGeVector3d(1, 1, 0)) *
                     AcGeMatrix3d::scaling(2.5);
    AcGeMatrix3d id = m * m.inverse();
    EXPECT_TRUE(id.isEqualTo(AcGeMatrix3d::kIdentity, AcGeTol(1e-12, 1e-12)));
    EXPECT_NEAR(m.det(), 2.5 * 2.5 * 2.5, 1e-12);
    EXPECT_DOUBLE_EQ(m.transpose().entry[3][0], m.entry[0][3]);
    AcGeMatrix3d singular;
    singular.entry[2][2] = 0;
    EXPECT_TRUE(singular.isSingular());
    EXPECT_TRUE(singular.inverse().isEqualTo(singular));  // left as it is
    // Align one coordinate system to another: a point keeps its coordinates in the new system.
    AcGeMatrix3d a = AcGeMatrix3d::alignCoordSys(
        AcGePoint3d::kOrigin, AcGeVector3d::kXAxis, AcGeVector3d::kYAxis, AcGeVector3d::kZAxis,
        AcGePoint3d(5, 5, 0), AcGeVector3d::kYAxis, -AcGeVector3d::kXAxis, AcGeVector3d::kZAxis);
    expectPoint(a * AcGePoint3d(1, 0, 0), 5, 6, 0);
    expectPoint(a * AcGePoint3d(0, 1, 0), 4, 5, 0);
    AcGePoint3d o;
    AcGeVector3d x, y, z;
    a.getCoordSystem(o, x, y, z);
    expectPoint(o, 5, 5, 0);
    expectVector(x, 0, 1, 0);
    expectVector(y, -1, 0, 0);
}

TEST(Geometry, Extents) {
    AcDbExtents e;
    EXPECT_FALSE(e.isValid());
    AcDbExtents grown;
    grown.addExt(e);  // an empty box adds nothing
    EXPECT_FALSE(grown.isValid());
    e.addPoint(AcGePoint3d(1, 2, 3));
    EXPECT_TRUE(e.isValid());
    expectPoint(e.minPoint(), 1, 2, 3);
    expectPoint(e.maxPoint(), 1, 2, 3);
    e.addPoint(AcGePoint3d(-1, 5, 0));
    expectPoint(e.minPoint(), -1, 2, 0);
    expectPoint(e.maxPoint(), 1, 5, 3);
    AcDbExtents other(AcGePoint3d(10, 0, 0), AcGePoint3d(0, 1, 1));  // corners in any order
    expectPoint(other.minPoint(), 0, 0, 0);
    e.addExt(other);
    expectPoint(e.minPoint(), -1, 0, 0);
    expectPoint(e.maxPoint(), 10, 5, 3);
    EXPECT_TRUE(e.contains(AcGePoint3d(0, 1, 1)));
    EXPECT_FALSE(e.contains(AcGePoint3d(0, 6, 1)));
    EXPECT_FALSE(e.set(AcGePoint3d(1, 1, 1), AcGePoint3d(0, 2, 2)));  // refused, unchanged
    expectPoint(e.minPoint(), -1, 0, 0);
    EXPECT_TRUE(e.set(AcGePoint3d(0, 0, 0), AcGePoint3d(2, 1, 0)));
    // Rotated a quarter turn the box is the box of its turned corners.
    e.transformBy(AcGeMatrix3d::rotation(kPi / 2, AcGeVector3d::kZAxis));
    expectPoint(e.minPoint(), -1, 0, 0);
    expectPoint(e.maxPoint(), 0, 2, 0);
    e.set(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0));
    e.transformBy(AcGeMatrix3d::rotation(kPi / 4, AcGeVector3d::kZAxis));
    EXPECT_NEAR(e.maxPoint().x - e.minPoint().x, std::sqrt(2.0), 1e-12);
    AcDbExtents empty;
    empty.transformBy(AcGeMatrix3d::translation({1, 1, 1}));
    EXPECT_FALSE(empty.isValid());
}

TEST(Geometry, TurningScalingAndTheKindOfAMatrix) {
    AcGeVector3d v(1, 0, 0);
    v.rotateBy(kPi / 2, AcGeVector3d::kZAxis);
    expectVector(v, 0, 1, 0);
    AcGePoint3d p(2, 0, 5);
    p.rotateBy(kPi, AcGeVector3d::kZAxis, AcGePoint3d(1, 0, 0));
    expectPoint(p, 0, 0, 5);
    p.scaleBy(3, AcGePoint3d(1, 0, 5));
    expectPoint(p, -2, 0, 5);
    EXPECT_TRUE(AcGeVector3d(1, 1, 0).isPerpendicularTo(AcGeVector3d(-2, 2, 7e-13)));
    EXPECT_FALSE(AcGeVector3d(1, 1, 0).isPerpendicularTo(AcGeVector3d(1, 0, 0)));
    EXPECT_TRUE(AcGeVector3d(0, 0, 2).isCodirectionalTo(AcGeVector3d::kZAxis));
    EXPECT_FALSE(AcGeVector3d(0, 0, -2).isCodirectionalTo(AcGeVector3d::kZAxis));

    AcGeMatrix3d m = AcGeMatrix3d::rotation(0.7, AcGeVector3d(1, 2, 3)) * AcGeMatrix3d::scaling(3);
    EXPECT_TRUE(m.isUniScaledOrtho(AcGeTol(1e-12, 1e-12)));
    EXPECT_TRUE(
        AcGeMatrix3d::mirroring(AcGePoint3d(1, 2, 3), AcGeVector3d(1, 1, 0)).isUniScaledOrtho());
    AcGeMatrix3d stretch;
    stretch.entry[0][0] = 2;
    EXPECT_FALSE(stretch.isUniScaledOrtho());
    AcGeMatrix3d shear;
    shear.entry[0][1] = 0.5;
    EXPECT_FALSE(shear.isUniScaledOrtho());
    EXPECT_FALSE(AcGeMatrix3d::scaling(0).isUniScaledOrtho());
    m.setTranslation({4, 5, 6});
    expectVector(m.translation(), 4, 5, 6);
    EXPECT_TRUE(m.isUniScaledOrtho(AcGeTol(1e-12, 1e-12)));  // translation does not matter
}

TEST(Geometry, PointsAndVectorsInAPlane) {
    AcGePoint2d p(1, 2);
    AcGeVector2d v(3, 4);
    EXPECT_DOUBLE_EQ(v.length(), 5);
    EXPECT_EQ((p + v).x, 4);
    EXPECT_EQ((p + v).y, 6);
    EXPECT_DOUBLE_EQ(AcGePoint2d::kOrigin.distanceTo(AcGePoint2d(6, 8)), 10);
    EXPECT_NEAR(AcGeVector2d(0, -1).angle(), 1.5 * kPi, 1e-15);
    EXPECT_NEAR(AcGeVector2d::kXAxis.angle(), 0, 1e-15);
    AcGeVector2d r = AcGeVector2d::kXAxis;
    r.rotateBy(kPi / 2);
    EXPECT_TRUE(r.isEqualTo(AcGeVector2d::kYAxis));
    EXPECT_DOUBLE_EQ(v.normal().x, 0.6);
    EXPECT_TRUE(AcGeVector2d().normal().isZeroLength());
    expectPoint(p.to3d(7), 1, 2, 7);
    EXPECT_TRUE((AcGePoint2d(4, 6) - p).isEqualTo(v));
}
