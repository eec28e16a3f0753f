// Entity names, picks and selection sets.
#include <algorithm>
#include <cstdlib>

#include "host/arx/geometry.h"
#include "host/ed/editor.h"

namespace arxed {

namespace {

namespace geo = arxhost::geometry;

constexpr int64_t kSelectionMark = 0x5353;  // second half of a selection-set name

AcDbObjectId currentSpace() {
    AcDbDatabase* db = workingDb();
    return db ? db->currentSpaceId() : AcDbObjectId();
}

AcDbObjectId byHandle(std::string_view hex) {
    AcDbDatabase* db = workingDb();
    if (!db) return {};
    const AcDbHandle h(fromUtf8(hex).c_str());
    AcDbObjectId id;
    if (h.isNull() || db->getAcDbObjectId(id, false, h) != Acad::eOk) return {};
    return id;
}

void setName(AcDbObjectId id, ads_name name) {
    name[0] = static_cast<int64_t>(id.isNull() ? 0 : id.handle().value());
    name[1] = 0;
}

void firstPoint(AcDbObjectId e, const AcGeMatrix3d& xf, double p[3]) {
    AcDbExtents ext;
    AcGePoint3d c = xf * AcGePoint3d::kOrigin;
    if (geo::worldBox(e, xf, ext)) c = ext.minPoint() + (ext.maxPoint() - ext.minPoint()) / 2;
    p[0] = c.x;
    p[1] = c.y;
    p[2] = c.z;
}

struct Hit {
    AcDbObjectId entity;
    AcGeMatrix3d xf;
    std::vector<AcDbObjectId> containers;
    double distance = 1e300;
};

// The innermost entity under the pick box (nested) or the top-level one.
Hit pickAt(const double p[3], bool nested) {
    Hit best;
    double box = ed().pickbox;
    const AcGePoint3d at(p[0], p[1], p[2]);
    geo::walkBlock(currentSpace(), nested, [&](const geo::Placed& v) {
        double d = geo::pickDistance(v.entity, v.toWorld, at);
        if (d < 0 || d > box) return;
        // Later entities lie on top: equal distances go to the later one.
        if (d <= best.distance) {
            best.entity = v.entity;
            best.xf = v.toWorld;
            best.containers = v.containers;
            best.distance = d;
        }
    });
    if (!nested && !best.entity.isNull() && !best.containers.empty()) best.entity = best.containers.back();
    return best;
}

// A handle path "#A1/B2/C3": a reference of the space, then entities inside
// the block it shows, and so on; the last one is picked.
bool pathPick(const std::string& text, Hit& hit) {
    const std::vector<std::string> parts = splitAt(std::string_view(text).substr(1), '/');
    AcDbObjectId block = currentSpace();
    AcGeMatrix3d xf;
    std::vector<AcDbObjectId> containers;
    AcDbObjectId e;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        e = byHandle(parts[i]);
        // An entity of the block, or an attribute of a reference in it; never a vertex.
        const std::string type = arxhost::recordType(e);
        if (!arxhost::isLiveEntity(e) || arxhost::spaceOf(e) != block || type == "VERTEX" || type == "SEQEND")
            return false;
        if (i + 1 < parts.size()) {
            if (type != "INSERT") return false;
            containers.insert(containers.begin(), e);
            xf = xf * geo::blockTransform(e);
            block = geo::referencedBlock(e);
            if (block.isNull()) return false;
        }
    }
    if (e.isNull()) return false;
    hit.entity = e;
    hit.xf = xf;
    hit.containers = containers;
    return true;
}

std::vector<AcDbObjectId> inWindow(const double a[3], const double b[3], bool crossing) {
    double lo[2] = {std::min(a[0], b[0]), std::min(a[1], b[1])};
    double hi[2] = {std::max(a[0], b[0]), std::max(a[1], b[1])};
    std::vector<AcDbObjectId> out;
    for (AcDbObjectId e : arxhost::blockEntities(currentSpace())) {
        AcDbExtents box;
        if (!geo::worldBox(e, AcGeMatrix3d::kIdentity, box)) continue;
        const AcGePoint3d mn = box.minPoint(), mx = box.maxPoint();
        bool inside = mn.x >= lo[0] && mx.x <= hi[0] && mn.y >= lo[1] && mx.y <= hi[1];
        bool touches = mx.x >= lo[0] && mn.x <= hi[0] && mx.y >= lo[1] && mn.y <= hi[1];
        if (inside || (crossing && touches)) out.push_back(e);
    }
    return out;
}

AcDbObjectId lastEntity() {
    const auto all = arxhost::blockEntities(currentSpace());
    return all.empty() ? AcDbObjectId() : all.back();
}

// Entities of every layout (model space and the paper spaces).
std::vector<AcDbObjectId> allEntities() {
    std::vector<AcDbObjectId> out;
    for (AcDbObjectId b : arxhost::layoutBlocks(workingDb()))
        for (AcDbObjectId e : arxhost::blockEntities(b)) out.push_back(e);
    return out;
}

bool passes(AcDbObjectId e, const resbuf* filter) {
    for (const resbuf* f = filter; f; f = f->rbnext) {
        if (f->restype != 0 && f->restype != 8 && f->restype != RTDXF0) continue;
        std::string want = fold(toUtf8(f->resval.rstring));
        std::string have;
        if (f->restype == 8) {
            for (const arxhost::RecordTag& t : arxhost::recordTags(e))
                if (t.code == 8) have = t.value;
        } else {
            have = arxhost::recordType(e);
        }
        if (want != "*" && fold(have) != want) return false;
    }
    return true;
}

int storeSet(const std::vector<AcDbObjectId>& members, ads_name ss) {
    std::vector<AcDbObjectId> ids;
    for (AcDbObjectId e : members)
        if (std::find(ids.begin(), ids.end(), e) == ids.end()) ids.push_back(e);
    if (ids.empty()) return RTERROR;
    int64_t n = ed().nextSelectionSet++;
    ed().selectionSets[n] = ids;
    ss[0] = n;
    ss[1] = kSelectionMark;
    return RTNORM;
}

std::vector<AcDbObjectId>* findSet(const ads_name ss) {
    if (!ss || ss[1] != kSelectionMark) return nullptr;
    auto it = ed().selectionSets.find(ss[0]);
    return it == ed().selectionSets.end() ? nullptr : &it->second;
}

// The user's selection: answers until an empty line.
int interactiveSelection(std::vector<AcDbObjectId>& chosen) {
    for (;;) {
        std::string a;
        int rc = readAnswer("\nSelect objects: ", a);
        if (rc != RTNORM) return rc;
        a = trim(a);
        if (a.empty()) return RTNORM;
        std::string f = fold(a);
        std::vector<AcDbObjectId> found;
        if (f == "all") {
            found = arxhost::blockEntities(currentSpace());
        } else if (f == "l" || f == "last") {
            if (AcDbObjectId e = lastEntity(); !e.isNull()) found.push_back(e);
        } else if (f == "w" || f == "window" || f == "c" || f == "crossing") {
            double p1[3], p2[3];
            std::string c1, c2;
            if ((rc = readAnswer("\nFirst corner: ", c1)) != RTNORM) return rc;
            if (!parsePoint(c1, nullptr, p1)) {
                print("\nInvalid point.");
                continue;
            }
            if ((rc = readAnswer("\nSpecify opposite corner: ", c2)) != RTNORM) return rc;
            if (!parsePoint(c2, p1, p2)) {
                print("\nInvalid point.");
                continue;
            }
            found = inWindow(p1, p2, f[0] == 'c');
        } else if (a[0] == '#') {
            Hit h;
            if (pathPick(a, h)) found.push_back(h.containers.empty() ? h.entity : h.containers.back());
        } else {
            double p[3];
            if (!parsePoint(a, nullptr, p)) {
                print("\nExpects a point or Window/Crossing/ALL/Last or #handle.");
                continue;
            }
            Hit h = pickAt(p, false);
            if (!h.entity.isNull()) found.push_back(h.entity);
        }
        std::size_t added = 0;
        for (AcDbObjectId e : found)
            if (std::find(chosen.begin(), chosen.end(), e) == chosen.end()) {
                chosen.push_back(e);
                ++added;
            }
        print("\n" + std::to_string(found.size()) + " found" +
              (found.size() != added ? ", " + std::to_string(found.size() - added) + " duplicate" : ""));
    }
}

}  // namespace

