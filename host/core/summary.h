// Drawing properties (title, author, custom properties, ...) as the file keeps
// them: up to R2000 in the DWGPROPS xrecord of the root dictionary, from R2004
// on in header variables ($TITLE ... and $CUSTOMPROPERTYTAG/$CUSTOMPROPERTY pairs).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/core/drawing.h"

namespace hostcore {

struct SummaryInfo {
    std::string title, subject, author, keywords, comments, lastSavedBy, revisionNumber,
        hyperlinkBase;
    std::vector<std::pair<std::string, std::string>> custom;  // key, value in order
};

// True when the drawing keeps its properties in header variables.
bool summaryInHeader(const Drawing& d);

SummaryInfo readSummaryInfo(const Drawing& d);
// Stores the properties in the drawing's own form, creating the xrecord or the
// header variables where they are missing. Other data of the xrecord (times)
// is kept.
void writeSummaryInfo(Drawing& d, const SummaryInfo& info);

}  // namespace hostcore
