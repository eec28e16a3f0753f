#include "host/scalelist.h"

#include "host/arx/internal.h"
#include "host/core/scalelist.h"

void acedResetScaleList(bool resetToDefaults, bool includeXrefScales, AcDbDatabase* db) {
    (void)includeXrefScales;
    if (!resetToDefaults || !db) return;
    if (hostcore::Drawing* d = arxhost::drawingOf(db)) hostcore::resetScaleList(*d);
}
