"""Prints what the cleanup tests check in a saved drawing, as ezdxf reads it.

Usage: read_back.py FILE.dxf [HANDLE...]

Lines: "audit N" (ezdxf's audit errors), "proxies H H ..." (proxy entities and objects left,
by handle), "locked L ..." (locked layers), one line per layout and block: "block NAME:
TYPE@LAYER ..." (sorted), one line per 3D polyline with its layer, linetype, colour, closed flag
and vertices, "scales N" (entries of the scale list), and "has H yes|no" for each HANDLE.
"""
import sys

import ezdxf
from ezdxf import recover


def main():
    path = sys.argv[1]
    try:
        doc = ezdxf.readfile(path)
    except ezdxf.DXFStructureError:
        doc, _ = recover.readfile(path)
    auditor = doc.audit()
    print('audit %d' % len(auditor.errors))
    proxies = sorted((e.dxf.handle for e in doc.entitydb.values()
                      if e.dxftype() in ('ACAD_PROXY_ENTITY', 'ACAD_PROXY_OBJECT') and e.is_alive),
                     key=lambda h: int(h, 16))
    print('proxies ' + ' '.join(proxies))
    print('locked ' + ' '.join(sorted(layer.dxf.name for layer in doc.layers if layer.is_locked())))
    for block in doc.blocks:
        kinds = sorted('%s@%s' % (e.dxftype(), e.dxf.get('layer', '0')) for e in block)
        print('block %s: %s' % (block.name, ' '.join(kinds)))
        for e in block:
            if e.dxftype() == 'POLYLINE':
                pts = ' '.join('(%g,%g,%g)' % tuple(v.dxf.location) for v in e.vertices)
                print('polyline %s lt=%s color=%d closed=%d 3d=%d %s' % (
                    e.dxf.layer, e.dxf.get('linetype', 'BYLAYER'), e.dxf.get('color', 256),
                    1 if e.is_closed else 0, 1 if e.is_3d_polyline else 0, pts))
    scales = doc.rootdict.get('ACAD_SCALELIST')
    print('scales %d' % (len(scales) if scales is not None else -1))
    for h in sys.argv[2:]:
        print('has %s %s' % (h, 'yes' if h in doc.entitydb else 'no'))


if __name__ == '__main__':
    main()
