#!/usr/bin/python3
# Reads the first table of a flat OpenDocument spreadsheet (.fods, as
# LibreOffice converts a sheet to) and prints one line: a letter per row, B
# when every filled cell of the row is in a bold font, - when none is, ? when
# some are; rows without a filled cell have no letter.
#   fods_weights.py SHEET.fods
import sys
import xml.etree.ElementTree as ET

STYLE = "{urn:oasis:names:tc:opendocument:xmlns:style:1.0}"
FO = "{urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0}"
TABLE = "{urn:oasis:names:tc:opendocument:xmlns:table:1.0}"
TEXT = "{urn:oasis:names:tc:opendocument:xmlns:text:1.0}"

root = ET.parse(sys.argv[1]).getroot()
weight, parent = {}, {}
for style in root.iter(STYLE + "style"):
    name = style.get(STYLE + "name")
    parent[name] = style.get(STYLE + "parent-style-name")
    for properties in style.iter(STYLE + "text-properties"):
        if properties.get(FO + "font-weight"):
            weight[name] = properties.get(FO + "font-weight")


def bold(style):
    # A style without a weight of its own takes its parent's.
    while style is not None and style not in weight:
        style = parent.get(style)
    return weight.get(style) == "bold"


table = next(root.iter(TABLE + "table"))
column_styles = []
for column in table.iter(TABLE + "table-column"):
    repeat = int(column.get(TABLE + "number-columns-repeated", "1"))
    column_styles += [column.get(TABLE + "default-cell-style-name")] * min(repeat, 1024)

letters = ""
for row in table.iter(TABLE + "table-row"):
    weights, column = [], 0
    for cell in row.iter(TABLE + "table-cell"):
        repeat = int(cell.get(TABLE + "number-columns-repeated", "1"))
        if cell.find(TEXT + "p") is not None and "".join(cell.itertext()):
            style = cell.get(TABLE + "style-name") or (column_styles[column] if column < len(column_styles) else None)
            weights += [bold(style)] * repeat
        column += repeat
    if weights:  # rows without a filled cell, as LibreOffice adds at the end, are left out
        letters += "B" if all(weights) else "-" if not any(weights) else "?"
print(letters)
