"""Writes the drawing of the extents tests and prints ezdxf's boxes of its entities.

Usage: make_drawing.py OUT.dxf

Every entity to check sits on a layer of its own; the layer name is the key the test uses.
Entities of block definitions stay on layer 0. After the drawing is saved, records that no
writer would make (bad numbers, missing codes, huge counts, a block that contains itself) are
added to its text. Printed: one line per checked entity, "layer minx miny minz maxx maxy maxz"
from ezdxf.bbox.extents of the saved and re-read drawing, or "layer none" when ezdxf finds no
box.
"""
import math
import sys

import ezdxf
from ezdxf import bbox
from ezdxf.math import Vec2

out = sys.argv[1]
doc = ezdxf.new('R2018')
msp = doc.modelspace()


def L(name, **more):
    doc.layers.add(name)
    d = {'layer': name}
    d.update(more)
    return d


# Curves.
msp.add_line((1, 2, 3), (4, -5, 6), dxfattribs=L('line'))
msp.add_line((0, 0, 0), (1, 0, 0), dxfattribs=L('line_thick', thickness=2))
msp.add_point((3, 4, 5), dxfattribs=L('point'))
msp.add_circle((1, 1), 2, dxfattribs=L('circle'))
msp.add_circle((0, 0, 5), 2, dxfattribs=L('circle_ocs', extrusion=(1, 0, 0), thickness=3))
msp.add_arc((0, 0), 1, 0, 90, dxfattribs=L('arc_quarter'))
msp.add_arc((10, 0), 2, 45, 270, dxfattribs=L('arc_wide'))
msp.add_arc((0, 0), 1, 300, 60, dxfattribs=L('arc_through_zero'))
msp.add_ellipse((0, 0, 0), (4, 0, 0), 0.5, 0, math.pi / 2, dxfattribs=L('ellipse_quarter'))
msp.add_ellipse((1, 2, 0), (3, 4, 0), 0.4, dxfattribs=L('ellipse_turned'))
msp.add_ellipse((0, 0, 0), (0, 0, 2), 0.5, dxfattribs=L('ellipse_3d', extrusion=(1, 0, 0)))

# Light polylines.
msp.add_lwpolyline([(0, 0, 0, 0, 1), (2, 0)], format='xyseb', dxfattribs=L('lw_bulge'))
msp.add_lwpolyline([(0, 0, 0, 0, 1), (2, 0)], format='xyseb',
                   dxfattribs=L('lw_ocs', elevation=5, extrusion=(0, 0, -1)))
msp.add_lwpolyline([(0, 0), (10, 0)], dxfattribs=L('lw_width', const_width=2))
msp.add_lwpolyline([(0, 0), (4, 0), (4, 3)], close=True, dxfattribs=L('lw_closed', thickness=1.5))

# Polylines of every kind.
p2 = msp.add_polyline2d([(0, 0), (2, 0)], dxfattribs=L('pl2d_bulge', elevation=(0, 0, 7)))
p2.vertices[0].dxf.bulge = -1
msp.add_polyline3d([(0, 0, 0), (1, 2, 3), (-1, 0, 1)], dxfattribs=L('pl3d'))
mesh = msp.add_polymesh(size=(2, 3), dxfattribs=L('pl_mesh'))
for m in range(2):
    for n in range(3):
        mesh.set_mesh_vertex((m, n), (m * 2, n, m * n))
pf = msp.add_polyface(dxfattribs=L('pl_face'))
pf.append_face([(0, 0, 0), (1, 0, 0), (1, 1, 5)])
pf.append_face([(1, 1, 5), (-2, 1, 0), (0, 0, 0)])

# Splines, solids, faces.
msp.add_open_spline([(0, 0), (1, 3), (2, -1), (4, 0)], degree=3, dxfattribs=L('spline_control'))
msp.add_spline(fit_points=[(0, 0), (1, 1), (2, 0)], dxfattribs=L('spline_fit'))
msp.add_solid([(0, 0), (2, 0), (0, 1), (2, 1)], dxfattribs=L('solid'))
msp.add_trace([(0, 0), (2, 0), (0, 1)], dxfattribs=L('trace', thickness=2))
msp.add_3dface([(0, 0, 0), (1, 0, 1), (1, 1, 2), (0, 1, 0)], dxfattribs=L('face3d'))

