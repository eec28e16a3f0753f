"""Independent check of a DXF file written by the host, with ezdxf.

Usage: oracle.py audit ORIGINAL WRITTEN
    Loads both with ezdxf (strict, else recover mode for damaged input), runs
    ezdxf's audit on each, and fails when the written file has audit findings
    that the original does not have, or when it lost entities or table entries.
    Exits 3 when ezdxf cannot read the original at all.
Usage: oracle.py layers WRITTEN OLD NEW
    Fails when any entity still names layer OLD, or none names NEW.
"""
import sys

import ezdxf
from ezdxf import recover


def load(path):
    """The strict loader first; the recover loader for files it refuses."""
    try:
        doc = ezdxf.readfile(path)
        return doc, doc.audit()
    except Exception:  # ezdxf raises many kinds for damaged files
        return recover.readfile(path)


def findings(auditor):
    return sorted({(e.code, e.message.split(':')[0]) for e in auditor.errors})


def counts(doc):
    result = {'entities': sum(1 for _ in doc.modelspace())}
    for name in ('layers', 'linetypes', 'styles', 'dimstyles', 'appids', 'ucs', 'views'):
        result[name] = len(getattr(doc, name))
    result['blocks'] = len(doc.blocks)
    return result


def audit(original, written):
    try:
        doc_a, aud_a = load(original)
    except Exception as e:  # the oracle cannot read the input itself
        print('ezdxf cannot read the original:', type(e).__name__)
        return 3
    doc_b, aud_b = load(written)
    new = [f for f in findings(aud_b) if f not in findings(aud_a)]
    if new:
        print('new audit findings:', new)
        return 1
    a, b = counts(doc_a), counts(doc_b)
    if a != b:
        print('counts differ:', a, b)
        return 1
    return 0


def layers(written, old, new):
    doc, _ = load(written)
    names = [e.dxf.layer for layout in doc.layouts for e in layout]
    names += [e.dxf.layer for block in doc.blocks for e in block]
    if any(n.upper() == old.upper() for n in names):
        print('an entity still names', old)
        return 1
    if not any(n == new for n in names):
        print('no entity names', new)
        return 1
    return 0


def summary(written):
    """Prints the drawing properties as ezdxf sees them, one per line."""
    doc = ezdxf.readfile(written)
    if doc.dxfversion >= 'AC1018':
        for name in ('$TITLE', '$SUBJECT', '$AUTHOR', '$KEYWORDS', '$COMMENTS',
                     '$REVISIONNUMBER', '$HYPERLINKBASE'):
            print(name, doc.header.get(name, ''))
        for key, value in doc.header.custom_vars:
            print('custom', key, '=', value)
    else:
        xrec = doc.rootdict['DWGPROPS']
        for code, value in xrec.tags:
            print(code, value)
    return 0


if __name__ == '__main__':
    cmd = sys.argv[1]
    if cmd == 'audit':
        sys.exit(audit(sys.argv[2], sys.argv[3]))
    if cmd == 'summary':
        sys.exit(summary(sys.argv[2]))
    if cmd == 'layers':
        sys.exit(layers(sys.argv[2], sys.argv[3], sys.argv[4]))
    sys.exit(2)
