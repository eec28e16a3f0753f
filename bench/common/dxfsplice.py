"""Makes a large benchmark drawing from a small one that ezdxf wrote: generated records are
put into the text of its sections, and the handle seed is moved past the last new handle."""
import os


def insert_into_section(text, section, records):
    """The DXF text with `records` put at the start of the section named `section`."""
    marker = f'  0\nSECTION\n  2\n{section}\n'
    at = text.index(marker) + len(marker)
    return text[:at] + records + text[at:]


def write_spliced(doc, template_path, out, entities, next_handle, classes=''):
    """Writes `out`: the template drawing `doc` saved at `template_path`, with `entities` at the
    start of ENTITIES, `classes` at the start of CLASSES, and $HANDSEED set to `next_handle`.
    The template file is removed."""
    text = open(template_path, encoding='utf8').read()
    if classes:
        text = insert_into_section(text, 'CLASSES', classes)
    text = insert_into_section(text, 'ENTITIES', entities)
    old_seed = doc.header['$HANDSEED']
    text = text.replace(f'$HANDSEED\n  5\n{old_seed}\n', f'$HANDSEED\n  5\n{next_handle:X}\n', 1)
    with open(out, 'w', encoding='utf8', newline='\n') as f:
        f.write(text)
    os.remove(template_path)
