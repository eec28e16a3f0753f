// Text-bearing entities and block references.
#include <algorithm>

#include "host/arx/internal.h"
#include "host/arx/textutil.h"

using Acad::ErrorStatus;
using namespace arxhost;

namespace {

// The first `code` tag of the subclass `sub`; in a record without subclass
// markers (as R12 wrote them), the first of the record.
int findAfter(const TagList& t, const char* sub, int code) { return findInSubclass(t, sub, code, true); }

ErrorStatus setAfter(AcDbObject* o, ErrorStatus writable, const char* sub, int code, const ACHAR* text) {
    if (writable != Acad::eOk) return writable;
    if (!text) return Acad::eInvalidInput;
    setInSubclass(st(o).tags, sub, code, toUtf8(text), true);
    markDirty(o);
    return Acad::eOk;
}

const char* attributeSubclass(const AcDbObject* o) {
    return o->isKindOf(AcDbAttributeDefinition::desc()) ? "AcDbAttributeDefinition" : "AcDbAttribute";
}

}  // namespace

AcDbText::AcDbText() { st(this).tags = defaultTags("TEXT"); }
AcDbText::~AcDbText() = default;

ACHAR* AcDbText::textString() const {
    const TagList& t = st(this).tags;
    int i = findAfter(t, "AcDbText", 1);
    if (i < 0) i = findTag(t, 1);
    return toHost(i < 0 ? std::string() : t[static_cast<std::size_t>(i)].value);
}

ErrorStatus AcDbText::setTextString(const ACHAR* text) {
    return setAfter(this, checkWritable(), "AcDbText", 1, text);
}

AcDbAttribute::AcDbAttribute() { st(this).tags = defaultTags("ATTRIB"); }
AcDbAttribute::~AcDbAttribute() = default;

ACHAR* AcDbAttribute::tag() const {
    const TagList& t = st(this).tags;
    int i = findAfter(t, attributeSubclass(this), 2);
    return toHost(i < 0 ? std::string() : t[static_cast<std::size_t>(i)].value);
}

ErrorStatus AcDbAttribute::setTag(const ACHAR* text) {
    return setAfter(this, checkWritable(), attributeSubclass(this), 2, text);
}

AcDbAttributeDefinition::AcDbAttributeDefinition() { st(this).tags = defaultTags("ATTDEF"); }
AcDbAttributeDefinition::~AcDbAttributeDefinition() = default;

ACHAR* AcDbAttributeDefinition::tag() const {
    const TagList& t = st(this).tags;
    int i = findAfter(t, "AcDbAttributeDefinition", 2);
    return toHost(i < 0 ? std::string() : t[static_cast<std::size_t>(i)].value);
}

ErrorStatus AcDbAttributeDefinition::setTag(const ACHAR* text) {
    return setAfter(this, checkWritable(), "AcDbAttributeDefinition", 2, text);
}

ACHAR* AcDbAttributeDefinition::prompt() const {
    const TagList& t = st(this).tags;
    int i = findAfter(t, "AcDbAttributeDefinition", 3);
    return toHost(i < 0 ? std::string() : t[static_cast<std::size_t>(i)].value);
}

ErrorStatus AcDbAttributeDefinition::setPrompt(const ACHAR* text) {
    return setAfter(this, checkWritable(), "AcDbAttributeDefinition", 3, text);
}

// --- multiline text -----------------------------------------------------------------

AcDbMText::AcDbMText() { st(this).tags = defaultTags("MTEXT"); }
AcDbMText::~AcDbMText() = default;

ACHAR* AcDbMText::contents() const { return toHost(mtextContents(st(this).tags)); }

ErrorStatus AcDbMText::setContents(const ACHAR* text) {
    ErrorStatus es = checkWritable();
    if (es != Acad::eOk) return es;
    if (!text) return Acad::eInvalidInput;
    setMTextContents(st(this).tags, toUtf8(text));
    markDirty(this);
    return Acad::eOk;
}

// --- block references and lines ----------------------------------------------------------

AcDbBlockReference::AcDbBlockReference() { st(this).tags = defaultTags("INSERT"); }
AcDbBlockReference::~AcDbBlockReference() = default;