# Hatches.
h = msp.add_hatch(dxfattribs=L('hatch_poly'))
h.paths.add_polyline_path([(0, 0, 0), (2, 0, 1), (2, 2, 0)], is_closed=True)
h = msp.add_hatch(dxfattribs=L('hatch_edges'))
ep = h.paths.add_edge_path()
ep.add_line((0, 0), (10, 0))
ep.add_arc((10, 5), 5, -90, 90, ccw=True)
ep.add_line((10, 10), (0, 10))
ep.add_ellipse((0, 5), major_axis=(0, 5), ratio=0.4, start_angle=0, end_angle=180)
h = msp.add_hatch(dxfattribs=L('hatch_spline'))
ep = h.paths.add_edge_path()
ep.add_spline(control_points=[(0, 0), (5, 8), (10, 0)], degree=2)
ep.add_line((10, 0), (0, 0))
h = msp.add_hatch(dxfattribs=L('hatch_cw'))
ep = h.paths.add_edge_path()
ep.add_arc((0, 0), 1, 0, 90, ccw=False)
ep.add_line((0, 1), (0, 0))
ep.add_line((0, 0), (1, 0))

# Texts.
msp.add_text('ABCD', dxfattribs=L('text', height=2, insert=(1, 1)))
msp.add_text('ABCD', dxfattribs=L('text_rot', height=2, rotation=90))
t = msp.add_text('AB', dxfattribs=L('text_center', height=1, width=0.5))
t.set_pos((10, 0), align='CENTER')
t = msp.add_text('AB', dxfattribs=L('text_middle', height=2))
t.set_pos((0, 0), align='MIDDLE')
t = msp.add_text('AB', dxfattribs=L('text_top_right', height=1))
t.set_pos((0, 0), align='TOP_RIGHT')
msp.add_text('A', dxfattribs=L('text_oblique', height=2, oblique=45))
msp.add_text('AB', dxfattribs=L('text_backward', height=1, text_generation_flag=2))
msp.add_text('45%%d', dxfattribs=L('text_codes', height=1))
t = msp.add_text('ABC', dxfattribs=L('text_aligned', height=1))
t.set_pos((0, 0), (12, 0), align='ALIGNED')
msp.add_text('', dxfattribs=L('text_empty', height=1))
msp.add_attdef('TAG', (0, 0), dxfattribs=L('attdef', height=1))
msp.add_mtext('ABC\\PDEFGH', dxfattribs=L('mtext', char_height=1, insert=(0, 10), attachment_point=1))
msp.add_mtext('0123456789', dxfattribs=L('mtext_wrap', char_height=1, width=4, attachment_point=5))
msp.add_mtext('{\\fArial|b1;AB}\\~C', dxfattribs=L('mtext_dir', char_height=2, text_direction=(0, 1, 0),
                                                   attachment_point=7))

# Blocks.
inner = doc.blocks.new('INNER')
inner.add_line((0, 0), (2, 0))
inner.add_circle((0, 0), 1)
outer = doc.blocks.new('OUTER')
outer.add_blockref('INNER', (10, 0), dxfattribs={'rotation': 90})
outer.add_line((0, 0), (0, -3))
based = doc.blocks.new('BASED', base_point=(1, 1))
based.add_line((1, 1), (2, 2))
tagged = doc.blocks.new('TAGGED')
tagged.add_point((0, 0))
tagged.add_attdef('VAR', (0, 5), dxfattribs={'height': 1})
tagged.add_attdef('CONST', (0, -5), text='K', dxfattribs={'height': 1, 'flags': 2})
msp.add_blockref('INNER', (5, 5), dxfattribs=L('ins_rot90', rotation=90, xscale=2, yscale=2, zscale=2))
msp.add_blockref('INNER', (0, 0), dxfattribs=L('ins_rot45', rotation=45))
msp.add_blockref('OUTER', (100, 100), dxfattribs=L('ins_nested', rotation=30, xscale=2, yscale=-1))
msp.add_blockref('OUTER', (0, 0), dxfattribs=L('ins_mirror', xscale=-1))
msp.add_blockref('INNER', (0, 0), dxfattribs=L('ins_array', column_count=3, row_count=2,
                                                column_spacing=10, row_spacing=20))
