// RemoveAllProxy: every proxy of the drawing, found by a walk over its handles
// (so that objects no block or dictionary reaches are found too), erased after
// the user has answered whether to reset the scale list.
#include <algorithm>
#include <cstdint>

#include "host/aced.h"
#include "host/dbhandles.h"
#include "platform/module.h"
#include "shardex.h"

namespace shardex {

namespace {

// Handles are compared as signed 64-bit numbers, as the file's hexadecimal
// values are read.
int64_t handleNumber(const AcDbHandle& h) {
    return static_cast<int64_t>(h.value());
}

struct Found {
    std::vector<AcDbObjectId> proxies;  // in handle order
    int64_t all = 0;
    int64_t entities = 0;
};

// Looks at every object whose handle lies in [start, end), in handle order,
// until `budget` objects have been met. Handles without an object are not
// visited at all, so the walk costs what the drawing holds, not the span of its
// handle numbers. Layers of proxy entities are unlocked as they are met.
Found scanHandles(AcDbDatabase* db, const std::vector<AcDbHandle>& inUse, int64_t start, int64_t end,
                  int32_t budget, UnlockedLayers& unlocked) {
    std::vector<int64_t> numbers;
    numbers.reserve(inUse.size());
    for (const AcDbHandle& h : inUse) {
        int64_t n = handleNumber(h);
        if (n >= start && n < end) numbers.push_back(n);
    }
    // Sorted as unsigned numbers; handles with the top bit set come first when
    // counted as signed ones.
    if (start < 0) std::sort(numbers.begin(), numbers.end());

    Found found;
    std::vector<AcDbObjectId> layersSeen;
    for (int64_t n : numbers) {
        if (budget <= 0) break;
        AcDbObjectId id;
        if (db->getAcDbObjectId(id, false, AcDbHandle(static_cast<uint64_t>(n)), 0) != Acad::eOk) continue;
        --budget;
        AcDbObject* obj = nullptr;
        if (acdbOpenObject(obj, id, AcDb::kForRead) != Acad::eOk) continue;
        if (!obj->isAProxy()) {
            obj->close();
            continue;
        }
        ++found.all;
        found.proxies.push_back(id);
        if (AcDbEntity* ent = AcDbEntity::cast(obj)) {
            ++found.entities;
            AcDbObjectId layer = ent->layerId();
            if (std::find(layersSeen.begin(), layersSeen.end(), layer) == layersSeen.end()) {
                layersSeen.push_back(layer);
                unlockLayerOnDemand(layer, unlocked);
            }
        }
        obj->close();
    }
    return found;
}

#ifndef ARX_NARROW
using ResetScaleListFn = void (*)(bool, bool, AcDbDatabase*);

bool isYes(const ACHAR* keyword) {
    const char* yes = "yes";
    for (int i = 0; i < 3; ++i) {
        ACHAR c = keyword[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<ACHAR>(c - 'A' + 'a');
        if (c != yes[i]) return false;
    }
    return keyword[3] == 0;
}

// Offers to reset the drawing's scale list, when the host has the operation.
void offerScaleListReset(AcDbDatabase* db) {
    HMODULE core = LoadLibraryW(u"accore.dll");
    if (!core) core = LoadLibraryW(u"acad.exe");
    if (!core) return;
    FARPROC proc = GetProcAddress(core, "?acedResetScaleList@@YAX_N0PEAVAcDbDatabase@@@Z");
    if (proc) {
        acedInitGet(0, ACRX_T("Да Нет Yes No _ Yes No Yes No"));
        ACHAR keyword[512] = {0};
        int rc = acedGetKword(ACRX_T("\nОчистить список масштабов? [Да/Нет] <Да>: "), keyword);
        if (rc == RTNONE || (rc == RTNORM && isYes(keyword)))
            reinterpret_cast<ResetScaleListFn>(proc)(true, false, db);
    }
    FreeLibrary(core);
}
#endif

}  // namespace

void removeAllProxyCommand() {
    AcDbDatabase* db = workingDatabase();
    if (!db) return;
    std::vector<AcDbHandle> inUse;
    acdbHandlesInUse(db, inUse);
    AcDbHandle first = db->blockTableId().handle();
    AcDbHandle seed = db->handseed();
    // Files of other programs do not always give the block table the lowest
    // handle: the walk starts at the lowest one in use so that nothing is missed.
    if (!inUse.empty() && handleNumber(inUse.front()) >= 0 && handleNumber(inUse.front()) < handleNumber(first))
        first = inUse.front();
    ACHAR firstText[256], seedText[256];
    first.getIntoAsciiBuffer(firstText, 256);
    seed.getIntoAsciiBuffer(seedText, 256);
    acutPrintf(ACRX_T("\nПервая метка объекта: <%s>, последняя метка объекта: <%s>"), firstText, seedText);

    UnlockedLayers unlocked;
    Found found = scanHandles(db, inUse, handleNumber(first), handleNumber(seed), db->approxNumObjects(), unlocked);
    ACHAR line[512];
    acutSPrintf(line, 512, ACRX_T("\nВсего найдено proxy-объектов: %I64d. Из них proxy-примитивов: %I64d."), found.all,
                found.entities);
    acutPrintf(ACRX_T("%s"), line);

#ifndef ARX_NARROW
    offerScaleListReset(db);
#endif

    int32_t removed = 0, removedEntities = 0;
    for (AcDbObjectId id : found.proxies) {
        AcDbObject* obj = nullptr;
        if (acdbOpenObject(obj, id, AcDb::kForWrite) != Acad::eOk) continue;
        bool entity = AcDbEntity::cast(obj) != nullptr;
        switch (eraseOrHandOver(obj, entity ? Replacement::Line : Replacement::Dictionary)) {
        case EraseOutcome::Erased:
            obj->close();
            [[fallthrough]];
        case EraseOutcome::HandedOver:
            ++removed;
            if (entity) ++removedEntities;
            break;
        case EraseOutcome::NotErased: break;
        }
    }
    relockLayers(unlocked);
    acutPrintf(ACRX_T("\nВсего удалено proxy-объектов: %d. Из них proxy-примитивов: %d."), static_cast<int>(removed),
               static_cast<int>(removedEntities));
    acutPrintf(ACRX_T("\nДля проверки ошибок выполните команду _AUDIT"));
}

}  // namespace shardex
