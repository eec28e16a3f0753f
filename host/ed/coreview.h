// Read access to the drawing behind a database, for what the interface does
// not offer yet (geometry of entities, header variables by name). The editor
// reads records through this; it changes only header variables and
// variable-dictionary values, never an object that is open.
#pragma once

#include <string>
#include <vector>

#include "host/core/drawing.h"
#include "host/core/ids.h"
#include "host/dbmain.h"

namespace arxed {

hostcore::Drawing* drawingOf(AcDbDatabase* db);
// The record's type ("LINE") and tags (UTF-8).
std::string typeOf(AcDbObjectId id);
hostcore::TagList tagsOf(AcDbObjectId id);
// First value of a header variable ($CLAYER: the tag with `code`, or the first
// tag when code is 0); false when the drawing lacks it.
bool headerValue(hostcore::Drawing& d, const std::string& var, std::vector<hostcore::Tag>& tags);
void setHeaderValue(hostcore::Drawing& d, const std::string& var, const std::vector<hostcore::Tag>& tags);

}  // namespace arxed
