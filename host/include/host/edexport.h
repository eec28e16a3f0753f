// Export control of the editor and registration services (libraries arxed and
// arxed_narrow): built with hidden visibility, only ARXED_API is visible.
#pragma once

#include "host/arxexport.h"

#define ARXED_API __attribute__((visibility("default")))
