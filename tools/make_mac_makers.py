#!/usr/bin/python3
"""Turns the IEEE registries of MAC address blocks into the table the program looks makers up in.

The build runs it on Debian's ieee-data (MA-L oui.csv, MA-M mam.csv, MA-S oui36.csv):

    make_mac_makers.py --ma-l oui.csv --ma-m mam.csv --ma-s oui36.csv \\
        --table MacMakerTable.cpp --source-header MacMakerSource.h [--package ieee-data]

The table (see net/MacMakerTable.h) holds each registry's blocks sorted, each with the offset
of its organisation's name in one pool of NUL-terminated UTF-8 names, every name once. A block
registered as "Private" points at offset 0, the empty name. A block registered more than once
(a few early MA-L blocks) gets its distinct names, sorted, joined by " / ". The source header
defines MAC_MAKERS_SOURCE, the data's origin for the version resource.

A line that is not a well-formed record of its registry stops the build with "FILE:LINE: why";
nothing is written then.
"""

import argparse
import csv
import io
import os
import re
import subprocess
import sys

HEADER = ["Registry", "Assignment", "Organization Name", "Organization Address"]
PRIVATE = "Private"
JOINER = " / "


class InputError(Exception):
    def __init__(self, path, line, why):
        super().__init__(f"{path}:{line}: {why}")


class Registry:
    """One registry: its tag in the CSV, the hex digits of its blocks, the C++ key type."""

    def __init__(self, tag, digits, key_type):
        self.tag = tag
        self.digits = digits
        self.key_type = key_type
        self.pattern = re.compile(f"[0-9A-F]{{{digits}}}")


MA_L = Registry("MA-L", 6, "uint32_t")
MA_M = Registry("MA-M", 7, "uint32_t")
MA_S = Registry("MA-S", 9, "uint64_t")


def read_registry(path, registry):
    """{block value: [names]} of one registry file; "" stands for a block registered as Private."""
    with open(path, "rb") as source:
        data = source.read()
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise InputError(path, data.count(b"\n", 0, error.start) + 1, "not UTF-8") from None
    reader = csv.reader(io.StringIO(text, newline=""), strict=True)
    blocks = {}
    line = 1
    try:
        for record in reader:
            if line == 1:
                if record != HEADER:
                    raise InputError(path, line, f"header is not {','.join(HEADER)}")
            else:
                block, name = parse_record(path, line, record, registry)
                blocks.setdefault(block, []).append(name)
            # Addresses may run over several lines; a record starts after the previous one.
            line = reader.line_num + 1
    except csv.Error as error:
        raise InputError(path, reader.line_num, f"bad CSV: {error}") from None
    if not blocks:
        raise InputError(path, line, f"no {registry.tag} records")
    return blocks


def parse_record(path, line, record, registry):
    if len(record) != len(HEADER):
        raise InputError(path, line, f"{len(record)} fields instead of {len(HEADER)}")
    tag, assignment, name = record[0], record[1], record[2].strip()
    if tag != registry.tag:
        raise InputError(path, line, f"registry '{tag}' in the {registry.tag} file")
    if not registry.pattern.fullmatch(assignment):
        raise InputError(path, line, f"assignment '{assignment}' is not {registry.digits} upper-case hex digits")
    if not name:
        raise InputError(path, line, "no organisation name")
    if any(ord(c) < 0x20 or ord(c) == 0x7F for c in name):
        raise InputError(path, line, "control character in the organisation name")
    return int(assignment, 16), "" if name == PRIVATE else name


def maker_name(names):
    named = sorted(set(n for n in names if n))
    return JOINER.join(named)


def cpp_string(text):
    """A C++ literal of the UTF-8 bytes of `text` followed by its terminating NUL."""
    out = []
    for byte in text.encode("utf-8"):
        char = chr(byte)
        if char in '"\\?':
            out.append("\\" + char)
        elif 0x20 <= byte < 0x7F:
            out.append(char)
        else:
            out.append(f"\\{byte:03o}")  # three octal digits: never run into what follows
    return '"' + "".join(out) + '\\0"'


