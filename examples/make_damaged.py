#!/usr/bin/python3
# Makes examples/damaged.dxf: a small R2000 drawing whose Cyrillic layer names and
# text were typed on DOS (code page 866) and read back as Windows 1251, the
# commonest damage, plus a multiline text stored as \U+XXXX escapes.
#   /usr/bin/python3 examples/make_damaged.py examples/damaged.dxf
import sys

import ezdxf


def dos_as_win(s):
    return s.encode('cp866').decode('cp1251', errors='replace')


doc = ezdxf.new('R2000')
doc.encoding = 'cp1251'
doc.header['$DIMSTYLE'] = 'Standard'
msp = doc.modelspace()
for name, color in (('Стены', 1), ('Окна', 5), ('Размеры', 3)):
    doc.layers.add(dos_as_win(name), color=color)
walls = {'layer': dos_as_win('Стены')}
msp.add_line((0, 0), (6000, 0), dxfattribs=walls)
msp.add_line((6000, 0), (6000, 4000), dxfattribs=walls)
msp.add_text(dos_as_win('План первого этажа'),
             dxfattribs={'layer': dos_as_win('Размеры'), 'height': 250}).set_placement((0, -600))
msp.add_mtext('\\U+041E\\U+043A\\U+043D\\U+043E 1200x900',
              dxfattribs={'layer': dos_as_win('Окна'), 'char_height': 150, 'insert': (1000, 1000)})
doc.saveas(sys.argv[1] if len(sys.argv) > 1 else 'damaged.dxf')
