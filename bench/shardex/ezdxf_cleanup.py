"""The ezdxf baseline of the cleanup benchmark: what ExplodeAllProxy or RemoveAllProxy does,
end to end, with ezdxf 0.18.1.

Usage: ezdxf_cleanup.py explode|remove IN.dxf OUT.dxf

explode: every ACAD_PROXY_ENTITY of every block is replaced by the entities of its stored
picture (ezdxf.proxygraphic, through virtual_entities), which are added to the same block, and
deleted. remove: every ACAD_PROXY_ENTITY and ACAD_PROXY_OBJECT is deleted. Load, command and
save are timed apart.
Prints: proxies=<n> pieces=<m> load_s=<a> command_s=<b> save_s=<c> total_s=<d>
"""
import sys
import time

import ezdxf
from ezdxf.entities import factory


def explode(doc):
    proxies = pieces = 0
    for block in doc.blocks:
        for proxy in list(block.query('ACAD_PROXY_ENTITY')):
            for piece in proxy.virtual_entities():
                factory.bind(piece, doc)
                block.add_entity(piece)
                pieces += 1
            block.delete_entity(proxy)
            proxies += 1
    return proxies, pieces


def remove(doc):
    proxies = 0
    for block in doc.blocks:
        for proxy in list(block.query('ACAD_PROXY_ENTITY')):
            block.delete_entity(proxy)
            proxies += 1
    for obj in list(doc.objects.query('ACAD_PROXY_OBJECT')):
        doc.objects.delete_entity(obj)
        proxies += 1
    return proxies, 0


def main():
    mode, src, out = sys.argv[1:4]
    t0 = time.perf_counter()
    doc = ezdxf.readfile(src)
    t1 = time.perf_counter()
    proxies, pieces = (explode if mode == 'explode' else remove)(doc)
    t2 = time.perf_counter()
    doc.saveas(out)
    t3 = time.perf_counter()
    print(f'proxies={proxies} pieces={pieces} load_s={t1 - t0:.3f} command_s={t2 - t1:.3f} '
          f'save_s={t3 - t2:.3f} total_s={t3 - t0:.3f}')


if __name__ == '__main__':
    main()
