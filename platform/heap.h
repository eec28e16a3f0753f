// The one pair of functions that allocates and releases heap strings crossing
// the host boundary. Host getters hand out strings made with acStrAlloc, callers
// release them with acStrFree, and the recoding engine reallocates with the same
// pair, so a string is always released by the allocator that made it.
#pragma once

#include <cstddef>

#include "platform/achar.h"

// Allocate room for n code units (the caller adds one for the terminator).
char* acStrAllocA(std::size_t n);
char16_t* acStrAllocW(std::size_t n);
// Release a string made by acStrAlloc*; null is allowed.
void acStrFree(char* s);
void acStrFree(char16_t* s);

template <class C>
C* acStrAlloc(std::size_t n);
template <>
inline char* acStrAlloc<char>(std::size_t n) {
    return acStrAllocA(n);
}
template <>
inline char16_t* acStrAlloc<char16_t>(std::size_t n) {
    return acStrAllocW(n);
}

// Heap copy of a NUL-terminated string (null gives null).
char* acStrDup(const char* s);
char16_t* acStrDup(const char16_t* s);
