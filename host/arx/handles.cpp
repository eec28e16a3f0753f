// The handles in use in a drawing, sorted (host/dbhandles.h).
#include "host/dbhandles.h"

#include <algorithm>

#include "host/arx/internal.h"

Acad::ErrorStatus acdbHandlesInUse(const AcDbDatabase* db, std::vector<AcDbHandle>& handles) {
    handles.clear();
    if (!db) return Acad::eNoDatabase;
    const arxhost::Drawing* d = arxhost::drawingOf(db);
    if (!d) return Acad::eNoDatabase;
    std::vector<uint64_t> values;
    values.reserve(d->byHandle.size());
    for (const auto& [handle, entry] : d->byHandle)
        if (entry) values.push_back(handle);
    std::sort(values.begin(), values.end());
    handles.assign(values.begin(), values.end());
    return Acad::eOk;
}
