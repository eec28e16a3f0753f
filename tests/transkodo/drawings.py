#!/usr/bin/python3
# Drawings for the recoding module's tests, made and read with ezdxf (the
# independent reader).
#
#   drawings.py make OUT [dos|plain|locked-dos]
#                                      a drawing of Russian names and texts, in
#                                      DOS form (866 bytes read as 1251) or not, or
#                                      not but for the text on the locked layer;
#                                      prints "name handle" for what tests pick
#   drawings.py damage IN OUT          every name and text of a real drawing put
#                                      into DOS form; prints how many strings
#   drawings.py dump FILE              one line per name and text, sorted
#   drawings.py same A B               compares the dumps and the geometry; prints
#                                      "same" or the first differences
import codecs
import re
import sys

import ezdxf


def _same_byte(err):
    # Bytes that code page 1251 lacks keep their value, as the host's tables do.
    return ''.join(chr(b) for b in err.object[err.start:err.end]), err.end


codecs.register_error('samebyte', _same_byte)


def dos(s):
    """The DOS form of a text: its code page 866 bytes read as 1251."""
    return s.encode('cp866', errors='strict').decode('cp1251', errors='samebyte')


_ESCAPE = re.compile(r'\\U\+([0-9A-Fa-f]{4})')


def unescaped(s):
    """A text with its \\U+XXXX escapes written as the characters they stand for."""
    return _ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), s)


def make(out, form):
    f = dos if form == 'dos' else (lambda s: s)
    on_lock = dos if form in ('dos', 'locked-dos') else f
    doc = ezdxf.new('R2018')
    walls = doc.layers.add(f('Стены'), color=1)
    walls.lock()
    doc.layers.add(f('Надписи'), color=3)
    msp = doc.modelspace()
    inner = doc.blocks.new(f('Внутренний'))
    deep = inner.add_text(f('Глубокий текст'), dxfattribs={'layer': f('Надписи'), 'height': 1})
    deep.set_placement((10, 0))
    inner.add_attdef('NAME', (0, 5), f('Имя по умолчанию'), dxfattribs={'height': 1})
    outer = doc.blocks.new(f('Внешний'))
    outer.add_text(f('Внешний текст'), dxfattribs={'height': 1}).set_placement((0, 20))
    nested = outer.add_blockref(f('Внутренний'), (100, 0))
    nested.add_attrib('NAME', f('Вложенный атрибут'), (100, 5), dxfattribs={'height': 1})
    ref = msp.add_blockref(f('Внешний'), (1000, 0))
    attrib = ref.add_attrib('NAME', f('Атрибут вставки'), (1000, 50), dxfattribs={'height': 1})
    locked = msp.add_text(on_lock('Текст на замке'), dxfattribs={'layer': f('Стены'), 'height': 1})
    locked.set_placement((0, 0))
    free = msp.add_text(f('Свободный текст'), dxfattribs={'layer': f('Надписи'), 'height': 1})
    free.set_placement((0, 100))
    mtext = msp.add_mtext(f('Многострочный текст'), dxfattribs={'layer': f('Надписи'), 'char_height': 1,
                                                                 'insert': (0, 200)})
    line = msp.add_line((0, 300), (50, 300))
    doc.saveas(out)
    for name, e in (('outer', ref), ('nested', nested), ('deep', deep), ('attrib', attrib), ('locked', locked),
                    ('free', free), ('mtext', mtext), ('line', line)):
        print(name, e.dxf.handle)


def strings(doc):
    """Every recodable name and text of a drawing, with where it is."""
    out = []
    for table in (doc.layers, doc.linetypes, doc.styles, doc.dimstyles, doc.ucs, doc.views, doc.appids):
        for rec in table:
            out.append(('%s %s' % (rec.dxftype(), rec.dxf.handle), rec.dxf.name))
    for block in doc.blocks:
        out.append(('BLOCK %s' % block.block_record.dxf.handle, block.name))
        for e in block:
            where = '%s %s' % (e.dxftype(), e.dxf.handle)
            if e.dxftype() in ('TEXT', 'ATTRIB', 'ATTDEF'):
                out.append((where, e.dxf.text))
            elif e.dxftype() == 'MTEXT':
                out.append((where, e.text))
            if e.dxftype() == 'INSERT':
                for a in e.attribs:
                    out.append(('ATTRIB %s' % a.dxf.handle, a.dxf.text))
            if e.dxf.hasattr('layer'):
                out.append((where + ' layer', e.dxf.layer))
    return out


def damage(src, dst):
    doc = ezdxf.readfile(src)
    count = 0

    def d(s):
        nonlocal count
        s = unescaped(s)
        t = dos(s)
        count += t != s
        return t

    for layer in list(doc.layers):
        if layer.dxf.name not in ('0', 'Defpoints'):
            new = d(layer.dxf.name)
            if new != layer.dxf.name:
                layer.rename(new)
    for block in doc.blocks:
        for e in block:
            if e.dxftype() in ('TEXT', 'ATTRIB', 'ATTDEF'):
                e.dxf.text = d(e.dxf.text)
            elif e.dxftype() == 'MTEXT':
                e.text = d(e.text)
            if e.dxftype() == 'INSERT':
                for a in e.attribs:
                    a.dxf.text = d(a.dxf.text)
    # Saved in a version that writes every character as it is (UTF-8), not as escapes.
    if doc.dxfversion < 'AC1021':
        doc.dxfversion = 'AC1032'
    doc.saveas(dst)
    print(count)


def dump(path):
    doc = ezdxf.readfile(path)
    for where, text in sorted(strings(doc)):
        print('%s: %s' % (where, text))
    for layer in doc.layers:
        if layer.is_locked():
            print('locked: %s' % layer.dxf.name)


def geometry(doc):
    """What recoding must not touch: each entity's kind and points."""
    out = []
    for block in doc.blocks:
        for e in block:
            pts = []
            for attr in ('start', 'end', 'insert', 'center', 'radius'):
                if e.dxf.hasattr(attr):
                    pts.append(str(e.dxf.get(attr)))
            out.append('%s %s %s' % (e.dxftype(), e.dxf.handle, ' '.join(pts)))
    return sorted(out)


def same(a, b):
    """Every name and text of A is in B, unchanged, and so is the geometry
    (what B has besides, such as application names added on saving, is left aside)."""
    da, db = ezdxf.readfile(a), ezdxf.readfile(b)
    sb = {w: unescaped(t) for w, t in strings(db)}
    diffs = []
    for where, text in sorted(strings(da)):
        text = unescaped(text)
        if where not in sb:
            diffs.append('%s: missing' % where)
        elif sb[where] != text:
            diffs.append('%s: %r != %r' % (where, text, sb[where]))
    if geometry(da) != geometry(db):
        diffs.append('geometry differs')
    print('\n'.join(diffs[:10]) if diffs else 'same')


if __name__ == '__main__':
    cmd = sys.argv[1]
    if cmd == 'make':
        make(sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else 'dos')
    elif cmd == 'damage':
        damage(sys.argv[2], sys.argv[3])
    elif cmd == 'dump':
        dump(sys.argv[2])
    elif cmd == 'same':
        same(sys.argv[2], sys.argv[3])