msp.add_blockref('BASED', (0, 0), dxfattribs=L('ins_base'))
ref = msp.add_blockref('TAGGED', (50, 50), dxfattribs=L('ins_attribs'))
ref.add_attrib('VAR', 'XY', (50, 55), dxfattribs={'height': 1})
hidden = ref.add_attrib('HID', 'HIDDEN', (0, 0), dxfattribs={'height': 1})
hidden.dxf.flags = 1
msp.add_blockref('INNER', (0, 0), dxfattribs=L('ins_ocs', extrusion=(0, 0, -1)))

# Dimensions, leaders, multileaders.
dim = msp.add_linear_dim(base=(0, 3), p1=(0, 0), p2=(10, 0), dxfattribs=L('dimension'))
dim.render()
msp.add_leader([(0, 0), (5, 5), (8, 5)], dxfattribs=L('leader'))
ml = msp.add_multileader_mtext('Standard')
ml.set_content('Hi', char_height=1)
from ezdxf.render import mleader
ml.add_leader_line(mleader.ConnectionSide.left, [Vec2(-20, -15)])
ml.build(insert=Vec2(0, 0))
ml.multileader.dxf.layer = 'mleader'
doc.layers.add('mleader')

# Images, wipeouts.
imagedef = doc.add_image_def('picture.png', size_in_pixel=(640, 480))
msp.add_image(imagedef, insert=(0, 0), size_in_units=(6.4, 4.8), dxfattribs=L('image'))
msp.add_image(imagedef, insert=(0, 0), size_in_units=(6.4, 4.8), rotation=90, dxfattribs=L('image_rot'))
wipe = msp.add_wipeout([(0, 0), (4, 0), (4, 3)])
wipe.dxf.layer = 'wipeout'
doc.layers.add('wipeout')

# Paper space.
layout = doc.layout('Layout1')
vp = layout.add_viewport(center=(10, 10), size=(8, 4), view_center_point=(0, 0), view_height=10)
vp.dxf.layer = 'viewport'
doc.layers.add('viewport')

# No finite extents, and bodies without a modeller.
msp.add_ray((0, 0), (1, 0), dxfattribs=L('ray'))
msp.add_xline((0, 0), (1, 1), dxfattribs=L('xline'))
msp.add_3dsolid(dxfattribs=L('solid3d'))
msp.add_region(dxfattribs=L('region'))

# Cyclic blocks: A holds B, B holds A.
a = doc.blocks.new('CYCLE_A')
b = doc.blocks.new('CYCLE_B')
a.add_line((0, 0), (1, 1))
a.add_blockref('CYCLE_B', (0, 0))
b.add_blockref('CYCLE_A', (1, 0))
msp.add_blockref('CYCLE_A', (0, 0), dxfattribs=L('ins_cycle'))

doc.saveas(out)

# ezdxf's boxes, from the drawing as saved.
check = ezdxf.readfile(out)
skip = {'0', 'ins_cycle', 'viewport'}
for layout in (check.modelspace(), check.layout('Layout1')):
    for e in layout:
        name = e.dxf.layer
        if name in skip or name.startswith('bad_'):
            continue
        box = bbox.extents([e])
        if box.has_data:
            print(name, *(f'{v:.9g}' for v in (*box.extmin, *box.extmax)))
        else:
            print(name, 'none')

# Records no writer would make, added to the text of the entities section.
text = open(out, encoding='utf8').read()
owner = check.modelspace().block_record.dxf.handle
bad = []
handle = 0xBAD00


def record(layer, body):
    global handle
    handle += 1
    bad.append(f'  0\n{body[0]}\n  5\n{handle:X}\n330\n{owner}\n100\nAcDbEntity\n  8\n{layer}\n{body[1]}')


