// Recoding of a drawing's content: the pass over one drawing, the walkers of its
// named objects and block contents, the converters of text-bearing entities,
// extended data, xrecords and dictionary trees.
//
// Everything here works through the host's programming interface only. Strings
// are recoded with the engine (recode/recode.h) in the direction and under the
// scope flags of the process-wide `recodeOptions`.
//
// One source, two builds: the narrow build has no layer keeper, no file-path
// step, no raster step and no multileader and table converters.
#pragma once

#include <vector>

#include "host/arx.h"
#include "host/aced.h"
#include "host/dbdim.h"
#include "recode/recode.h"

// The drawing that the walkers work on. Set by recodeDrawing, and by a command
// that calls the converters directly; not cleared after a pass.
extern AcDbDatabase* passDatabase;

// Recode the whole of `db` in place under `recodeOptions`; prints one progress
// line per step. Always returns 1.
int recodeDrawing(AcDbDatabase* db);

#ifndef ARX_NARROW
// Unlocks every locked layer of a drawing for its lifetime and locks them again
// (by object id, so a layer renamed in between is relocked all the same) when it
// ends, whether by return or by exception.
class LayerLockKeeper {
public:
    explicit LayerLockKeeper(AcDbDatabase* db);
    ~LayerLockKeeper();
    LayerLockKeeper(const LayerLockKeeper&) = delete;
    LayerLockKeeper& operator=(const LayerLockKeeper&) = delete;

    // Relock the remembered layers now and forget them.
    void relock();
    const std::vector<AcDbObjectId>& unlocked() const { return unlocked_; }

private:
    std::vector<AcDbObjectId> unlocked_;
};
#endif

// Walkers of the named objects; each reads passDatabase.
void recodeLinetypeNames();
void recodeLayerNames();
void recodeUcsNames();
void recodeRegAppNames();
void recodeGroups();
void recodeLayouts();
void recodeTextStyleNames();
void recodeDimStyleNames();
void recodeViewNames();
void recodeViewportNames();
void recodeTableStyles();
void recodeMlineStyles();
void recodeSummaryInfo();
void recodeBlocks();
#ifndef ARX_NARROW
void recodeRasterPaths();
#endif

// The class dispatch of one entity open for read: it closes the entity, hands
// its id to the converter of its class and then, under recodeExtendedData, to
// recodeXData. The full form (the block walk) knows every converter; the short
// form (a block definition's contents) only texts, multiline texts, attributes,
// attribute definitions and dimensions.
enum class DispatchForm { Full, Short };
void dispatchEntity(AcDbEntity* entity, DispatchForm form);

// The entities of one block definition (short dispatch: texts, multiline texts,
// attributes and attribute definitions, then extended data).
void recodeBlockDefinition(AcDbObjectId blockId);

// Converters of one entity each; the entity must not be open in the caller.
void recodeText(AcDbObjectId id);
void recodeMText(AcDbObjectId id);
void recodeAttribute(AcDbObjectId id);
void recodeAttributeDefinition(AcDbObjectId id);
#ifndef ARX_NARROW
void recodeMLeader(AcDbObjectId id);
void recodeTable(AcDbObjectId id);
#endif
void recodeBlockReferenceAttributes(AcDbObjectId id);
// The user text (text override) of a dimension; other programs redraw the
// dimension's block from it.
void recodeDimensionText(AcDbObjectId id);

// Extended data of any object (all applications at once), the data of an
// xrecord, and a dictionary tree two levels deep.
void recodeXData(AcDbObjectId id);
void recodeXrecord(AcDbObjectId id);
void recodeDictionaryTree(AcDbObjectId dictionaryId);

// The recode-and-set step for one text field of an object open for write: read
// the text (get), recode a copy, and only when it differs call set with it. A
// failed set prints failureMessage with the old text and the status's text.
// With setAlways the setter is called also when the text did not change.
// Returns true when set was called and succeeded.
template <class Get, class Set>
bool recodeAndSet(Get&& get, Set&& set, const ACHAR* failureMessage, bool setAlways = false) {
    ACHAR* old = nullptr;
    if (get(old) != Acad::eOk || old == nullptr) {
        acStrFree(old);
        return false;
    }
    ACHAR* text = acStrDup(old);
    recodeString(text, recodeOptions.mode);
    bool done = false;
    if (text != nullptr) {
        const ACHAR* a = text;
        const ACHAR* b = old;
        while (*a != 0 && *a == *b) ++a, ++b;
        if (setAlways || *a != *b) {
            const Acad::ErrorStatus es = set(static_cast<const ACHAR*>(text));
            if (es != Acad::eOk && failureMessage != nullptr)
                acutPrintf(failureMessage, old, acadErrorStatusText(es));
            done = es == Acad::eOk;
        }
    }
    acStrFree(text);
    acStrFree(old);
    return done;
}
