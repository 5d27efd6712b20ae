#!/usr/bin/python3
"""Spreadsheets as other programs write them, for the table reader's tests.

    make_spreadsheets.py FOLDER

Good books come from openpyxl (.xlsx) and odfpy (.ods), Debian's
python3-openpyxl and python3-odf; the hostile ones are those books taken
apart and put together again with zipfile, or written byte by byte.
"""
import datetime
import io
import os
import random
import re
import struct
import sys
import zipfile
import zlib

import openpyxl
from odf.opendocument import OpenDocumentSpreadsheet
from odf.number import Number, NumberStyle
from odf.style import Style
from odf.table import CoveredTableCell, Table, TableCell, TableRow
from odf.text import P, S, Span

OUT = sys.argv[1]


def path(name):
    return os.path.join(OUT, name)


def rezip(src, dst, change, level=None):
    """Copies a package part by part; change(name, bytes) gives the new bytes,
    or None to drop the part; it is then called once with (None, None) and
    may return a list of (name, bytes) to add."""
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, 'w', zipfile.ZIP_DEFLATED,
                                                          compresslevel=level) as zout:
        for info in zin.infolist():
            data = change(info.filename, zin.read(info.filename))
            if data is not None:
                zout.writestr(info.filename, data)
        for name, data in change(None, None) or []:
            zout.writestr(name, data)


# ---------------------------------------------------------------- .xlsx

def good_xlsx():
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = 'Товары'
    ws.append(['name', 'price', 'count', 'date', 'when', 'total', 'note'])
    ws.append(['Чай', 12.5, 3, datetime.date(2024, 3, 5), datetime.datetime(2024, 12, 31, 10, 30), '=B2*C2',
               'первый'])
    ws.append(['Кофе', 0.1, 100.0, datetime.date(1999, 1, 31), None, '=B3*C3', None])
    ws['B3'].number_format = '0.00'
    ws.append([None] * 7)  # a blank row: skipped
    ws.append(['Сахар', -0.25, 4601234567893, None, None, None, 'последний'])
    ws['B5'].number_format = '0.0%'
    second = wb.create_sheet('Второй')
    second.append(['a', 'b'])
    second.append(['x', 7])
    wb.save(path('plain.xlsx'))

    # Excel's way: the texts of the data rows in a shared table (one of them
    # rich text with a phonetic run, which is not shown), the saved values of
    # the formulas beside them.
    shared = []

    def to_shared(m):
        text = m.group(3)
        if m.group(2) == '1':  # the header stays inline
            return m.group(0)
        shared.append(text)
        return '<c r="%s" t="s"><v>%d</v></c>' % (m.group(1), len(shared) - 1)

    def change(name, data):
        if name is None:
            items = []
            for t in shared:
                if t == '&#1095;&#1077;&#1088;&#1074;&#1099;&#1081;':  # "первый" in runs
                    items.append('<si><r><t>пер</t></r><r><rPr><b/></rPr><t>вый</t></r>'
                                 '<rPh sb="0" eb="1"><t>ПЕРВЫЙ</t></rPh></si>')
                else:
                    items.append('<si><t xml:space="preserve">%s</t></si>' % t)
            sst = ('<?xml version="1.0" encoding="UTF-8"?>'
                   '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="%d" '
                   'uniqueCount="%d">%s</sst>' % (len(shared), len(shared), ''.join(items)))
            return [('xl/sharedStrings.xml', sst.encode())]
        if name == 'xl/worksheets/sheet1.xml':
            s = data.decode()
            s = re.sub(r'<c r="([A-Z]+)(\d+)" t="inlineStr"><is><t>([^<]*)</t></is></c>', to_shared, s)
            s = s.replace('<f>B2*C2</f><v></v>', '<f>B2*C2</f><v>37.5</v>')
            s = s.replace('<f>B3*C3</f><v></v>', '<f>B3*C3</f><v>10.000000000000002</v>')
            return s.encode()
        if name == 'xl/_rels/workbook.xml.rels':
            return data.replace(b'</Relationships>',
                                b'<Relationship Type="http://schemas.openxmlformats.org/officeDocument/2006/'
                                b'relationships/sharedStrings" Target="sharedStrings.xml" Id="rId99"/>'
                                b'</Relationships>')
        if name == '[Content_Types].xml':
            return data.replace(b'</Types>',
                                b'<Override PartName="/xl/sharedStrings.xml" ContentType="application/'
                                b'vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>')
        return data

    rezip(path('plain.xlsx'), path('good.xlsx'), change)

    # The same with what the quick reader leaves to Qt's (a comment at the
    # end, after every row; CDATA): read again from the start.
    rezip(path('good.xlsx'), path('good-comment.xlsx'),
          lambda n, d: d.replace(b'</sheetData>', b'<!-- late --></sheetData>')
          if n == 'xl/worksheets/sheet1.xml' else d)
    rezip(path('good.xlsx'), path('good-cdata.xlsx'),
          lambda n, d: d.replace(b'<c r="A1" t="inlineStr"><is><t>name</t>',
                                 b'<c r="A1" t="inlineStr"><is><t><![CDATA[name]]></t>')
          if n == 'xl/worksheets/sheet1.xml' else d)


