"""Times ezdxf decoding the stored graphics of proxy entities: the baseline of the explode
benchmark.

Usage: ezdxf_proxy.py FILE.dxf [PROXIES]

Loads the drawing (not timed), then turns the graphics of the first PROXIES proxy entities of
model space (default 10,000; 0 for all) into ezdxf's virtual entities, as many as each picture
draws, and drops them. ezdxf 0.18.1 has no explode of its own; the virtual entities are what
its explode would add to the layout.
Prints: proxies=<n> pieces=<m> failed=<f> proxies_s=<x> pieces_s=<y> load_s=<z>
"""
import sys
import time

import ezdxf


def main():
    path = sys.argv[1]
    limit = int(sys.argv[2]) if len(sys.argv) > 2 else 10_000
    t0 = time.perf_counter()
    doc = ezdxf.readfile(path)
    t1 = time.perf_counter()
    proxies = list(doc.modelspace().query('ACAD_PROXY_ENTITY'))
    if limit:
        proxies = proxies[:limit]
    pieces = failed = 0
    t2 = time.perf_counter()
    for p in proxies:
        try:
            pieces += len(list(p.virtual_entities()))
        except Exception:  # a picture ezdxf cannot decode: counted, not hidden
            failed += 1
    t3 = time.perf_counter()
    n = len(proxies)
    print(f'proxies={n} pieces={pieces} failed={failed} proxies_s={n / (t3 - t2):.0f} '
          f'pieces_s={pieces / (t3 - t2):.0f} load_s={t1 - t0:.1f}')


if __name__ == '__main__':
    main()