bool nameToId(const ads_name name, AcDbObjectId& id) {
    id = AcDbObjectId();
    AcDbDatabase* db = workingDb();
    if (!db || !name || name[0] == 0) return false;
    return db->getAcDbObjectId(id, false, AcDbHandle(static_cast<uint64_t>(name[0]))) == Acad::eOk;
}

void idToName(AcDbObjectId id, ads_name name) {
    setName(id, name);
}

std::string handleText(AcDbObjectId id) {
    ACHAR buf[17];
    id.handle().getIntoAsciiBuffer(buf);
    return toUtf8(buf);
}

// Selections made by a command (LIST), on the same prompts as the modules'.
int selectEntities(std::vector<AcDbObjectId>& out) {
    return interactiveSelection(out);
}

}  // namespace arxed

using namespace arxed;

Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& id, const ads_name name) {
    if (!name) return Acad::eInvalidInput;
    if (nameToId(name, id)) return Acad::eOk;
    return Acad::eUnknownHandle;
}

Acad::ErrorStatus acdbGetAdsName(ads_name name, AcDbObjectId id) {
    if (!name) return Acad::eInvalidInput;
    if (id.isNull()) return Acad::eNullObjectId;
    idToName(id, name);
    return Acad::eOk;
}

int acdbEntLast(ads_name result) {
    if (!result) return RTERROR;
    const AcDbObjectId e = lastEntity();
    if (e.isNull()) return RTERROR;
    setName(e, result);
    return RTNORM;
}

