"""Writes the drawings of the cleanup module's tests into a folder.

Usage: make_drawings.py OUTDIR

ezdxf makes each drawing with POINT placeholders where proxies belong (model space, paper
space, block definitions) and XRECORD placeholders for proxy objects; their records are then
replaced in the text by ACAD_PROXY_ENTITY / ACAD_PROXY_OBJECT records with the same handle,
owner and layer. The classes of the proxies are put first in CLASSES, so that they are numbered
500 and up. OUTDIR/handles.txt names the handles the tests need ("name=HEX" lines).

  proxies.dxf  proxies of each graphics kind (full picture, box only, none, a picture that draws
               nothing), proxies whose class forbids erasing, a proxy on a locked layer, proxies
               in paper space and in nested blocks inserted twice, proxy objects filed in the
               root dictionary and one filed nowhere; layers L1 and L3 locked, L2 not.
  sparse.dxf   a few proxies at sparse handles up to 7FFFFFFFFFFFFFF0, the handle seed at
               7FFFFFFFFFFFFFFF, and the block table's handle above handles in use.
  box.dxf      lines inside, outside, above and far beyond a box, one on a locked layer.
  plain.dxf    no proxies; layers L1 and L3 locked.
"""
import os
import struct
import sys

import ezdxf

# Name, flags (0x1 = erasing allowed), is an entity.
CLASSES = [('SHX_WIDGET', 0x37F, True), ('SHX_STUCK', 0x0, True), ('SHX_DATA', 0x37F, False),
           ('SHX_STUCKDATA', 0x0, False)]
CLASS_NUMBER = {name: 500 + i for i, (name, _, _) in enumerate(CLASSES)}


def classes_text():
    out = ''
    for name, flags, entity in CLASSES:
        out += (f'  0\nCLASS\n  1\n{name}\n  2\nAcDb{name.title().replace("_", "")}\n  3\nShardexTestApp\n'
                f' 90\n{flags}\n 91\n0\n280\n1\n281\n{1 if entity else 0}\n')
    return out


# --- stored pictures ------------------------------------------------------------------------

def record(kind, payload):
    return struct.pack('<2L', len(payload) + 8, kind) + payload


def pts(points):
    return b''.join(struct.pack('<3d', *p) for p in points)


def picture(records):
    body = b''.join(records)
    return struct.pack('<2L', len(body) + 8, len(records)) + body


def line(a, b):
    return record(6, struct.pack('<L', 2) + pts([a, b]))


def circle(c, r):
    return record(2, pts([c]) + struct.pack('<d', r) + pts([(0, 0, 1)]))


def extents(lo, hi):
    return record(1, pts([lo, hi]))


FULL = picture([extents((0, 0, 0), (10, 7, 0)), line((0, 0, 0), (10, 0, 0)), circle((5, 5, 0), 2)])
LINE_ONLY = picture([line((1, 1, 0), (4, 1, 0))])
CIRCLE_ONLY = picture([circle((2, 2, 0), 1)])
BOX_ONLY = picture([extents((0, 0, 5), (10, 20, 8))])
DRAWS_NOTHING = picture([circle((1, 1, 0), 0.0)])


def picture_tags(data):
    if data is None:
        return ' 92\n0\n'
    text = data.hex().upper()
    return f' 92\n{len(data)}\n' + ''.join(f'310\n{text[k:k + 254]}\n' for k in range(0, len(text), 254))


# --- placeholders ---------------------------------------------------------------------------

