// Locked layers are unlocked for the time of a command and locked again at its
// end; an object the host refuses to erase is replaced by a blank one that is
// erased in its place.
#include "shardex.h"

#include <algorithm>

namespace shardex {

AcDbDatabase* workingDatabase() {
    return acdbHostApplicationServices()->workingDatabase();
}

UnlockedLayers unlockAllLayers() {
    UnlockedLayers unlocked;
    AcDbDatabase* db = workingDatabase();
    if (!db) return unlocked;
    AcDbLayerTable* table = nullptr;
    if (db->getSymbolTable(table, AcDb::kForRead) != Acad::eOk) return unlocked;
    AcDbLayerTableIterator* it = nullptr;
    if (table->newIterator(it, true, true) != Acad::eOk || !it) {
        table->close();
        return unlocked;
    }
    for (it->start(true, true); !it->done(); it->step(true, true)) {
        AcDbObjectId id;
        if (it->getRecordId(id) != Acad::eOk) continue;
        AcDbLayerTableRecord* layer = nullptr;
        if (acdbOpenObject(layer, id, AcDb::kForWrite) != Acad::eOk) continue;
        if (layer->isLocked()) {
            layer->setIsLocked(false);
            unlocked.push_back(id);
        }
        layer->close();
    }
    delete it;
    table->close();
    return unlocked;
}

void unlockLayerOnDemand(AcDbObjectId layerId, UnlockedLayers& unlocked) {
    if (std::find(unlocked.begin(), unlocked.end(), layerId) != unlocked.end()) return;
    AcDbLayerTableRecord* layer = nullptr;
    if (acdbOpenObject(layer, layerId, AcDb::kForWrite) != Acad::eOk) return;
    if (layer->isLocked()) {
        layer->setIsLocked(false);
        unlocked.push_back(layerId);
    }
    layer->close();
}

void relockLayers(const UnlockedLayers& unlocked) {
    for (AcDbObjectId id : unlocked) {
        AcDbLayerTableRecord* layer = nullptr;
        if (acdbOpenObject(layer, id, AcDb::kForWrite) != Acad::eOk) continue;
        layer->setIsLocked(true);
        layer->close();
    }
}

EraseOutcome eraseOrHandOver(AcDbObject* object, Replacement kind) {
    if (object->erase(true) == Acad::eOk) return EraseOutcome::Erased;
    AcDbObject* replacement = nullptr;
    if (kind == Replacement::Line) replacement = new AcDbLine();
    else replacement = new AcDbDictionary();
    if (object->handOverTo(replacement, false, false) == Acad::eObjectToBeDeleted) {
        replacement->erase(true);
        replacement->close();
        delete object;
        return EraseOutcome::HandedOver;
    }
    delete replacement;
    object->close();
    return EraseOutcome::NotErased;
}

}  // namespace shardex
