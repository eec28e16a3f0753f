// Bringing a drawing read from an R12 (or older) file into the structure of
// the versions the host writes: handles for every record, owners, subclass
// markers, block records, the OBJECTS section with its root dictionary.
#pragma once

#include <string>

#include "host/core/drawing.h"

namespace hostcore {

// Called by the loader for files older than R13. On success the drawing is
// one the writer can save as R2000 or later (Drawing::fromR12 stays true, to
// remember where it came from; Drawing::upgraded becomes true). On failure the
// drawing can still be read but not saved; `error` says why.
bool upgradeFromR12(Drawing& d, std::string& error);

}  // namespace hostcore
