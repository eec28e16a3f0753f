// Proxies: the original class of a proxy (CLASSES), its capability flags, and
// the explode of a proxy entity's stored picture into ordinary entities.
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>

#include "host/arx/curves.h"
#include "host/arx/internal.h"
#include "host/arx/proxy.h"
#include "host/proxy/graphics.h"

using Acad::ErrorStatus;
using namespace arxhost;
using namespace arxhost::curves;

namespace arxhost {

namespace {

ProxyClass classFromRecord(const Drawing& d, const Entry* c) {
    ProxyClass out;
    out.found = true;
    const TagList t = d.tagsOf(c);
    for (const Tag& g : t) {
        switch (g.code) {
            case 1: out.dxfName = g.value; break;
            case 2: out.cppName = g.value; break;
            case 3: out.appName = g.value; break;
            case 90: out.flags = static_cast<int>(toInt(g.value)); break;
            case 280: out.wasAProxy = toInt(g.value) != 0; break;
            case 281: out.isEntity = toInt(g.value) != 0; break;
            default: break;
        }
    }
    return out;
}

// The class number (code 91) of an ACAD_PROXY_ENTITY or ACAD_PROXY_OBJECT record.
long long classNumberOf(const TagList& t, bool entity) {
    int i = findIn(t, entity ? "AcDbProxyEntity" : "AcDbProxyObject", 91);
    if (i < 0) i = findTag(t, 91);
    return i < 0 ? -1 : toInt(t[static_cast<std::size_t>(i)].value);
}

}  // namespace

bool isWasAProxyType(const Drawing& d, std::string_view type) {
    AcDbDatabase* db = databaseOf(&d);
    if (!db) {
        for (const Entry* c : d.classes) {
            ProxyClass k = classFromRecord(d, c);
            if (k.dxfName == type) return k.wasAProxy;
        }
        return false;
    }
    // Asked on every open of a record the host does not model: the classes are read once.
    DatabaseState& s = Access::state(db);
    if (!s.wasAProxyKnown) {
        std::unordered_set<std::string> seen;
        for (const Entry* c : d.classes) {
            ProxyClass k = classFromRecord(d, c);
            // The first entry of a name decides, as in the lookup above.
            if (seen.insert(k.dxfName).second && k.wasAProxy) s.wasAProxyTypes.insert(k.dxfName);
        }
        s.wasAProxyKnown = true;
    }
    return s.wasAProxyTypes.count(std::string(type)) != 0;
}

ProxyClass proxyClassOf(const AcDbObject* o) {
    const ObjectState& s = st(o);
    if (!s.entry || s.tags.empty()) return {};
    const Drawing& d = *s.entry->drawing;
    const std::string& type = s.tags[0].value;
    if (type == "ACAD_PROXY_ENTITY" || type == "ACAD_PROXY_OBJECT") {
        long long n = classNumberOf(s.tags, type == "ACAD_PROXY_ENTITY") - 500;
        if (n < 0 || n >= static_cast<long long>(d.classes.size())) return {};
        return classFromRecord(d, d.classes[static_cast<std::size_t>(n)]);
    }
    for (const Entry* c : d.classes) {
        ProxyClass k = classFromRecord(d, c);
        if (k.dxfName == type) return k;
    }
    return {};
}

bool proxyMayBeErased(const AcDbObject* o) { return (proxyClassOf(o).flags & 0x1) != 0; }

}  // namespace arxhost

// --- the proxy classes' queries ------------------------------------------------------------

int AcDbProxyEntity::proxyFlags() const { return proxyClassOf(this).flags; }
ACHAR* AcDbProxyEntity::originalClassName() const { return toHost(proxyClassOf(this).cppName); }
ACHAR* AcDbProxyEntity::originalDxfName() const { return toHost(proxyClassOf(this).dxfName); }
ACHAR* AcDbProxyEntity::applicationDescription() const { return toHost(proxyClassOf(this).appName); }
int AcDbProxyObject::proxyFlags() const { return proxyClassOf(this).flags; }
ACHAR* AcDbProxyObject::originalClassName() const { return toHost(proxyClassOf(this).cppName); }
ACHAR* AcDbProxyObject::originalDxfName() const { return toHost(proxyClassOf(this).dxfName); }
ACHAR* AcDbProxyObject::applicationDescription() const { return toHost(proxyClassOf(this).appName); }