class NamePool:
    def __init__(self):
        self.offsets = {"": 0}
        self.names = [""]
        self.size = 1

    def offset(self, name):
        if name not in self.offsets:
            self.offsets[name] = self.size
            self.names.append(name)
            self.size += len(name.encode("utf-8")) + 1
        return self.offsets[name]


def number_lines(texts, per_line):
    for start in range(0, len(texts), per_line):
        yield "    " + " ".join(texts[start:start + per_line])


def registry_arrays(prefix, registry, blocks, pool):
    keys = sorted(blocks)
    suffix = "ull" if registry.key_type == "uint64_t" else ""
    lines = [f"const {registry.key_type} k{prefix}Blocks[] = {{"]
    lines += number_lines([f"0x{key:0{registry.digits}X}{suffix}," for key in keys], 8)
    lines += ["};", f"const uint32_t k{prefix}Names[] = {{"]
    lines += number_lines([f"{pool.offset(maker_name(blocks[key]))}," for key in keys], 12)
    lines += ["};", ""]
    return lines


def table_source(registries, source):
    pool = NamePool()
    body = []
    for prefix, registry, blocks in registries:
        body += registry_arrays(prefix, registry, blocks, pool)
    lines = [f"// Generated by tools/make_mac_makers.py from {source}: do not edit.",
             '#include "net/MacMakerTable.h"', "", "namespace {", ""]
    lines += body
    lines += ["const char kNames[] ="]
    lines += ["    " + cpp_string(name) for name in pool.names]
    lines += ["    ;", "", "}  // namespace", "", "extern const MacMakerTable kMacMakerTable = {"]
    lines += [f"    {{k{prefix}Blocks, k{prefix}Names, sizeof(k{prefix}Blocks) / sizeof(k{prefix}Blocks[0])}},"
              for prefix, _, _ in registries]
    lines += ["    kNames,", "};", ""]
    return "\n".join(lines), pool.size


def package_version(package):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout:
        raise SystemExit(f"make_mac_makers.py: package {package} is not installed (tools/setup.sh installs it)")
    return result.stdout


def write_file(path, text):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path + ".tmp", "w", encoding="ascii", newline="\n") as out:
        out.write(text)
    os.replace(path + ".tmp", path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ma-l", required=True)
    parser.add_argument("--ma-m", required=True)
    parser.add_argument("--ma-s", required=True)
    parser.add_argument("--table", required=True, help="C++ source to write")
    parser.add_argument("--source-header", required=True, help="header defining MAC_MAKERS_SOURCE")
    parser.add_argument("--package", help="Debian package the files come from; its version is recorded")
    args = parser.parse_args()

    try:
        registries = [("Small", MA_S, read_registry(args.ma_s, MA_S)),
                      ("Medium", MA_M, read_registry(args.ma_m, MA_M)),
                      ("Large", MA_L, read_registry(args.ma_l, MA_L))]
    except (InputError, OSError) as error:
        print(f"make_mac_makers.py: {error}", file=sys.stderr)
        return 1

    source = f"{args.package} {package_version(args.package)}" if args.package else "unpackaged registry files"
    text, names_size = table_source(registries, source)
    write_file(args.table, text)
    write_file(args.source_header,
               "// Generated by tools/make_mac_makers.py: where the MAC maker table comes from.\n"
               f'#define MAC_MAKERS_SOURCE "MAC address makers: {source}"\n')
    counts = ", ".join(f"{len(blocks)} {registry.tag}" for _, registry, blocks in registries)
    keys_size = sum(len(blocks) * (8 if registry.key_type == "uint64_t" else 4) + 4 * len(blocks)
                    for _, registry, blocks in registries)
    print(f"MAC maker table from {source}: {counts} blocks, {keys_size + names_size} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
