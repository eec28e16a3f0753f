"""Turns a drawing's Cyrillic text into the DOS form the recoding repairs: each
letter written as the code page 866 byte of it, read back as code page 1251
(a drawing made under DOS and opened as a Windows one). Letters whose 866 byte
has no 1251 character stay as they are.

Usage: dos_drawing.py IN.dxf OUT.dxf   (a UTF-8 drawing, R2007 or later)
"""
import sys

table = {}
for code in range(0x410, 0x450):
    c = chr(code)
    try:
        table[code] = c.encode('cp866').decode('cp1251')
    except UnicodeDecodeError:
        pass
with open(sys.argv[1], encoding='utf-8', errors='surrogateescape') as f:
    text = f.read()
with open(sys.argv[2], 'w', encoding='utf-8', errors='surrogateescape', newline='') as f:
    f.write(text.translate(table))
