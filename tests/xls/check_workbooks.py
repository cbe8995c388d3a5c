#!/usr/bin/python3
"""Reads workbooks with an independent reader (xlrd, formatting kept).

check_workbooks.py FILE.xls...           every file opens without a reader note
check_workbooks.py --listing DIR...      DIR holds FTPLIBPC and the workbook built
                                         from it: values exact, every object and
                                         padded row formatted as the pattern row
"""
import datetime, glob, io, os, sys
import xlrd

KINDS = ['t', 't', 't', 't', 't', 't', 'date', 'time', 'n', 'n', 'n', 't']
failures = []


def fail(msg):
    failures.append(msg)
    print('FAIL', msg)


def open_book(path):
    log = io.StringIO()
    book = xlrd.open_workbook(path, formatting_info=True, verbosity=1, logfile=log)
    for line in log.getvalue().splitlines():
        if 'WARNING' in line or 'NOTE' in line:
            fail('%s: %s' % (path, line))
    return book


def expected(kind, text):
    if kind == 'n':
        return (xlrd.XL_CELL_NUMBER, float(text)) if text.isdigit() else \
               ((xlrd.XL_CELL_BLANK, '') if text == '' else (xlrd.XL_CELL_TEXT, text))
    if kind == 'date':
        d = datetime.date(*map(int, text.split('/')))
        return xlrd.XL_CELL_DATE, float((d - datetime.date(1899, 12, 30)).days)
    if kind == 'time':
        h, m, s = map(int, text.split(':'))
        return xlrd.XL_CELL_DATE, (h * 3600 + m * 60 + s) / 86400.0
    return xlrd.XL_CELL_TEXT, text


def check_listing(folder):
    with open(os.path.join(folder, 'FTPLIBPC'), encoding='cp932', newline='') as f:
        values = f.read().split('\r\n')[:-1]
    books = glob.glob(os.path.join(folder, '*.xls'))
    if len(books) != 1:
        return fail('%s: %d workbooks' % (folder, len(books)))
    book = open_book(books[0])
    sh = book.sheet_by_index(0)
    if sh.cell_value(0, 2) != os.path.basename(books[0]).split('-')[0]:
        fail('%s: library cell %r' % (books[0], sh.cell_value(0, 2)))
    if (sh.cell_value(0, 5), sh.cell_value(0, 6)) != ('01-12-2010', '09:05:07'):
        fail('%s: date and time cells' % books[0])
    objects = len(values) // 12
    pattern = [sh.cell_xf_index(2, c) for c in range(12)]
    row = 3 + objects
    m = row - 2
    end = 109 if m <= 107 else (m // 109 + 1) * 109 + 2
    if objects > 0 and pattern[0] == sh.cell_xf_index(1, 0):
        fail('pattern row lost its formats')
    for i in range(objects):
        for c in range(12):
            r = 2 + i
            kind, value = expected(KINDS[c], values[i * 12 + c])
            got = (sh.cell_type(r, c), sh.cell_value(r, c))
            if got != (kind, value):
                fail('%s: row %d column %d: %r, expected %r' % (books[0], r + 1, c + 1, got, (kind, value)))
            if sh.cell_xf_index(r, c) != pattern[c]:
                fail('%s: row %d column %d: format %d' % (books[0], r + 1, c + 1, sh.cell_xf_index(r, c)))
    if sh.nrows != end:
        fail('%s: %d rows, expected %d' % (books[0], sh.nrows, end))
    for r in range(row - 1, end):
        for c in range(12):
            if sh.cell_type(r, c) != xlrd.XL_CELL_BLANK or sh.cell_xf_index(r, c) != pattern[c]:
                fail('%s: padded row %d column %d' % (books[0], r + 1, c + 1))
                return
    fmt = book.format_map[book.xf_list[pattern[6]].format_key].format_str
    if fmt != 'yyyy/mm/dd':
        fail('date format %r' % fmt)


if sys.argv[1] == '--listing':
    for folder in sys.argv[2:]:
        check_listing(folder)
else:
    for path in sys.argv[1:]:
        book = open_book(path)
        if book.nsheets < 1 or book.sheet_by_index(0).nrows < 2:
            fail('%s: empty' % path)
print('%d failure(s)' % len(failures))
sys.exit(1 if failures else 0)
