// The host's user-interface extension library as older modules start it.
#pragma once

#include "host/edexport.h"

// Initialises the user-interface library for the calling module (older modules
// call it when they are attached to the process). Calling it again does no harm.
ARXED_API void InitAcUiDLL();

// How many times InitAcUiDLL was called in this session (for tests and diagnostics).
ARXED_API int acuiInitCount();
