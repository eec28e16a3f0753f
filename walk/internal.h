// Helpers shared by the walkers and converters of the drawing walk.
#pragma once

#include "walk/walk.h"

namespace walkdetail {

// Code-unit comparison of two host strings.
inline bool sameText(const ACHAR* a, const ACHAR* b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

// A recoded heap copy of `text` (null for null), in the options' direction.
inline ACHAR* recodedCopy(const ACHAR* text) {
    ACHAR* copy = text ? acStrDup(text) : nullptr;
    recodeString(copy, recodeOptions.mode);
    return copy;
}

// One string property of an open object, converter style: `text` is the
// getter's copy (owned here, released here); the setter is called with the
// recoded copy only when it differs, and its status is not looked at.
template <class Set>
void recodeProperty(ACHAR* text, Set&& set) {
    ACHAR* copy = recodedCopy(text);
    if (text != nullptr && copy != nullptr && !sameText(copy, text)) set(static_cast<const ACHAR*>(copy));
    acStrFree(copy);
    acStrFree(text);
}

// Opens an object of class T (or derived) for the converters. The narrow build
// goes through acdbOpenAcDbObject, as the older host's modules do.
template <class T>
Acad::ErrorStatus openAs(T*& obj, AcDbObjectId id, AcDb::OpenMode mode) {
#ifdef ARX_NARROW
    AcDbObject* p = nullptr;
    const Acad::ErrorStatus es = acdbOpenAcDbObject(p, id, mode, false, T::desc());
    obj = (es == Acad::eOk) ? static_cast<T*>(p) : nullptr;
    return es;
#else
    return acdbOpenObject(obj, id, mode, false);
#endif
}

// Whether an open object carries extended data of any application.
inline bool hasXData(const AcDbObject* object) {
    resbuf* chain = object->xData(nullptr);
    const bool any = chain != nullptr;
    if (any) acutRelRb(chain);
    return any;
}

// Whether the pass works on the host's working database (the after-walk steps
// that touch current styles and system variables run only there).
inline bool passIsWorkingDatabase() {
    return passDatabase != nullptr && acdbHostApplicationServices()->workingDatabase() == passDatabase;
}

// Reads a system variable and writes the same value back, so that the editor
// takes up a current style whose name changed.
inline void rewriteSystemVariable(const ACHAR* name) {
    resbuf value{};
    if (acedGetVar(name, &value) != RTNORM) return;
    acedSetVar(name, &value);
    if (value.restype == RTSTR) acutDelString(value.resval.rstring);
}

}  // namespace walkdetail
