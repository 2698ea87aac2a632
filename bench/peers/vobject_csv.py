#!/usr/bin/python3
"""A peer of the benchmarks: Python's vobject (Debian's python3-vobject)
parsing a vCard file and writing one CSV row of 36 columns per card to
OUTPUT, the columns of Tessaly's sheet below its title row.

    vobject_csv.py FILE OUTPUT

Run it with /usr/bin/python3, where Debian's package is installed.
"""
import csv
import sys

import vobject

def types(line):
    return {t.upper() for value in line.params.get("TYPE", []) for t in value.split(",")}


def value(card, name):
    line = getattr(card, name, None)
    return line.value if line is not None else ""


def row(card):
    n = value(card, "n") or vobject.vcard.Name()
    org = value(card, "org") or []
    phones = {}
    for tel in card.contents.get("tel", []):
        kinds = types(tel)
        place = "HOME" if "HOME" in kinds else "WORK"
        if "FAX" in kinds:
            phones.setdefault(place + " FAX", tel.value)
        elif "CELL" in kinds:
            phones.setdefault("CELL", tel.value)
        elif "PAGER" in kinds:
            phones.setdefault("PAGER", tel.value)
        else:
            phones.setdefault(place, tel.value)
    addresses = {}
    for adr in card.contents.get("adr", []):
        addresses.setdefault("HOME" if "HOME" in types(adr) else "WORK", adr.value)

    def address(place):
        a = addresses.get(place)
        return [a.street, a.city, a.code, a.region, a.country] if a else [""] * 5

    emails = card.contents.get("email", [])
    anniversary = card.contents.get("anniversary", [])
    return ([n.given, n.additional, n.family, emails[0].value if emails else "", n.suffix, n.prefix,
             org[0] if org else "", value(card, "role"), "", value(card, "url"), org[1] if len(org) > 1 else "",
             "", ""] + address("WORK") +
            [phones.get("WORK", ""), phones.get("WORK FAX", ""), phones.get("CELL", ""), phones.get("PAGER", ""),
             "", "", ""] + address("HOME") +
            [phones.get("HOME", ""), phones.get("HOME FAX", ""), "", value(card, "bday"),
             anniversary[0].value if anniversary else "", ""])


def main():
    with open(sys.argv[1], encoding="utf-8", newline="") as source, \
            open(sys.argv[2], "w", encoding="utf-8", newline="") as output:
        writer = csv.writer(output)
        cards = 0
        for card in vobject.readComponents(source):
            writer.writerow(["\n".join(v) if isinstance(v, list) else str(v) for v in row(card)])
            cards += 1
    print("%d cards" % cards)


if __name__ == "__main__":
    main()
