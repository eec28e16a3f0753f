"""Writes a drawing of many objects with sparse handles for the RemoveAllProxy scan benchmark.

Usage: gen_sparse_drawing.py OUT.dxf [OBJECTS [PROXIES]]

Starts from a small R2018 drawing made by ezdxf and adds OBJECTS points (default 1,000,000) to
model space, with PROXIES proxy entities without pictures (default 1,000) spread among them.
Handles are 2^24 apart, so they span about 2^44 numbers, and the handle seed is
7FFFFFFFFFFFFFFF, as drawings of some other programs have it: a scan that visits every handle
number would never end.
"""
import os
import sys

import ezdxf

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'common'))
from dxfsplice import write_spliced  # noqa: E402

CLASS = ('  0\nCLASS\n  1\nBENCH_WIDGET\n  2\nBenchWidget\n  3\nBenchApp\n'
         ' 90\n1\n 91\n0\n280\n1\n281\n1\n')
STRIDE = 1 << 24


def main():
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1_000_000
    proxies = int(sys.argv[3]) if len(sys.argv) > 3 else 1_000
    tmp = out + '.template.dxf'
    doc = ezdxf.new('R2018')
    doc.saveas(tmp)
    owner = doc.modelspace().block_record.dxf.handle
    every = max(1, count // max(1, proxies))
    parts = []
    h = 1 << 32
    for i in range(count):
        if proxies and i % every == 0 and i // every < proxies:
            parts.append(f'  0\nACAD_PROXY_ENTITY\n  5\n{h:X}\n330\n{owner}\n100\nAcDbEntity\n  8\n0\n'
                         f'100\nAcDbProxyEntity\n 90\n498\n 91\n500\n 92\n0\n 93\n0\n 94\n0\n 95\n0\n 70\n0\n')
        else:
            parts.append(f'  0\nPOINT\n  5\n{h:X}\n330\n{owner}\n100\nAcDbEntity\n  8\n0\n'
                         f'100\nAcDbPoint\n 10\n{i % 1000}\n 20\n{i // 1000}\n 30\n0.0\n')
        h += STRIDE
    write_spliced(doc, tmp, out, ''.join(parts), 0x7FFFFFFFFFFFFFFF, classes=CLASS)


if __name__ == '__main__':
    main()
