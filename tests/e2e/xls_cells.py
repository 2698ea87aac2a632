#!/usr/bin/python3
# Prints every cell of the first sheet of an .xls file as xlrd reads it: one line
# per row, its cells joined by the unit separator (0x1F), line breaks inside
# cells written as \r and \n. No encoding is forced: xlrd must find it in the file.
import sys

import xlrd

sheet = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)
for row in range(sheet.nrows):
    cells = []
    for column in range(sheet.ncols):
        cell = sheet.cell(row, column)
        if cell.ctype != xlrd.XL_CELL_TEXT:
            raise SystemExit("row %d column %d is not text" % (row + 1, column + 1))
        cells.append(cell.value.replace("\r", "\\r").replace("\n", "\\n"))
    print("\x1f".join(cells))
