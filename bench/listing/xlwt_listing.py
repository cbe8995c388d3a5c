#!/usr/bin/python3
"""The peer: python3-xlwt writes the same listing (12 values per object, the
same cell kinds and formats) into a new workbook. Prints seconds and bytes."""
import datetime, sys, time
import xlwt

values = open(sys.argv[1], encoding='cp932', newline='').read().split('\r\n')[:-1]
start = time.perf_counter()
book = xlwt.Workbook(encoding='utf-8')
sheet = book.add_sheet('オブジェクト一覧')
text = xlwt.easyxf('borders: left thin, right thin, bottom thin; font: name Meiryo UI', num_format_str='@')
date = xlwt.easyxf('borders: left thin, right thin, bottom thin; font: name Meiryo UI', num_format_str='yyyy/mm/dd')
clock = xlwt.easyxf('borders: left thin, right thin, bottom thin; font: name Meiryo UI', num_format_str='hh:mm:ss')
count = xlwt.easyxf('borders: left thin, right thin, bottom thin; font: name Meiryo UI', num_format_str='#,##0')
for i in range(len(values) // 12):
    row = sheet.row(2 + i)
    for c in range(12):
        v = values[i * 12 + c]
        if c == 6:
            row.write(c, datetime.datetime.strptime(v, '%Y/%m/%d'), date)
        elif c == 7:
            row.write(c, datetime.datetime.strptime(v, '%H:%M:%S').time(), clock)
        elif c in (8, 9, 10) and v.isdigit():
            row.write(c, int(v), count)
        else:
            row.write(c, v, text)
book.save(sys.argv[2])
print('%.6f' % (time.perf_counter() - start))
