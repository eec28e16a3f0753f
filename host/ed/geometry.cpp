#include "host/ed/geometry.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace arxed {

void Xform::apply(const double in[3], double out[3]) const {
    double r[3];
    for (int i = 0; i < 3; ++i) r[i] = m[i][0] * in[0] + m[i][1] * in[1] + m[i][2] * in[2] + m[i][3];
    for (int i = 0; i < 3; ++i) out[i] = r[i];
}

Xform Xform::then(const Xform& outer) const {
    Xform r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += outer.m[i][k] * m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

void Extents::add(const double p[3]) {
    for (int i = 0; i < 3; ++i) {
        if (p[i] < min[i]) min[i] = p[i];
        if (p[i] > max[i]) max[i] = p[i];
    }
}

namespace {

constexpr int kMaxDepth = 32;  // block references nested deeper are not followed (cycles)

double num(const std::string& s) {
    double v = std::strtod(s.c_str(), nullptr);
    return std::isfinite(v) ? v : 0;
}

struct Record {
    std::string type;
    hostcore::TagList tags;
    const hostcore::Tag* find(int code) const {
        for (const hostcore::Tag& t : tags)
            if (t.code == code) return &t;
        return nullptr;
    }
    double real(int code, double def = 0) const {
        const hostcore::Tag* t = find(code);
        return t ? num(t->value) : def;
    }
    void point(int code, double p[3]) const {
        p[0] = real(code);
        p[1] = real(code + 10);
        p[2] = real(code + 20);
    }
};

Record read(hostcore::Entry* e) {
    Record r;
    r.type = e->drawing->typeName(e);
    r.tags = e->drawing->tagsOf(e);
    return r;
}

double segDistance(const double a[2], const double b[2], const double p[2]) {
    double dx = b[0] - a[0], dy = b[1] - a[1];
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / len2 : 0;
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    double qx = a[0] + t * dx - p[0], qy = a[1] + t * dy - p[1];
    return std::sqrt(qx * qx + qy * qy);
}

// The entity's outline as world segments (points are segments of length 0).
void outline(hostcore::Entry* e, const Xform& xf, std::vector<std::array<double, 4>>& segs) {
    Record r = read(e);
    auto seg = [&](const double a[3], const double b[3]) {
        double wa[3], wb[3];
        xf.apply(a, wa);
        xf.apply(b, wb);
        segs.push_back({wa[0], wa[1], wb[0], wb[1]});
    };
    const std::string& t = r.type;
    if (t == "LINE") {
        double a[3], b[3];
        r.point(10, a);
        r.point(11, b);
        seg(a, b);
    } else if (t == "POINT") {
        double a[3];
        r.point(10, a);
        seg(a, a);
    } else if (t == "CIRCLE" || t == "ARC") {
        double c[3];
        r.point(10, c);
        double rad = r.real(40);
        double a0 = 0, a1 = 360;
        if (t == "ARC") {
            a0 = r.real(50);
            a1 = r.real(51);
            if (a1 < a0) a1 += 360;
        }
        const int n = 48;
        double prev[3];
        for (int i = 0; i <= n; ++i) {
            double a = (a0 + (a1 - a0) * i / n) * M_PI / 180;
            double q[3] = {c[0] + rad * std::cos(a), c[1] + rad * std::sin(a), c[2]};
            if (i > 0) seg(prev, q);
            for (int k = 0; k < 3; ++k) prev[k] = q[k];
        }
    } else if (t == "TEXT" || t == "ATTRIB" || t == "ATTDEF" || t == "MTEXT") {
        double p[3];
        r.point(10, p);
        double h = r.real(40, 1);
        if (h <= 0) h = 1;
        double w;
        double top, bottom;
        if (t == "MTEXT") {
            std::size_t len = 0;
            for (const hostcore::Tag& g : r.tags)
                if (g.code == 1 || g.code == 3) len += g.value.size();
            w = r.real(41, 0);
            if (w <= 0) w = 0.6 * h * static_cast<double>(len > 0 ? len : 1);
            top = 0;
            bottom = -h;
        } else {
            const hostcore::Tag* s = r.find(1);
            std::size_t len = s ? s->value.size() : 1;
            w = 0.6 * h * static_cast<double>(len > 0 ? len : 1);
            top = h;
            bottom = 0;
        }
        double rot = r.real(50) * M_PI / 180;
        double cs = std::cos(rot), sn = std::sin(rot);
        double corners[4][2] = {{0, bottom}, {w, bottom}, {w, top}, {0, top}};
        double q[4][3];
        for (int i = 0; i < 4; ++i) {
            q[i][0] = p[0] + corners[i][0] * cs - corners[i][1] * sn;
            q[i][1] = p[1] + corners[i][0] * sn + corners[i][1] * cs;
            q[i][2] = p[2];
        }
        for (int i = 0; i < 4; ++i) seg(q[i], q[(i + 1) % 4]);
        // The inside of a text counts: a diagonal reaches it.
        seg(q[0], q[2]);
        seg(q[1], q[3]);
    } else if (t == "LWPOLYLINE") {
        std::vector<std::array<double, 3>> pts;
        for (std::size_t i = 0; i < r.tags.size(); ++i)
            if (r.tags[i].code == 10) {
                double y = i + 1 < r.tags.size() && r.tags[i + 1].code == 20 ? num(r.tags[i + 1].value) : 0;
                pts.push_back({num(r.tags[i].value), y, r.real(38)});
            }
        for (std::size_t i = 1; i < pts.size(); ++i) seg(pts[i - 1].data(), pts[i].data());
        if ((static_cast<int>(r.real(70)) & 1) && pts.size() > 2) seg(pts.back().data(), pts.front().data());
        if (pts.size() == 1) seg(pts[0].data(), pts[0].data());
    } else if (t == "POLYLINE") {
        std::vector<std::array<double, 3>> pts;
        for (hostcore::Entry* v = e->firstChild; v; v = v->next) {
            if (v->drawing->typeName(v) != "VERTEX") continue;
            Record vr = read(v);
            double p[3];
            vr.point(10, p);
            pts.push_back({p[0], p[1], p[2]});
        }
        for (std::size_t i = 1; i < pts.size(); ++i) seg(pts[i - 1].data(), pts[i].data());
    } else {
        // Other entities: whatever points they name.
        for (int code = 10; code <= 14; ++code)
            if (r.find(code)) {
                double a[3];
                r.point(code, a);
                seg(a, a);
            }
    }
}

}  // namespace

hostcore::Entry* insertBlock(hostcore::Entry* insert) {
    hostcore::Drawing* d = insert->drawing;
    for (const hostcore::Tag& t : d->tagsOf(insert)) {
        if (t.code != 2) continue;
        if (t.ref && t.ref->table == hostcore::TableKind::BlockRecord) return t.ref;
        hostcore::Entry* b = d->lookup(hostcore::TableKind::BlockRecord, t.value);
        return b ? b : d->lookupLoad(hostcore::TableKind::BlockRecord, t.value);
    }
    return nullptr;
}

Xform insertXform(hostcore::Entry* insert) {
    Record r = read(insert);
    double p[3];
    r.point(10, p);
    double sx = r.real(41, 1), sy = r.real(42, 1), sz = r.real(43, 1);
    double rot = r.real(50) * M_PI / 180;
    double base[3] = {0, 0, 0};
    if (hostcore::Entry* b = insertBlock(insert); b && b->block && b->block->begin) {
        Record br = read(b->block->begin);
        br.point(10, base);
    }
    double c = std::cos(rot), s = std::sin(rot);
    Xform x;
    x.m[0][0] = c * sx;
    x.m[0][1] = -s * sy;
    x.m[1][0] = s * sx;
    x.m[1][1] = c * sy;
    x.m[2][2] = sz;
    // Translation: p - R*S*base.
    x.m[0][3] = p[0] - (x.m[0][0] * base[0] + x.m[0][1] * base[1]);
    x.m[1][3] = p[1] - (x.m[1][0] * base[0] + x.m[1][1] * base[1]);
    x.m[2][3] = p[2] - sz * base[2];
    return x;
}

double pickDistance(const Visit& v, const double p[3]) {
    std::vector<std::array<double, 4>> segs;
    outline(v.entity, v.xf, segs);
    if (segs.empty()) return -1;
    double best = 1e300;
    for (auto& s : segs) {
        double a[2] = {s[0], s[1]}, b[2] = {s[2], s[3]};
        double d = segDistance(a, b, p);
        if (d < best) best = d;
    }
    return best;
}

Extents worldExtents(hostcore::Entry* e, const Xform& xf, int depth) {
    Extents ext;
    hostcore::Drawing* d = e->drawing;
    if (d->typeName(e) == "INSERT") {
        if (depth >= kMaxDepth) return ext;
        Xform inner = insertXform(e).then(xf);
        if (hostcore::Entry* b = insertBlock(e); b && b->block) {
            for (hostcore::Entry* c = b->block->first; c; c = c->next) {
                if (c->erased()) continue;
                Extents ce = worldExtents(c, inner, depth + 1);
                if (ce.valid()) {
                    ext.add(ce.min);
                    ext.add(ce.max);
                }
            }
        }
        for (hostcore::Entry* a = e->firstChild; a; a = a->next) {
            if (a->erased() || d->typeName(a) != "ATTRIB") continue;
            Extents ae = worldExtents(a, xf, depth + 1);
            if (ae.valid()) {
                ext.add(ae.min);
                ext.add(ae.max);
            }
        }
        return ext;
    }
    std::vector<std::array<double, 4>> segs;
    outline(e, xf, segs);
    // Heights are not tracked: extents lie in the plane of the points' z (0 here).
    Record r = read(e);
    double z = r.real(30);
    double wz[3] = {0, 0, z}, out[3];
    xf.apply(wz, out);
    for (auto& s : segs) {
        double a[3] = {s[0], s[1], out[2]}, b[3] = {s[2], s[3], out[2]};
        ext.add(a);
        ext.add(b);
    }
    return ext;
}

namespace {

void walk(hostcore::Entry* block, const Xform& xf, std::vector<hostcore::Entry*>& containers, bool nested,
          const std::function<void(const Visit&)>& visit) {
    if (!block || !block->block) return;
    for (hostcore::Entry* e = block->block->first; e; e = e->next) {
        if (e->erased()) continue;
        const std::string& type = e->drawing->typeName(e);
        // Attribute definitions do not show in the references of their block.
        if (!containers.empty() && type == "ATTDEF") continue;
        bool isInsert = type == "INSERT";
        if (nested && isInsert) {
            // Attributes belong to the reference and lie in the space of its container.
            for (hostcore::Entry* a = e->firstChild; a; a = a->next)
                if (!a->erased() && a->drawing->typeName(a) == "ATTRIB") visit(Visit{a, xf, containers});
            hostcore::Entry* b = insertBlock(e);
            if (b && containers.size() < static_cast<std::size_t>(kMaxDepth)) {
                bool cycle = b == block;
                for (hostcore::Entry* c : containers)
                    if (insertBlock(c) == b) cycle = true;
                if (!cycle) {
                    containers.insert(containers.begin(), e);
                    walk(b, insertXform(e).then(xf), containers, nested, visit);
                    containers.erase(containers.begin());
                }
            }
            continue;
        }
        visit(Visit{e, xf, containers});
    }
}

}  // namespace

void walkBlock(hostcore::Entry* blockRecord, bool nested, const std::function<void(const Visit&)>& visit) {
    std::vector<hostcore::Entry*> containers;
    walk(blockRecord, Xform{}, containers, nested, visit);
}

}  // namespace arxed
