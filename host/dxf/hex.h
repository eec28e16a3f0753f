// Hex text of binary-chunk values (group codes 310-319 and 1004 in an ASCII DXF).
#pragma once

#include <string>
#include <string_view>

namespace dxf {

// Appends the bytes as upper-case hex digits, two per byte.
void hexEncode(std::string_view bytes, std::string& out);

// Appends the bytes spelled by hex digits (either case; blanks around the text are ignored).
// Returns false and sets error (naming the position in the text) on an invalid digit or an odd
// number of digits; the bytes before the fault are still appended, and an odd last digit is
// dropped.
bool hexDecode(std::string_view hex, std::string& out, std::string& error);

}  // namespace dxf