def mixed_xlsx():
    """A long sheet of every kind of cell, its tags, entities and multi-byte
    characters falling on every offset of the reader's blocks; the same
    read by Qt's reader from the start (a comment at its end) and with a
    '>' inside an attribute late in the sheet."""
    shared = ['Товар', 'a &amp; b', '&lt;x&gt;', 'emoji \U0001F600 end', 'tab\there', '']
    sst = ('<?xml version="1.0" encoding="UTF-8"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/'
           '2006/main">' + ''.join('<si><t xml:space="preserve">%s</t></si>' % t for t in shared) + '</sst>')
    styles = ('<?xml version="1.0" encoding="UTF-8"?><styleSheet xmlns="http://schemas.openxmlformats.org/'
              'spreadsheetml/2006/main"><numFmts count="1"><numFmt numFmtId="164" formatCode="0.0%"/></numFmts>'
              '<cellXfs count="5"><xf numFmtId="0"/><xf numFmtId="2"/><xf numFmtId="14"/><xf numFmtId="22"/>'
              '<xf numFmtId="164"/></cellXfs></styleSheet>')
    rnd = random.Random(11)
    texts = ['Чай', 'x &amp; y', '&lt;tag&gt;', 'line\r\nbreak', 'astral \U0001F600', '&#1095;&#x44F;',
             'a&#x1F600;b', 'quote &quot;q&quot; &apos;a&apos;', ' spaced ', 'é€']
    numbers = ['1', '0', '-0', '+5', '1e3', '12.50', '4601234567893', '0.1', '-0.001', ' 7 ', 'abc', '1e400']
    dates = ['1', '59', '60', '61', '45356', '45657.4375', '45657.99999999', '2958465', '0', '-1', '1e7']
    rows = ['<row r="1">' + ''.join('<c r="%s1" t="inlineStr"><is><t>%s</t></is></c>' % (c, n)
                                   for c, n in zip('ABCDEFG', ['text', 'shared', 'number', 'date', 'when',
                                                               'percent', 'long'])) + '</row>']
    for r in range(2, 6000):
        cells = []
        t = rnd.choice(texts) * rnd.randint(1, 30)
        cells.append('<c r="A%d" t="inlineStr"><is><t xml:space="preserve">%s</t></is></c>' % (r, t))
        idx = rnd.randrange(len(shared))
        cells.append("<c r='B%d' t='s'><v>%s</v></c>" % (r, rnd.choice(['%d', '00%d', '%d'])
                                                         % idx))
        cells.append('<c  r = "C%d"  s="1" ><v>%s</v></c>' % (r, rnd.choice(numbers)))
        cells.append('<c r="D%d" s="2"><v>%s</v></c>' % (r, rnd.choice(dates)))
        cells.append('<c r="E%d" s="3"><v>%s</v></c>' % (r, rnd.choice(dates)))
        cells.append('<c r="F%d" s="4"><v>%s</v></c>' % (r, rnd.choice(numbers)))
        if r % 997 == 0:  # a tag longer than a block of the reader, a text longer still
            cells.append('<c r="G%d" t="inlineStr" x="%s"><is><t>%s</t></is></c>'
                         % (r, 'q' * 300000, 'ж' * 200000))
        rnd.shuffle(cells)  # out of order: the references place them
        rows.append(('<row r="%d">' % r if r % 5 else '<row>') + ''.join(cells) + '</row>')
    body = sheet_xml(''.join(rows))

    def change(sheet):
        return lambda n, d: (sheet if n == 'xl/worksheets/sheet1.xml' else sst.encode()
                             if n == 'xl/sharedStrings.xml' else styles.encode() if n == 'xl/styles.xml' else d)
    rezip(path('good.xlsx'), path('mixed.xlsx'), change(body))
    rezip(path('good.xlsx'), path('mixed-comment.xlsx'),
          change(body.replace(b'</sheetData>', b'<!-- late --></sheetData>')))
    late = body.replace(b'<row r="5001">', b'<row r="5001" note="a>b">')
    assert late != body
    rezip(path('good.xlsx'), path('mixed-quoted.xlsx'), change(late))


