"""Writes a large drawing for the load/save benchmark.

Usage: gen_drawing.py OUT.dxf [ENTITIES]

Starts from a small drawing made by ezdxf (R2018: tables, a block with
attribute definitions, the objects section) and adds ENTITIES entities to
model space: texts with Cyrillic strings, lines with extended data of two
applications, and block references with two attributes each, in equal shares.
"""
import os
import sys

import ezdxf

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'common'))
from dxfsplice import write_spliced  # noqa: E402


def template(path):
    doc = ezdxf.new('R2018')
    doc.appids.add('APP_ONE')
    doc.appids.add('ПРИЛОЖЕНИЕ')
    for name in ('Стены', 'Двери', 'Окна'):
        doc.layers.add(name)
    blk = doc.blocks.new('ШТАМП')
    blk.add_line((0, 0), (10, 0))
    blk.add_attdef('НОМЕР', (0, 1), dxfattribs={'prompt': 'Номер'})
    blk.add_attdef('ИМЯ', (0, 2), dxfattribs={'prompt': 'Имя'})
    doc.saveas(path)
    return doc


def main():
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1_000_000
    tmp = out + '.template.dxf'
    doc = template(tmp)
    msp_handle = doc.modelspace().block_record.dxf.handle
    seed = int(doc.header['$HANDSEED'], 16) + 16
    layers = ('Стены', 'Двери', 'Окна', '0')
    parts = []
    h = seed
    for i in range(count):
        layer = layers[i % 4]
        kind = i % 3
        if kind == 0:
            parts.append(
                f'  0\nTEXT\n  5\n{h:X}\n330\n{msp_handle}\n100\nAcDbEntity\n  8\n{layer}\n'
                f'100\nAcDbText\n 10\n{i % 1000}.5\n 20\n{i // 1000}.25\n 30\n0.0\n 40\n2.5\n'
                f'  1\nТекст номер {i} на слое {layer}\n100\nAcDbText\n')
            h += 1
        elif kind == 1:
            parts.append(
                f'  0\nLINE\n  5\n{h:X}\n330\n{msp_handle}\n100\nAcDbEntity\n  8\n{layer}\n'
                f'100\nAcDbLine\n 10\n{i % 1000}.0\n 20\n{i // 1000}.0\n 30\n0.0\n'
                f' 11\n{i % 1000 + 1}.0\n 21\n{i // 1000 + 1}.0\n 31\n0.0\n'
                f'1001\nAPP_ONE\n1000\nзначение {i}\n1070\n{i % 30000}\n'
                f'1001\nПРИЛОЖЕНИЕ\n1000\nданные\n1040\n{i * 0.5}\n')
            h += 1
        else:
            ins = h
            parts.append(
                f'  0\nINSERT\n  5\n{ins:X}\n330\n{msp_handle}\n100\nAcDbEntity\n  8\n{layer}\n'
                f'100\nAcDbBlockReference\n 66\n1\n  2\nШТАМП\n 10\n{i % 1000}.0\n 20\n{i // 1000}.0\n 30\n0.0\n')
            h += 1
            for tag, value, y in (('НОМЕР', str(i), 1), ('ИМЯ', f'Деталь {i}', 2)):
                parts.append(
                    f'  0\nATTRIB\n  5\n{h:X}\n330\n{ins:X}\n100\nAcDbEntity\n  8\n{layer}\n'
                    f'100\nAcDbText\n 10\n{i % 1000}.0\n 20\n{i // 1000 + y}.0\n 30\n0.0\n 40\n2.5\n'
                    f'  1\n{value}\n100\nAcDbAttribute\n  2\n{tag}\n 70\n0\n')
                h += 1
            parts.append(f'  0\nSEQEND\n  5\n{h:X}\n330\n{ins:X}\n100\nAcDbEntity\n  8\n{layer}\n')
            h += 1
    write_spliced(doc, tmp, out, ''.join(parts), h)


if __name__ == '__main__':
    main()
