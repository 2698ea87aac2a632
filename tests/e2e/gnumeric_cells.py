#!/usr/bin/python3
# Prints every cell of the first sheet of an .xls file as Gnumeric reads it
# (its ssconvert, saving Gnumeric's own XML): one line per row, the cells joined
# by the unit separator (0x1F) and padded with empty cells to the sheet's
# widest row, line breaks inside cells written as \r and \n. With --weights,
# one line instead: a letter per row, B when every filled cell of the row is
# bold, - when none is, ? when some are.
#
# Gnumeric's warnings go to standard error, one line per kind with its count.
#   gnumeric_cells.py SHEET.xls [--weights]
import collections
import gzip
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

GNM = "{http://www.gnumeric.org/v10.dtd}"

sheet_file = sys.argv[1]
with tempfile.TemporaryDirectory() as work:
    saved = os.path.join(work, "sheet.gnumeric")
    with open(os.path.join(work, "warnings"), "w+") as warnings:
        status = subprocess.call(["ssconvert", "--export-type=Gnumeric_XmlIO:sax", sheet_file, saved],
                                 stdout=subprocess.DEVNULL, stderr=warnings)
        warnings.seek(0)
        # A warning is a line "(ssconvert:PID): DOMAIN-WARNING **: TIME: MESSAGE"
        # and a line naming its condition: kept without the process number
        # and the time, which differ where the conditions repeat.
        kinds = collections.Counter()
        for line in warnings:
            text = line.strip()
            if text.startswith("(ssconvert:"):
                head, _, message = text.partition(" **: ")
                text = head.partition("): ")[2] + ": " + message.partition(": ")[2]
            if text:
                kinds[text] += 1
    for kind, count in sorted(kinds.items()):
        sys.stderr.write("%d x %s\n" % (count, kind))
    if status != 0:
        sys.exit("ssconvert failed (%d)" % status)
    # Gnumeric writes a carriage return in a cell as it is, which an XML
    # parser would read as part of a line end: it is kept as a reference.
    with gzip.open(saved) as xml:
        root = ET.fromstring(xml.read().replace(b"\r", b"&#13;"))

sheet = root.find(GNM + "Sheets").find(GNM + "Sheet")
cells = {}
for cell in sheet.iter(GNM + "Cell"):
    cells[int(cell.get("Row")), int(cell.get("Col"))] = cell.text or ""

if "--weights" in sys.argv:
    bold_regions = []
    for region in sheet.iter(GNM + "StyleRegion"):
        font = region.find(GNM + "Style").find(GNM + "Font")
        if font is not None and font.get("Bold") == "1":
            bold_regions.append(tuple(int(region.get(k)) for k in ("startRow", "startCol", "endRow", "endCol")))

    def bold(row, column):
        return any(r0 <= row <= r1 and c0 <= column <= c1 for r0, c0, r1, c1 in bold_regions)

    rows = max(row for row, _ in cells) + 1 if cells else 0
    weights = [[] for _ in range(rows)]
    for (row, column), text in cells.items():
        if text:
            weights[row].append(bold(row, column))
    print("".join("B" if all(w) else "-" if not any(w) else "?" for w in weights))
else:
    rows = max(row for row, _ in cells) + 1 if cells else 0
    columns = max(column for _, column in cells) + 1 if cells else 0
    for row in range(rows):
        texts = [cells.get((row, column), "") for column in range(columns)]
        print("\x1f".join(t.replace("\r", "\\r").replace("\n", "\\n") for t in texts))