// --- explode -------------------------------------------------------------------------------

namespace {

proxygfx::DecodeContext contextOf(const ObjectState& s) {
    proxygfx::DecodeContext ctx;
    if (s.entry) {
        const Drawing& d = *s.entry->drawing;
        ctx.codec = d.codec;
        ctx.r2010OrLater = d.acadver >= "AC1024";
    }
    return ctx;
}

// The common properties a piece gets.
struct Props {
    std::string layer = "0";
    std::string linetype;  // empty: by layer (no 6 written)
    std::optional<int> aci;
    std::optional<uint32_t> rgb;
    std::optional<int> lineweight;
    std::optional<double> ltscale;
    double thickness = 0.0;
};

std::string refName(const Tag& g) { return g.ref ? g.ref->drawing->nameOf(g.ref) : g.value; }

// A common property of the proxy: in its AcDbEntity part. The application's data after it may
// use the same group codes for its own ends (a table's cell colours, another layer name), which
// are not the proxy's.
const Tag* commonTag(const TagList& t, int code) {
    int i = findIn(t, "AcDbEntity", code);
    if (i < 0 && findTag(t, 100) < 0) i = findTag(t, code);  // a record without subclass markers
    return i < 0 ? nullptr : &t[static_cast<std::size_t>(i)];
}

Props proxyProps(const TagList& t) {
    Props p;
    if (const Tag* g = commonTag(t, 8)) p.layer = refName(*g);
    if (const Tag* g = commonTag(t, 6)) p.linetype = refName(*g);
    if (hostcore::foldName(p.linetype) == hostcore::foldName("ByLayer")) p.linetype.clear();
    if (const Tag* g = commonTag(t, 62)) p.aci = static_cast<int>(toInt(g->value));
    if (const Tag* g = commonTag(t, 420)) p.rgb = static_cast<uint32_t>(toInt(g->value)) & 0xFFFFFF;
    if (const Tag* g = commonTag(t, 370)) p.lineweight = static_cast<int>(toInt(g->value));
    if (const Tag* g = commonTag(t, 48)) p.ltscale = toReal(g->value);
    return p;
}

// Applies a raw colour of the picture (or a face's colour) to props.
void applyColor(Props& p, uint32_t raw) {
    using namespace proxygfx::color;
    if (raw <= 256) raw = fromAci(raw);
    if (method(raw) == kRgb) {
        p.rgb = raw & 0xFFFFFF;
        p.aci.reset();
        return;
    }
    int aci = aciOf(raw);
    if (aci < 0) return;  // no colour, or one the format does not define: the proxy's
    p.aci = aci;
    p.rgb.reset();
}

struct Tables {
    std::vector<std::string> layers, linetypes;
};

Props propsFor(const proxygfx::Attributes& a, const Props& base, const Tables& tables) {
    Props p = base;
    if (a.color) applyColor(p, *a.color);
    if (a.layerIndex) {
        std::string name = proxygfx::resolveLayerIndex(*a.layerIndex, tables.layers);
        if (!name.empty()) p.layer = name;
    }
    if (a.linetypeIndex) {
        std::string name = proxygfx::resolveLinetypeIndex(*a.linetypeIndex, tables.linetypes);
        if (!name.empty()) p.linetype = hostcore::foldName(name) == hostcore::foldName("ByLayer") ? std::string() : name;
    }
    if (a.lineweight) p.lineweight = *a.lineweight;
    if (a.linetypeScale) p.ltscale = *a.linetypeScale;
    if (a.thickness) p.thickness = *a.thickness;
    return p;
}

constexpr auto T = tagOf;

// Replaces the common data after the AcDbEntity marker (layer, linetype, colour, lineweight,
// linetype scale) with the props.
void putCommon(TagList& t, const Props& p) {
    std::size_t at = 1;
    while (at < t.size() && !(t[at].code == 100 && t[at].value == "AcDbEntity")) ++at;
    if (at == t.size()) return;
    ++at;
    std::size_t end = at;
    while (end < t.size() && (t[end].code == 8 || t[end].code == 6 || t[end].code == 62 || t[end].code == 420 ||
                              t[end].code == 370 || t[end].code == 48))
        ++end;
    TagList c;
    c.push_back(T(8, p.layer));
    if (!p.linetype.empty()) c.push_back(T(6, p.linetype));
    if (p.rgb) {
        c.push_back(T(420, std::to_string(*p.rgb)));
    } else if (p.aci && *p.aci != 256) {
        c.push_back(T(62, std::to_string(*p.aci)));
    }
    if (p.ltscale && *p.ltscale != 1.0) c.push_back(T(48, realText(*p.ltscale)));
    if (p.lineweight && *p.lineweight != -1) c.push_back(T(370, std::to_string(*p.lineweight)));
    t.erase(t.begin() + static_cast<std::ptrdiff_t>(at), t.begin() + static_cast<std::ptrdiff_t>(end));
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), c.begin(), c.end());
}

