// Points, circles, arcs, ellipses, light polylines, 3D faces, rays and construction lines:
// getters and setters, object coordinates, statuses, and the round trip through a saved drawing
// that ezdxf reads as the same geometry.
#include <cmath>
#include <numbers>

#include "arx_test_util.h"
#include "host/dbcurves.h"
#include "tests/proxy/proxy_drawing.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kEps = 1e-9;

#define EXPECT_PT(p, X, Y, Z)               \
    do {                                    \
        const AcGePoint3d q_ = (p);         \
        EXPECT_NEAR(q_.x, (X), kEps) << #p; \
        EXPECT_NEAR(q_.y, (Y), kEps) << #p; \
        EXPECT_NEAR(q_.z, (Z), kEps) << #p; \
    } while (0)
#define EXPECT_VEC(v, X, Y, Z) EXPECT_PT(AcGePoint3d::kOrigin + (v), X, Y, Z)

}  // namespace

TEST(Curves, PointAndLineLikeEntities) {
    AcDbPoint pt(AcGePoint3d(1, 2, 3));
    EXPECT_PT(pt.position(), 1, 2, 3);
    EXPECT_EQ(pt.setPosition(AcGePoint3d(4, 5, 6)), Acad::eOk);
    EXPECT_PT(pt.position(), 4, 5, 6);

    AcDbRay ray;
    EXPECT_EQ(ray.setBasePoint(AcGePoint3d(1, 1, 1)), Acad::eOk);
    EXPECT_EQ(ray.setUnitDir(AcGeVector3d(0, 3, 4)), Acad::eOk);  // kept as a unit vector
    EXPECT_VEC(ray.unitDir(), 0, 0.6, 0.8);
    EXPECT_EQ(ray.setUnitDir(AcGeVector3d(0, 0, 0)), Acad::eInvalidInput);
    EXPECT_VEC(ray.unitDir(), 0, 0.6, 0.8);
    AcDbXline xl;
    EXPECT_VEC(xl.unitDir(), 1, 0, 0);
    EXPECT_EQ(xl.setUnitDir(AcGeVector3d(-2, 0, 0)), Acad::eOk);
    EXPECT_VEC(xl.unitDir(), -1, 0, 0);
    EXPECT_EQ(xl.setBasePoint(AcGePoint3d(7, 0, 0)), Acad::eOk);
    EXPECT_PT(xl.basePoint(), 7, 0, 0);

    AcDbFace f(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0), AcGePoint3d(1, 1, 0), AcGePoint3d(0, 1, 0), true, false);
    bool vis = true;
    EXPECT_EQ(f.isEdgeVisibleAt(1, vis), Acad::eOk);
    EXPECT_FALSE(vis);
    EXPECT_EQ(f.makeEdgeVisibleAt(1), Acad::eOk);
    EXPECT_EQ(f.makeEdgeInvisibleAt(3), Acad::eOk);
    f.isEdgeVisibleAt(1, vis);
    EXPECT_TRUE(vis);
    f.isEdgeVisibleAt(3, vis);
    EXPECT_FALSE(vis);
    AcGePoint3d q;
    EXPECT_EQ(f.setVertexAt(2, AcGePoint3d(2, 2, 2)), Acad::eOk);
    EXPECT_EQ(f.getVertexAt(2, q), Acad::eOk);
    EXPECT_PT(q, 2, 2, 2);
    EXPECT_EQ(f.getVertexAt(4, q), Acad::eInvalidInput);
    EXPECT_EQ(f.setVertexAt(4, q), Acad::eInvalidInput);
    EXPECT_EQ(f.isEdgeVisibleAt(4, vis), Acad::eInvalidInput);
}

