"""Times ezdxf's bounding boxes of the entities of a drawing: the baseline of the extents
benchmark.

Usage: ezdxf_bbox.py FILE.dxf [ENTITIES]

Loads the drawing (not timed), then asks ezdxf.bbox for the box of each of the first ENTITIES
entities of model space (default 100,000; 0 for all) one by one, as the benchmark asks each
entity for its extents, and joins the boxes. Block references are measured through their blocks.
Prints: entities=<n> boxes=<b> empty=<e> entities_s=<x> load_s=<y> extents=<min>,<max>
"""
import sys
import time

import ezdxf
from ezdxf import bbox


def main():
    path = sys.argv[1]
    limit = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000
    t0 = time.perf_counter()
    doc = ezdxf.readfile(path)
    t1 = time.perf_counter()
    entities = list(doc.modelspace())
    if limit:
        entities = entities[:limit]
    cache = None  # every entity measured afresh, as the benchmark does
    boxes = empty = 0
    all_ = bbox.BoundingBox()
    t2 = time.perf_counter()
    for e in entities:
        box = bbox.extents([e], cache=cache)
        if box.has_data:
            boxes += 1
            all_.extend(box)
        else:
            empty += 1
    t3 = time.perf_counter()
    n = len(entities)
    lo, hi = (all_.extmin, all_.extmax) if all_.has_data else ('-', '-')
    print(f'entities={n} boxes={boxes} empty={empty} entities_s={n / (t3 - t2):.0f} '
          f'load_s={t1 - t0:.1f} extents={lo},{hi}')


if __name__ == '__main__':
    main()