// A new entity made by its own constructor, with the common properties of the piece.
template <class E, class... Args>
E* make(const Props& p, Args&&... args) {
    E* e = new E(std::forward<Args>(args)...);
    putCommon(st(e).tags, p);
    return e;
}

// The thickness of a piece, written before the first point as AutoCAD writes it.
void thicknessFirst(TagList& t, std::string_view sub, double th) {
    if (th == 0.0) return;
    const int at = findIn(t, sub, 10);
    t.insert(t.begin() + at, T(39, realText(th)));
}

double scaleOf(const std::vector<AcGePoint3d>& pts) {
    double m = 1.0;
    for (const AcGePoint3d& q : pts) m = std::max({m, std::fabs(q.x), std::fabs(q.y), std::fabs(q.z)});
    return m;
}

// A normal of the plane the points lie in: the z axis when they are level, else the plane of
// the first three points not in a line; nullopt when they are not in one plane.
std::optional<AcGeVector3d> planeOf(const std::vector<AcGePoint3d>& pts, double tol) {
    const double area = 1e-3 * tol * tol * 1e9;  // (1e-12 * scale^2): points not in a line
    bool level = true;
    for (const AcGePoint3d& q : pts) level = level && std::fabs(q.z - pts[0].z) <= tol;
    if (level) return AcGeVector3d::kZAxis;
    AcGeVector3d n;
    for (std::size_t i = 1; i + 1 < pts.size() && n.isZeroLength(); ++i)
        for (std::size_t j = i + 1; j < pts.size(); ++j) {
            AcGeVector3d c = (pts[i] - pts[0]).crossProduct(pts[j] - pts[0]);
            if (c.length() > area) {
                n = c.normal();
                break;
            }
        }
    if (n.isZeroLength()) return std::nullopt;
    if (n.z < 0 || (n.z == 0 && (n.y < 0 || (n.y == 0 && n.x < 0)))) n = -n;
    for (const AcGePoint3d& q : pts)
        if (std::fabs((q - pts[0]).dotProduct(n)) > tol) return std::nullopt;
    return n;
}

class Exploder {
  public:
    Exploder(AcDbVoidPtrArray& out, const Props& base, const Tables& tables)
        : out_(out), base_(base), tables_(tables) {}
    uint32_t skipped = 0;

    void piece(const proxygfx::Primitive& p) {
        using proxygfx::PrimitiveKind;
        const Props pr = propsFor(p.attrs, base_, tables_);
        switch (p.kind) {
            case PrimitiveKind::Polyline: polyline(p, pr); break;
            case PrimitiveKind::Polygon:
            case PrimitiveKind::Mesh:
            case PrimitiveKind::Shell: faces(p, pr); break;
            case PrimitiveKind::Circle: circle(p, pr); break;
            case PrimitiveKind::Arc: arc(p, pr); break;
            case PrimitiveKind::Ellipse: ellipse(p, pr); break;
            case PrimitiveKind::Text: text(p, pr); break;
            case PrimitiveKind::Ray: ray<AcDbRay>(p, pr, "AcDbRay"); break;
            case PrimitiveKind::Xline: ray<AcDbXline>(p, pr, "AcDbXline"); break;
        }
    }

  private:
    void add(AcDbEntity* e) { out_.push_back(e); }

    static void thickness(TagList& t, std::string_view sub, double th) {
        if (th != 0.0) setRealIn(t, sub, 39, th);
    }

