#!/usr/bin/env python3
"""Reads the reports of hostile rows back with real parsers.

Usage: check_hostile_reports.py FOLDER, where core_tests --write-hostile-reports wrote
rows.hex and report.{html,xml,csv}. The XML file must pass xmllint and hold every cell's
text in its element; an HTML parser must find exactly the table's cells, each name as
text, and no element or attribute beyond the report's own; the CSV file must read back
into the rows that were written, trimmed, a description shorter than two characters
left out.
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

# CSV: the same rows back, trimmed as written, in the code page's bytes.
with open(folder / "report.csv", encoding="latin-1", newline="") as file:
    read_back = list(csv.reader(file))
spaces = b" \t\n\v\f\r"
expected_rows = [["Host IP Address", "Host Name", "Host MAC Address", "Description"]]
for row in rows:
    cells = [raw.strip(spaces).decode("latin-1") for raw in row]
    expected_rows.append(cells[:3] + [cells[3] if len(cells[3]) >= 2 else ""])
check(read_back == expected_rows, "CSV rows differ: %r" % [
    (i, got, want) for i, (got, want) in enumerate(zip(read_back, expected_rows)) if got != want][:3])
check(len(read_back) == len(expected_rows), "CSV has %d rows" % len(read_back))

for failure in failures:
    print("FAIL:", failure[:2000])
print("%d rows checked in %s: %s" % (len(rows), folder, "failed" if failures else "ok"))
sys.exit(1 if failures else 0)