class Splicer:
    def __init__(self):
        self.entities = {}  # handle -> (class, picture, extra AcDbEntity tags)
        self.objects = {}   # handle -> class
        self.names = {}

    def proxy(self, layout, name, cls, pic, layer='P', extra=''):
        p = layout.add_point((0, 0), dxfattribs={'layer': layer})
        self.entities[p.dxf.handle] = (cls, pic, extra)
        self.names[name] = p.dxf.handle
        return p

    def proxy_object(self, doc, name, cls, key=None):
        owner = doc.rootdict
        x = doc.objects.add_xrecord(owner.dxf.handle)
        if key:
            owner[key] = x
        self.objects[x.dxf.handle] = cls
        self.names[name] = x.dxf.handle
        return x

    def apply(self, text):
        for h, (cls, pic, extra) in self.entities.items():
            start = text.index(f'  0\nPOINT\n  5\n{h}\n')
            end = text.index('  0\n', start + 4)
            old = text[start:end]
            common = old[old.index('100\nAcDbEntity\n'):old.index('100\nAcDbPoint\n')]
            owner = old[old.index('330\n'):].split('\n')[1]
            new = (f'  0\nACAD_PROXY_ENTITY\n  5\n{h}\n330\n{owner}\n{common}{extra}100\nAcDbProxyEntity\n'
                   f' 90\n498\n 91\n{CLASS_NUMBER[cls]}\n' + picture_tags(pic) + ' 93\n0\n 94\n0\n 95\n0\n 70\n0\n')
            text = text[:start] + new + text[end:]
        for h, cls in self.objects.items():
            start = text.index(f'  0\nXRECORD\n  5\n{h}\n')
            end = text.index('  0\n', start + 4)
            old = text[start:end]
            head = old[:old.index('100\nAcDbXrecord\n')].replace('XRECORD', 'ACAD_PROXY_OBJECT', 1)
            new = head + f'100\nAcDbProxyObject\n 90\n499\n 91\n{CLASS_NUMBER[cls]}\n 93\n0\n 94\n0\n 95\n0\n 70\n0\n'
            text = text[:start] + new + text[end:]
        marker = '  0\nSECTION\n  2\nCLASSES\n'
        at = text.index(marker) + len(marker)
        return text[:at] + classes_text() + text[at:]


def new_doc(layers=('P', 'Q', 'L1', 'L2', 'L3')):
    doc = ezdxf.new('R2018')
    doc.linetypes.add('DASHED', pattern=[0.75, 0.5, -0.25], description='Dashed __ __ __')
    for name in layers:
        doc.layers.add(name)
    return doc


def lock(doc, *names):
    for name in names:
        doc.layers.get(name).lock()


def save(doc, splicer, path):
    tmp = path + '.tmp'
    doc.saveas(tmp)
    text = open(tmp, encoding='utf8').read()
    os.remove(tmp)
    if splicer:
        text = splicer.apply(text)
    with open(path, 'w', encoding='utf8', newline='\n') as f:
        f.write(text)


def proxies_dxf(out, names):
    doc = new_doc()
    s = Splicer()
    inner = doc.blocks.new('INNER')
    s.proxy(inner, 'inner', 'SHX_WIDGET', LINE_ONLY)
    outer = doc.blocks.new('OUTER')
    outer.add_blockref('INNER', (0, 0))
    s.proxy(outer, 'outer', 'SHX_WIDGET', CIRCLE_ONLY)
    ms = doc.modelspace()
    s.proxy(ms, 'full', 'SHX_WIDGET', FULL)
    s.proxy(ms, 'box', 'SHX_WIDGET', BOX_ONLY, layer='Q', extra='  6\nDASHED\n 62\n3\n')
    s.proxy(ms, 'none', 'SHX_WIDGET', None)
    s.proxy(ms, 'stuck', 'SHX_STUCK', LINE_ONLY)
    s.proxy(ms, 'locked', 'SHX_WIDGET', LINE_ONLY, layer='L1')
    s.proxy(ms, 'nothing', 'SHX_WIDGET', DRAWS_NOTHING)
    names['line'] = ms.add_line((0, 0), (1, 1), dxfattribs={'layer': 'Q'}).dxf.handle
    names['ref1'] = ms.add_blockref('OUTER', (100, 0)).dxf.handle
    names['ref2'] = ms.add_blockref('OUTER', (200, 0)).dxf.handle
    s.proxy(doc.layout('Layout1'), 'paper', 'SHX_WIDGET', CIRCLE_ONLY)
    s.proxy_object(doc, 'data', 'SHX_DATA', 'SHX_DATA')
    s.proxy_object(doc, 'stuckdata', 'SHX_STUCKDATA', 'SHX_STUCKDATA')
    s.proxy_object(doc, 'loose', 'SHX_DATA')
    names['rootdict'] = doc.rootdict.dxf.handle
    lock(doc, 'L1', 'L3')
    save(doc, s, os.path.join(out, 'proxies.dxf'))
    names.update(s.names)