    void point(const AcGePoint3d& q, const Props& pr) {
        AcDbPoint* e = make<AcDbPoint>(pr, q);
        thickness(st(e).tags, "AcDbPoint", pr.thickness);
        add(e);
    }

    void polyline(const proxygfx::Primitive& p, const Props& pr) {
        const std::vector<AcGePoint3d>& pts = p.points;
        const bool lw = p.recordType == proxygfx::kLwPolyline;
        if (pts.empty()) {
            ++skipped;
            return;
        }
        if (pts.size() == 1 || (pts.size() == 2 && pts[0].isEqualTo(pts[1]) && !lw)) {
            point(pts[0], pr);
            return;
        }
        if (pts.size() == 2 && !lw) {
            AcDbLine* e = make<AcDbLine>(pr, pts[0], pts[1]);
            thicknessFirst(st(e).tags, "AcDbLine", pr.thickness);
            add(e);
            return;
        }
        const double tol = 1e-9 * scaleOf(pts);
        std::optional<AcGeVector3d> n;
        if (lw || p.recordType == proxygfx::kPolylineWithNormals) {
            n = p.normal.isZeroLength() ? AcGeVector3d::kZAxis : p.normal.normal();
            for (const AcGePoint3d& q : pts)
                if (std::fabs((q - pts[0]).dotProduct(*n)) > tol) n.reset();
        }
        if (!n && !lw) n = planeOf(pts, tol);
        if (!n) {
            // Not in one plane: a 3D polyline (widths and bulges cannot go along).
            auto* e = new AcDb3dPolyline(AcDb::k3dSimplePoly, pts, p.closed);
            ObjectState& s = st(e);
            putCommon(s.tags, pr);
            for (TagList& c : s.pendingChildren) putCommon(c, pr);
            add(e);
            return;
        }
        LwData d;
        d.normal = *n;
        d.flags = p.closed ? 1 : 0;
        d.elevation = worldToOcs(pts[0], *n).z;
        d.thickness = (lw && p.ownThickness != 0.0) ? p.ownThickness : pr.thickness;
        d.constantWidth = p.constantWidth;
        const bool widths = !p.startWidths.empty() && p.startWidths.size() == pts.size();
        for (std::size_t i = 0; i < pts.size(); ++i) {
            AcGePoint3d o = worldToOcs(pts[i], *n);
            LwVertex v;
            v.x = o.x;
            v.y = o.y;
            if (i < p.bulges.size()) v.bulge = p.bulges[i];
            if (widths) {
                v.startWidth = p.startWidths[i];
                v.endWidth = i < p.endWidths.size() ? p.endWidths[i] : 0.0;
                v.hasWidths = true;
            }
            d.verts.push_back(v);
        }
        AcDbPolyline* e = make<AcDbPolyline>(pr);
        writeLw(st(e).tags, d);
        add(e);
    }

    void faces(const proxygfx::Primitive& p, const Props& pr) {
        if (p.faces.empty()) {
            ++skipped;
            return;
        }
        for (const proxygfx::Face& f : p.faces) {
            Props fp = pr;
            if (f.color) applyColor(fp, *f.color);
            if (f.layerIndex) {
                std::string name = proxygfx::resolveLayerIndex(*f.layerIndex, tables_.layers);
                if (!name.empty()) fp.layer = name;
            }
            AcGePoint3d c[4];
            bool ok = true;
            for (int k = 0; k < 4; ++k) {
                uint32_t idx = f.v[static_cast<std::size_t>(k < f.corners ? k : f.corners - 1)];
                if (idx >= p.points.size()) ok = false;
                else c[k] = p.points[idx];
            }
            if (!ok || f.corners < 3) {
                ++skipped;
                continue;
            }
            int flags = 0;
            if (f.corners == 4) {
                flags = f.invisibleEdges & 0xF;
            } else {
                // A triangle repeats its third corner: its closing edge is the face's fourth edge.
                flags = (f.invisibleEdges & 0x3) | ((f.invisibleEdges & 0x4) ? 0xC : 0);
            }
            AcDbFace* e = make<AcDbFace>(fp);
            TagList& t = st(e).tags;
            for (int k = 0; k < 4; ++k) setPointIn(t, "AcDbFace", 10 + k, c[k]);
            if (flags) setIn(t, "AcDbFace", 70, std::to_string(flags));
            add(e);
        }
    }

