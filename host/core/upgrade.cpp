// Bringing a drawing read from an R12 (or older) file into the structure of
// the versions the host writes.
#include "host/core/upgrade.h"

namespace hostcore {

bool upgradeFromR12(Drawing& d, std::string& error) {
    (void)d;
    error = "drawings of release 12 and older can be read but not yet saved";
    return false;
}

}  // namespace hostcore