// Circles and arcs keep their centre in object coordinates: with a tilted normal the world
// centre is what was given, and changing the normal keeps it.
TEST(Curves, CirclesAndArcsInTheirPlane) {
    const AcGeVector3d tilted = AcGeVector3d(1, 1, 1).normal();
    AcDbCircle c(AcGePoint3d(3, -2, 5), AcGeVector3d(2, 2, 2), 1.5);
    EXPECT_PT(c.center(), 3, -2, 5);
    EXPECT_VEC(c.normal(), tilted.x, tilted.y, tilted.z);
    EXPECT_DOUBLE_EQ(c.radius(), 1.5);
    EXPECT_EQ(c.setNormal(AcGeVector3d(0, -1, 0)), Acad::eOk);
    EXPECT_PT(c.center(), 3, -2, 5);
    EXPECT_EQ(c.setCenter(AcGePoint3d(0, 0, 1)), Acad::eOk);
    EXPECT_PT(c.center(), 0, 0, 1);
    EXPECT_EQ(c.setRadius(0), Acad::eInvalidInput);
    EXPECT_EQ(c.setRadius(-1), Acad::eInvalidInput);
    EXPECT_EQ(c.setRadius(NAN), Acad::eInvalidInput);
    EXPECT_EQ(c.setNormal(AcGeVector3d(0, 0, 0)), Acad::eInvalidInput);
    EXPECT_DOUBLE_EQ(c.radius(), 1.5);

    AcDbArc a(AcGePoint3d(1, 2, 3), AcGeVector3d(0, 0, -1), 2, kPi / 4, kPi);
    EXPECT_PT(a.center(), 1, 2, 3);
    EXPECT_NEAR(a.startAngle(), kPi / 4, kEps);
    EXPECT_NEAR(a.endAngle(), kPi, kEps);
    EXPECT_EQ(a.setStartAngle(0.5), Acad::eOk);
    EXPECT_EQ(a.setEndAngle(1.5), Acad::eOk);
    EXPECT_NEAR(a.startAngle(), 0.5, kEps);
    EXPECT_NEAR(a.endAngle(), 1.5, kEps);
    EXPECT_EQ(a.setNormal(AcGeVector3d(1, 0, 0)), Acad::eOk);
    EXPECT_PT(a.center(), 1, 2, 3);
    EXPECT_EQ(a.setRadius(3), Acad::eOk);
    EXPECT_DOUBLE_EQ(a.radius(), 3);
}

TEST(Curves, Ellipses) {
    AcDbEllipse e(AcGePoint3d(1, 1, 0), AcGeVector3d(0, 0, 1), AcGeVector3d(0, 3, 0), 0.5, 0, kPi);
    EXPECT_PT(e.center(), 1, 1, 0);
    EXPECT_VEC(e.majorAxis(), 0, 3, 0);
    EXPECT_DOUBLE_EQ(e.radiusRatio(), 0.5);
    EXPECT_DOUBLE_EQ(e.endParam(), kPi);
    EXPECT_EQ(e.set(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, 1), AcGeVector3d(1, 0, 0), 1.5), Acad::eInvalidInput);
    EXPECT_EQ(e.set(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, 1), AcGeVector3d(0, 0, 0), 0.5), Acad::eInvalidInput);
    EXPECT_EQ(e.set(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, 0), AcGeVector3d(1, 0, 0), 0.5), Acad::eInvalidInput);
    EXPECT_VEC(e.majorAxis(), 0, 3, 0);  // unchanged by the refused calls
    EXPECT_EQ(e.set(AcGePoint3d(2, 0, 0), AcGeVector3d(0, 0, 2), AcGeVector3d(4, 0, 0), 0.25), Acad::eOk);
    EXPECT_VEC(e.normal(), 0, 0, 1);
    EXPECT_DOUBLE_EQ(e.startParam(), 0);
    EXPECT_NEAR(e.endParam(), 2 * kPi, kEps);
}

