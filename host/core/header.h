// Header variables of a drawing: the one place that reads their value tags, whether the
// variable is still the file's bytes or has been changed, and that sets them.
#pragma once

#include <string_view>

#include "host/core/drawing.h"

namespace hostcore {

// The value tags of a header variable (its own 9 tag left out), in UTF-8: the changed tags, or
// those of the file's bytes decoded with the drawing's code page.
TagList headerTags(const Drawing& d, const HeaderVar& v);

// The first variable of that name ("$CLAYER"), or null.
const HeaderVar* findHeader(const Drawing& d, std::string_view name);
HeaderVar* findHeader(Drawing& d, std::string_view name);

// Gives the variable these value tags; a variable the drawing lacks is added at the end. The
// value the file holds makes the variable the file's bytes again.
void setHeaderTags(Drawing& d, std::string_view name, TagList tags);

}  // namespace hostcore
