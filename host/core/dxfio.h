// Reading a drawing from DXF and writing it back.
#pragma once

#include <cstdio>
#include <string>

#include "host/core/drawing.h"

namespace hostcore {

// Loads DXF bytes (ASCII or binary) into an empty drawing. On failure returns
// false and sets `error` to a message that names the line (or byte offset)
// where reading stopped; the drawing is then unusable.
bool loadDxf(Drawing& d, std::string bytes, std::string& error);

struct SaveOptions {
    std::string acadver;  // version to write ("AC1015" ... "AC1032"); empty = the drawing's own
};

// Writes the drawing as ASCII DXF. Records nobody changed are copied as they
// were read when the output uses the file's own encoding.
bool saveDxf(const Drawing& d, const SaveOptions& options, std::string& out, std::string& error);

// The same, written to an open file in pieces, so that saving a large drawing
// does not hold its whole text in memory. The caller opens, flushes and closes.
bool saveDxf(const Drawing& d, const SaveOptions& options, std::FILE* file, std::string& error);

// Which DXF versions the host writes.
bool isWritableVersion(std::string_view acadver);

}  // namespace hostcore