TEST(Curves, LightPolylines) {
    AcDbPolyline p;
    EXPECT_EQ(p.numVerts(), 0u);
    EXPECT_EQ(p.addVertexAt(0, AcGePoint2d(0, 0)), Acad::eOk);
    EXPECT_EQ(p.addVertexAt(1, AcGePoint2d(4, 0), 1.0), Acad::eOk);
    EXPECT_EQ(p.addVertexAt(1, AcGePoint2d(2, 0)), Acad::eOk);  // in between
    EXPECT_EQ(p.addVertexAt(5, AcGePoint2d(9, 9)), Acad::eInvalidInput);
    ASSERT_EQ(p.numVerts(), 3u);
    AcGePoint2d q2;
    EXPECT_EQ(p.getPointAt(1, q2), Acad::eOk);
    EXPECT_DOUBLE_EQ(q2.x, 2);
    double b = 0;
    EXPECT_EQ(p.getBulgeAt(2, b), Acad::eOk);
    EXPECT_DOUBLE_EQ(b, 1.0);
    EXPECT_EQ(p.getBulgeAt(3, b), Acad::eInvalidInput);
    EXPECT_EQ(p.setConstantWidth(0.5), Acad::eOk);
    double w = 0, sw = 0, ew = 0;
    p.getConstantWidth(w);
    EXPECT_DOUBLE_EQ(w, 0.5);
    EXPECT_EQ(p.getWidthsAt(0, sw, ew), Acad::eOk);
    EXPECT_DOUBLE_EQ(sw, 0.5);
    // A vertex with widths of its own: the others get the constant width as theirs.
    EXPECT_EQ(p.addVertexAt(3, AcGePoint2d(4, 4), 0, 1, 2), Acad::eOk);
    p.getConstantWidth(w);
    EXPECT_DOUBLE_EQ(w, 0);
    p.getWidthsAt(0, sw, ew);
    EXPECT_DOUBLE_EQ(sw, 0.5);
    p.getWidthsAt(3, sw, ew);
    EXPECT_DOUBLE_EQ(sw, 1);
    EXPECT_DOUBLE_EQ(ew, 2);
    EXPECT_EQ(p.setConstantWidth(-1), Acad::eInvalidInput);
    EXPECT_EQ(p.setClosed(true), Acad::eOk);
    EXPECT_TRUE(p.isClosed());
    EXPECT_EQ(p.setThickness(2), Acad::eOk);
    EXPECT_DOUBLE_EQ(p.thickness(), 2);
    // In the plane of (0,0,-1) at elevation 3: the plane's x axis is the world's -x.
    EXPECT_EQ(p.setNormal(AcGeVector3d(0, 0, -5)), Acad::eOk);
    EXPECT_EQ(p.setElevation(3), Acad::eOk);
    EXPECT_VEC(p.normal(), 0, 0, -1);
    AcGePoint3d q;
    EXPECT_EQ(p.getPointAt(1, q), Acad::eOk);
    EXPECT_PT(q, -2, 0, -3);
    EXPECT_EQ(p.getPointAt(2, q2), Acad::eOk);
    EXPECT_DOUBLE_EQ(q2.x, 4);  // the vertex in the plane is unchanged
    EXPECT_EQ(p.setNormal(AcGeVector3d(0, 0, 0)), Acad::eInvalidInput);
}

