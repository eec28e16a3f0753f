// The narrow engine behind a build-neutral interface, for programs whose own
// code is wide-build code.
#pragma once

#include <string>

// Recode a string of code-page-1251 bytes (no NUL inside) with the narrow
// engine in direction `mode`.
std::string recodeNarrow(const std::string& bytes, int mode);
