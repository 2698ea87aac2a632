#!/usr/bin/python3
# Prints every cell of the first sheet of an .xls file as xlrd reads it: one line
# per row, its cells joined by the unit separator (0x1F), line breaks inside
# cells written as \r and \n. No encoding is forced: xlrd must find it in the file.
# With --weights, one line instead: a letter per row, B when every filled cell
# of the row is in a bold font, - when none is, ? when some are.
import sys

import xlrd

weights = "--weights" in sys.argv
book = xlrd.open_workbook(sys.argv[1], formatting_info=weights)
sheet = book.sheet_by_index(0)
if weights:
    letters = ""
    for row in range(sheet.nrows):
        bold = [book.font_list[book.xf_list[sheet.cell_xf_index(row, column)].font_index].bold
                for column in range(sheet.ncols) if sheet.cell_value(row, column)]
        letters += "B" if all(bold) else "-" if not any(bold) else "?"
    print(letters)
    sys.exit()
for row in range(sheet.nrows):
    cells = []
    for column in range(sheet.ncols):
        cell = sheet.cell(row, column)
        if cell.ctype != xlrd.XL_CELL_TEXT:
            raise SystemExit("row %d column %d is not text" % (row + 1, column + 1))
        cells.append(cell.value.replace("\r", "\\r").replace("\n", "\\n"))
    print("\x1f".join(cells))
