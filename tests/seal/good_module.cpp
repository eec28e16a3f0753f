// Compiled with a module's include path: every public header must be reachable.
#include "adslib.h"
#include "arxHeaders.h"
#include "dbapserv.h"
#include "host/ui/acadauto.h"
#include "host/ui/afxwin.h"
#include "platform/locale.h"
#include "platform/module.h"
#include "recode/recode.h"

ARX_MODULE_EXPORT int acrxGetApiVersion() { return 0x190000; }