def sparse_dxf(out, names):
    doc = new_doc()
    s = Splicer()
    ms = doc.modelspace()
    s.proxy(ms, 'sparse1', 'SHX_WIDGET', LINE_ONLY)
    s.proxy(ms, 'sparse2', 'SHX_WIDGET', None, layer='L1')
    s.proxy(ms, 'sparse3', 'SHX_WIDGET', BOX_ONLY)
    s.proxy_object(doc, 'sparse4', 'SHX_DATA', 'SHX_DATA')
    lock(doc, 'L1')
    path = os.path.join(out, 'sparse.dxf')
    save(doc, s, path)
    text = open(path, encoding='utf8').read()
    # Move the proxies to sparse handles, one below the block table's, the last near 2^63.
    moves = {s.names['sparse1']: '100', s.names['sparse2']: '4000000000',
             s.names['sparse3']: '7FFFFFFF00000000', s.names['sparse4']: '7FFFFFFFFFFFFFF0'}
    for old, new in moves.items():
        text = text.replace(f'\n  5\n{old}\n', f'\n  5\n{new}\n', 1)
        text = text.replace(f'\n350\n{old}\n', f'\n350\n{new}\n')
        text = text.replace(f'\n330\n{old}\n', f'\n330\n{new}\n')
    # The block table's handle above the handles of other tables.
    bt = doc.block_records.head.dxf.handle
    text = text.replace(f'  0\nTABLE\n  2\nBLOCK_RECORD\n  5\n{bt}\n', '  0\nTABLE\n  2\nBLOCK_RECORD\n  5\n9000\n')
    text = text.replace(f'\n330\n{bt}\n', '\n330\n9000\n')
    seed = doc.header['$HANDSEED']
    text = text.replace(f'$HANDSEED\n  5\n{seed}\n', '$HANDSEED\n  5\n7FFFFFFFFFFFFFFF\n', 1)
    with open(path, 'w', encoding='utf8', newline='\n') as f:
        f.write(text)
    names.update({k: moves[v] for k, v in s.names.items()})


def box_dxf(out, names):
    doc = new_doc()
    ms = doc.modelspace()
    names['touching'] = ms.add_line((0, 0, 0), (10, 10, 0)).dxf.handle
    names['outside'] = ms.add_line((20, 20, 0), (30, 30, 0)).dxf.handle
    names['raised'] = ms.add_line((1, 1, 0), (2, 2, 5)).dxf.handle
    names['onlocked'] = ms.add_line((50, 50, 0), (60, 60, 0), dxfattribs={'layer': 'L1'}).dxf.handle
    names['huge'] = ms.add_line((0, 0, 0), (2e10, 0, 0)).dxf.handle
    lock(doc, 'L1')
    save(doc, None, os.path.join(out, 'box.dxf'))


def plain_dxf(out):
    doc = new_doc()
    doc.modelspace().add_line((0, 0), (5, 5), dxfattribs={'layer': 'L1'})
    doc.modelspace().add_circle((0, 0), 3, dxfattribs={'layer': 'L2'})
    lock(doc, 'L1', 'L3')
    save(doc, None, os.path.join(out, 'plain.dxf'))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    names = {}
    proxies_dxf(out, names)
    sparse_dxf(out, names)
    box_dxf(out, names)
    plain_dxf(out)
    with open(os.path.join(out, 'handles.txt'), 'w') as f:
        for k, v in sorted(names.items()):
            f.write(f'{k}={v}\n')


if __name__ == '__main__':
    main()
