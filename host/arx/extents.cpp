// Extents of entities, and the kind of picture a proxy stores.
#include "host/arx/internal.h"
#include "host/proxy/graphics.h"

using Acad::ErrorStatus;
using namespace arxhost;

namespace {

proxygfx::DecodeContext contextOf(const ObjectState& s) {
    proxygfx::DecodeContext ctx;
    if (s.entry) {
        const Drawing& d = *s.entry->drawing;
        ctx.codec = d.codec;
        ctx.r2010OrLater = d.acadver >= "AC1024";
    }
    return ctx;
}

}  // namespace

ErrorStatus AcDbEntity::getGeomExtents(AcDbExtents& extents) const {
    if (const AcDbLine* line = AcDbLine::cast(this)) {
        extents = AcDbExtents(line->startPoint(), line->endPoint());
        return Acad::eOk;
    }
    if (const AcDb3dPolyline* pl = AcDb3dPolyline::cast(this)) {
        std::vector<AcGePoint3d> pts;
        pl->getVertices(pts);
        if (pts.empty()) return Acad::eInvalidExtents;
        AcDbExtents box;
        for (const AcGePoint3d& p : pts) box.addPoint(p);
        extents = box;
        return Acad::eOk;
    }
    const ObjectState& s = st(this);
    const proxygfx::GraphicsBytes bytes =
        proxygfx::collectGraphicsBytes(s.tags, isKindOf(AcDbProxyEntity::desc()));
    const proxygfx::GraphicsKind kind = proxygfx::classifyGraphicsBytes(bytes);
    if (kind == proxygfx::GraphicsKind::None) return Acad::eInvalidExtents;
    const proxygfx::DecodedGraphics g = proxygfx::decodeProxyGraphics(bytes.bytes, contextOf(s));
    if (kind == proxygfx::GraphicsKind::Full) {
        if (auto drawn = proxygfx::drawnExtents(g); drawn && drawn->isValid()) {
            extents = *drawn;
            return Acad::eOk;
        }
    }
    if (g.extents && g.extents->isValid()) {
        extents = *g.extents;
        return Acad::eOk;
    }
    return Acad::eInvalidExtents;
}

AcDbProxyEntity::GraphicsMetafileType AcDbProxyEntity::graphicsMetafileType() const {
    const proxygfx::GraphicsBytes bytes = proxygfx::collectGraphicsBytes(st(this).tags, true);
    return static_cast<GraphicsMetafileType>(static_cast<int>(proxygfx::classifyGraphicsBytes(bytes)));
}