AcDbObjectId AcDbBlockReference::blockTableRecord() const {
    const ObjectState& s = st(this);
    int i = findTag(s.tags, 2);
    if (i < 0 || !s.entry) return AcDbObjectId();
    const Tag& g = s.tags[static_cast<std::size_t>(i)];
    return idOf(g.ref ? g.ref : findRecord(*s.entry->drawing, TableKind::BlockRecord, g.value));
}

AcDbObjectIterator* AcDbBlockReference::attributeIterator() const {
    const ObjectState& s = st(this);
    if (!s.entry) return nullptr;
    AcDbObjectIterator* it = Access::newObjectIterator();
    IteratorState& is = Access::state(it);
    const Drawing& d = *s.entry->drawing;
    for (Entry* c = s.entry->firstChild; c; c = c->next)
        if (d.typeName(c) == "ATTRIB") is.items.push_back(c);
    it->start();
    return it;
}

AcDbObjectIterator::AcDbObjectIterator() : state_(new IteratorState) {}
AcDbObjectIterator::~AcDbObjectIterator() { delete state_; }

void AcDbObjectIterator::start(bool atEnd) {
    IteratorState& s = *state_;
    s.pos = atEnd ? s.items.size() - 1 : 0;  // wraps to past-the-end when empty
    while (s.pos < s.items.size() && s.items[s.pos]->erased()) s.pos += atEnd ? static_cast<std::size_t>(-1) : 1;
}

bool AcDbObjectIterator::done() const { return state_->pos >= state_->items.size(); }

void AcDbObjectIterator::step(bool backwards, bool skipErased) {
    IteratorState& s = *state_;
    if (s.pos >= s.items.size()) return;
    do {
        s.pos += backwards ? static_cast<std::size_t>(-1) : 1;
    } while (s.pos < s.items.size() && skipErased && s.items[s.pos]->erased());
}

AcDbObjectId AcDbObjectIterator::objectId() const {
    return done() ? AcDbObjectId() : idOf(state_->items[state_->pos]);
}

bool AcDbObjectIterator::seek(AcDbObjectId id) {
    for (std::size_t i = 0; i < state_->items.size(); ++i)
        if (state_->items[i] == entryOf(id)) {
            state_->pos = i;
            return true;
        }
    return false;
}

AcDbLine::AcDbLine() { st(this).tags = defaultTags("LINE"); }
AcDbLine::AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end) : AcDbLine() {
    setStartPoint(start);
    setEndPoint(end);
}
AcDbLine::~AcDbLine() = default;

namespace {
// The point of codes (x, x + 10, x + 20) in the subclass `sub`.
AcGePoint3d pointIn(const TagList& t, const char* sub, int x) {
    double v[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        int i = findAfter(t, sub, x + 10 * k);
        if (i >= 0) v[k] = toReal(t[static_cast<std::size_t>(i)].value);
    }
    return AcGePoint3d(v[0], v[1], v[2]);
}

ErrorStatus setPointIn(AcDbObject* o, const char* sub, int x, const AcGePoint3d& p) {
    ErrorStatus es = o->isWriteEnabled() ? Acad::eOk : Acad::eNotOpenForWrite;
    if (es != Acad::eOk) return es;
    const double v[3] = {p.x, p.y, p.z};
    TagList& t = st(o).tags;
    for (int k = 0; k < 3; ++k) {
        int i = findAfter(t, sub, x + 10 * k);
        if (i >= 0) {
            t[static_cast<std::size_t>(i)].value = realText(v[k]);
            continue;
        }
        // After the coordinate before it, or behind the marker.
        int prev = k > 0 ? findAfter(t, sub, x + 10 * (k - 1)) : -1;
        std::size_t at = xdataStart(t);
        if (prev >= 0) {
            at = static_cast<std::size_t>(prev) + 1;
        } else {
            for (std::size_t m = 1; m < t.size(); ++m)
                if (t[m].code == 100 && t[m].value == sub) {
                    at = m + 1;
                    break;
                }
        }
        t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), Tag{static_cast<int16_t>(x + 10 * k), realText(v[k]), nullptr});
    }
    markDirty(o);
    return Acad::eOk;
}
}  // namespace

