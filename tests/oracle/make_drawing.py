"""Makes a test drawing with ezdxf: every kind of named object and text the
recoding tools touch, with Cyrillic names and texts.

Usage: make_drawing.py OUT.dxf VERSION ENCODING
    VERSION: R2000 R2004 R2007 R2010 R2013 R2018
    ENCODING: cp1251, or cp866 (written with $DWGCODEPAGE DOS866, the DOS
    Russian page; only for versions before R2007, which keep 8-bit text).
"""
import sys

import ezdxf
from ezdxf.math import Vec2
from ezdxf.render.mleader import ConnectionSide


def build(version):
    doc = ezdxf.new(version, setup=True)
    doc.appids.add('ПРИЛОЖЕНИЕ')
    doc.appids.add('APP2')
    doc.linetypes.add('Штрих', pattern=[0.6, 0.5, -0.1], description='Штриховая линия')
    doc.layers.add('Стены', color=1, linetype='Штрих')
    doc.layers.add('Двери', color=2)
    doc.styles.add('Шрифт', font='arial.ttf')
    doc.dimstyles.add('Размеры')
    doc.ucs.add('ПСК1')
    doc.views.add('Вид1')
    doc.viewports.add('Экран1')

    blk = doc.blocks.new('Штамп')
    blk.add_line((0, 0), (10, 0), dxfattribs={'layer': 'Стены'})
    blk.add_attdef('НОМЕР', (0, 1), dxfattribs={'prompt': 'Введите номер', 'style': 'Шрифт'})
    blk.add_text('Текст в блоке', dxfattribs={'style': 'Шрифт'})

    msp = doc.modelspace()
    line = msp.add_line((0, 0), (5, 5), dxfattribs={'layer': 'Стены', 'linetype': 'Штрих'})
    line.set_xdata('ПРИЛОЖЕНИЕ', [(1000, 'строка'), (1003, 'Двери'), (1070, 3)])
    line.set_xdata('APP2', [(1000, 'вторая')])
    msp.add_text('Привет', dxfattribs={'layer': 'Двери', 'style': 'Шрифт'})
    msp.add_mtext('Многострочный\\Pтекст ' + 'длинный ' * 60, dxfattribs={'layer': 'Стены', 'style': 'Шрифт'})
    ref = msp.add_blockref('Штамп', (20, 20), dxfattribs={'layer': 'Двери'})
    ref.add_auto_attribs({'НОМЕР': 'А-17'})
    dim = msp.add_linear_dim(base=(0, 3), p1=(0, 0), p2=(5, 0), dimstyle='Размеры')
    dim.render()
    if version >= 'R2007':
        ml = msp.add_multileader_mtext('Standard')
        ml.set_content('Выноска')
        ml.add_leader_line(ConnectionSide.left, [Vec2(1, 1)])
        ml.build(insert=Vec2(30, 30))

    grp = doc.groups.new('Группа1', description='Описание группы')
    grp.extend([line])
    doc.layouts.new('Лист2')
    doc.mline_styles.new('Мультилиния').dxf.description = 'Стиль мультилинии'
    doc.add_image_def(filename='C:/Рисунки/план.png', size_in_pixel=(640, 360), name='План')

    xdict = line.new_extension_dict()
    xrec = xdict.add_xrecord('ЗАПИСЬ')
    xrec.reset([(1, 'значение'), (70, 4), (300, 'ещё')])

    layers = doc.layers.head
    ldict = layers.new_extension_dict()
    # (ezdxf 0.18's add_dictionary has a typo; build the sub-dictionary by hand.)
    sub = doc.objects.add_dictionary(owner=ldict.dictionary.dxf.handle)
    ldict['ПОДСЛОВАРЬ'] = sub
    sub.add_xrecord('КЛЮЧ').reset([(1, 'данные')])

    doc.header['$CLAYER'] = 'Стены'
    doc.header['$TEXTSTYLE'] = 'Шрифт'
    doc.header['$DIMSTYLE'] = 'Размеры'
    if version >= 'R2004':
        doc.header.custom_vars.append('Заказчик', 'ООО Ромашка')
    return doc


def main():
    out, version, encoding = sys.argv[1], sys.argv[2], sys.argv[3]
    doc = build(version)
    if encoding == 'cp866':
        # ezdxf does not know the DOS Russian page by its DXF name: write the
        # drawing as 1251 text, then turn the bytes into 866 and name the page.
        tmp = out + '.tmp'
        doc.encoding = 'cp1251'
        doc.saveas(tmp)
        text = open(tmp, encoding='cp1251').read()
        text = text.replace('ANSI_1251', 'DOS866', 1)
        with open(out, 'w', encoding='cp866', newline='') as f:
            f.write(text)
        import os
        os.remove(tmp)
    else:
        doc.encoding = encoding
        doc.saveas(out)


if __name__ == '__main__':
    main()
