// Dimensions: the user text kept in group 1 of the AcDbDimension part.
#include "host/arx/internal.h"
#include "host/dbdim.h"

using Acad::ErrorStatus;
using namespace arxhost;

namespace {

// Index of the user text: the first group 1 after the AcDbDimension marker,
// or the record's first group 1 when it has no subclass markers (R12).
int textIndex(const TagList& t) {
    bool markers = false;
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (t[i].code != 100) continue;
        if (t[i].value == "AcDbDimension") return findTag(t, 1, i + 1);
        markers = true;
    }
    return markers ? -1 : findTag(t, 1);
}

}  // namespace

AcDbDimension::AcDbDimension() = default;
AcDbDimension::~AcDbDimension() = default;

ACHAR* AcDbDimension::dimensionText() const {
    const TagList& t = st(this).tags;
    const int i = textIndex(t);
    return toHost(i < 0 ? std::string() : t[static_cast<std::size_t>(i)].value);
}

ErrorStatus AcDbDimension::setDimensionText(const ACHAR* text) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!text) return Acad::eInvalidInput;
    TagList& t = st(this).tags;
    std::string utf8 = toUtf8(text);
    const int i = textIndex(t);
    if (i >= 0) {
        t[static_cast<std::size_t>(i)].value = std::move(utf8);
    } else {
        // Right behind the AcDbDimension marker, or at the end of the record's data.
        std::size_t at = xdataStart(t);
        for (std::size_t k = 1; k < t.size(); ++k)
            if (t[k].code == 100 && t[k].value == "AcDbDimension") {
                at = k + 1;
                break;
            }
        t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), tagOf(1, std::move(utf8)));
    }
    markDirty(this);
    return Acad::eOk;
}
