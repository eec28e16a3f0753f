// The drawing's list of annotation scales.
#pragma once

#include "host/arxexport.h"

class AcDbDatabase;

// Puts the default scale list of `db` back (metric, or metric and imperial for
// a drawing in imperial units), removing the scales outside it that nothing
// refers to. With `resetToDefaults` false nothing changes; `includeXrefScales`
// is accepted for the callers that pass it: this host keeps no scales of
// external references. A null database does nothing.
ARXHOST_API void acedResetScaleList(bool resetToDefaults, bool includeXrefScales, AcDbDatabase* db);
