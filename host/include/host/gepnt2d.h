// AcGePoint2d (points in a plane) of the geometry library; it lives in gegeom2d.h.
#pragma once

#include "host/gegeom2d.h"
