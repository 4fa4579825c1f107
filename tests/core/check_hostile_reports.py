#!/usr/bin/env python3
"""Reads the reports of hostile rows back with real parsers.

Usage: check_hostile_reports.py FOLDER, where core_tests --write-hostile-reports wrote
rows.hex and report.{html,txt,xml,csv}. The XML file must pass xmllint and hold every
cell's text in its element; an HTML parser must find exactly the table's cells, each name
as text, and no element or attribute beyond the report's own; the CSV file must read back
into the rows that were written, trimmed, a description shorter than two characters left
out, and every cell a spreadsheet would run as a formula behind an apostrophe; the text
report must have its usual lines, each cell on its own with control characters as spaces.
"""
import csv
import html.parser
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

folder = Path(sys.argv[1])
lines = (folder / "rows.hex").read_text().splitlines()
code_page = "cp" + lines[0].split()[1]
rows = [[b"" if cell == "-" else bytes.fromhex(cell) for cell in line.split(" ")] for line in lines[1:]]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def markup_text(raw, capacity):
    """A cell as read into a buffer of `capacity` characters, as an XML parser returns it."""
    text = raw[: capacity - 1].decode(code_page)
    return "".join("\ufffd" if ord(c) < 0x20 and c not in "\t\n\r" else c for c in text)


# XML: well-formed for xmllint, each cell intact in its element.
xml_path = folder / "report.xml"
lint = subprocess.run(["xmllint", "--noout", str(xml_path)], capture_output=True, text=True)
check(lint.returncode == 0, "xmllint rejects report.xml: " + lint.stderr)
root = ElementTree.parse(xml_path).getroot()
check(root.tag == "network_host_list", "root element " + root.tag)
hosts = list(root)
check([h.tag for h in hosts] == ["host"] * len(rows), "host elements %s" % [h.tag for h in hosts])
for index, (host, row) in enumerate(zip(hosts, rows)):
    children = list(host)
    check([c.tag for c in children] == ["ipaddress", "hostname", "mac_address", "description"],
          "row %d elements %s" % (index, [c.tag for c in children]))
    for child, raw in zip(children, row):
        check(len(child) == 0, "row %d: element inside %s" % (index, child.tag))
        check((child.text or "") == markup_text(raw, 10000), "row %d: %s is %r" % (index, child.tag, child.text))


# HTML: the table's cells as text, no element or attribute from a cell.
class ReportParser(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags = []
        self.attributes = set()
        self.cells = []
        self.cell = None

    def handle_starttag(self, tag, attrs):
        self.tags.append(tag)
        self.attributes.update(attrs)
        if tag == "td":
            self.cell = []

    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            self.cells.append("".join(self.cell))
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell.append(data)


parser = ReportParser()
parser.feed((folder / "report.html").read_bytes().decode("utf-8"))
parser.close()
head = ["html", "head", "meta", "title", "style", "body", "center", "h1", "p", "b", "table", "tr"] + ["th"] * 5
body = ["tr"] + ["td"] * 5
foot = ["br", "br", "hr", "div", "strong", "br"]
check(parser.tags == head + body * len(rows) + foot, "HTML elements %s" % parser.tags)
expected_cells = []
for index, row in enumerate(rows):
    expected_cells += [str(index + 1)] + [markup_text(raw, 1000) for raw in row]
check(parser.cells == expected_cells, "HTML cells differ: %r" % [
    (i, got, want) for i, (got, want) in enumerate(zip(parser.cells, expected_cells)) if got != want][:3])
names = {name for name, _ in parser.attributes}
check(names <= {"xmlns", "http-equiv", "content", "style", "class", "width", "cellspacing", "cellpadding"},
      "HTML attributes %s" % names)
check({value for name, value in parser.attributes if name == "class"} == {"footer", "firstrow", "secondrow"},
      "HTML classes")

# CSV: the same rows back, trimmed as written, in the code page's bytes; a cell that a
# spreadsheet would take for a formula reads as text behind an apostrophe.
with open(folder / "report.csv", encoding="latin-1", newline="") as file:
    read_back = list(csv.reader(file))
spaces = b" \t\n\v\f\r"


def as_text(cell):
    return "'" + cell if cell[:1] in ("=", "+", "-", "@", "\t", "\r") else cell


expected_rows = [["Host IP Address", "Host Name", "Host MAC Address", "Description"]]
for row in rows:
    cells = [raw.strip(spaces).decode("latin-1") for raw in row]
    expected_rows.append([as_text(cell) for cell in cells[:3]] + [as_text(cells[3]) if len(cells[3]) >= 2 else ""])
check(read_back == expected_rows, "CSV rows differ: %r" % [
    (i, got, want) for i, (got, want) in enumerate(zip(read_back, expected_rows)) if got != want][:3])
check(len(read_back) == len(expected_rows), "CSV has %d rows" % len(read_back))
formulas = [cell for line in read_back for cell in line if cell[:1] in ("=", "+", "-", "@")]
check(not formulas, "CSV cells a spreadsheet would run: %r" % formulas[:3])

# Text: the title, four lines per host and the separators, nothing more; a cell's control
# characters are spaces, so no name adds a line or sends a terminal its codes.
text = (folder / "report.txt").read_bytes()
lines = text.split(b"\r\n")
check(len(lines) == 7 + 6 * len(rows), "text report has %d lines for %d rows" % (len(lines), len(rows)))
stray = [line for line in lines if any(b < 0x20 or b == 0x7F for b in line)]
check(not stray, "text report lines with control characters: %r" % [line[:80] for line in stray[:3]])
labels = [b" Host IP Address: ", b" Host Name: ", b" Host MAC Address: ", b" Description: "]
expected_lines = [b"", b" " * 42 + b"Vantrel Report", b""]
for row in rows:
    expected_lines.append(b"")
    for label, raw in zip(labels, row):
        expected_lines.append(label + bytes(b" "[0] if b < 0x20 or b == 0x7F else b for b in raw[:9999]))
    expected_lines.append(b"-" * 84)
expected_lines += [b"", b"", b"", b"_" * 84]
check(lines == expected_lines, "text report lines differ: %r" % [
    (i, got[:80], want[:80]) for i, (got, want) in enumerate(zip(lines, expected_lines)) if got != want][:3])

for failure in failures:
    print("FAIL:", failure[:2000])
print("%d rows checked in %s: %s" % (len(rows), folder, "failed" if failures else "ok"))
sys.exit(1 if failures else 0)
