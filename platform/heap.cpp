#include "platform/heap.h"

#include <cstring>

namespace {
template <class C>
C* dupString(const C* s) {
    if (s == nullptr) return nullptr;
    std::size_t n = 0;
    while (s[n] != 0) ++n;
    C* copy = new C[n + 1];
    std::memcpy(copy, s, (n + 1) * sizeof(C));
    return copy;
}
}  // namespace

char* acStrAllocA(std::size_t n) { return new char[n]; }
char16_t* acStrAllocW(std::size_t n) { return new char16_t[n]; }
void acStrFree(char* s) { delete[] s; }
void acStrFree(char16_t* s) { delete[] s; }
char* acStrDup(const char* s) { return dupString(s); }
char16_t* acStrDup(const char16_t* s) { return dupString(s); }
