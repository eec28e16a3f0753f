"""Makes the drawing the walk tests recode: every place the recoding pass
reaches, with Cyrillic names and texts (written in the Windows form).

Usage: make_drawing.py OUT.dxf VERSION [table]
    VERSION: R2000 (saved in code page 1251) or R2018 (UTF-8).
    refusals: instead, names that recode to one name or to an invalid one.
    table, table-block-first: instead, a copy of tests/data/acad_table_simple.dxf
    whose cells and the texts of the table's block are Cyrillic (the second
    with the table's block first in the block table).
"""
import sys

import ezdxf
from ezdxf.math import Vec2


def long_text():
    # Longer than 250 characters: the file keeps it in several groups.
    return 'Многострочный\\Pтекст ' + ' '.join('абзац%d' % i for i in range(60))


def build(version):
    doc = ezdxf.new(version, setup=True)
    doc.appids.add('ПРИЛОЖЕНИЕ')
    doc.appids.add('ДРУГОЕ')
    doc.appids.add('APP2')
    doc.linetypes.add('Пунктир', pattern=[0.6, 0.5, -0.1], description='Пунктирная линия')
    doc.layers.add('Стены', color=1, linetype='Пунктир')
    doc.layers.add('Двери', color=2)
    doc.layers.add('Окна', color=3).lock()
    doc.layers.add('Закрытый', color=4).lock()
    doc.styles.add('Гарнитура', font='arial.ttf')
    doc.dimstyles.add('Размеры')
    doc.ucs.add('Система')
    doc.views.add('Фасад')
    doc.viewports.add('Экран')

    # Extended data of a layer, with a layer reference (1003) to a renamed layer.
    walls = doc.layers.get('Стены')
    walls.set_xdata('ПРИЛОЖЕНИЕ', [(1000, 'данные слоя'), (1003, 'Двери'), (1070, 7)])
    doc.layers.get('Двери').set_xdata('APP2', [(1000, 'вторые данные')])

    # The layer table's extension dictionary, three levels deep.
    ldict = doc.layers.head.new_extension_dict()
    top = ldict.dictionary
    top.add_xrecord('ВЕРХ').reset([(1, 'верхняя запись'), (70, 1)])
    sub = doc.objects.add_dictionary(owner=top.dxf.handle)
    top['ПОДСЛОВАРЬ'] = sub
    sub.add_xrecord('КЛЮЧ').reset([(1, 'данные'), (300, 'еще данные'), (70, 4)])
    sub.add_xrecord('ВТОРОЙ').reset([(2, 'имя')])
    deep = doc.objects.add_dictionary(owner=sub.dxf.handle)
    sub['ГЛУБЖЕ'] = deep
    deep.add_xrecord('ТРЕТИЙ').reset([(1, 'не трогать')])
    sub['КЛЮЧ'].set_xdata('ДРУГОЕ', [(1000, 'данные записи')])

    blk = doc.blocks.new('Рамка', dxfattribs={'description': 'Основная надпись'})
    blk.add_line((0, 0), (10, 0), dxfattribs={'layer': 'Стены'})
    blk.add_attdef('НОМЕР', (0, 1), text='номер', dxfattribs={'prompt': 'Введите номер', 'style': 'Гарнитура'})
    blk.add_text('Текст в блоке', dxfattribs={'style': 'Гарнитура', 'layer': 'Окна'})
    blk.add_mtext('Надпись блока', dxfattribs={'layer': 'Стены'})
    inner = doc.blocks.new('Вложенный')
    inner.add_text('Вложенный текст')
    nested = blk.add_blockref('Вложенный', (5, 5))
    nested.add_attrib('ВЛОЖ', 'вложенный атрибут', (5, 5))

    doc.add_xref_def('C:/Проекты/Подложка.dxf', 'Подложка')

    msp = doc.modelspace()
    line = msp.add_line((0, 0), (5, 5), dxfattribs={'layer': 'Стены', 'linetype': 'Пунктир'})
    line.set_xdata('ПРИЛОЖЕНИЕ', [(1000, 'строка'), (1003, 'Двери'), (1002, '{'), (1000, 'внутри'),
                                  (1002, '}'), (1070, 3), (1000, '')])
    line.set_xdata('ДРУГОЕ', [(1000, 'другая строка')])
    line.set_xdata('APP2', [(1000, 'вторая')])
    xdict = line.new_extension_dict()
    xdict.add_xrecord('ЗАПИСЬ').reset([(1, 'значение у примитива'), (70, 4)])
    msp.add_text('Привет', dxfattribs={'layer': 'Двери', 'style': 'Гарнитура'})
    msp.add_text('На закрытом слое', dxfattribs={'layer': 'Окна'})
    msp.add_mtext(long_text(), dxfattribs={'layer': 'Стены', 'style': 'Гарнитура'})
    msp.add_text('Latin only')
    ref = msp.add_blockref('Рамка', (20, 20), dxfattribs={'layer': 'Двери'})
    ref.add_auto_attribs({'НОМЕР': 'А-17'})
    ref.attribs[0].set_xdata('APP2', [(1000, 'данные атрибута')])
    dim = msp.add_linear_dim(base=(0, 3), p1=(0, 0), p2=(5, 0), dimstyle='Размеры',
                             text='Длина <>')
    dim.render()
    if version >= 'R2007':
        ml = msp.add_multileader_mtext('Standard')
        ml.set_content('Выноска')
        ml.add_leader_line(ezdxf.render.mleader.ConnectionSide.left, [Vec2(1, 1)])
        ml.build(insert=Vec2(30, 30))

    grp = doc.groups.new('Группа', description='Описание группы')
    grp.extend([line])
    doc.groups.new('Пустая')
    doc.layouts.new('Лист план')
    doc.mline_styles.new('Мультилиния').dxf.description = 'Стиль мультилинии'
    image_def = doc.add_image_def(filename='C:/Рисунки/план.png', size_in_pixel=(640, 360), name='План')
    msp.add_image(image_def, insert=(40, 0), size_in_units=(6.4, 3.6))

    doc.header['$CLAYER'] = 'Стены'
    doc.header['$TEXTSTYLE'] = 'Гарнитура'
    doc.header['$DIMSTYLE'] = 'Размеры'
    doc.header['$CELTYPE'] = 'Пунктир'
    return doc


