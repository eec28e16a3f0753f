// The recoding pass over one drawing: which walkers run, in which order, under
// which scope flag, with one progress line each; and the keeper that unlocks
// the drawing's locked layers for the pass.
#include "walk/internal.h"

AcDbDatabase* passDatabase = nullptr;

#ifndef ARX_NARROW
LayerLockKeeper::LayerLockKeeper(AcDbDatabase* db) {
    if (db == nullptr) return;
    AcDbLayerTable* table = nullptr;
    if (acdbOpenObject(table, db->layerTableId(), AcDb::kForRead) != Acad::eOk || table == nullptr) return;
    AcDbSymbolTableIterator* it = nullptr;
    if (table->newIterator(it, true, true) == Acad::eOk && it != nullptr) {
        for (; !it->done(); it->step(true, true)) {
            AcDbObjectId id;
            if (it->getRecordId(id) != Acad::eOk) continue;
            AcDbLayerTableRecord* layer = nullptr;
            if (acdbOpenObject(layer, id, AcDb::kForWrite) != Acad::eOk || layer == nullptr) continue;
            if (layer->isLocked()) {
                layer->setIsLocked(false);
                unlocked_.push_back(id);
            }
            layer->close();
        }
        delete it;
    }
    table->close();
}

LayerLockKeeper::~LayerLockKeeper() { relock(); }

void LayerLockKeeper::relock() {
    // By id: a layer renamed in between is the same record.
    for (const AcDbObjectId& id : unlocked_) {
        AcDbLayerTableRecord* layer = nullptr;
        if (acdbOpenObject(layer, id, AcDb::kForWrite) != Acad::eOk || layer == nullptr) continue;
        layer->setIsLocked(true);
        layer->close();
    }
    unlocked_.clear();
}
#endif

namespace {

struct NameStep {
    const ACHAR* progress;
    void (*walker)();
};

const NameStep kNameSteps[] = {
    {ACRX_T("\nОбрабатываются имена типов линий..."), recodeLinetypeNames},
    {ACRX_T("\nОбрабатываются имена слоев..."), recodeLayerNames},
    {ACRX_T("\nОбрабатываются имена ПСК..."), recodeUcsNames},
    {ACRX_T("\nОбрабатываются имена приложений..."), recodeRegAppNames},
    {ACRX_T("\nОбрабатываются имена групп..."), recodeGroups},
    {ACRX_T("\nОбрабатываются имена форматов..."), recodeLayouts},
    {ACRX_T("\nОбрабатываются имена текстовых стилей..."), recodeTextStyleNames},
    {ACRX_T("\nОбрабатываются имена размерных стилей..."), recodeDimStyleNames},
    {ACRX_T("\nОбрабатываются имена видов..."), recodeViewNames},
    {ACRX_T("\nОбрабатываются имена видовых экранов..."), recodeViewportNames},
    {ACRX_T("\nОбрабатываются имена стилей таблиц..."), recodeTableStyles},
    {ACRX_T("\nОбрабатываются имена стилей мультилиний..."), recodeMlineStyles},
    {ACRX_T("\nОбрабатываются свойства чертежа..."), recodeSummaryInfo},
};

const ACHAR* const kDone = ACRX_T("готово.");

void runStep(const ACHAR* progress, void (*walker)()) {
    acutPrintf(progress);
    walker();
    acutPrintf(kDone);
}

}  // namespace

int recodeDrawing(AcDbDatabase* db) {
    passDatabase = db;
#ifndef ARX_NARROW
    // Relocks on every way out, an exception passing through included.
    LayerLockKeeper keeper(db);
#endif
    const RecodeOptions& o = recodeOptions;
    if (o.recodeSymbolTables)
        for (const NameStep& step : kNameSteps) runStep(step.progress, step.walker);
#ifndef ARX_NARROW
    const bool blockStep = o.recodeExtendedData || o.recodeTextEntities || o.recodeFilePaths;
#else
    const bool blockStep = o.recodeExtendedData || o.recodeTextEntities;
#endif
    if (blockStep) {
        runStep(ACRX_T("\nОбрабатываются текстовые примитивы и имена блоков..."), recodeBlocks);
#ifndef ARX_NARROW
        if (o.recodeFilePaths) runStep(ACRX_T("\nОбрабатываются пути растровых файлов..."), recodeRasterPaths);
#endif
    }
#ifndef ARX_NARROW
    keeper.relock();
#endif
    return 1;
}
