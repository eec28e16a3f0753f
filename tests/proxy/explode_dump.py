#!/usr/bin/python3
"""Lists the stored pictures of a drawing and what ezdxf's own decoder makes of them, for the
cross-check of the host's explode in explode_corpus_test.cpp.

usage: explode_dump.py DRAWING.dxf

Output, one item per line:
  D <dxfversion>             the drawing
  M <handle>                 the model space's block record
  G <handle> <type> <hex>    an entity's picture (proxy entities and native entities alike)
  E ... / X ...              ezdxf's virtual entities of it, or its error (as ezdxf_dump.py)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ezdxf  # noqa: E402
from ezdxf.proxygraphic import ProxyGraphic  # noqa: E402
from ezdxf_dump import describe  # noqa: E402


def main():
    doc = ezdxf.readfile(sys.argv[1])
    print("D %s" % doc.dxfversion)
    print("M %s" % doc.modelspace().block_record.dxf.handle)
    for e in list(doc.entitydb.values()):
        data = getattr(e, "proxy_graphic", None)
        if not data:
            continue
        print("G %s %s %s" % (e.dxf.handle, e.dxftype(), bytes(data).hex()))
        try:
            for v in ProxyGraphic(bytes(data), doc).virtual_entities():
                print(describe(v))
        except Exception as exc:
            print("X " + str(exc).replace("\n", " "))


if __name__ == "__main__":
    main()