// Opened for read, every setter refuses.
TEST(Curves, SettersNeedAWriteOpen) {
    AcDbDatabase db;
    AcDbObjectId c = append(db, new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, 1), 1));
    AcDbObjectId pl = append(db, new AcDbPolyline());
    AcDbObjectId f = append(db, new AcDbFace());
    AcDbObjectId r = append(db, new AcDbRay());
    {
        Opened<AcDbCircle> o(c, AcDb::kForRead);
        ASSERT_TRUE(o);
        EXPECT_EQ(o->setRadius(2), Acad::eNotOpenForWrite);
        EXPECT_EQ(o->setCenter(AcGePoint3d(1, 1, 1)), Acad::eNotOpenForWrite);
        EXPECT_DOUBLE_EQ(o->radius(), 1);
    }
    {
        Opened<AcDbPolyline> o(pl, AcDb::kForRead);
        ASSERT_TRUE(o);
        EXPECT_EQ(o->addVertexAt(0, AcGePoint2d(1, 1)), Acad::eNotOpenForWrite);
        EXPECT_EQ(o->setClosed(true), Acad::eNotOpenForWrite);
    }
    {
        Opened<AcDbFace> o(f, AcDb::kForRead);
        ASSERT_TRUE(o);
        EXPECT_EQ(o->makeEdgeInvisibleAt(0), Acad::eNotOpenForWrite);
    }
    {
        Opened<AcDbRay> o(r, AcDb::kForRead);
        ASSERT_TRUE(o);
        EXPECT_EQ(o->setUnitDir(AcGeVector3d(0, 1, 0)), Acad::eNotOpenForWrite);
    }
    EXPECT_EQ(db.numOpenObjects(), 0);
}

// Values that are not finite numbers would go into the file as text no reader takes: every
// setter refuses them and leaves the entity as it was.
TEST(Curves, SettersRefuseValuesThatAreNotFinite) {
    const double nan = std::nan(""), inf = INFINITY;
    const AcGePoint3d badP(0, nan, 0);
    const AcGeVector3d badV(inf, 0, 1);
    AcDbPoint pt(AcGePoint3d(1, 2, 3));
    EXPECT_EQ(pt.setPosition(badP), Acad::eInvalidInput);
    EXPECT_PT(pt.position(), 1, 2, 3);
    AcDbCircle c(AcGePoint3d(1, 1, 1), AcGeVector3d(0, 0, 1), 1);
    EXPECT_EQ(c.setCenter(badP), Acad::eInvalidInput);
    EXPECT_EQ(c.setNormal(badV), Acad::eInvalidInput);
    EXPECT_EQ(c.setNormal(AcGeVector3d(nan, 0, 1)), Acad::eInvalidInput);
    EXPECT_PT(c.center(), 1, 1, 1);
    AcDbArc a(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, 1), 1, 0, 1);
    EXPECT_EQ(a.setStartAngle(nan), Acad::eInvalidInput);
    EXPECT_EQ(a.setEndAngle(inf), Acad::eInvalidInput);
    EXPECT_EQ(a.setCenter(badP), Acad::eInvalidInput);
    EXPECT_NEAR(a.endAngle(), 1, kEps);
    AcDbEllipse e(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, 1), AcGeVector3d(1, 0, 0), 0.5);
    EXPECT_EQ(e.set(badP, AcGeVector3d(0, 0, 1), AcGeVector3d(1, 0, 0), 0.5), Acad::eInvalidInput);
    EXPECT_EQ(e.set(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, 1), AcGeVector3d(1, 0, 0), 0.5, 0, inf),
              Acad::eInvalidInput);
    EXPECT_PT(e.center(), 0, 0, 0);
    AcDbPolyline p;
    EXPECT_EQ(p.addVertexAt(0, AcGePoint2d(nan, 0)), Acad::eInvalidInput);
    EXPECT_EQ(p.addVertexAt(0, AcGePoint2d(0, 0), inf), Acad::eInvalidInput);
    EXPECT_EQ(p.numVerts(), 0u);
    EXPECT_EQ(p.setConstantWidth(nan), Acad::eInvalidInput);
    EXPECT_EQ(p.setElevation(inf), Acad::eInvalidInput);
    EXPECT_EQ(p.setThickness(nan), Acad::eInvalidInput);
    EXPECT_EQ(p.setNormal(badV), Acad::eInvalidInput);
    EXPECT_DOUBLE_EQ(p.elevation(), 0);
    AcDbFace f;
    EXPECT_EQ(f.setVertexAt(0, badP), Acad::eInvalidInput);
    AcDbRay r;
    EXPECT_EQ(r.setBasePoint(badP), Acad::eInvalidInput);
    EXPECT_EQ(r.setUnitDir(AcGeVector3d(nan, nan, nan)), Acad::eInvalidInput);
    EXPECT_VEC(r.unitDir(), 1, 0, 0);
    AcDbXline x;
    EXPECT_EQ(x.setUnitDir(badV), Acad::eInvalidInput);
}

