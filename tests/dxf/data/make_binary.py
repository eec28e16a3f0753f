#!/usr/bin/python3
"""Makes the small binary DXF files the tests read, and a dump of each as ezdxf reads it.

Run with Debian's python3-ezdxf (0.18.1):  /usr/bin/python3 make_binary.py
Writes <name>.dxf (binary DXF written by ezdxf) and <name>.tags (one tag per line:
code, a type letter and the value: s = string as hex of its file bytes, d = double as
repr(), i = integer, b = binary chunk as hex).
"""
import math
import os
import sys

import ezdxf
from ezdxf.lldxf.tagger import binary_tags_loader
from ezdxf.lldxf.types import BINARY_DATA

HERE = os.path.dirname(os.path.abspath(__file__))


def dump(path, encoding):
    data = open(path, "rb").read()
    lines = []
    for tag in binary_tags_loader(data, errors="surrogateescape"):
        code, value = tag.code, tag.value
        if code in BINARY_DATA:
            lines.append(f"{code} b {bytes(value).hex().upper()}")
        elif isinstance(value, float):
            lines.append(f"{code} d {value!r}")
        elif isinstance(value, int):
            lines.append(f"{code} i {value}")
        else:
            lines.append(f"{code} s {value.encode(encoding, 'surrogateescape').hex().upper()}")
    with open(path[:-4] + ".tags", "w") as f:
        f.write("\n".join(lines) + "\n")


def every_value_r2018():
    doc = ezdxf.new("R2018")
    msp = doc.modelspace()
    doc.appids.new("ARXTEST")
    line = msp.add_line((0.1, -2.5e-310, 1e300), (math.pi, -0.0, 123456789.125), dxfattribs={"color": 3})
    line.set_xdata("ARXTEST", [
        (1000, "xdata text ^ caret"), (1002, "{"), (1070, -32768), (1071, 2147483647),
        (1040, 1.0 / 3.0), (1004, bytes(range(0, 256, 3))), (1005, "1F"),
        (1010, (1.5, 2.5, 3.5)), (1002, "}"),
    ])
    msp.add_text("Привет, 世界 😀", dxfattribs={"height": 2.5})
    msp.add_mtext("line one\nline two\ttab")
    xrec = doc.objects.new_entity("XRECORD", dxfattribs={"owner": doc.rootdict.dxf.handle})
    xrec.extend([
        (1, "string"), (70, 32767), (71, -1), (90, -2147483648), (160, 9223372036854775807),
        (161, -9223372036854775808), (280, 255), (281, -32768), (290, 1), (291, 0),
        (310, bytes(range(127))), (311, b""), (320, "ABC"), (40, float("inf")), (41, -1e-5),
        (420, 16777215), (450, -7), (460, 6.02214076e23), (1, ""),
    ])
    path = os.path.join(HERE, "every_value_r2018.dxf")
    doc.saveas(path, fmt="bin")
    dump(path, "utf8")


def r12_one_byte_codes():
    doc = ezdxf.new("R12")
    msp = doc.modelspace()
    doc.appids.new("ARXTEST")
    line = msp.add_line((1, 2, 3), (4.75, -5, 6), dxfattribs={"color": 256, "layer": "LAYER_1"})
    line.set_xdata("ARXTEST", [(1000, "R12 xdata"), (1070, 12), (1071, -70000), (1040, 2.0),
                               (1004, b"\x00\xff\x10")])
    msp.add_text("text ^ with caret", dxfattribs={"height": 1.25})
    path = os.path.join(HERE, "r12_one_byte_codes.dxf")
    doc.saveas(path, fmt="bin")
    dump(path, "cp1252")


def cp1251_r2000():
    doc = ezdxf.new("R2000")
    doc.encoding = "cp1251"
    msp = doc.modelspace()
    doc.layers.new("Слой")
    msp.add_text("Текст", dxfattribs={"layer": "Слой"})
    path = os.path.join(HERE, "cp1251_r2000.dxf")
    doc.saveas(path, fmt="bin")
    dump(path, "cp1251")


if __name__ == "__main__":
    every_value_r2018()
    r12_one_byte_codes()
    cp1251_r2000()
    sys.exit(0)
