"""The baseline of the walk benchmark: what recodeDrawing does with every
scope flag in "Dos -> Windows", on the places this drawing has (names of the
symbol-table records, block names, texts, attributes and attribute
definitions with their tags and prompts, multiline texts, extended-data
strings), done with ezdxf and Python's codecs: read, recode, save.

Usage: ezdxf_walk.py IN.dxf OUT.dxf
Prints "name value" lines: the times of read, recoding and save, and the peak
memory of the process.
"""
import os
import resource
import sys
import time

import ezdxf


def dos_to_windows(s):
    return s.encode('cp1251', errors='replace').decode('cp866', errors='replace')


def recode_name(table, entry):
    new = dos_to_windows(entry.dxf.name)
    if new != entry.dxf.name and new not in table:
        entry.dxf.name = new


def recode(doc):
    for table in (doc.linetypes, doc.layers, doc.styles, doc.dimstyles, doc.ucs, doc.views, doc.viewports,
                  doc.appids):
        for entry in list(table):
            recode_name(table, entry)
    for block in list(doc.blocks):
        new = dos_to_windows(block.name)
        if new != block.name and new not in doc.blocks:
            doc.blocks.rename_block(block.name, new)
    for block in doc.blocks:
        for e in block:
            t = e.dxftype()
            if t in ('TEXT', 'ATTDEF'):
                e.dxf.text = dos_to_windows(e.dxf.text)
                if t == 'ATTDEF':
                    e.dxf.tag = dos_to_windows(e.dxf.tag)
                    e.dxf.prompt = dos_to_windows(e.dxf.prompt)
            elif t == 'MTEXT':
                e.text = dos_to_windows(e.text)
            elif t == 'INSERT':
                for a in e.attribs:
                    a.dxf.text = dos_to_windows(a.dxf.text)
                    a.dxf.tag = dos_to_windows(a.dxf.tag)
            if e.xdata:
                for app in list(e.xdata.data):
                    tags = e.xdata.get(app)
                    e.set_xdata(app, [(c, dos_to_windows(v) if c == 1000 else v) for c, v in tags[1:]])


def main():
    src, out = sys.argv[1], sys.argv[2]
    mb = os.path.getsize(src) / (1024 * 1024)
    t, c = time.perf_counter(), time.process_time()
    doc = ezdxf.readfile(src)
    load, load_cpu = time.perf_counter() - t, time.process_time() - c
    t, c = time.perf_counter(), time.process_time()
    recode(doc)
    work, work_cpu = time.perf_counter() - t, time.process_time() - c
    t, c = time.perf_counter(), time.process_time()
    doc.saveas(out)
    save, save_cpu = time.perf_counter() - t, time.process_time() - c
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
    print('file_mb %.1f\nload_s %.2f\npass_s %.2f\nsave_s %.2f\ntotal_s %.2f' % (mb, load, work, save,
                                                                             load + work + save))
    print('load_cpu_s %.2f\npass_cpu_s %.2f\nsave_cpu_s %.2f\npass_mb_per_cpu_s %.1f' % (
        load_cpu, work_cpu, save_cpu, mb / work_cpu))
    print('pass_mb_per_s %.1f\ntotal_mb_per_s %.1f\npeak_mb %.0f\npeak_per_file %.2f' % (
        mb / work, mb / (load + work + save), peak, peak / mb))


if __name__ == '__main__':
    main()
