// Fuzz target for the proxy-graphics decoder (host/proxy): besides "no crash, no leak, no read out
// of bounds", it checks the properties of tests/proxy/invariants.h and aborts when one fails.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tests/proxy/invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    proxygfx::DecodeContext ctx;
    ctx.r2010OrLater = size % 2 == 0;  // both forms of the lightweight-polyline record
    proxygfx::DecodedGraphics g = proxygfx::decodeProxyGraphics(data, size, ctx);
    if (const char* violation = proxytest::invariantViolation(g, in)) {
        std::fprintf(stderr, "property violated: %s\n", violation);
        std::abort();
    }
    return 0;
}
