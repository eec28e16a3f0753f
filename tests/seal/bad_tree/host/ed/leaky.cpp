// An editor source that reads the drawing core directly: the check must reject it.
#include "host/core/drawing.h"

int recordCount(const hostcore::Drawing& d) { return static_cast<int>(d.entries.size()); }
