// Stand-ins for module glue of the host's programming interface: the
// user-interface library's start call and the dynamic-property manager.
#include "host/acrxapp.h"
#include "host/ui/acui.h"

namespace {
int uiInits = 0;
int propertyManagers = 0;
}  // namespace

void InitAcUiDLL() {
    ++uiInits;
}

int acuiInitCount() {
    return uiInits;
}

AcRxDynPropManager::AcRxDynPropManager() {
    ++propertyManagers;
}

AcRxDynPropManager::~AcRxDynPropManager() {
    --propertyManagers;
}

int acrxDynPropManagerCount() {
    return propertyManagers;
}
