"""Checks, with ezdxf, that an R12 drawing saved as R2000 by the host lost nothing.

Usage: compare_r12.py ORIGINAL WRITTEN [VERSION]
    ORIGINAL is the R12 (or older) file, WRITTEN the host's output in VERSION
    (AC1015, R2000, unless given). ezdxf
    reads both (the output with its strict loader). Every table entry, every
    block and every entity of model space, paper space and the blocks, with its
    attributes, extended data, attributes of inserts and vertices of polylines,
    must be the same in both; ezdxf's audit of the output must find (or
    repair) nothing it does not find (or repair) in the original. Prints what differs; exits 1 on a
    difference, 3 when ezdxf cannot read the original at all.
"""
import re
import sys

import ezdxf
from ezdxf import recover
from ezdxf.entities import factory

# Attributes that name the record itself or its place in the database: they
# are new in the output by design. ezdxf gives every layer of a file it reads
# a material and a plot style of its own making, under handles that differ
# from one reading to the next.
IGNORED = {'handle', 'owner', 'material_handle', 'plotstyle_handle'}
SPACE_NAMES = {'$MODEL_SPACE': '*MODEL_SPACE', '$PAPER_SPACE': '*PAPER_SPACE'}


def dos_encoding(path):
    """ezdxf knows no DOS code pages ($DWGCODEPAGE DOS866 and the like) and
    reads such files as cp1252; the right codec for pre-R2007 files, else None."""
    with open(path, 'rb') as f:
        head = f.read(65536)
    version = re.search(rb'\$ACADVER\s*\r?\n\s*1\r?\n(\w+)', head)
    if version and version.group(1) >= b'AC1021':
        return None
    page = re.search(rb'\$DWGCODEPAGE\s*\r?\n\s*3\r?\n[Dd][Oo][Ss](\d+)', head)
    return 'cp' + page.group(1).decode() if page else None


def load(path):
    """The strict loader first; the recover loader for files it refuses.
    Returns the document, the audit and whether the strict loader read it."""
    try:
        doc = ezdxf.readfile(path, encoding=dos_encoding(path))
        return doc, doc.audit(), True
    except Exception:  # ezdxf raises many kinds for damaged files
        doc, auditor = recover.readfile(path)
        return doc, auditor, False


def attribs(entity):
    values = entity.dxf.all_existing_dxf_attribs()
    return {k: v for k, v in values.items() if k not in IGNORED}


def xdata(entity):
    if not entity.xdata:
        return {}
    return {app: [tuple(t) for t in tags] for app, tags in entity.xdata.data.items()}


def signature(entity):
    sig = {'type': entity.dxftype(), 'dxf': attribs(entity), 'xdata': xdata(entity)}
    if entity.dxftype() == 'INSERT':
        sig['attribs'] = [signature(a) for a in entity.attribs]
    if entity.dxftype() == 'POLYLINE':
        sig['vertices'] = [signature(v) for v in entity.vertices]
    return sig


def differences(what, a, b, out):
    """Reports keys of a whose values differ in b (b may have more keys)."""
    if isinstance(a, dict) and isinstance(b, dict):
        for k, v in a.items():
            if k not in b:
                out.append(f'{what}.{k}: missing (was {v!r})')
            else:
                differences(f'{what}.{k}', v, b[k], out)
    elif isinstance(a, list) and isinstance(b, list):
        if len(a) != len(b):
            out.append(f'{what}: {len(a)} items, now {len(b)}')
        for i, (x, y) in enumerate(zip(a, b)):
            differences(f'{what}[{i}]', x, y, out)
    elif a != b:
        out.append(f'{what}: {a!r} != {b!r}')


def block_name(name):
    return SPACE_NAMES.get(name.upper(), name.upper())


def known(entities):
    """ezdxf drops entities of unknown types from R12 files but keeps them
    from R2000 files: only the types it knows are compared."""
    return [e for e in entities if e.dxftype() in factory.ENTITY_CLASSES]


def compare_layout(what, a, b, out):
    ea, eb = known(a), known(b)
    if len(ea) != len(eb):
        out.append(f'{what}: {len(ea)} entities, now {len(eb)}')
    for i, (x, y) in enumerate(zip(ea, eb)):
        differences(f'{what}[{i}]', signature(x), signature(y), out)


def compare(original, written, version):
    try:
        doc_a, aud_a, strict_a = load(original)
    except Exception as e:
        print('ezdxf cannot read the original:', type(e).__name__, e)
        return 3
    # The output must be as readable as the original: by the strict loader
    # when the original was (the recover loader then reads both alike).
    try:
        doc_b, aud_b, strict_b = load(written)
    except Exception as e:
        print('ezdxf cannot read the output:', type(e).__name__, e)
        return 1
    if strict_a and not strict_b:
        print('the strict loader of ezdxf refuses the output')
        return 1
    if strict_b and not strict_a:
        doc_b, aud_b = recover.readfile(written)
    out = []
    if doc_b.dxfversion != version:
        out.append(f'output version {doc_b.dxfversion}')
    if version < 'AC1021' and doc_a.encoding != doc_b.encoding:
        out.append(f'encoding {doc_a.encoding} became {doc_b.encoding}')
    for table in ('layers', 'linetypes', 'styles', 'dimstyles', 'appids', 'ucs', 'views', 'viewports'):
        ta, tb = getattr(doc_a, table), getattr(doc_b, table)
        for entry in ta:
            name = entry.dxf.name
            if not tb.has_entry(name):
                out.append(f'{table} {name!r}: missing')
                continue
            if table == 'viewports':
                continue  # several entries share one name
            differences(f'{table} {name!r}', {'dxf': attribs(entry), 'xdata': xdata(entry)},
                        {'dxf': attribs(tb.get(name)), 'xdata': xdata(tb.get(name))}, out)
    blocks_b = {block_name(b.name): b for b in doc_b.blocks}
    for block in doc_a.blocks:
        name = block_name(block.name)
        if name not in blocks_b:
            out.append(f'block {block.name!r}: missing')
            continue
        if name in ('*MODEL_SPACE', '*PAPER_SPACE'):
            continue
        differences(f'block {block.name!r}', attribs(block.block), attribs(blocks_b[name].block), out)
        compare_layout(f'block {block.name!r}', block, blocks_b[name], out)
    compare_layout('model space', doc_a.modelspace(), doc_b.modelspace(), out)
    compare_layout('paper space', doc_a.layout(), doc_b.layout(), out)
    findings_a = {(e.code, e.message.split(':')[0]) for e in aud_a.errors}
    new = sorted({(e.code, e.message) for e in aud_b.errors
                  if (e.code, e.message.split(':')[0]) not in findings_a})
    for f in new:
        out.append(f'audit: {f}')
    # What ezdxf had to repair in the output and not in the original.
    fixes_a = {e.message.split(':')[0] for e in aud_a.fixes}
    for f in sorted({e.message for e in aud_b.fixes if e.message.split(':')[0] not in fixes_a}):
        out.append(f'audit fixed: {f}')
    for line in out[:40]:
        print(line)
    if len(out) > 40:
        print(f'... {len(out) - 40} more')
    return 1 if out else 0


if __name__ == '__main__':
    sys.exit(compare(sys.argv[1], sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else 'AC1015'))
