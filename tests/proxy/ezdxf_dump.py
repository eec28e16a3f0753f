#!/usr/bin/python3
"""Dumps what ezdxf's own proxy-graphics decoder makes of graphics buffers, for the cross-check
in corpus_test.cpp.

usage: ezdxf_dump.py DRAWING.dxf BUFFERS.txt

BUFFERS.txt holds one buffer per line: "<id> <hex>". The drawing is loaded with ezdxf (for its
layer table, which ezdxf's decoder resolves layer indices against); if ezdxf cannot load it, the
buffers are decoded without a document.

Output, one item per line, fields separated by blanks:
  G <handle> <bytes>          ezdxf's own reading of an entity's graphics (its size), per entity
  B <id>                      a buffer starts
  E <TYPE> key=value ...      one virtual entity made of it, in order
  X <message>                 ezdxf stopped on an error (entities before it are listed)
Coordinates are world coordinates (ezdxf's OCS values are converted); strings are hex of UTF-8.
"""
import sys

import ezdxf
from ezdxf.math import OCS, Vec3
from ezdxf.proxygraphic import ProxyGraphic


def num(v):
    return repr(float(v))


def vec(v):
    v = Vec3(v)
    return ",".join(num(c) for c in (v.x, v.y, v.z))


def hexstr(s):
    return s.encode("utf-8", "surrogateescape").hex()


def common(e):
    dxf = e.dxf
    tc = dxf.get("true_color", None)
    return [
        "color=%d" % dxf.get("color", 256),
        "tc=%d" % (-1 if tc is None else tc),
        "lw=%d" % dxf.get("lineweight", -3),
        "lts=" + num(dxf.get("ltscale", 1.0)),
        "layer=" + hexstr(dxf.get("layer", "0")),
    ]


def describe(e):
    t = e.dxftype()
    f = common(e)
    if t == "POINT":
        f.append("pts=" + vec(e.dxf.location))
    elif t == "POLYLINE":
        f.append("flags=%d" % e.dxf.flags)
        f.append("closed=%d" % (1 if e.is_closed else 0))
        if e.is_poly_face_mesh:
            faces = []
            for face in e.faces():
                faces.append(";".join(vec(v.dxf.location) for v in face[:-1]))
            f.append("faces=" + "|".join(faces))
        else:
            f.append("pts=" + ";".join(vec(v.dxf.location) for v in e.vertices))
    elif t == "HATCH":
        pts = []
        for path in e.paths:
            for v in getattr(path, "vertices", []):
                pts.append(vec((v[0], v[1], 0.0)))
        f.append("pts=" + ";".join(pts))
    elif t == "LWPOLYLINE":
        ocs = OCS(e.dxf.extrusion)
        elev = e.dxf.elevation
        f.append("closed=%d" % (1 if e.closed else 0))
        f.append("pts=" + ";".join(vec(ocs.to_wcs((p[0], p[1], elev))) for p in e.get_points("xy")))
    elif t in ("CIRCLE", "ARC"):
        ocs = OCS(e.dxf.extrusion)
        f.append("c=" + vec(ocs.to_wcs(e.dxf.center)))
        f.append("r=" + num(e.dxf.radius))
        f.append("n=" + vec(e.dxf.extrusion))
        if t == "ARC":
            f.append("sa=" + num(e.dxf.start_angle))
            f.append("ea=" + num(e.dxf.end_angle))
    elif t == "TEXT":
        ocs = OCS(e.dxf.extrusion)
        f.append("c=" + vec(ocs.to_wcs(e.dxf.insert)))
        f.append("n=" + vec(e.dxf.extrusion))
        f.append("h=" + num(e.dxf.height))
        f.append("w=" + num(e.dxf.width))
        f.append("rot=" + num(e.dxf.rotation))
        f.append("obl=" + num(e.dxf.oblique))
        f.append("text=" + hexstr(e.dxf.text))
    elif t in ("RAY", "XLINE"):
        f.append("c=" + vec(e.dxf.start))
        f.append("d=" + vec(e.dxf.unit_vector))
    return "E %s %s" % (t, " ".join(f))


def main():
    path, buffers = sys.argv[1], sys.argv[2]
    doc = None
    try:
        doc = ezdxf.readfile(path)
    except Exception as exc:  # ezdxf cannot read every drawing of the corpus
        print("D none %s" % type(exc).__name__)
    if doc is not None:
        print("D %s" % doc.dxfversion)
        for e in doc.entitydb.values():
            data = getattr(e, "proxy_graphic", None)
            if data:
                print("G %s %d" % (e.dxf.handle, len(data)))
    with open(buffers) as fh:
        for line in fh:
            ident, hexdata = line.split()
            print("B " + ident)
            try:
                for e in ProxyGraphic(bytes.fromhex(hexdata), doc).virtual_entities():
                    print(describe(e))
            except Exception as exc:
                print("X " + str(exc).replace("\n", " "))


if __name__ == "__main__":
    main()
