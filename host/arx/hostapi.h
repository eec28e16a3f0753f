// What arxhost exports to the host's own libraries (the editor services) beyond the module
// interface: not seen by modules, since this folder is not on their include path.
#pragma once

#include <string>
#include <string_view>

#include "platform/achar.h"

#define ARXHOST_INTERNAL __attribute__((visibility("default")))

namespace arxhost {

using HostString = std::basic_string<ACHAR>;

// The one conversion between host strings and the core's UTF-8, for the database and the
// editor alike. A host string in UTF-8: the narrow build reads bytes of the ANSI code page.
ARXHOST_INTERNAL std::string toUtf8(const ACHAR* s);
ARXHOST_INTERNAL std::string toUtf8(std::basic_string_view<ACHAR> s);
// UTF-8 as a host string; in the narrow build a character the ANSI code page lacks (and a lone
// surrogate, which stands for a byte of a file that did not decode) becomes the text "\U+XXXX",
// never a best-fit stand-in.
ARXHOST_INTERNAL HostString toHostString(std::string_view utf8);

}  // namespace arxhost
