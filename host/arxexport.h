// Export control of the host's programming interface.
//
// The interface libraries are built with hidden visibility; only what carries
// ARXHOST_API is visible to modules.
#pragma once

#include <cstdint>

#include "platform/achar.h"

#define ARXHOST_API __attribute__((visibility("default")))