    void circle(const proxygfx::Primitive& p, const Props& pr) {
        if (!(p.radius > 0.0)) {
            ++skipped;
            return;
        }
        AcDbCircle* e = make<AcDbCircle>(pr, p.center, p.normal, p.radius);
        thicknessFirst(st(e).tags, "AcDbCircle", pr.thickness);
        add(e);
    }

    void arc(const proxygfx::Primitive& p, const Props& pr) {
        if (!(p.radius > 0.0)) {
            ++skipped;
            return;
        }
        AcDbArc* e = make<AcDbArc>(pr, p.center, p.normal, p.radius, p.startAngle, p.endAngle);
        thicknessFirst(st(e).tags, "AcDbCircle", pr.thickness);
        add(e);
    }

    void ellipse(const proxygfx::Primitive& p, const Props& pr) {
        AcGeVector3d n = p.normal.isZeroLength() ? AcGeVector3d::kZAxis : p.normal.normal();
        AcGeVector3d major = p.majorAxis;
        double ratio = p.radiusRatio, p0 = p.startParam, p1 = p.endParam;
        if (major.isZeroLength() || !(ratio > 0.0)) {
            ++skipped;
            return;
        }
        if (ratio > 1.0) {
            // The minor axis is the longer one: it becomes the major axis, the parameters move
            // back by a quarter turn.
            major = n.crossProduct(major) * ratio;
            ratio = 1.0 / ratio;
            p0 -= std::numbers::pi / 2;
            p1 -= std::numbers::pi / 2;
        }
        add(make<AcDbEllipse>(pr, p.center, n, major, ratio, p0, p1));
    }

    void text(const proxygfx::Primitive& p, const Props& pr) {
        const proxygfx::TextData& td = p.text;
        AcGeVector3d n = p.normal.isZeroLength() ? AcGeVector3d::kZAxis : p.normal.normal();
        AcGeMatrix3d toPlane = AcGeMatrix3d::worldToPlane(n);
        AcGeVector3d dir = toPlane * td.direction;
        double rotation = (dir.x == 0.0 && dir.y == 0.0) ? 0.0 : std::atan2(dir.y, dir.x);
        if (rotation < 0) rotation += 2 * std::numbers::pi;
        auto* e = make<AcDbText>(pr);
        TagList& t = st(e).tags;
        // AcDbText: [39] 10 20 30 40 1 [50] [41] [51] [71] [210] and a second AcDbText marker.
        const int at = findIn(t, "AcDbText", 10);
        TagList own;
        if (pr.thickness != 0.0) own.push_back(T(39, realText(pr.thickness)));
        AcGePoint3d o = toPlane * p.center;
        own.push_back(T(10, realText(o.x)));
        own.push_back(T(20, realText(o.y)));
        own.push_back(T(30, realText(o.z)));
        own.push_back(T(40, realText(td.height > 0.0 ? td.height : 1.0)));
        own.push_back(T(1, td.text));
        if (rotation != 0.0) own.push_back(T(50, realText(toDegrees(rotation))));
        if (td.widthFactor != 1.0 && td.widthFactor > 0.0) own.push_back(T(41, realText(td.widthFactor)));
        if (td.oblique != 0.0) own.push_back(T(51, realText(toDegrees(td.oblique))));
        int gen = (td.backward ? 2 : 0) | (td.upsideDown ? 4 : 0);
        if (gen) own.push_back(T(71, std::to_string(gen)));
        if (!n.isEqualTo(AcGeVector3d::kZAxis)) {
            own.push_back(T(210, realText(n.x)));
            own.push_back(T(220, realText(n.y)));
            own.push_back(T(230, realText(n.z)));
        }
        // Replace the default text data (up to the second marker).
        int end = at;
        while (end < static_cast<int>(t.size()) && !(t[static_cast<std::size_t>(end)].code == 100)) ++end;
        t.erase(t.begin() + at, t.begin() + end);
        t.insert(t.begin() + at, own.begin(), own.end());
        add(e);
    }