AcGePoint3d AcDbLine::startPoint() const { return pointIn(st(this).tags, "AcDbLine", 10); }
AcGePoint3d AcDbLine::endPoint() const { return pointIn(st(this).tags, "AcDbLine", 11); }
ErrorStatus AcDbLine::setStartPoint(const AcGePoint3d& p) { return setPointIn(this, "AcDbLine", 10, p); }
ErrorStatus AcDbLine::setEndPoint(const AcGePoint3d& p) { return setPointIn(this, "AcDbLine", 11, p); }

// --- 3D polylines ----------------------------------------------------------------------

namespace {
int polyFlags(const TagList& t) {
    int i = findAfter(t, "AcDb3dPolyline", 70);
    return i < 0 ? 0 : static_cast<int>(toInt(t[static_cast<std::size_t>(i)].value));
}

ErrorStatus setPolyFlags(AcDbObject* o, int f) {
    TagList& t = st(o).tags;
    int i = findAfter(t, "AcDb3dPolyline", 70);
    if (i >= 0)
        t[static_cast<std::size_t>(i)].value = std::to_string(f);
    else
        t.insert(t.begin() + static_cast<std::ptrdiff_t>(xdataStart(t)), Tag{70, std::to_string(f), nullptr});
    markDirty(o);
    return Acad::eOk;
}

bool vertexPoint(const TagList& t, AcGePoint3d& p) {
    if (t.empty() || t[0].value != "VERTEX") return false;
    const std::string* x = tagValue(t, 10);
    const std::string* y = tagValue(t, 20);
    const std::string* z = tagValue(t, 30);
    p = AcGePoint3d(x ? toReal(*x) : 0, y ? toReal(*y) : 0, z ? toReal(*z) : 0);
    return true;
}
}  // namespace

AcDb3dPolyline::AcDb3dPolyline() { st(this).tags = defaultTags("POLYLINE"); }

AcDb3dPolyline::AcDb3dPolyline(AcDb::Poly3dType type, const std::vector<AcGePoint3d>& vertices, bool closed)
    : AcDb3dPolyline() {
    ObjectState& s = st(this);
    int f = 8 | (closed ? 1 : 0) | (type != AcDb::k3dSimplePoly ? 4 : 0);
    setPolyFlags(this, f);
    if (type != AcDb::k3dSimplePoly) setTag(s.tags, 75, type == AcDb::k3dQuadSplinePoly ? "5" : "6");
    for (const AcGePoint3d& p : vertices) {
        TagList v = defaultTags("VERTEX");
        setTag(v, 10, realText(p.x));
        setTag(v, 20, realText(p.y));
        setTag(v, 30, realText(p.z));
        s.pendingChildren.push_back(std::move(v));
    }
    s.pendingChildren.push_back(defaultTags("SEQEND"));
}

AcDb3dPolyline::~AcDb3dPolyline() = default;

bool AcDb3dPolyline::isClosed() const { return (polyFlags(st(this).tags) & 1) != 0; }

ErrorStatus AcDb3dPolyline::makeClosed() {
    ErrorStatus es = checkWritable();
    return es != Acad::eOk ? es : setPolyFlags(this, polyFlags(st(this).tags) | 1);
}

ErrorStatus AcDb3dPolyline::makeOpen() {
    ErrorStatus es = checkWritable();
    return es != Acad::eOk ? es : setPolyFlags(this, polyFlags(st(this).tags) & ~1);
}

AcDb::Poly3dType AcDb3dPolyline::polyType() const {
    const std::string* c = tagValue(st(this).tags, 75);
    const long long v = c ? toInt(*c) : 0;
    return v == 5 ? AcDb::k3dQuadSplinePoly : v == 6 ? AcDb::k3dCubicSplinePoly : AcDb::k3dSimplePoly;
}

ErrorStatus AcDb3dPolyline::getVertices(std::vector<AcGePoint3d>& points) const {
    points.clear();
    const ObjectState& s = st(this);
    AcGePoint3d p;
    if (!s.entry) {
        for (const TagList& t : s.pendingChildren)
            if (vertexPoint(t, p)) points.push_back(p);
        return Acad::eOk;
    }
    const Drawing& d = *s.entry->drawing;
    for (const Entry* c = s.entry->firstChild; c; c = c->next)
        if (!c->erased() && vertexPoint(currentTags(d, c), p)) points.push_back(p);
    return Acad::eOk;
}
