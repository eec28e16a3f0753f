"""Checks a drawing the host wrote against the drawing it read, with ezdxf.

Usage: check_drawing.py ORIGINAL WRITTEN ENCODING RENAMES
    ENCODING: the text encoding of the files before R2007 ('cp1251', 'cp866').
    RENAMES: 'table:old=new;table:old=new' (table is layer, linetype, style,
    dimstyle or block), or '' for none.
Fails (exit 1, printing why) when the written drawing lost an entity, a table
entry, a text or extended data, when a reference still names a renamed entry
or does not name its new name, or when ezdxf's audit finds new errors.
"""
import sys

import ezdxf


def load(path, encoding):
    with open(path, 'rb') as f:
        head = f.read(4096)
    if b'AC1018' in head or b'AC1015' in head:
        return ezdxf.readfile(path, encoding=encoding)
    return ezdxf.readfile(path)


def refs(doc):
    """Every by-name reference of the drawing: (where, table, name)."""
    out = []
    for layout in list(doc.layouts) + list(doc.blocks):
        for e in layout:
            h = e.dxf.handle
            out.append((h + ':layer', 'layer', e.dxf.get('layer', '0')))
            if e.dxf.hasattr('linetype'):
                out.append((h + ':linetype', 'linetype', e.dxf.linetype))
            if e.dxftype() in ('TEXT', 'MTEXT', 'ATTDEF') and e.dxf.hasattr('style'):
                out.append((h + ':style', 'style', e.dxf.style))
            if e.dxftype() == 'INSERT':
                out.append((h + ':block', 'block', e.dxf.name))
                for a in e.attribs:
                    out.append((a.dxf.handle + ':layer', 'layer', a.dxf.layer))
            if e.dxftype() == 'DIMENSION':
                out.append((h + ':dimstyle', 'dimstyle', e.dxf.dimstyle))
            for app, tags in (e.xdata.data.items() if e.xdata else []):
                for i, tag in enumerate(tags):
                    if tag.code == 1003:
                        out.append((f'{h}:xdata:{app}:{i}', 'layer', tag.value))
    for layer in doc.layers:
        out.append((layer.dxf.handle + ':ltype', 'linetype', layer.dxf.linetype))
    for name, table in (('$CLAYER', 'layer'), ('$TEXTSTYLE', 'style'), ('$DIMSTYLE', 'dimstyle')):
        out.append((name, table, doc.header.get(name, '')))
    return sorted(out)


def names(doc):
    out = {}
    for table in ('layers', 'linetypes', 'styles', 'dimstyles', 'appids', 'ucs', 'views'):
        out[table] = sorted((e.dxf.handle, e.dxf.name) for e in getattr(doc, table))
    out['blocks'] = sorted((b.block_record.dxf.handle, b.name) for b in doc.blocks)
    return out


def texts(doc):
    out = []
    for layout in list(doc.layouts) + list(doc.blocks):
        for e in layout:
            t = e.dxftype()
            if t in ('TEXT', 'ATTDEF'):
                out.append((e.dxf.handle, e.dxf.text))
            elif t == 'MTEXT':
                out.append((e.dxf.handle, e.text))
            elif t == 'INSERT':
                out.extend((a.dxf.handle, a.dxf.text) for a in e.attribs)
            if e.xdata:
                for app, tags in e.xdata.data.items():
                    out.append((e.dxf.handle, app, tuple((tg.code, tg.value) for tg in tags)))
    return sorted(out, key=repr)


KIND = {'layer': 'layers', 'linetype': 'linetypes', 'style': 'styles', 'dimstyle': 'dimstyles',
        'block': 'blocks'}


def main():
    original, written, encoding, checks = sys.argv[1:5]
    renames = {}
    for item in filter(None, checks.split(';')):
        table, pair = item.split(':', 1)
        old, new = pair.split('=', 1)
        renames[(table, old.upper())] = new
    a = load(original, encoding)
    b = load(written, encoding)
    problems = []
    errors_a = {(e.code) for e in a.audit().errors}
    new_errors = [e for e in b.audit().errors if e.code not in errors_a]
    if new_errors:
        problems.append(f'new audit errors: {[e.message for e in new_errors][:5]}')
    if texts(a) != texts(b):
        problems.append('texts or extended data differ')
    na, nb = names(a), names(b)
    table_of = {v: k for k, v in KIND.items()}  # 'layers' -> 'layer'
    for key in na:
        table = table_of.get(key, key)
        expected = sorted((h, renames.get((table, n.upper()), n)) for h, n in na[key])
        if expected != nb[key]:
            problems.append(f'{key}: expected {expected[:6]} got {nb[key][:6]}')
    ra = [(w, t, renames.get((t, n.upper()), n)) for w, t, n in refs(a)]
    rb = refs(b)
    if sorted(ra) != rb:
        missing = sorted(set(ra) - set(rb))[:6]
        extra = sorted(set(rb) - set(ra))[:6]
        problems.append(f'references differ: expected {missing} got {extra}')
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
