// Drawings with proxies for the interface tests: a drawing made by the host (layers 0, Walls,
// Doors; linetypes ByBlock, ByLayer, Continuous, DASHED, CENTER), saved, and CLASSES entries,
// proxy entities, proxy objects and other records added to its text before it is read back.
#pragma once

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/arx/arx_test_util.h"
#include "tests/proxy/ez_fields.h"

namespace proxytest {

inline std::string hexOf(std::string_view bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

inline std::string handleText(const AcDbHandle& h) {
    ACHAR buf[17] = {};
    h.getIntoAsciiBuffer(buf);
    return u8(HStr(buf));
}

// The group codes of a picture: its size (92) and its bytes in 310 chunks of 127 bytes.
inline std::string pictureTags(std::string_view bytes, int sizeCode = 92) {
    std::ostringstream o;
    o << ' ' << sizeCode << '\n' << bytes.size() << '\n';
    for (std::size_t at = 0; at < bytes.size(); at += 127) o << "310\n" << hexOf(bytes.substr(at, 127)) << '\n';
    return o.str();
}

class ProxyDrawing {
  public:
    ProxyDrawing() {
        AcDbDatabase db;
        {
            AcDbLayerTable* t = nullptr;
            EXPECT_EQ(db.getSymbolTable(t, AcDb::kForWrite), Acad::eOk);
            for (const char* name : {"Walls", "Doors"}) {
                auto* rec = new AcDbLayerTableRecord();
                rec->setName(host(name).c_str());
                AcDbObjectId id;
                EXPECT_EQ(t->add(id, rec), Acad::eOk);
                rec->close();
            }
            t->close();
        }
        {
            AcDbLinetypeTable* t = nullptr;
            EXPECT_EQ(db.getSymbolTable(t, AcDb::kForWrite), Acad::eOk);
            for (const char* name : {"DASHED", "CENTER"}) {
                auto* rec = new AcDbLinetypeTableRecord();
                rec->setName(host(name).c_str());
                AcDbObjectId id;
                EXPECT_EQ(t->add(id, rec), Acad::eOk);
                rec->close();
            }
            t->close();
        }
        modelSpace_ = handleText(db.currentSpaceId().handle());
        {
            AcDbDictionary* nod = nullptr;
            EXPECT_EQ(db.getNamedObjectsDictionary(nod, AcDb::kForRead), Acad::eOk);
            if (nod) {
                root_ = handleText(nod->objectId().handle());
                nod->close();
            }
        }
        EXPECT_EQ(db.saveAs(host(dir.file("base.dxf")).c_str()), Acad::eOk);
        base_ = readAll(dir.file("base.dxf"));
        const std::size_t from = base_.find("CLASSES\n"), to = base_.find("  0\nENDSEC\n", from);
        for (std::size_t at = base_.find("  0\nCLASS\n", from); at < to; at = base_.find("  0\nCLASS\n", at + 1))
            ++classes_;
    }

    // Adds a CLASSES entry; returns its class number (500 and up, by position).
    int addClass(const std::string& dxfName, int flags, bool wasAProxy = true, bool entity = true,
                 const std::string& cppName = "AcDbWidget", const std::string& app = "WidgetApp") {
        std::ostringstream o;
        o << "  0\nCLASS\n  1\n" << dxfName << "\n  2\n" << cppName << "\n  3\n" << app << "\n 90\n" << flags
          << "\n 91\n0\n280\n" << (wasAProxy ? 1 : 0) << "\n281\n" << (entity ? 1 : 0) << '\n';
        classText_ += o.str();
        return 500 + classes_++;
    }

    // Adds an ACAD_PROXY_ENTITY to model space. `common` are the AcDbEntity codes (layer first).
    std::string addProxy(std::string_view picture, int classNumber, const std::string& common = "  8\n0\n",
                         const std::string& after = "") {
        std::ostringstream o;
        o << "100\nAcDbProxyEntity\n 90\n498\n 91\n" << classNumber << '\n'
          << (picture.empty() ? std::string(" 92\n0\n") : pictureTags(picture)) << " 93\n0\n 94\n0\n 95\n0\n 70\n0\n"
          << after;
        return addEntity("ACAD_PROXY_ENTITY", common, o.str());
    }
    // Adds any entity record to model space.
    std::string addEntity(const std::string& type, const std::string& common, const std::string& rest) {
        const std::string h = nextHandle();
        entities_ += "  0\n" + type + "\n  5\n" + h + "\n330\n" + modelSpace_ + "\n100\nAcDbEntity\n" + common + rest;
        return h;
    }
    // Adds an object record owned by the root dictionary (not filed in it).
    std::string addObject(const std::string& type, const std::string& rest) {
        const std::string h = nextHandle();
        objects_ += "  0\n" + type + "\n  5\n" + h + "\n330\n" + root_ + '\n' + rest;
        return h;
    }
    std::string addProxyObject(int classNumber, const std::string& after = "") {
        std::ostringstream o;
        o << "100\nAcDbProxyObject\n 90\n499\n 91\n" << classNumber << "\n 93\n0\n 94\n0\n 95\n0\n 70\n0\n" << after;
        return addObject("ACAD_PROXY_OBJECT", o.str());
    }

    // The drawing's text with everything added.
    std::string text() const {
        std::string t = base_;
        auto insertBefore = [&t](const std::string& section, const std::string& what) {
            std::size_t at = t.find("  2\n" + section + "\n");
            at = t.find("  0\nENDSEC\n", at);
            t.insert(at, what);
        };
        insertBefore("CLASSES", classText_);
        insertBefore("ENTITIES", entities_);
        if (!objects_.empty()) {
            // After the root dictionary's record: the objects section must start with it.
            std::size_t at = t.find("  2\nOBJECTS\n");
            at = t.find("  0\n", t.find("  0\nDICTIONARY\n", at) + 1);
            t.insert(at, objects_);
        }
        return t;
    }
    // Writes the drawing and reads it into db.
    Acad::ErrorStatus load(AcDbDatabase& db, const std::string& name = "proxies.dxf") {
        path = dir.file(name);
        writeAll(path, text());
        return db.readDwgFile(host(path).c_str());
    }

    static AcDbObjectId idOf(AcDbDatabase& db, const std::string& handle) {
        AcDbObjectId id;
        db.getAcDbObjectId(id, false, AcDbHandle(host(handle).c_str()));
        return id;
    }

    TempDir dir;
    std::string path;

  private:
    std::string nextHandle() {
        std::ostringstream o;
        o << std::uppercase << std::hex << handle_++;
        return o.str();
    }
    std::string base_, classText_, entities_, objects_, modelSpace_, root_ = "C";
    int classes_ = 0;
    unsigned handle_ = 0xF000;
};

// What ezdxf reads of a drawing's model space: per handle, the entity type and key=value fields
// (world coordinates; texts as hex of UTF-8).
using EzEntity = EzFields;

inline const char* kEzdxfModelSpaceScript = R"PY(
import sys
import ezdxf
from ezdxf.math import OCS, Vec3

doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
print("AUDIT %d" % len(auditor.errors))

def v(p):
    p = Vec3(p)
    return "%.12g,%.12g,%.12g" % (p.x, p.y, p.z)

def fields(e):
    d = e.dxf
    t = e.dxftype()
    f = [t, d.handle, "layer=" + d.get("layer", "0"), "lt=" + d.get("linetype", "BYLAYER"),
         "color=%d" % d.get("color", 256), "tc=%d" % d.get("true_color", -1),
         "lw=%d" % d.get("lineweight", -1), "lts=%.12g" % d.get("ltscale", 1.0)]
    if d.is_supported("thickness"):
        f.append("th=%.12g" % d.get("thickness", 0.0))
    if d.is_supported("extrusion"):
        f.append("n=" + v(d.get("extrusion", (0, 0, 1))))
    if t in ("CIRCLE", "ARC"):
        f += ["c=" + v(OCS(d.extrusion).to_wcs(d.center)), "r=%.12g" % d.radius]
        if t == "ARC":
            f += ["sa=%.12g" % d.start_angle, "ea=%.12g" % d.end_angle]
    elif t == "LINE":
        f += ["p0=" + v(d.start), "p1=" + v(d.end)]
    elif t == "POINT":
        f.append("p0=" + v(d.location))
    elif t == "LWPOLYLINE":
        ocs = OCS(d.extrusion)
        pts = list(e.get_points("xyseb"))
        for i, p in enumerate(pts):
            f.append("p%d=%s" % (i, v(ocs.to_wcs((p[0], p[1], d.elevation)))))
            f.append("w%d=%.12g,%.12g,%.12g" % (i, p[2], p[3], p[4]))
        f += ["closed=%d" % (1 if e.closed else 0), "count=%d" % len(pts), "cw=%.12g" % d.get("const_width", 0.0),
              "elev=%.12g" % d.elevation]
    elif t == "POLYLINE":
        pts = [x.dxf.location for x in e.vertices]
        for i, p in enumerate(pts):
            f.append("p%d=%s" % (i, v(p)))
        f += ["closed=%d" % (1 if e.is_closed else 0), "count=%d" % len(pts), "flags=%d" % d.flags]
    elif t == "3DFACE":
        for i in range(4):
            f.append("p%d=%s" % (i, v(d.get("vtx%d" % i))))
        f.append("invisible=%d" % d.get("invisible", 0))
    elif t == "TEXT":
        f += ["p0=" + v(OCS(d.extrusion).to_wcs(d.insert)), "h=%.12g" % d.height, "rot=%.12g" % d.rotation,
              "w=%.12g" % d.width, "obl=%.12g" % d.oblique, "text=" + d.text.encode("utf-8", "surrogateescape").hex(),
              "gen=%d" % d.text_generation_flag]
    elif t in ("RAY", "XLINE"):
        f += ["p0=" + v(d.start), "dir=" + v(d.unit_vector)]
    elif t == "ELLIPSE":
        f += ["c=" + v(d.center), "major=" + v(d.major_axis), "ratio=%.12g" % d.ratio,
              "sp=%.12g" % d.start_param, "ep=%.12g" % d.end_param]
    return f


for e in doc.modelspace():
    try:
        f = fields(e)
    except Exception:  # entities ezdxf keeps without a model (the proxies themselves)
        continue
    print(" ".join(f))
)PY";

// Runs the script over a saved drawing; false when ezdxf could not read it (message in error).
inline bool ezdxfModelSpace(const std::string& path, std::map<std::string, EzEntity>& out, int& auditErrors,
                            std::string& error) {
    bool ok = false;
    const std::string text = runPython(kEzdxfModelSpaceScript, path, ok);
    if (!ok) {
        error = text;
        return false;
    }
    std::stringstream ss(text);
    std::string line;
    while (std::getline(ss, line)) {
        std::stringstream ls(line);
        std::string type, handle;
        ls >> type;
        if (type == "AUDIT") {
            ls >> auditErrors;
            continue;
        }
        ls >> handle;
        EzEntity e;
        e.type = type;
        std::string kv;
        while (ls >> kv) {
            auto eq = kv.find('=');
            if (eq != std::string::npos) e.f[kv.substr(0, eq)] = kv.substr(eq + 1);
        }
        out[handle] = std::move(e);
    }
    return true;
}

}  // namespace proxytest
