// Tag helpers shared by the curve entities (curves.cpp) and the explode of
// proxies (proxy.cpp). Not seen by modules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/arx/internal.h"
#include "host/dbcurves.h"

namespace arxhost::curves {

// Index of the first `code` tag of subclass `sub`, or -1.
int findIn(const TagList& t, std::string_view sub, int code);
double realIn(const TagList& t, std::string_view sub, int code, double def);
AcGePoint3d pointIn(const TagList& t, std::string_view sub, int x, const AcGePoint3d& def);
// The extrusion (210/220/230) of subclass `sub`, unit length; the z axis when absent.
AcGeVector3d normalIn(const TagList& t, std::string_view sub);
// Sets the first `code` tag of subclass `sub`, or adds one at the end of the subclass.
void setIn(TagList& t, std::string_view sub, int code, std::string value);
void setRealIn(TagList& t, std::string_view sub, int code, double v);
void setPointIn(TagList& t, std::string_view sub, int x, const AcGePoint3d& p);
void eraseIn(TagList& t, std::string_view sub, int code);
// Writes the extrusion, leaving it out when it is the z axis.
void setNormalIn(TagList& t, std::string_view sub, const AcGeVector3d& n);
// Object coordinates (arbitrary-axis rule of the normal) from and to the world.
AcGePoint3d ocsToWorld(const AcGePoint3d& p, const AcGeVector3d& n);
AcGePoint3d worldToOcs(const AcGePoint3d& p, const AcGeVector3d& n);
double toDegrees(double radians);
double toRadians(double degrees);

struct LwVertex {
    double x = 0, y = 0;
    double startWidth = 0, endWidth = 0;
    double bulge = 0;
    bool hasWidths = false;
};
struct LwData {
    int flags = 0;  // 1 closed, 128 linetype generation
    double constantWidth = 0, elevation = 0, thickness = 0;
    AcGeVector3d normal{0, 0, 1};
    std::vector<LwVertex> verts;
};
LwData readLw(const TagList& t);
// Rewrites the AcDbPolyline subclass from `d` (adding it when missing).
void writeLw(TagList& t, const LwData& d);

}  // namespace arxhost::curves
