// The handle space of a drawing, as a walk over it needs it.
#pragma once

#include <vector>

#include "host/dbid.h"

class AcDbDatabase;

// The handles of every object of `db` (erased objects included, so that there
// are as many as approxNumObjects() counts), in ascending order. A walk over
// the handle numbers can visit these instead of every number up to the handle
// seed, which may lie near 2^63 in drawings written by other programs.
// eNoDatabase for a null database.
ARXHOST_API Acad::ErrorStatus acdbHandlesInUse(const AcDbDatabase* db, std::vector<AcDbHandle>& handles);
