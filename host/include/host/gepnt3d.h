// AcGePoint3d (points) under the header name ObjectARX gives it; it lives in gegeom3d.h.
#pragma once

#include "host/gegeom3d.h"
