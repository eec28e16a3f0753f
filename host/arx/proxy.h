// The original class of proxies (CLASSES), for the class tree and erase.
// Not seen by modules.
#pragma once

#include <string>
#include <string_view>

#include "host/arx/internal.h"

namespace arxhost {

// A CLASSES entry: the record name (1), C++ class (2), application (3), the
// proxy capability flags (90), was-a-proxy (280) and is-an-entity (281).
struct ProxyClass {
    bool found = false;
    std::string dxfName, cppName, appName;
    int flags = 0;
    bool wasAProxy = false, isEntity = false;
};

// True when the drawing's CLASSES entry for records of `type` carries the
// was-a-proxy flag: such records stand for objects of a missing application.
bool isWasAProxyType(const Drawing& d, std::string_view type);
// The class a proxy stands for: by the class number (91) of an
// ACAD_PROXY_ENTITY or ACAD_PROXY_OBJECT record, by the record name otherwise.
// Not found (flags 0) when the drawing has no such entry.
ProxyClass proxyClassOf(const AcDbObject* o);
// The class's capability flags allow erasing (bit 0x1).
bool proxyMayBeErased(const AcDbObject* o);

}  // namespace arxhost
