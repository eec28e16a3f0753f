#!/usr/bin/python3
# Makes examples/proxies.dxf: a small floor plan as it arrives from an office that
# has an add-on application we do not: its doors are proxy entities with stored
# pictures (a leaf and its swing), two pieces of equipment are proxies that kept
# only their boxes, and the add-on's settings are a proxy object in the drawing's
# dictionary. The walls and doors lie on locked layers.
#   /usr/bin/python3 examples/make_proxies.py examples/proxies.dxf
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'shardex'))
from make_drawings import Splicer, extents, line, new_doc, picture, pts, record, save  # noqa: E402


def arc(center, radius, start_vector, sweep):
    return record(4, pts([center]) + struct.pack('<d', radius) + pts([(0, 0, 1), start_vector])
                  + struct.pack('<d', sweep) + struct.pack('<L', 0))


def door(x, y):
    return picture([extents((x, y, 0), (x + 900, y + 900, 0)),
                    line((x, y, 0), (x, y + 900, 0)),
                    arc((x, y, 0), 900, (0, 1, 0), -1.5707963267948966),
                    line((x, y, 0), (x + 900, y, 0))])


doc = new_doc(layers=('WALLS', 'DOORS', 'EQUIPMENT'))
msp = doc.modelspace()
for a, b in (((0, 0), (12000, 0)), ((12000, 0), (12000, 8000)), ((12000, 8000), (0, 8000)),
             ((0, 8000), (0, 0)), ((6000, 0), (6000, 8000))):
    msp.add_line(a, b, dxfattribs={'layer': 'WALLS'})
msp.add_text('Plan, level 1', dxfattribs={'layer': 'WALLS', 'height': 250}).set_placement((0, -600))
s = Splicer()
for i, (x, y) in enumerate(((1000, 0), (3000, 0), (7000, 0), (9000, 0), (6000, 3000), (6000, 6000))):
    s.proxy(msp, 'door%d' % i, 'SHX_WIDGET', door(x, y), layer='DOORS')
s.proxy(msp, 'boiler', 'SHX_WIDGET', picture([extents((500, 6000, 0), (1500, 7500, 2000))]), layer='EQUIPMENT')
s.proxy(msp, 'rack', 'SHX_STUCK', picture([extents((10000, 6500, 0), (11500, 7500, 1800))]), layer='EQUIPMENT')
s.proxy_object(doc, 'settings', 'SHX_DATA', 'SHX_SETTINGS')
for name in ('WALLS', 'DOORS'):
    doc.layers.get(name).lock()
save(doc, s, sys.argv[1] if len(sys.argv) > 1 else 'proxies.dxf')