def sheet_xml(rows_xml, prolog=''):
    return ('<?xml version="1.0" encoding="UTF-8"?>%s'
            '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>%s'
            '</sheetData></worksheet>' % (prolog, rows_xml)).encode()


def with_sheet(name, data_of_sheet):
    rezip(path('plain.xlsx'), path(name),
          lambda n, d: data_of_sheet(d) if n == 'xl/worksheets/sheet1.xml' else d)


def hostile_xlsx():
    header = '<row r="1"><c r="A1" t="inlineStr"><is><t>name</t></is></c></row>'

    # Billion laughs: entities that grow a thousandfold at each step.
    laughs = ('<!DOCTYPE worksheet [<!ENTITY a "laughlaughlaugh">'
              + ''.join('<!ENTITY %s "%s">' % (chr(ord('b') + i), ('&%s;' % chr(ord('a') + i)) * 10)
                        for i in range(9))
              + ']>')
    with_sheet('doctype.xlsx', lambda d: sheet_xml(
        header + '<row r="2"><c r="A2" t="inlineStr"><is><t>&j;</t></is></c></row>', laughs))

    # A cell whose tags do not match: the quick reader must not guess.
    with_sheet('mismatch.xlsx', lambda d: sheet_xml(
        header + '<row r="2"><c r="A2" t="inlineStr"><is><t>x</t></c></row>'
        '<row r="3"><c r="A3" t="inlineStr"><is><t>y</t></is></c></row>'))

    # 10,001 columns, each with a value.
    wb = openpyxl.Workbook()
    wb.active.append(['c%d' % i for i in range(10001)])
    wb.active.append(list(range(10001)))
    wb.save(path('wide.xlsx'))

    # A cell of 20 MiB of text that deflates as text does.
    letters = random.Random(7).choices('абвгдежзийклмнопрстуфхцчшщыьэюя ', k=10 << 20)
    with_sheet('hugecell.xlsx', lambda d: sheet_xml(
        header + '<row r="2"><c r="A2" t="inlineStr"><is><t>' + ''.join(letters) + '</t></is></c></row>'))

    # A bomb: 100 MB of rows that deflate a thousandfold; refused from its
    # headers, and again with headers that claim a kilobyte.
    row = '<row><c t="inlineStr"><is><t>x</t></is></c></row>'
    body = sheet_xml(header + row * (100_000_000 // len(row)))
    rezip(path('plain.xlsx'), path('bomb-declared.xlsx'),
          lambda n, d: body if n == 'xl/worksheets/sheet1.xml' else d, 9)
    open(path('bomb.xlsx'), 'wb').write(open(path('bomb-declared.xlsx'), 'rb').read())
    lie_about_size(path('bomb.xlsx'), 'xl/worksheets/sheet1.xml', 1024)

    # Cut in the middle.
    data = open(path('good.xlsx'), 'rb').read()
    open(path('truncated.xlsx'), 'wb').write(data[:len(data) // 2])

    # Paths out of the package: the sheet's relationship climbs above the
    # root, and a part's name does so too.
    def tricks(name, data):
        if name is None:
            return [('../../evil.xml', b'<worksheet/>'), ('/etc/passwd', b'root')]
        if name == 'xl/_rels/workbook.xml.rels':
            return data.replace(b'Target="/xl/worksheets/sheet1.xml"', b'Target="../../../../etc/passwd"')
        return data
    rezip(path('plain.xlsx'), path('paths.xlsx'), tricks)

    # A zip that holds no spreadsheet.
    with zipfile.ZipFile(path('other.zip'), 'w') as z:
        z.writestr('readme.txt', 'hello')


def lie_about_size(zip_path, part, size):
    """Rewrites the uncompressed size of `part` in its local header and in the
    central directory."""
    data = bytearray(open(zip_path, 'rb').read())
    name = part.encode()
    at = 0
    while True:
        at = data.find(name, at)
        if at < 0:
            break
        if data[at - 30:at - 26] == b'PK\x03\x04':
            struct.pack_into('<I', data, at - 30 + 22, size)
        elif data[at - 46:at - 42] == b'PK\x01\x02':
            struct.pack_into('<I', data, at - 46 + 24, size)
        at += len(name)
    open(zip_path, 'wb').write(bytes(data))


# ---------------------------------------------------------------- .ods

def cell(kind=None, text=None, **attrs):
    if kind:
        attrs['valuetype'] = kind
    c = TableCell(**attrs)
    if text is not None:
        c.addElement(P(text=text))
    return c


def text_cell(t):
    return cell('string', t)


def good_ods():
    doc = OpenDocumentSpreadsheet()
    two = NumberStyle(name='N2')
    two.addElement(Number(decimalplaces=2, minintegerdigits=1))
    doc.automaticstyles.addElement(two)
    ce = Style(name='ce1', family='table-cell', datastylename='N2')
    doc.automaticstyles.addElement(ce)

    t = Table(name='Товары')

    def row(cells, **attrs):
        tr = TableRow(**attrs)
        for c in cells:
            tr.addElement(c)
        t.addElement(tr)

    row([text_cell(n) for n in ['name', 'price', 'count', 'date', 'when', 'total', 'note']]
        + [cell(numbercolumnsrepeated=1000000000)])
    # The shown text of a number is the program's locale's ("12,50"): the
    # value is what counts.
    row([text_cell('Чай'), cell('float', '12,5', value='12.5'), cell('float', '3', value='3'),
         cell('date', '05.03.24', datevalue='2024-03-05'),
         cell('date', '31.12.2024 10:30', datevalue='2024-12-31T10:30:00'),
         cell('float', '37,5', value='37.5', formula='of:=[.B2]*[.C2]'), text_cell('первый')])
    row([text_cell('Кофе'), cell('float', '0,10', value='0.1', stylename='ce1'), cell('float', '100', value='100'),
         cell('date', '31.01.99', datevalue='1999-01-31'), cell(),
         cell('float', '10', value='10.000000000000002', formula='of:=[.B3]*[.C3]')])
    row([cell(numbercolumnsrepeated=7)], numberrowsrepeated=1)  # blank
    row([text_cell('Сахар'), cell('percentage', '-25,0%', value='-0.25'),
         cell('float', '4601234567893', value='4601234567893'), cell(numbercolumnsrepeated=3),
         text_cell('последний')])
    doc.spreadsheet.addElement(t)

    second = Table(name='Второй')
    for cells in (['a', 'b', 'c'], None):
        tr = TableRow(numberrowsrepeated=1 if cells else 3)
        if cells:
            for c in cells:
                tr.addElement(text_cell(c))
        else:
            # Three equal rows, and merged cells: the covered one is empty.
            p = P(text='x')
            p.addElement(S(c=2))
            p.addElement(Span(text='y'))
            c = TableCell(valuetype='string', numbercolumnsspanned=2)
            c.addElement(p)
            tr.addElement(c)
            tr.addElement(CoveredTableCell())
            tr.addElement(cell('boolean', 'ИСТИНА', booleanvalue='true'))
        second.addElement(tr)
    # Trailing blank rows, as LibreOffice writes them.
    tr = TableRow(numberrowsrepeated=1048570)
    tr.addElement(cell(numbercolumnsrepeated=1024))
    second.addElement(tr)
    doc.spreadsheet.addElement(second)
    doc.save(path('good.ods'))


def hostile_ods():
    def content(body):
        return ('<?xml version="1.0" encoding="UTF-8"?><office:document-content '
                'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
                'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
                'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body><office:spreadsheet>'
                '<table:table table:name="A">%s</table:table></office:spreadsheet></office:body>'
                '</office:document-content>' % body).encode()

    def ods(name, body):
        with zipfile.ZipFile(path(name), 'w', zipfile.ZIP_DEFLATED) as z:
            z.writestr(zipfile.ZipInfo('mimetype'), 'application/vnd.oasis.opendocument.spreadsheet')
            z.writestr('content.xml', content(body))

    head = '<table:table-row><table:table-cell><text:p>name</text:p></table:table-cell></table:table-row>'
    ods('repeat-columns.ods', head + '<table:table-row><table:table-cell table:number-columns-repeated="1000000000">'
        '<text:p>x</text:p></table:table-cell></table:table-row>')
    ods('repeat-rows.ods', head + '<table:table-row table:number-rows-repeated="1000000000"><table:table-cell>'
        '<text:p>x</text:p></table:table-cell></table:table-row>')


os.makedirs(OUT, exist_ok=True)
good_xlsx()
mixed_xlsx()
hostile_xlsx()
good_ods()
hostile_ods()