// Saved and read again, each comes back the same; ezdxf reads the same geometry.
TEST(Curves, SavedReadAgainAndReadByEzdxf) {
    AcDbDatabase db;
    auto* pl = new AcDbPolyline();
    pl->addVertexAt(0, AcGePoint2d(1, 2));
    pl->addVertexAt(1, AcGePoint2d(3, 2), 0.5);
    pl->addVertexAt(2, AcGePoint2d(3, 5));
    pl->setNormal(AcGeVector3d(0, 1, 1));
    pl->setElevation(2);
    pl->setClosed(true);
    const AcDbObjectId ids[] = {
        append(db, new AcDbPoint(AcGePoint3d(1, 2, 3))),
        append(db, new AcDbCircle(AcGePoint3d(3, -2, 5), AcGeVector3d(1, 1, 1), 1.5)),
        append(db, new AcDbArc(AcGePoint3d(1, 2, 3), AcGeVector3d(0, -1, 1), 2, kPi / 4, kPi)),
        append(db, new AcDbEllipse(AcGePoint3d(1, 1, 0), AcGeVector3d(1, 0, 0), AcGeVector3d(0, 3, 0), 0.5, 0.25, 2)),
        append(db, pl),
        append(db, new AcDbFace(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0), AcGePoint3d(1, 1, 1),
                                AcGePoint3d(1, 1, 1), true, false, true, true)),
        append(db, [] {
            auto* r = new AcDbRay();
            r->setBasePoint(AcGePoint3d(1, 1, 1));
            r->setUnitDir(AcGeVector3d(0, 0, 2));
            return r;
        }()),
        append(db, [] {
            auto* x = new AcDbXline();
            x->setUnitDir(AcGeVector3d(1, 1, 0));
            return x;
        }()),
    };
    TempDir dir;
    const std::string path = dir.file("curves.dxf");
    ASSERT_EQ(db.saveAs(host(path).c_str()), Acad::eOk);
    AcDbDatabase again(false, true);
    ASSERT_EQ(again.readDwgFile(host(path).c_str()), Acad::eOk);
    auto idIn = [&](AcDbObjectId id) {
        AcDbObjectId out;
        again.getAcDbObjectId(out, false, id.handle());
        return out;
    };
    {
        Opened<AcDbPoint> o(idIn(ids[0]), AcDb::kForRead);
        ASSERT_TRUE(o);
        EXPECT_PT(o->position(), 1, 2, 3);
    }
    {
        Opened<AcDbCircle> o(idIn(ids[1]), AcDb::kForRead);
        ASSERT_TRUE(o);
        EXPECT_PT(o->center(), 3, -2, 5);
        EXPECT_DOUBLE_EQ(o->radius(), 1.5);
    }
    {
        Opened<AcDbArc> o(idIn(ids[2]), AcDb::kForRead);
        ASSERT_TRUE(o);
        EXPECT_PT(o->center(), 1, 2, 3);
        EXPECT_NEAR(o->startAngle(), kPi / 4, kEps);
        EXPECT_NEAR(o->endAngle(), kPi, kEps);
    }
    {
        Opened<AcDbEllipse> o(idIn(ids[3]), AcDb::kForRead);
        ASSERT_TRUE(o);
        EXPECT_VEC(o->majorAxis(), 0, 3, 0);
        EXPECT_DOUBLE_EQ(o->startParam(), 0.25);
    }
    {
        Opened<AcDbPolyline> o(idIn(ids[4]), AcDb::kForRead);
        ASSERT_TRUE(o);
        EXPECT_EQ(o->numVerts(), 3u);
        EXPECT_TRUE(o->isClosed());
        double b = 0;
        o->getBulgeAt(1, b);
        EXPECT_DOUBLE_EQ(b, 0.5);
    }
    {
        Opened<AcDbFace> o(idIn(ids[5]), AcDb::kForRead);
        ASSERT_TRUE(o);
        bool vis = true;
        o->isEdgeVisibleAt(1, vis);
        EXPECT_FALSE(vis);
    }
    {
        Opened<AcDbRay> o(idIn(ids[6]), AcDb::kForRead);
        ASSERT_TRUE(o);
        EXPECT_VEC(o->unitDir(), 0, 0, 1);
    }
    {
        Opened<AcDbXline> o(idIn(ids[7]), AcDb::kForRead);
        ASSERT_TRUE(o);
        EXPECT_VEC(o->unitDir(), std::sqrt(0.5), std::sqrt(0.5), 0);
    }

    SKIP_WITHOUT_EZDXF();
    std::map<std::string, proxytest::EzEntity> ez;
    int audit = -1;
    std::string err;
    ASSERT_TRUE(proxytest::ezdxfModelSpace(path, ez, audit, err)) << err;
    EXPECT_EQ(audit, 0);
    auto at = [&](int i) { return ez[proxytest::handleText(ids[i].handle())]; };
    auto expectNums = [](const proxytest::EzEntity& e, const char* key, std::initializer_list<double> want) {
        std::vector<double> got = e.nums(key);
        ASSERT_EQ(got.size(), want.size()) << key << " of " << e.type;
        std::size_t i = 0;
        for (double w : want) EXPECT_NEAR(got[i++], w, 1e-9) << key << " of " << e.type;
    };
    EXPECT_EQ(at(0).type, "POINT");
    expectNums(at(0), "p0", {1, 2, 3});
    EXPECT_EQ(at(1).type, "CIRCLE");
    expectNums(at(1), "c", {3, -2, 5});
    const double r3 = 1 / std::sqrt(3.0);
    expectNums(at(1), "n", {r3, r3, r3});
    EXPECT_EQ(at(2).type, "ARC");
    expectNums(at(2), "c", {1, 2, 3});
    EXPECT_NEAR(at(2).num("sa"), 45, 1e-9);
    EXPECT_NEAR(at(2).num("ea"), 180, 1e-9);
    EXPECT_EQ(at(3).type, "ELLIPSE");
    expectNums(at(3), "major", {0, 3, 0});
    EXPECT_NEAR(at(3).num("ratio"), 0.5, 1e-12);
    EXPECT_NEAR(at(3).num("ep"), 2, 1e-12);
    EXPECT_EQ(at(4).type, "LWPOLYLINE");
    EXPECT_EQ(at(4).num("count"), 3);
    EXPECT_EQ(at(4).num("closed"), 1);
    EXPECT_NEAR(at(4).num("elev"), 2, 1e-12);
    {
        // The second vertex in the world, as the host gives it.
        Opened<AcDbPolyline> o(idIn(ids[4]), AcDb::kForRead);
        AcGePoint3d q;
        o->getPointAt(1, q);
        expectNums(at(4), "p1", {q.x, q.y, q.z});
    }
    EXPECT_EQ(at(5).type, "3DFACE");
    expectNums(at(5), "p2", {1, 1, 1});
    EXPECT_EQ(at(5).num("invisible"), 2);
    EXPECT_EQ(at(6).type, "RAY");
    expectNums(at(6), "dir", {0, 0, 1});
    expectNums(at(6), "p0", {1, 1, 1});
    EXPECT_EQ(at(7).type, "XLINE");
    expectNums(at(7), "dir", {std::sqrt(0.5), std::sqrt(0.5), 0});
}
