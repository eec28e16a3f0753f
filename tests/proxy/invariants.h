// What must hold for the decoder's result on any input, however damaged. Shared by the
// property tests and the fuzz target.
#pragma once

#include <cmath>
#include <string_view>

#include "host/proxy/graphics.h"

namespace proxytest {

inline bool finitePoint(const AcGePoint3d& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// The first property the result violates, or nullptr.
inline const char* invariantViolation(const proxygfx::DecodedGraphics& g, std::string_view bytes) {
    using namespace proxygfx;
    // Each record gives at most one piece or one skip.
    if (g.primitives.size() + g.skipped > g.stats.records)
        return "more pieces and skips than records";
    if (g.corrupt && g.kind != GraphicsKind::None) return "corrupt but not kind 0";
    if (g.corrupt && g.message.empty()) return "corrupt without a message";
    if (classifyProxyGraphics(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) !=
        g.kind)
        return "classifyProxyGraphics disagrees with decodeProxyGraphics";
    std::size_t points = 0;
    for (const Primitive& p : g.primitives) {
        points += p.points.size();
        for (const Face& f : p.faces) {
            if (f.corners < 3 || f.corners > 4)
                return "a face with fewer than 3 or more than 4 corners";
            for (uint32_t v : f.v)
                if (v >= p.points.size()) return "a face names a vertex that does not exist";
        }
        for (const AcGePoint3d& q : p.points)
            if (!finitePoint(q)) return "a vertex is not finite";
        if (!finitePoint(p.center) || !std::isfinite(p.radius)) return "a centre is not finite";
        if (!p.bulges.empty() && p.bulges.size() != p.points.size())
            return "bulges do not match vertices";
        if (!p.startWidths.empty() && p.startWidths.size() != p.points.size())
            return "widths do not match vertices";
        if (p.points.empty() &&
            (p.kind == PrimitiveKind::Polyline || p.kind == PrimitiveKind::Polygon ||
             p.kind == PrimitiveKind::Mesh || p.kind == PrimitiveKind::Shell))
            return "a polyline, polygon, mesh or shell without vertices";
    }
    // The extents of what is drawn are finite (and computing them ends).
    if (auto e = drawnExtents(g)) {
        if (!finitePoint(e->minPoint()) || !finitePoint(e->maxPoint())) return "extents not finite";
    }
    // A vertex costs at least four bits (a lightweight polyline's two default-valued doubles).
    if (points > 2 * bytes.size() + 8) return "more vertices than the buffer can hold";
    return nullptr;
}

}  // namespace proxytest
