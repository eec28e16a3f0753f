// Export control of the host's programming interface.
//
// The interface libraries are built with hidden visibility; only what carries
// ARXHOST_API is visible to modules.
#pragma once

#include <cstdint>

#include "platform/achar.h"

#define ARXHOST_API __attribute__((visibility("default")))

// What a module itself exports to the host: its entry points and its dialog
// templates. Modules are built with hidden visibility; nothing else is seen.
#define ARX_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