int acdbHandEnt(const ACHAR* handle, ads_name result) {
    if (!handle || !result) return RTERROR;
    const AcDbObjectId e = byHandle(toUtf8(handle));
    if (e.isNull() || e.isErased()) return RTERROR;
    setName(e, result);
    return RTNORM;
}

int acedNEntSelP(const ACHAR* prompt, ads_name entres, ads_point ptres, int pickflag, ads_matrix xformres,
                 resbuf** refstkres) {
    if (refstkres) *refstkres = nullptr;
    if (!entres) return RTREJ;
    KeywordSet k = takeKeywords();
    std::string p = prompt ? toUtf8(prompt) : std::string("\nSelect object: ");
    Hit hit;
    double at[3] = {0, 0, 0};
    if (pickflag && ptres) {
        // The caller gives the point.
        for (int i = 0; i < 3; ++i) at[i] = ptres[i];
        hit = pickAt(at, true);
    } else {
        for (;;) {
            std::string a;
            int rc = readAnswer(p, a);
            if (rc != RTNORM) return rc;
            a = trim(a);
            if (a.empty()) {
                ed().errnoValue = 52;  // empty answer
                return RTERROR;
            }
            if (a[0] == '#') {
                if (!pathPick(a, hit)) print("\nNo entity at the handle path " + a + ".");
                else firstPoint(hit.entity, hit.xf, at);
                break;
            }
            double v[3];
            if (parsePoint(a, nullptr, v)) {
                double w[3];
                acdbUcs2Wcs(v, w, 0);
                for (int i = 0; i < 3; ++i) at[i] = w[i];
                hit = pickAt(at, true);
                break;
            }
            // Keywords, or any text when the caller allows it.
            const std::string g = matchKeyword(k, a);
            if (!g.empty() || (k.flags & RSG_OTHER)) {
                ed().lastInput = g.empty() ? a : g;
                return RTKWORD;
            }
            print("\nInvalid point.");
        }
    }
    if (hit.entity.isNull()) {
        ed().errnoValue = OL_ENTSELPICK;
        return RTERROR;
    }
    setName(hit.entity, entres);
    if (ptres)
        for (int i = 0; i < 3; ++i) ptres[i] = at[i];
    if (xformres)
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) xformres[i][j] = hit.xf.entry[i][j];
    if (refstkres && !hit.containers.empty()) {
        resbuf* head = nullptr;
        resbuf** tail = &head;
        for (AcDbObjectId c : hit.containers) {
            resbuf* rb = acutNewRb(RTENAME);
            setName(c, rb->resval.rlname);
            *tail = rb;
            tail = &rb->rbnext;
        }
        *refstkres = head;
    }
    return RTNORM;
}

