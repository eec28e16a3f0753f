// Character type of host strings.
//
// The wide build hands strings over as UTF-16 (ACHAR = char16_t); the narrow
// build, compiled with ARX_NARROW, as bytes of the system code page
// (ACHAR = char). ACRX_T turns a literal into the build's string type; in the
// narrow build the compiler encodes such literals in code page 1251.
#pragma once

#include <cstddef>

#ifdef ARX_NARROW
typedef char ACHAR;
#define ACRX_T(s) s
#else
typedef char16_t ACHAR;
#define ACRX_T(s) u##s
#endif

// Length of a NUL-terminated host string, in code units.
inline std::size_t acStrLen(const ACHAR* s) {
    std::size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}
