// Curves and other simple entities: points, circles, arcs, ellipses,
// lightweight polylines, 3D faces, rays and construction lines. What a proxy's
// explode yields (AcDbEntity::explode), and what modules may create.
//
// Points are world coordinates throughout; entities that the DXF format keeps
// in their object coordinate system (circles, arcs, lightweight polylines) are
// converted on the way in and out. Angles are radians. A new entity has the
// tags AutoCAD writes for it (layer 0, everything else by default).
#pragma once

#include "host/dbmain.h"
#include "host/gepnt2d.h"

class ARXHOST_API AcDbPoint : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbPoint);
    AcDbPoint();
    explicit AcDbPoint(const AcGePoint3d& position);
    ~AcDbPoint() override;
    AcGePoint3d position() const;
    Acad::ErrorStatus setPosition(const AcGePoint3d& p);
};

class ARXHOST_API AcDbCircle : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbCircle);
    AcDbCircle();
    AcDbCircle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius);
    ~AcDbCircle() override;
    AcGePoint3d center() const;
    Acad::ErrorStatus setCenter(const AcGePoint3d& center);
    double radius() const;
    Acad::ErrorStatus setRadius(double radius);
    AcGeVector3d normal() const;
    // Keeps the centre where it is in the world.
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
};

class ARXHOST_API AcDbArc : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbArc);
    AcDbArc();
    // Counterclockwise about the normal from startAngle to endAngle, both
    // measured from the x axis of the normal's plane (arbitrary-axis rule).
    AcDbArc(const AcGePoint3d& center, const AcGeVector3d& normal, double radius, double startAngle,
            double endAngle);
    ~AcDbArc() override;
    AcGePoint3d center() const;
    Acad::ErrorStatus setCenter(const AcGePoint3d& center);
    double radius() const;
    Acad::ErrorStatus setRadius(double radius);
    AcGeVector3d normal() const;
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double startAngle() const;
    Acad::ErrorStatus setStartAngle(double angle);
    double endAngle() const;
    Acad::ErrorStatus setEndAngle(double angle);
};

class ARXHOST_API AcDbEllipse : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbEllipse);
    AcDbEllipse();
    // majorAxis: from the centre to the end of the major axis; radiusRatio:
    // minor over major radius (0 < ratio <= 1); the parameters of the ends
    // (0 and 2*pi for a whole ellipse).
    AcDbEllipse(const AcGePoint3d& center, const AcGeVector3d& normal, const AcGeVector3d& majorAxis,
                double radiusRatio, double startParam = 0.0, double endParam = 6.283185307179586);
    ~AcDbEllipse() override;
    AcGePoint3d center() const;
    AcGeVector3d normal() const;
    AcGeVector3d majorAxis() const;
    double radiusRatio() const;
    double startParam() const;
    double endParam() const;
    Acad::ErrorStatus set(const AcGePoint3d& center, const AcGeVector3d& normal, const AcGeVector3d& majorAxis,
                          double radiusRatio, double startParam = 0.0, double endParam = 6.283185307179586);
};

// A lightweight polyline (LWPOLYLINE): vertices in the plane of its normal at
// its elevation, each with the bulge and the widths of the segment it starts.
class ARXHOST_API AcDbPolyline : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbPolyline);
    AcDbPolyline();
    ~AcDbPolyline() override;
    unsigned int numVerts() const;
    // The vertex in the polyline's own plane (object coordinates) / in the world.
    Acad::ErrorStatus getPointAt(unsigned int index, AcGePoint2d& pt) const;
    Acad::ErrorStatus getPointAt(unsigned int index, AcGePoint3d& pt) const;
    Acad::ErrorStatus getBulgeAt(unsigned int index, double& bulge) const;
    Acad::ErrorStatus getWidthsAt(unsigned int index, double& startWidth, double& endWidth) const;
    // Inserts a vertex before `index` (numVerts() appends).
    Acad::ErrorStatus addVertexAt(unsigned int index, const AcGePoint2d& pt, double bulge = 0.0,
                                  double startWidth = -1.0, double endWidth = -1.0);
    bool isClosed() const;
    Acad::ErrorStatus setClosed(bool closed);
    double elevation() const;
    Acad::ErrorStatus setElevation(double elevation);
    AcGeVector3d normal() const;
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    // The width of every segment (0 when the vertices carry widths of their own).
    Acad::ErrorStatus getConstantWidth(double& width) const;
    Acad::ErrorStatus setConstantWidth(double width);
    double thickness() const;
    Acad::ErrorStatus setThickness(double thickness);
};

// A 3D face: four corners (a triangle repeats its third), and which edges are
// hidden.
class ARXHOST_API AcDbFace : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbFace);
    AcDbFace();
    AcDbFace(const AcGePoint3d& p0, const AcGePoint3d& p1, const AcGePoint3d& p2, const AcGePoint3d& p3,
             bool e0vis = true, bool e1vis = true, bool e2vis = true, bool e3vis = true);
    ~AcDbFace() override;
    Acad::ErrorStatus getVertexAt(uint16_t index, AcGePoint3d& pt) const;
    Acad::ErrorStatus setVertexAt(uint16_t index, const AcGePoint3d& pt);
    Acad::ErrorStatus isEdgeVisibleAt(uint16_t index, bool& visible) const;
    Acad::ErrorStatus makeEdgeVisibleAt(uint16_t index);
    Acad::ErrorStatus makeEdgeInvisibleAt(uint16_t index);
};

// A ray (from its base point in one direction) and a construction line (both
// directions).
class ARXHOST_API AcDbRay : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbRay);
    AcDbRay();
    ~AcDbRay() override;
    AcGePoint3d basePoint() const;
    Acad::ErrorStatus setBasePoint(const AcGePoint3d& p);
    AcGeVector3d unitDir() const;
    // Stored as a unit vector; a zero vector is eInvalidInput.
    Acad::ErrorStatus setUnitDir(const AcGeVector3d& v);
};

class ARXHOST_API AcDbXline : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbXline);
    AcDbXline();
    ~AcDbXline() override;
    AcGePoint3d basePoint() const;
    Acad::ErrorStatus setBasePoint(const AcGePoint3d& p);
    AcGeVector3d unitDir() const;
    Acad::ErrorStatus setUnitDir(const AcGeVector3d& v);
};
