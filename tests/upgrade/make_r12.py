"""Writes small R12 drawings with ezdxf for the upgrade tests.

Usage: make_r12.py OUTDIR
    OUTDIR/cp866.dxf   code page 866, Cyrillic names and texts, every R12
                       entity type ezdxf writes, blocks with attributes,
                       polylines of every kind, extended data
    OUTDIR/ansi.dxf    code page 1252 with \\U+ escapes and %%nnn codes
    OUTDIR/binary.dxf  the same as binary DXF
"""
import sys

import ezdxf


def fill(doc, cyr):
    layer = 'Слой-1' if cyr else 'Layer-1'
    doc.linetypes.new('DASHED', dxfattribs={'description': '__ __', 'pattern': [0.75, 0.5, -0.25]})
    doc.layers.add(layer, color=3, linetype='DASHED')
    doc.layers.add('Размеры' if cyr else 'Dims', color=1)
    doc.appids.add('HOSTTEST')
    doc.styles.add('Шрифт' if cyr else 'Font', font='romans.shx')
    blk = doc.blocks.new('Блок' if cyr else 'Block')
    blk.add_line((0, 0), (1, 1), dxfattribs={'layer': layer})
    blk.add_circle((0, 0), 0.5)
    blk.add_attdef('ТЕГ' if cyr else 'TAG', (0, 0), dxfattribs={'prompt': 'Подсказка' if cyr else 'Prompt', 'height': 0.25})
    msp = doc.modelspace()
    msp.add_line((0, 0, 0), (10, 5, 0), dxfattribs={'layer': layer, 'color': 5, 'linetype': 'DASHED', 'thickness': 2})
    msp.add_point((1, 2, 3))
    msp.add_circle((5, 5), 2, dxfattribs={'thickness': 1.5})
    msp.add_arc((5, 5), 3, 10, 200)
    msp.add_text('Привет, мир' if cyr else 'Hello \\U+0416 %%176 %%c', dxfattribs={'height': 0.5, 'rotation': 30, 'style': 'Шрифт' if cyr else 'Font', 'halign': 1, 'valign': 2, 'align_point': (1, 1)})
    msp.add_solid([(0, 0), (1, 0), (0, 1), (1, 1)])
    msp.add_trace([(0, 0), (2, 0), (0, 2), (2, 2)])
    msp.add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 1), (0, 1, 1)], dxfattribs={'invisible': 3})
    ins = msp.add_blockref('Блок' if cyr else 'Block', (3, 3), dxfattribs={'xscale': 2, 'rotation': 45})
    ins.add_attrib('ТЕГ' if cyr else 'TAG', 'Значение' if cyr else 'Value', (3, 3))
    msp.add_blockref('Блок' if cyr else 'Block', (8, 3))
    msp.add_polyline2d([(0, 0), (1, 0), (1, 1)], dxfattribs={'closed': True, 'default_start_width': 0.1})
    msp.add_polyline3d([(0, 0, 0), (1, 0, 1), (1, 1, 2)])
    mesh = msp.add_polymesh((2, 3))
    for m in range(2):
        for n in range(3):
            mesh.set_mesh_vertex((m, n), (m, n, m * n))
    face = msp.add_polyface()
    face.append_face([(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)])
    line = msp.add_line((0, 0), (0, 9), dxfattribs={'layer': 'Размеры' if cyr else 'Dims'})
    line.set_xdata('HOSTTEST', [(1000, 'Данные' if cyr else 'data'), (1040, 3.5), (1070, 7)])
    doc.layout('Layout1').add_line((0, 0), (4, 4))


def main(outdir):
    doc = ezdxf.new('R12')
    fill(doc, True)
    path = f'{outdir}/cp866.dxf'
    doc.saveas(path, encoding='cp866')
    # ezdxf knows no name for code page 866 and writes ANSI_1252; a DOS
    # program writes DOS866.
    with open(path, 'rb') as f:
        data = f.read()
    data = data.replace(b'$DWGCODEPAGE\n  3\nANSI_1252\n', b'$DWGCODEPAGE\n  3\nDOS866\n')
    with open(path, 'wb') as f:
        f.write(data)
    doc = ezdxf.new('R12')
    fill(doc, False)
    doc.saveas(f'{outdir}/ansi.dxf')
    doc.saveas(f'{outdir}/binary.dxf', fmt='bin')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
