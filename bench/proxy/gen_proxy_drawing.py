"""Writes a drawing of proxy entities with full graphics for the explode benchmark.

Usage: gen_proxy_drawing.py OUT.dxf [PROXIES]

Starts from a small R2018 drawing made by ezdxf (layers, a text style for arial.ttf) and adds a
class BENCH_DOOR to CLASSES (first entry, so its proxies name class 500) and PROXIES proxy
entities of that class to model space, laid out on a grid. Each carries the picture of a door in
the stored-graphics format: attribute records (colour, true colour, layer, linetype,
lineweight, selection markers), a frame and a leaf as polylines, the swing as an arc, a knob as a
circle, an arc through three points, a threshold as a polyline with a normal, a hinge plate drawn
under a model transform, and two labels (an 8-bit text and a Unicode text with its font).
Every proxy also has a few bytes of entity data and the original DXF name in extended data.

The records are the ones ezdxf 0.18.1 decodes; its faulty ones (the light-polyline record and
the elliptic arc) are left out so that both sides decode the same picture.
The same count always gives the same file, and the first N proxies of a larger drawing are the
proxies of a drawing of N.
"""
import math
import os
import struct
import sys

import ezdxf

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'common'))
from dxfsplice import write_spliced  # noqa: E402

LAYERS = ('A-DOOR', 'A-DOOR-IDEN', 'A-GLAZ')
CLASS = ('  0\nCLASS\n  1\nBENCH_DOOR\n  2\nBenchDoor\n  3\nBenchApp|Product Desc: bench door module\n'
         ' 90\n127\n 91\n{count}\n280\n1\n281\n1\n')


def template(path):
    doc = ezdxf.new('R2018')
    for name in LAYERS:
        doc.layers.add(name)
    doc.styles.new('Arial', dxfattribs={'font': 'arial.ttf'})
    doc.saveas(path)
    return doc


def record(kind, payload):
    return struct.pack('<2L', len(payload) + 8, kind) + payload


def u32(v):
    return struct.pack('<L', v & 0xFFFFFFFF)


def pts(points):
    return b''.join(struct.pack('<3d', *p) for p in points)


def padded(b):
    return b + b'\0' * (-len(b) % 4)


def ustr(s):
    return padded(s.encode('utf-16-le') + b'\0\0')


def picture(i, layer_index):
    x, y = i % 400 * 20.0, i // 400 * 20.0
    recs = [
        record(1, pts([(x - 1, y - 1, 0), (x + 11, y + 11, 0)])),       # extents
        record(14, u32(256)),                                              # colour BYLAYER
        record(16, u32(layer_index['A-DOOR'])),                            # layer
        record(18, u32(32767)),                                            # linetype BYLAYER
        record(23, u32(-1)),                                               # lineweight BYLAYER
        record(19, u32(1)),                                                # marker
        record(6, u32(5) + pts([(x, y, 0), (x + 10, y, 0), (x + 10, y + 0.5, 0),
                                (x, y + 0.5, 0), (x, y, 0)])),             # frame
        record(19, u32(2)),
        record(6, u32(2) + pts([(x, y + 0.5, 0), (x, y + 9.5, 0)])),      # leaf
        record(22, u32(0xC2000000 | (i * 2654435761 & 0xFFFFFF))),        # true colour
        record(4, pts([(x, y + 0.5, 0)]) + struct.pack('<d', 9.0) + pts([(0, 0, 1), (1, 0, 0)])
               + struct.pack('<d', math.pi / 2) + u32(0)),                # swing
        record(14, u32(1 + i % 250)),                                      # colour ACI
        record(2, pts([(x + 0.6, y + 8.8, 0)]) + struct.pack('<d', 0.25) + pts([(0, 0, 1)])),  # knob
        record(5, pts([(x + 10, y + 0.5, 0), (x + 10.5, y + 1.5, 0), (x + 10, y + 2.5, 0)]) + u32(0)),
        record(32, u32(4) + pts([(x, y - 0.4, 0), (x + 10, y - 0.4, 0), (x + 10, y - 0.1, 0),
                                 (x, y - 0.1, 0)]) + pts([(0, 0, 1)])),   # threshold
        # A hinge plate drawn in its own system: turned by 30 degrees about the hinge.
        record(29, struct.pack('<16d', math.cos(math.pi / 6), -math.sin(math.pi / 6), 0, x,
                               math.sin(math.pi / 6), math.cos(math.pi / 6), 0, y + 0.5,
                               0, 0, 1, 0, 0, 0, 0, 1)),
        record(6, u32(4) + pts([(0, 0, 0), (0.8, 0, 0), (0.8, 0.3, 0), (0, 0.3, 0)])),
        record(31, b''),
        record(16, u32(layer_index['A-DOOR-IDEN'])),
        record(14, u32(256)),
        record(24, struct.pack('<d', 1.0)),                                # linetype scale
        record(10, pts([(x + 2, y + 2, 0), (0, 0, 1), (1, 0, 0)]) + struct.pack('<3d', 1.5, 1.0, 0.0)
               + padded(f'D{i}'.encode('ascii') + b'\0')),
        record(38, pts([(x + 2, y + 4, 0), (0, 0, 1), (0, 1, 0)]) + ustr(f'Дверь {i}')
               + struct.pack('<2l', len(f'Дверь {i}'), 0) + struct.pack('<4d', 1.0, 0.8, 0.0, 100.0)
               + struct.pack('<5L', 0, 0, 0, 0, 0) + struct.pack('<4L', 0, 0, 0, 34)
               + ustr('Arial') + ustr('arial.ttf') + ustr('')),
    ]
    body = b''.join(recs)
    return struct.pack('<2L', len(body) + 8, len(recs)) + body


def hex_run(data):
    text = data.hex().upper()
    return ''.join(f'310\n{text[k:k + 254]}\n' for k in range(0, len(text), 254))


def proxy(i, h, owner, layer_index):
    g = picture(i, layer_index)
    data = struct.pack('<3d', i * 0.5, 10.0, 90.0)  # the object's own data, opaque to a host
    return (f'  0\nACAD_PROXY_ENTITY\n  5\n{h:X}\n330\n{owner}\n100\nAcDbEntity\n  8\nA-DOOR\n'
            f'100\nAcDbProxyEntity\n 90\n498\n 91\n500\n 71\n33\n 97\n155\n 70\n0\n'
            f'160\n{len(g)}\n' + hex_run(g) + f'161\n{len(data) * 8}\n' + hex_run(data)
            + ' 94\n0\n1001\nACAD\n1000\nAcRTDxfName\n1000\nBENCH_DOOR\n')


def main():
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000
    tmp = out + '.template.dxf'
    doc = template(tmp)
    layer_index = {layer.dxf.name: k for k, layer in enumerate(doc.layers)}
    owner = doc.modelspace().block_record.dxf.handle
    h = int(doc.header['$HANDSEED'], 16) + 16
    parts = []
    for i in range(count):
        parts.append(proxy(i, h, owner, layer_index))
        h += 1
    write_spliced(doc, tmp, out, ''.join(parts), h, classes=CLASS.format(count=count))


if __name__ == '__main__':
    main()
