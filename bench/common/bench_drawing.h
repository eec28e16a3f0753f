// A drawing loaded once for a benchmark, with the ids of the model-space entities it measures.
#pragma once

#include <string>
#include <vector>

#include "host/arx.h"

struct BenchDrawing {
    AcDbDatabase* db = nullptr;
    std::vector<AcDbObjectId> ids;
    std::string error;  // set when the benchmark cannot run
};

// Reads `file` (named by the environment variable `variable`, for the message when it is not
// set) and lists the entities of model space: all of them, or, with `keep`, those it accepts
// (each is opened for read to be asked).
inline BenchDrawing loadBenchDrawing(const char* file, const char* variable, bool (*keep)(const AcDbEntity*) = nullptr) {
    BenchDrawing out;
    if (!file) {
        out.error = std::string("set ") + variable + " to a drawing";
        return out;
    }
    out.db = new AcDbDatabase(false, true);
#ifdef ARX_NARROW
    const std::string path = file;
#else
    const std::string narrow = file;
    const std::u16string path(narrow.begin(), narrow.end());
#endif
    if (out.db->readDwgFile(path.c_str()) != Acad::eOk) {
        out.error = std::string("cannot read ") + file;
        return out;
    }
    AcDbBlockTableRecord* ms = nullptr;
    if (acdbOpenObject(ms, out.db->currentSpaceId(), AcDb::kForRead) != Acad::eOk) {
        out.error = "cannot open model space";
        return out;
    }
    AcDbBlockTableRecordIterator* it = nullptr;
    ms->newIterator(it);
    for (; !it->done(); it->step()) {
        if (!keep) {
            AcDbObjectId id;
            it->getEntityId(id);
            out.ids.push_back(id);
            continue;
        }
        AcDbEntity* e = nullptr;
        if (it->getEntity(e, AcDb::kForRead) != Acad::eOk) continue;
        if (keep(e)) out.ids.push_back(e->objectId());
        e->close();
    }
    delete it;
    ms->close();
    return out;
}
