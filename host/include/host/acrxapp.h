// Module glue of the host's programming interface that older and wizard-made
// modules carry: the dynamic-property manager an application object holds, and
// the pointer-table export of the older generation.
#pragma once

#include "host/edexport.h"

// Holds the dynamic properties a module declares for the property palette. This
// host has no palette: a manager holds nothing, and a module creates it on
// initialisation and deletes it on unload like any other.
class ARXED_API AcRxDynPropManager {
public:
    AcRxDynPropManager();
    ~AcRxDynPropManager();
    AcRxDynPropManager(const AcRxDynPropManager&) = delete;
    AcRxDynPropManager& operator=(const AcRxDynPropManager&) = delete;
};

// How many managers exist now (for tests and diagnostics).
ARXED_API int acrxDynPropManagerCount();

// A module of the older generation may export, with C linkage,
//   void _SetacrxPtp(void* table);
// The host calls it once, after loading the module and before its first
// message, with the table of its services (the system registry).
typedef void (*AcRxSetPtpFn)(void* table);
#define ARX_SET_PTP_NAME "_SetacrxPtp"
