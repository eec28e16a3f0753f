// Tag-level helpers for texts that several classes share.
#pragma once

#include <string>
#include <vector>

#include "host/core/drawing.h"

namespace arxhost {

// The text of a multiline-text record: its pieces in code 3, then code 1.
std::string mtextContents(const hostcore::TagList& t);
// Stores a multiline text's contents, cut into pieces of at most 250
// characters; a "\U+XXXX" or "\M+XXXXX" escape is never cut.
void setMTextContents(hostcore::TagList& t, const std::string& utf8);
// Removes the stored picture (proxy graphics: 92 or 160 and the 310 run
// after it) from the common entity part of a record. True when there was one.
bool dropProxyGraphics(hostcore::TagList& t);

}  // namespace arxhost

namespace arxhost {
// Cuts UTF-8 text into pieces of at most `limit` characters, never inside an escape.
std::vector<std::string> cutText(const std::string& s, std::size_t limit);
}  // namespace arxhost
