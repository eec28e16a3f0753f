// AcGeVector3d (vectors) of the geometry library; all of them live in gegeom3d.h.
#pragma once

#include "host/gegeom3d.h"
