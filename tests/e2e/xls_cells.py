#!/usr/bin/python3
# Prints every cell of the first sheet of .xls files as xlrd reads them: a line
# "FILE<TAB>ROWS<TAB>COLUMNS" per file, then one line per row, its cells joined
# by the unit separator (0x1F), line breaks inside cells written as \n.
# No encoding is forced: xlrd must find it in the file.
import sys

import xlrd

for path in sys.argv[1:]:
    sheet = xlrd.open_workbook(path).sheet_by_index(0)
    print("%s\t%d\t%d" % (path, sheet.nrows, sheet.ncols))
    for row in range(sheet.nrows):
        cells = []
        for column in range(sheet.ncols):
            cell = sheet.cell(row, column)
            if cell.ctype != xlrd.XL_CELL_TEXT:
                raise SystemExit("%s: row %d column %d is not text" % (path, row + 1, column + 1))
            cells.append(cell.value.replace("\r", "\\r").replace("\n", "\\n"))
        print("\x1f".join(cells))
