// Proxy entities turned into ordinary geometry: the pieces of their stored
// pictures, or an outline of the box they stored. The command runs over every
// block of the drawing; the two LISP functions over one block or one proxy.
#include <cstdio>

#include "host/aced.h"
#include "shardex.h"

namespace shardex {

namespace {

#ifndef ARX_NARROW
// A closed 3D polyline around the proxy's box at its lowest z, with the proxy's
// layer, linetype and colour. Null when the proxy's extents cannot be had.
AcDbEntity* boxOutline(const AcDbEntity* proxy) {
    AcDbExtents box;
    if (proxy->getGeomExtents(box) != Acad::eOk) return nullptr;
    const AcGePoint3d& lo = box.minPoint();
    const AcGePoint3d& hi = box.maxPoint();
    std::vector<AcGePoint3d> corners{AcGePoint3d(lo.x, lo.y, lo.z), AcGePoint3d(lo.x, hi.y, lo.z),
                                     AcGePoint3d(hi.x, hi.y, lo.z), AcGePoint3d(hi.x, lo.y, lo.z)};
    auto* outline = new AcDb3dPolyline(AcDb::k3dSimplePoly, corners, true);
    outline->setLayer(proxy->layerId(), true);
    outline->setLinetype(proxy->linetypeId(), true);
    outline->setColor(proxy->color(), true);
    return outline;
}
#endif

void deletePieces(AcDbVoidPtrArray& pieces) {
    for (void* p : pieces) delete static_cast<AcDbEntity*>(p);
    pieces.clear();
}

// Adds the pieces to a block open for write, in order: an added piece is
// closed, a refused one deleted. False when the block refused any.
bool appendPieces(AcDbBlockTableRecord* block, AcDbVoidPtrArray& pieces) {
    bool all = true;
    for (void* p : pieces) {
        auto* piece = static_cast<AcDbEntity*>(p);
        if (block->appendAcDbEntity(piece) == Acad::eOk) {
            piece->close();
        } else {
            delete piece;
            all = false;
        }
    }
    pieces.clear();
    return all;
}

// Tells the host that the references showing the block must be redrawn.
void markReferences(const AcDbObjectIdArray& references) {
    for (AcDbObjectId id : references) {
        AcDbBlockReference* ref = nullptr;
        if (acdbOpenObject(ref, id, AcDb::kForWrite) != Acad::eOk) continue;
        ref->recordGraphicsModified(true);
        ref->close();
    }
}

// Removes the proxies whose pieces are safely in their block.
void removeProxies(const std::vector<AcDbObjectId>& proxies) {
    for (AcDbObjectId id : proxies) {
        AcDbEntity* proxy = nullptr;
        if (acdbOpenObject(proxy, id, AcDb::kForWrite) != Acad::eOk) continue;
#ifdef ARX_NARROW
        proxy->erase(true);
        proxy->close();
#else
        if (eraseOrHandOver(proxy, Replacement::Line) == EraseOutcome::Erased) proxy->close();
#endif
    }
}

}  // namespace

// The block is read while its entities are walked and switched to write once,
// after the walk, to take all pieces in one go. The proxies are erased only
// after their pieces are in the block: when the block cannot be written, both
// stay as they were instead of the proxies going and their pieces with them.
int explodeProxiesInBlock(AcDbObjectId blockId, int32_t& handled, int32_t& produced) {
    if (blockId.isNull()) return -2;
    AcDbBlockTableRecord* block = nullptr;
    if (acdbOpenObject(block, blockId, AcDb::kForRead) != Acad::eOk) return -2;
    AcDbBlockTableRecordIterator* it = nullptr;
    if (block->newIterator(it, true, true) != Acad::eOk || !it) {
        block->close();
        return -2;
    }
    AcDbVoidPtrArray pending;
    std::vector<AcDbObjectId> proxies;
    for (it->start(true, true); !it->done(); it->step(true, true)) {
        AcDbEntity* ent = nullptr;
        if (it->getEntity(ent, AcDb::kForWrite) != Acad::eOk) continue;
        AcDbProxyEntity* proxy = AcDbProxyEntity::cast(ent);
        if (!proxy) {
            ent->close();
            continue;
        }
#ifdef ARX_NARROW
        proxy->explode(pending);
#else
        AcDbProxyEntity::GraphicsMetafileType kind = proxy->graphicsMetafileType();
        if (kind == AcDbProxyEntity::kFullGraphics) {
            proxy->explode(pending);
        } else if (kind == AcDbProxyEntity::kBoundingBox) {
            if (AcDbEntity* outline = boxOutline(proxy)) pending.push_back(outline);
        } else {
            proxy->close();
            continue;
        }
#endif
        ++handled;
        proxies.push_back(proxy->objectId());
        proxy->close();
    }
    produced += static_cast<int32_t>(pending.size());
    delete it;

    AcDbObjectIdArray references;
    block->getBlockReferenceIds(references, true, false);
    if (pending.empty()) {
        block->close();
        // Proxies whose pictures give nothing go all the same.
        removeProxies(proxies);
        return 0;
    }
    Acad::ErrorStatus es = block->upgradeOpen();
    bool writable = es == Acad::eOk || es == Acad::eWasOpenForWrite;
    if (writable) appendPieces(block, pending);
    else deletePieces(pending);
    block->close();
    if (writable) removeProxies(proxies);
    markReferences(references);
    return 0;
}

namespace {

#ifdef ARX_NARROW
// The older build prints its messages only while CMDECHO is on.
bool echoOn() {
    resbuf rb{};
    if (acedGetVar("cmdecho", &rb) != RTNORM) return true;
    return rb.restype != RTSHORT || rb.resval.rint != 0;
}
#define SHARDEX_SAY(...)                 \
    do {                                 \
        if (echo) acutPrintf(__VA_ARGS__); \
    } while (0)
#else
#define SHARDEX_SAY(...) acutPrintf(__VA_ARGS__)
#endif

}  // namespace

void explodeAllProxyCommand() {
#ifdef ARX_NARROW
    const bool echo = echoOn();
#endif
    UnlockedLayers unlocked = unlockAllLayers();
    AcDbDatabase* db = workingDatabase();
    AcDbBlockTable* table = nullptr;
    if (!db || db->getSymbolTable(table, AcDb::kForRead) != Acad::eOk) {
        SHARDEX_SAY(ACRX_T("\nНе могу открыть таблицу блоков!"));
        relockLayers(unlocked);
        return;
    }
    AcDbBlockTableIterator* it = nullptr;
    if (table->newIterator(it, true, true) != Acad::eOk || !it) {
        table->close();
        SHARDEX_SAY(ACRX_T("\nНе могу создать итератор для таблицы блоков!"));
        relockLayers(unlocked);
        return;
    }
    std::vector<AcDbObjectId> blocks;
    for (it->start(true, true); !it->done(); it->step(true, true)) {
        AcDbObjectId id;
        if (it->getRecordId(id) == Acad::eOk) blocks.push_back(id);
    }
    delete it;
    table->close();

    ProxyCounters totals;
    for (AcDbObjectId id : blocks)
        if (explodeProxiesInBlock(id, totals.handled, totals.produced) != 0)
            SHARDEX_SAY(ACRX_T("\nОшибка расчленения ACAD_PROXY_ENTITY!"));
    SHARDEX_SAY(ACRX_T("\nУдалено Proxy: %d Новых объектов: %d"), static_cast<int>(totals.handled),
                static_cast<int>(totals.produced));
    relockLayers(unlocked);
}

namespace {

// The block a LISP argument names: a block name or any entity of the block.
// Sets `result` to the code to return when there is no block to work on;
// `hasValue` false means the function returns no value.
AcDbObjectId blockOfArgument(const resbuf* arg, int& result, bool& hasValue) {
    hasValue = true;
    result = -2;
    if (arg->restype == RTSTR) {
        const ACHAR* name = arg->resval.rstring;
        AcDbDatabase* db = workingDatabase();
        if (!name || !db) return AcDbObjectId();
        AcDbBlockTable* table = nullptr;
        if (db->getSymbolTable(table, AcDb::kForRead) != Acad::eOk) return AcDbObjectId();
        AcDbObjectId found;
#ifdef ARX_NARROW
        AcDbBlockTableRecord* record = nullptr;
        if (table->getAt(name, record, AcDb::kForRead) == Acad::eOk) {
            found = record->objectId();
            record->close();
        }
#else
        AcDbObjectId id;
        if (table->getIdAt(name, id, false) == Acad::eOk) {
            AcDbBlockTableRecord* record = nullptr;
            if (acdbOpenObject(record, id, AcDb::kForRead) == Acad::eOk) {
                found = record->objectId();
                record->close();
            }
        }
#endif
        table->close();
        return found;
    }
    if (arg->restype == RTENAME) {
        AcDbObjectId id;
        acdbGetObjectId(id, arg->resval.rlname);
        AcDbEntity* ent = nullptr;
        if (acdbOpenObject(ent, id, AcDb::kForRead) != Acad::eOk) return AcDbObjectId();
        AcDbObjectId block = ent->blockId();
        ent->close();
        if (block.isNull()) hasValue = false;
        return block;
    }
    hasValue = false;
    return AcDbObjectId();
}

}  // namespace

int explodeAllProxyInBlockLisp() {
    const resbuf* args = acedGetArgs();
    if (!args) {
        acedRetInt(-1);
        return RSRSLT;
    }
    int result = -2;
    bool hasValue = true;
    AcDbObjectId block = blockOfArgument(args, result, hasValue);
    if (!hasValue) return RSRSLT;
    if (block.isNull()) {
        acedRetInt(result);
        return RSRSLT;
    }
    ProxyCounters totals;
    acedRetInt(explodeProxiesInBlock(block, totals.handled, totals.produced));
    return RSRSLT;
}

// Explodes one proxy into its block. The block is opened for write before the
// proxy is erased, so that a block that cannot take the pieces leaves the
// proxy as it was.
int explodeProxyEntity(const resbuf* args) {
    if (!args || args->restype != RTENAME) return -1;
    AcDbObjectId id;
    if (acdbGetObjectId(id, args->resval.rlname) != Acad::eOk) return -2;
    AcDbProxyEntity* proxy = nullptr;
    if (acdbOpenObject(proxy, id, AcDb::kForWrite) != Acad::eOk) return -2;
    AcDbObjectId blockId = proxy->blockId();
    AcDbVoidPtrArray pieces;
#ifndef ARX_NARROW
    if (proxy->graphicsMetafileType() != AcDbProxyEntity::kFullGraphics) {
        proxy->close();
        return -3;
    }
#endif
    if (proxy->explode(pieces) != Acad::eOk) {
        deletePieces(pieces);
        proxy->close();
        return -3;
    }
    AcDbBlockTableRecord* block = nullptr;
    if (acdbOpenObject(block, blockId, AcDb::kForWrite) != Acad::eOk) {
        deletePieces(pieces);
        proxy->close();
        return -2;
    }
#ifdef ARX_NARROW
    // The older build has no hand-over: a refused erase leaves the proxy.
    bool refused = proxy->erase(true) != Acad::eOk;
    proxy->close();
#else
    EraseOutcome outcome = eraseOrHandOver(proxy, Replacement::Line);
    if (outcome == EraseOutcome::Erased) proxy->close();
    bool refused = outcome != EraseOutcome::Erased;
#endif
    bool allIn = appendPieces(block, pieces);
    if (refused || !allIn) {
        block->close();
        return -4;
    }
    block->downgradeOpen();
    AcDbObjectIdArray references;
    block->getBlockReferenceIds(references, true, false);
    block->close();
    markReferences(references);
    return 0;
}

int shardexEntityLisp() {
    acedRetInt(explodeProxyEntity(acedGetArgs()));
    return RSRSLT;
}

}  // namespace shardex