int acedEntSel(const ACHAR* prompt, ads_name entres, ads_point ptres) {
    resbuf* containers = nullptr;
    int rc = acedNEntSelP(prompt, entres, ptres, 0, nullptr, &containers);
    if (rc == RTNORM && containers) {
        // The top-level entity: the outermost container.
        resbuf* last = containers;
        while (last->rbnext) last = last->rbnext;
        entres[0] = last->resval.rlname[0];
        entres[1] = last->resval.rlname[1];
    }
    if (containers) acutRelRb(containers);
    return rc;
}

int acedSSGet(const ACHAR* mode, const void* pt1, const void* pt2, const resbuf* filter, ads_name ss) {
    if (!ss) return RTREJ;
    ss[0] = ss[1] = 0;
    if (!workingDb()) return RTERROR;
    std::vector<AcDbObjectId> members;
    std::string m = mode ? fold(toUtf8(mode)) : std::string();
    if (m.empty()) {
        int rc = interactiveSelection(members);
        if (rc != RTNORM) return rc;
    } else if (m == "x" || m == "a") {
        members = m == "x" ? allEntities() : arxhost::blockEntities(currentSpace());
    } else if (m == "l") {
        if (AcDbObjectId e = lastEntity(); !e.isNull()) members.push_back(e);
    } else if (m == "w" || m == "c") {
        if (!pt1 || !pt2) return RTREJ;
        members = inWindow(static_cast<const double*>(pt1), static_cast<const double*>(pt2), m == "c");
    } else {
        return RTREJ;  // a mode this editor does not offer
    }
    std::vector<AcDbObjectId> kept;
    for (AcDbObjectId e : members)
        if (passes(e, filter)) kept.push_back(e);
    if (kept.empty()) {
        ed().errnoValue = OL_ERRNOSS;
        return RTERROR;
    }
    return storeSet(kept, ss);
}

int acedSSLength(const ads_name ss, int32_t* len) {
    auto* set = findSet(ss);
    if (!set || !len) return RTERROR;
    *len = static_cast<int32_t>(set->size());
    return RTNORM;
}

int acedSSName(const ads_name ss, int32_t i, ads_name entres) {
    auto* set = findSet(ss);
    if (!set || !entres || i < 0 || static_cast<std::size_t>(i) >= set->size()) return RTERROR;
    setName((*set)[static_cast<std::size_t>(i)], entres);
    return RTNORM;
}

int acedSSFree(const ads_name ss) {
    if (!findSet(ss)) return RTERROR;
    ed().selectionSets.erase(ss[0]);
    return RTNORM;
}

int acedSSAdd(const ads_name ename, const ads_name ss, ads_name result) {
    if (!result) return RTERROR;
    std::vector<AcDbObjectId> members;
    if (ss) {
        auto* set = findSet(ss);
        if (!set) return RTERROR;
        members = *set;
    }
    if (ename) {
        AcDbObjectId id;
        if (!nameToId(ename, id) || !arxhost::isLiveEntity(id)) return RTERROR;
        members.push_back(id);
    }
    if (ss && ename) {
        auto* set = findSet(ss);
        if (std::find(set->begin(), set->end(), members.back()) == set->end())
            set->push_back(members.back());
        result[0] = ss[0];
        result[1] = ss[1];
        return RTNORM;
    }
    if (members.empty()) {
        int64_t n = ed().nextSelectionSet++;
        ed().selectionSets[n] = {};
        result[0] = n;
        result[1] = kSelectionMark;
        return RTNORM;
    }
    return storeSet(members, result);
}

int acdbEntUpd(const ads_name ent) {
    AcDbObjectId id;
    return ent && nameToId(ent, id) ? RTNORM : RTERROR;
}

void acedUpdateDisplay() {}

int ads_regen() {
    return workingDb() ? RTNORM : RTERROR;
}

int acedRedraw(const ads_name ent, int) {
    if (!ent) return RTNORM;
    return acdbEntUpd(ent);
}
