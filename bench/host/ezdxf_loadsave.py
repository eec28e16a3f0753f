"""Times ezdxf loading and saving a DXF file: the baseline of the load/save benchmark.

Usage: ezdxf_loadsave.py FILE.dxf
Prints: load_mb_s=<x> save_mb_s=<y> peak_rss_mb=<z>
"""
import os
import resource
import sys
import tempfile
import time

import ezdxf


def main():
    path = sys.argv[1]
    size = os.path.getsize(path) / 1e6
    t0 = time.perf_counter()
    doc = ezdxf.readfile(path)
    t1 = time.perf_counter()
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, 'out.dxf')
        t2 = time.perf_counter()
        doc.saveas(out)
        t3 = time.perf_counter()
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
    print(f'load_mb_s={size / (t1 - t0):.2f} save_mb_s={size / (t3 - t2):.2f} peak_rss_mb={peak:.0f}')


if __name__ == '__main__':
    main()