    template <class E>
    void ray(const proxygfx::Primitive& p, const Props& pr, const char* sub) {
        if (p.points.empty() || p.direction.isZeroLength()) {
            ++skipped;
            return;
        }
        E* e = make<E>(pr);
        TagList& t = st(e).tags;
        AcGeVector3d u = p.direction.normal();
        setPointIn(t, sub, 10, p.points[0]);
        setPointIn(t, sub, 11, AcGePoint3d(u.x, u.y, u.z));
        add(e);
    }

    AcDbVoidPtrArray& out_;
    const Props& base_;
    const Tables& tables_;
};

Tables tablesOf(const Drawing* d) {
    Tables t;
    if (!d) return t;
    for (const Entry* e : d->table(TableKind::Layer).records) t.layers.push_back(d->nameOf(e));
    for (const Entry* e : d->table(TableKind::LType).records) t.linetypes.push_back(d->nameOf(e));
    return t;
}

}  // namespace

ErrorStatus AcDbEntity::explode(AcDbVoidPtrArray& pieces) const {
    uint32_t skipped = 0;
    return explode(pieces, skipped);
}

ErrorStatus AcDbEntity::explode(AcDbVoidPtrArray& pieces, uint32_t& skipped) const {
    skipped = 0;
    if (!isKindOf(AcDbProxyEntity::desc())) return Acad::eNotApplicable;
    const ObjectState& s = st(this);
    const bool proxyRecord = !s.tags.empty() && s.tags[0].value == "ACAD_PROXY_ENTITY";
    const proxygfx::GraphicsBytes bytes = proxygfx::collectGraphicsBytes(s.tags, proxyRecord);
    if (proxygfx::classifyGraphicsBytes(bytes) != proxygfx::GraphicsKind::Full) return Acad::eNotApplicable;
    const proxygfx::DecodedGraphics g = proxygfx::decodeProxyGraphics(bytes.bytes, contextOf(s));
    if (g.corrupt || g.kind != proxygfx::GraphicsKind::Full) return Acad::eNotApplicable;
    const Props base = proxyProps(s.tags);
    // The names of the layer and linetype tables, only when the picture picks from them.
    bool byIndex = false;
    for (const proxygfx::Primitive& p : g.primitives) {
        byIndex = byIndex || p.attrs.layerIndex || p.attrs.linetypeIndex;
        for (const proxygfx::Face& f : p.faces) byIndex = byIndex || f.layerIndex;
        if (byIndex) break;
    }
    const Tables tables = byIndex ? tablesOf(s.entry ? s.entry->drawing : nullptr) : Tables{};
    Exploder x(pieces, base, tables);
    for (const proxygfx::Primitive& p : g.primitives) x.piece(p);
    skipped = g.skipped + x.skipped;
    return Acad::eOk;
}

bool acdbProxyGraphicsProblem(AcDbObjectId id, ACHAR*& message) {
    message = nullptr;
    AcDbEntity* ent = nullptr;
    if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead, true) != Acad::eOk) return false;
    const ObjectState& s = st(ent);
    const bool proxyRecord = !s.tags.empty() && s.tags[0].value == "ACAD_PROXY_ENTITY";
    const proxygfx::GraphicsBytes bytes = proxygfx::collectGraphicsBytes(s.tags, proxyRecord);
    std::string why;
    if (bytes.sizeMismatch || bytes.badHex) {
        why = !bytes.message.empty() ? bytes.message
              : bytes.badHex         ? std::string("its bytes are not hexadecimal")
                                     : std::string("its size does not match its bytes");
    } else if (!bytes.bytes.empty()) {
        const proxygfx::DecodedGraphics g = proxygfx::decodeProxyGraphics(bytes.bytes, contextOf(s));
        if (g.corrupt)
            why = g.message.empty() ? std::string("its records do not add up") : g.message;
        else if (g.skipped)
            why = "stored picture has " + std::to_string(g.skipped) + (g.skipped == 1 ? " record" : " records") +
                  " that cannot be decoded (" + g.message + ")";
        if (g.corrupt) why = "stored picture is corrupt: " + why;
    }
    ent->close();
    if (why.empty()) return false;
    if (bytes.sizeMismatch || bytes.badHex) why = "stored picture is corrupt: " + why;
    message = toHost(why);
    return true;
}
