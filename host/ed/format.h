// The platform's formatted printing, written out here so that no format string
// ever reaches the C library: %s takes a string of the build's ACHAR (%hs a
// narrow one, %ls / %S a UTF-16 one in either build), %c an ACHAR, %I64d /
// %I64x / %lld are 64-bit, %I32d 32-bit, %d %i %u %x %X %o %c %f %F %e %E %g
// %G %p %% with flags (- 0 + space #), width and precision (digits or *).
// An unknown conversion is copied as it stands; %n writes nothing.
#pragma once

#include <cstdarg>
#include <string>

#include "host/edexport.h"

namespace arxed {

std::basic_string<ACHAR> formatV(const ACHAR* format, va_list args);

}  // namespace arxed
