// Extended data, xrecords and the dictionary tree below the layer table.
#include <vector>

#include "walk/internal.h"

using namespace walkdetail;

namespace {

// Recodes the text items of a chain in place; true when one changed. In
// extended data the application name (1001) and the layer name (1003) are
// references the host keeps to the application and layer records: they follow
// those records' names, which the name walkers recode, and are left alone here.
bool recodeChain(resbuf* chain, bool extendedData) {
    bool changed = false;
    for (resbuf* rb = chain; rb != nullptr; rb = rb->rbnext) {
        if (extendedData && (rb->restype == 1001 || rb->restype == 1003)) continue;
        if (acdbGroupCodeToType(rb->restype) != AcDb::kDwgText) continue;
        ACHAR* text = rb->resval.rstring;
        if (text == nullptr) continue;
        ACHAR* copy = recodedCopy(text);
        if (copy != nullptr && !sameText(copy, text)) {
            acStrFree(rb->resval.rstring);
            rb->resval.rstring = copy;
            copy = nullptr;
            changed = true;
        }
        acStrFree(copy);
    }
    return changed;
}

}  // namespace

void recodeXData(AcDbObjectId id) {
    AcDbObject* object = nullptr;
#ifdef ARX_NARROW
    if (acdbOpenAcDbObject(object, id, AcDb::kForWrite, false) != Acad::eOk || object == nullptr) return;
#else
    if (acdbOpenObject(object, id, AcDb::kForWrite, false) != Acad::eOk || object == nullptr) return;
#endif
    resbuf* chain = object->xData(nullptr);
    if (chain != nullptr) {
        if (recodeChain(chain, true)) object->setXData(chain);
        acutRelRb(chain);
    }
    object->close();
}

void recodeXrecord(AcDbObjectId id) {
    AcDbXrecord* xrecord = nullptr;
    if (openAs(xrecord, id, AcDb::kForRead) != Acad::eOk || xrecord == nullptr) return;
    resbuf* chain = nullptr;
    if (xrecord->rbChain(chain) == Acad::eOk && chain != nullptr) {
        // Switched to write only when something changed; a refused switch drops the change.
        if (recodeChain(chain, false) && xrecord->upgradeOpen() == Acad::eOk) xrecord->setFromRbChain(*chain);
    }
    if (chain != nullptr) acutRelRb(chain);
    xrecord->close();
}

void recodeDictionaryTree(AcDbObjectId dictionaryId) {
    if (dictionaryId.isNull()) return;
    AcDbDictionary* top = nullptr;
    if (acdbOpenObject(top, dictionaryId, AcDb::kForWrite) != Acad::eOk || top == nullptr) return;
    AcDbDictionaryIterator* it = top->newIterator();
    top->close();
    if (it == nullptr) return;
    // The entries' data; the keys of the top dictionary itself stay.
    std::vector<AcDbObjectId> entries;
    for (; !it->done(); it->next()) {
        const AcDbObjectId id = it->objectId();
        entries.push_back(id);
        recodeXData(id);
        recodeXrecord(id);
    }
    delete it;
    // One level lower: keys, extended data and xrecords of each sub-dictionary's entries.
    for (const AcDbObjectId& id : entries) {
        AcDbDictionary* sub = nullptr;
        if (acdbOpenObject(sub, id, AcDb::kForRead) != Acad::eOk || sub == nullptr) continue;
        AcDbDictionaryIterator* subIt = sub->newIterator();
        if (subIt != nullptr) {
            for (; !subIt->done(); subIt->next()) {
                ACHAR* old = acStrDup(subIt->name());
                ACHAR* key = recodedCopy(old);
                if (old != nullptr && key != nullptr && !sameText(key, old) && sub->upgradeOpen() == Acad::eOk) {
                    sub->setName(old, key);
                    sub->downgradeOpen();
                }
                acStrFree(key);
                acStrFree(old);
                const AcDbObjectId entry = subIt->objectId();
                recodeXData(entry);
                recodeXrecord(entry);
            }
        }
        sub->close();
        delete subIt;
    }
}
