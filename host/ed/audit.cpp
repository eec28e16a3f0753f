// AUDIT: a consistency check of the working drawing.
#include "host/ed/editor.h"

namespace arxed {

void cmdAudit() {
    print("\nAUDIT is not available yet.");
}

}  // namespace arxed
