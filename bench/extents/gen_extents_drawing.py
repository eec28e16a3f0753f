"""Writes a drawing for the extents benchmark.

Usage: gen_extents_drawing.py OUT.dxf [ENTITIES]

Starts from a small drawing made by ezdxf (R2018, a block holding a line, a circle, an arc and
a nested reference to a second block) and adds ENTITIES entities to model space, in turn: lines,
circles, arcs, light polylines with bulges, texts, multiline texts, block references (turned
and scaled), ellipses, splines, points, 3D faces and hatches.
"""
import os
import sys

import ezdxf

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'common'))
from dxfsplice import write_spliced  # noqa: E402


def template(path):
    doc = ezdxf.new('R2018')
    leaf = doc.blocks.new('LEAF')
    leaf.add_line((0, 0), (1, 0))
    leaf.add_circle((0.5, 0.5), 0.25)
    part = doc.blocks.new('PART')
    part.add_line((0, 0), (10, 0))
    part.add_circle((5, 5), 2)
    part.add_arc((0, 5), 3, 0, 120)
    part.add_blockref('LEAF', (8, 8), dxfattribs={'rotation': 30})
    doc.saveas(path)
    return doc


def entity(kind, i, h, owner):
    x, y = i % 1000 * 10.0, i // 1000 * 10.0
    head = f'  0\n{kind}\n  5\n{h:X}\n330\n{owner}\n100\nAcDbEntity\n  8\n0\n'
    k = i % 12
    if k == 0:
        return head + f'100\nAcDbLine\n 10\n{x}\n 20\n{y}\n 30\n0.0\n 11\n{x + 5}\n 21\n{y + 3}\n 31\n0.0\n'
    if k == 1:
        return head + f'100\nAcDbCircle\n 10\n{x}\n 20\n{y}\n 30\n0.0\n 40\n2.5\n'
    if k == 2:
        return head + (f'100\nAcDbCircle\n 10\n{x}\n 20\n{y}\n 30\n0.0\n 40\n3.0\n'
                       f'100\nAcDbArc\n 50\n{i % 360}.0\n 51\n{(i * 7) % 360}.0\n')
    if k == 3:
        return head + (f'100\nAcDbPolyline\n 90\n4\n 70\n1\n 43\n0.0\n'
                       f' 10\n{x}\n 20\n{y}\n 42\n0.5\n 10\n{x + 4}\n 20\n{y}\n'
                       f' 10\n{x + 4}\n 20\n{y + 3}\n 42\n-0.3\n 10\n{x}\n 20\n{y + 3}\n')
    if k == 4:
        return head + (f'100\nAcDbText\n 10\n{x}\n 20\n{y}\n 30\n0.0\n 40\n2.5\n  1\nText number {i}\n'
                       f' 50\n{i % 90}.0\n100\nAcDbText\n')
    if k == 5:
        return head + (f'100\nAcDbMText\n 10\n{x}\n 20\n{y}\n 30\n0.0\n 40\n2.0\n 41\n30.0\n 71\n5\n'
                       f'  1\n{{\\fArial|b0|i0;Multiline}}\\Ptext {i} that wraps once it is long enough\n')
    if k == 6:
        return head + (f'100\nAcDbBlockReference\n  2\nPART\n 10\n{x}\n 20\n{y}\n 30\n0.0\n'
                       f' 41\n0.5\n 42\n0.5\n 43\n0.5\n 50\n{i % 360}.0\n')
    if k == 7:
        return head + (f'100\nAcDbEllipse\n 10\n{x}\n 20\n{y}\n 30\n0.0\n 11\n3.0\n 21\n1.0\n 31\n0.0\n'
                       f'210\n0.0\n220\n0.0\n230\n1.0\n 40\n0.5\n 41\n0.0\n 42\n4.0\n')
    if k == 8:
        return head + (f'100\nAcDbSpline\n 70\n8\n 71\n3\n 72\n8\n 73\n4\n 74\n0\n'
                       + ''.join(f' 40\n{v}\n' for v in (0, 0, 0, 0, 1, 1, 1, 1))
                       + f' 10\n{x}\n 20\n{y}\n 30\n0.0\n 10\n{x + 1}\n 20\n{y + 3}\n 30\n0.0\n'
                       f' 10\n{x + 3}\n 20\n{y - 1}\n 30\n0.0\n 10\n{x + 4}\n 20\n{y}\n 30\n0.0\n')
    if k == 9:
        return head + f'100\nAcDbPoint\n 10\n{x}\n 20\n{y}\n 30\n1.0\n'
    if k == 10:
        return head + (f'100\nAcDbFace\n 10\n{x}\n 20\n{y}\n 30\n0.0\n 11\n{x + 1}\n 21\n{y}\n 31\n1.0\n'
                       f' 12\n{x + 1}\n 22\n{y + 1}\n 32\n2.0\n 13\n{x}\n 23\n{y + 1}\n 33\n0.0\n')
    return head + (f'100\nAcDbHatch\n 10\n0.0\n 20\n0.0\n 30\n0.0\n210\n0.0\n220\n0.0\n230\n1.0\n'
                   f'  2\nSOLID\n 70\n1\n 71\n0\n 91\n1\n 92\n1\n 93\n3\n'
                   f' 72\n1\n 10\n{x}\n 20\n{y}\n 11\n{x + 6}\n 21\n{y}\n'
                   f' 72\n2\n 10\n{x + 6}\n 20\n{y + 2}\n 40\n2.0\n 50\n270.0\n 51\n90.0\n 73\n1\n'
                   f' 72\n1\n 10\n{x + 6}\n 20\n{y + 4}\n 11\n{x}\n 21\n{y}\n 97\n0\n'
                   f' 75\n0\n 76\n1\n 98\n0\n')


KINDS = ('LINE', 'CIRCLE', 'ARC', 'LWPOLYLINE', 'TEXT', 'MTEXT', 'INSERT', 'ELLIPSE', 'SPLINE',
         'POINT', '3DFACE', 'HATCH')


def main():
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1_000_000
    tmp = out + '.template.dxf'
    doc = template(tmp)
    owner = doc.modelspace().block_record.dxf.handle
    h = int(doc.header['$HANDSEED'], 16) + 16
    parts = []
    for i in range(count):
        parts.append(entity(KINDS[i % 12], i, h, owner))
        h += 1
    write_spliced(doc, tmp, out, ''.join(parts), h)


if __name__ == '__main__':
    main()