record('bad_circle_radius', ('CIRCLE', '100\nAcDbCircle\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 40\nabc\n'))
record('bad_circle_nan', ('CIRCLE', '100\nAcDbCircle\n 10\nnan\n 20\n0.0\n 30\n0.0\n 40\n1.0\n'))
record('bad_line_no_y', ('LINE', '100\nAcDbLine\n 10\n0.0\n 11\n1.0\n 21\n1.0\n 31\n0.0\n'))
record('bad_line_inf', ('LINE', '100\nAcDbLine\n 10\n1e999\n 20\n0\n 30\n0\n 11\n1.0\n 21\n1.0\n 31\n0.0\n'))
record('bad_lw_count', ('LWPOLYLINE', '100\nAcDbPolyline\n 90\n999999999\n 70\n0\n 10\n1.0\n 20\n2.0\n'))
record('bad_hatch_paths', ('HATCH', '100\nAcDbHatch\n 10\n0\n 20\n0\n 30\n0\n210\n0\n220\n0\n230\n1\n'
                                    '  2\nSOLID\n 70\n1\n 71\n0\n 91\n999999999\n 92\n2\n 72\n0\n 73\n1\n'
                                    ' 93\n2\n 10\n0\n 20\n0\n 10\n1\n 20\n1\n 97\n0\n'))
record('bad_hatch_edge', ('HATCH', '100\nAcDbHatch\n 10\n0\n 20\n0\n 30\n0\n  2\nSOLID\n 70\n1\n 71\n0\n'
                                   ' 91\n1\n 92\n1\n 93\n1\n 72\n9\n 10\n0\n 20\n0\n 97\n0\n'))
record('bad_insert_missing', ('INSERT', '100\nAcDbBlockReference\n  2\nNO_SUCH_BLOCK\n 10\n0\n 20\n0\n 30\n0\n'))
record('bad_insert_columns', ('INSERT', '100\nAcDbBlockReference\n  2\nINNER\n 10\n0\n 20\n0\n 30\n0\n'
                                        ' 70\n2000000000\n 44\n1e308\n'))
record('bad_insert_scale', ('INSERT', '100\nAcDbBlockReference\n  2\nINNER\n 10\n0\n 20\n0\n 30\n0\n 41\nx\n'))
record('bad_mtext_height', ('MTEXT', '100\nAcDbMText\n 10\n0\n 20\n0\n 30\n0\n 40\n-nan\n  1\nabc\n'))
record('bad_text_no_height', ('TEXT', '100\nAcDbText\n 10\n0\n 20\n0\n 30\n0\n  1\nabc\n100\nAcDbText\n'))
record('bad_ellipse_ratio', ('ELLIPSE', '100\nAcDbEllipse\n 10\n0\n 20\n0\n 30\n0\n 11\n1\n 21\n0\n 31\n0\n'
                                       ' 40\n0\n'))
record('bad_normal_zero', ('CIRCLE', '100\nAcDbCircle\n 10\n0\n 20\n0\n 30\n0\n 40\n1\n210\n0\n220\n0\n230\n0\n'))
record('bad_spline_huge', ('SPLINE', '100\nAcDbSpline\n 70\n8\n 71\n3\n 72\n0\n 73\n0\n 74\n0\n'
                                     ' 10\n1e308\n 20\n0\n 30\n0\n 10\n-1e308\n 20\n0\n 30\n0\n'))
record('bad_image_vectors', ('IMAGE', '100\nAcDbRasterImage\n 90\n0\n 10\n0\n 20\n0\n 30\n0\n 11\nq\n 21\n0\n'
                                      ' 31\n0\n 12\n0\n 22\n1\n 32\n0\n 13\n10\n 23\n10\n'))
record('bad_mleader_line', ('MULTILEADER', '100\nAcDbMLeader\n270\n2\n300\nCONTEXT_DATA{\n 40\n1\n'
                                           '302\nLEADER{\n304\nLEADER_LINE{\n 10\n1\n 20\nzz\n 30\n0\n305\n}\n'
                                           '303\n}\n301\n}\n'))
record('unknown_type', ('ACME_WIDGET', '100\nAcDbAcmeWidget\n 10\n1\n 20\n2\n 30\n3\n'))
marker = '  0\nENDSEC\n'
at = text.index('  0\nSECTION\n  2\nENTITIES\n')
at = text.index(marker, at)
text = text[:at] + ''.join(bad) + text[at:]
with open(out, 'w', encoding='utf8', newline='\n') as f:
    f.write(text)