def cyrillic_table(out, table_block_first):
    # The table drawing of the test data with Cyrillic texts in its cells and
    # in the multiline texts of the table's block; with table_block_first the
    # table's block record comes first in the block table, so that a walk in
    # table order meets the block before the table.
    import os
    here = os.path.dirname(os.path.abspath(__file__))
    src = os.path.join(here, '..', 'data', 'acad_table_simple.dxf')
    lines = open(src, encoding='utf-8').read().split('\n')
    words = {'Title': 'Заголовок'}
    for i in range(1, 7):
        words[str(i)] = 'Ячейка %d' % i
    pairs = [[lines[i].strip(), lines[i + 1]] for i in range(0, len(lines) - 1, 2)]
    kind = ''
    for p in pairs:
        if p[0] == '0':
            kind = p[1].strip()
        elif (kind in ('ACAD_TABLE', 'TABLECONTENT') and p[0] in ('1', '302')) or (kind == 'MTEXT' and p[0] == '1'):
            if p[1] in words:
                p[1] = words[p[1]]
    if table_block_first:
        # Records of the BLOCK_RECORD table: move the one named *T1 to the front.
        heads = [i for i, p in enumerate(pairs) if p == ['0', 'BLOCK_RECORD']]
        end = next(i for i in range(heads[-1] + 1, len(pairs)) if pairs[i][0] == '0')
        records = [pairs[a:b] for a, b in zip(heads, heads[1:] + [end])]
        records.sort(key=lambda r: 0 if ['2', '*T1'] in r else 1)
        pairs = pairs[:heads[0]] + [p for r in records for p in r] + pairs[end:]
    text = '\n'.join(p[0].rjust(3) + '\n' + p[1] for p in pairs) + '\n'
    open(out, 'w', encoding='utf-8', newline='').write(text)


REFUSAL_NAMES = {
    # placeholder: name written into the file (ezdxf checks names itself)
    'QLAYER1': '%%192Б', 'QLAYER2': '\\U+0410Б', 'QLAYER3': 'A%%060b',
    'QSTYLE1': '%%192В', 'QSTYLE2': '\\U+0410В', 'QGROUP1': '%%192Г', 'QGROUP2': '\\U+0410Г',
    'QBLOCK': 'A%%060b', 'QIMAGE1': '%%192Д', 'QIMAGE2': '\\U+0410Д', 'QPATH': '\\U+0410',
}


def refusals(version):
    # Names that recode (CyrillicToWindows) to one name, or to a name the host
    # refuses; and two images whose names recode to one name.
    doc = ezdxf.new(version)
    for name in ('QLAYER1', 'QLAYER2', 'QLAYER3'):
        doc.layers.add(name)
    for style, group in (('QSTYLE1', 'QGROUP1'), ('QSTYLE2', 'QGROUP2')):
        doc.mline_styles.new(style).dxf.description = 'QPATH'
        doc.groups.new(group, description='QPATH')
    doc.blocks.new('QBLOCK')
    for name in ('QIMAGE1', 'QIMAGE2'):
        doc.add_image_def(filename='C:/QPATH/%s.png' % name, size_in_pixel=(10, 10), name=name)
    return doc


def main():
    out, version = sys.argv[1], sys.argv[2]
    if len(sys.argv) > 3 and sys.argv[3].startswith('table'):
        cyrillic_table(out, sys.argv[3] == 'table-block-first')
        return
    doc = refusals(version) if len(sys.argv) > 3 and sys.argv[3] == 'refusals' else build(version)
    if version == 'R2000':
        doc.encoding = 'cp1251'
    doc.saveas(out)
    if len(sys.argv) > 3 and sys.argv[3] == 'refusals':
        encoding = 'cp1251' if version == 'R2000' else 'utf-8'
        text = open(out, encoding=encoding).read()
        for placeholder, name in REFUSAL_NAMES.items():
            text = text.replace(placeholder, name)
        open(out, 'w', encoding=encoding, newline='').write(text)


if __name__ == '__main__':
    main()
