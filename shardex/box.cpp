// RemoveExtents: everything of the current space that does not lie within a
// box is copied into a drawing file of the user's choice and erased.
#ifndef ARX_NARROW

#include <utility>

#include "host/aced.h"
#include "shardex.h"

namespace shardex {

namespace {

struct Box {
    AcGePoint3d first, second;
};

// Outside unless the extents lie within the box; touching a face is inside.
bool outside(const Box& box, const AcDbExtents& e) {
    const AcGePoint3d& lo = e.minPoint();
    const AcGePoint3d& hi = e.maxPoint();
    return box.first.x > lo.x || box.first.y > lo.y || box.first.z > lo.z || hi.x > box.second.x ||
           hi.y > box.second.y || hi.z > box.second.z;
}

// The entities of the current space outside the box, in block order. False
// when the current space cannot be read.
bool selectOutside(AcDbDatabase* db, const Box& box, AcDbObjectIdArray& selected) {
    AcDbObjectId spaceId = db->currentSpaceId();
    if (spaceId.isNull()) return false;
    AcDbBlockTableRecord* space = nullptr;
    if (acdbOpenObject(space, spaceId, AcDb::kForRead) != Acad::eOk) return false;
    AcDbBlockTableRecordIterator* it = nullptr;
    if (space->newIterator(it, true, true) != Acad::eOk || !it) {
        space->close();
        return false;
    }
    for (it->start(true, true); !it->done(); it->step(true, true)) {
        AcDbObjectId id;
        if (it->getEntityId(id) != Acad::eOk) continue;
        AcDbEntity* ent = nullptr;
        if (acdbOpenObject(ent, id, AcDb::kForRead) != Acad::eOk) continue;
        AcDbExtents extents;
        if (ent->getGeomExtents(extents) == Acad::eOk && outside(box, extents)) selected.append(id);
        ent->close();
    }
    delete it;
    space->close();
    return true;
}

// Copies the selection into a new drawing and saves it where the user says.
// False when the copy or the save failed: then the entities must stay. A
// cancelled file prompt is the user's choice and counts as done.
bool writeOut(AcDbDatabase* db, const AcDbObjectIdArray& selected) {
    AcDbDatabase* output = nullptr;
    Acad::ErrorStatus es = db->wblock(output, selected, AcGePoint3d::kOrigin);
    if (es != Acad::eOk) {
        acutPrintf(ACRX_T("\nОшибка wblock=%s"), acadErrorStatusText(es));
        delete output;
        return false;
    }
    bool done = true;
    resbuf* file = acutNewRb(RTSTR);
    if (acedGetFileNavDialog(ACRX_T("Файл для сохранения удаленных примитивов:"), ACRX_T("deleted.dwg"),
                             ACRX_T("dwg"), ACRX_T("RemoveExtents"), 33, &file) == RTNORM) {
        es = output->saveAs(file->resval.rstring, true, static_cast<AcDb::AcDbDwgVersion>(33));
        if (es != Acad::eOk) {
            acutPrintf(ACRX_T("\nОшибка saveas=%s"), acadErrorStatusText(es));
            done = false;
        }
    }
    acutRelRb(file);
    delete output;
    return done;
}

}  // namespace

void removeExtentsCommand() {
    ads_point first = {-1e10, -1e10, -1e10}, second = {1e10, 1e10, 1e10};
    int rc = acedGetPoint(nullptr, ACRX_T("\nУкажите минимальную точку рамки <(-1e10,-1e10,-1e10)>: "), first);
    if (rc == RTNONE) first[X] = first[Y] = first[Z] = -1e10;
    else if (rc != RTNORM) return;
    rc = acedGetCorner(first, ACRX_T("\nУкажите максимальную точку рамки <(1e10,1e10,1e10)>: "), second);
    if (rc == RTNONE) second[X] = second[Y] = second[Z] = 1e10;
    else if (rc != RTNORM) return;

    UnlockedLayers unlocked = unlockAllLayers();
    ads_point a, b;
    acdbUcs2Wcs(first, a, 0);
    acdbUcs2Wcs(second, b, 0);
    Box box{AcGePoint3d(a[X], a[Y], a[Z]), AcGePoint3d(b[X], b[Y], b[Z])};
    // Corners are exchanged whole when the first lies above the second on any
    // axis; nothing else is reordered.
    if (box.first.x > box.second.x || box.first.y > box.second.y || box.first.z > box.second.z)
        std::swap(box.first, box.second);

    AcDbDatabase* db = workingDatabase();
    AcDbObjectIdArray selected;
    if (!db || !selectOutside(db, box, selected)) {
        // The current space cannot be read: nothing to report.
    } else if (selected.isEmpty()) {
        acutPrintf(ACRX_T("\nНечего удалять!"));
    } else {
        int erased = 0;
        if (writeOut(db, selected)) {
            for (AcDbObjectId id : selected) {
                AcDbEntity* ent = nullptr;
                if (acdbOpenObject(ent, id, AcDb::kForWrite) != Acad::eOk) continue;
                if (ent->erase(true) == Acad::eOk) ++erased;
                ent->close();
            }
        }
        acutPrintf(ACRX_T("\nОтобрано для удаления: %d\nУдалено: %d"), selected.length(), erased);
    }
    relockLayers(unlocked);
}

}  // namespace shardex

#endif
