// Fuzz target for the low-level DXF layer (host/dxf): the ASCII tag reader and writer, the binary
// DXF converter, hex chunks and the text codecs. Besides "no crash, no leak", it checks the
// properties listed in tests/dxf/properties.h and aborts when one fails.
#include "tests/dxf/properties.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (const char* violation = dxftest::propertyViolation(in)) {
        std::fprintf(stderr, "property violated: %s\n", violation);
        std::abort();
    }
    return 0;
}
