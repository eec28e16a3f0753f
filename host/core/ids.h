// Object ids of the programming interface name the core's entries. The host's
// own libraries convert between the two here and nowhere else; modules see only
// the opaque AcDbStub.
#pragma once

#include "host/core/drawing.h"
#include "host/dbid.h"

inline hostcore::Entry* entryOf(const AcDbObjectId& id) {
    return reinterpret_cast<hostcore::Entry*>(id.stub());
}

inline AcDbObjectId idOf(const hostcore::Entry* e) {
    return AcDbObjectId(reinterpret_cast<AcDbStub*>(const_cast<hostcore::Entry*>(e)));
}
