"""The baseline of the recoding benchmark: what TranskodoFiles does to each file
("Dos -> Windows" on layer names, texts, multiline texts, attributes, attribute
definitions and extended-data strings; the old file kept as NAME.bak, the
result saved over it), done with ezdxf.

Usage: ezdxf_recode.py FILE...
"""
import os
import sys

import ezdxf


def _same_byte(err):
    return ''.join(chr(b) for b in err.object[err.start:err.end]), err.end


def _byte_of(err):
    # A character code page 1251 lacks is written as its own value when it fits a byte.
    s = err.object[err.start:err.end]
    return bytes(ord(c) & 0xFF for c in s), err.end


import codecs  # noqa: E402

codecs.register_error('bench_samebyte', _same_byte)
codecs.register_error('bench_byteof', _byte_of)


def dos_to_windows(s):
    return s.encode('cp1251', errors='bench_byteof').decode('cp866', errors='bench_samebyte')


def recode(path):
    doc = ezdxf.readfile(path)
    for layer in list(doc.layers):
        new = dos_to_windows(layer.dxf.name)
        if new != layer.dxf.name and new not in doc.layers:
            layer.rename(new)
    for block in doc.blocks:
        for e in block:
            t = e.dxftype()
            if t in ('TEXT', 'ATTDEF'):
                e.dxf.text = dos_to_windows(e.dxf.text)
            elif t == 'MTEXT':
                e.text = dos_to_windows(e.text)
            elif t == 'INSERT':
                for a in e.attribs:
                    a.dxf.text = dos_to_windows(a.dxf.text)
            if e.xdata:
                for app in list(e.xdata.data):
                    tags = e.get_xdata(app)
                    e.set_xdata(app, [(c, dos_to_windows(v) if c == 1000 else v) for c, v in tags])
    bak = os.path.splitext(path)[0] + '.bak'
    if os.path.exists(bak):
        os.remove(bak)
    os.link(path, bak)
    doc.saveas(path)


for f in sys.argv[1:]:
    recode(f)
