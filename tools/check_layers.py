#!/usr/bin/env python3
"""Fails when a source file includes a folder that its layer may not use.

    check_layers.py SOURCE_DIR

Each folder is one library (CMakeLists.txt) and may include its own headers, those of the
layers below it, and the resource ids in res/. Lists every offending include with its file
and line; exit status 1 when there is one.
"""
import pathlib
import re
import sys

BELOW = {
    "winlib": [],
    "net": ["winlib"],
    "controls": ["net", "winlib"],
    "scan": ["net", "winlib"],
    "report": ["net", "winlib"],
    "settings": ["net", "winlib"],
    "ui": ["controls", "scan", "report", "settings", "net", "winlib"],
    "app": ["ui", "controls", "scan", "report", "settings", "net", "winlib"],
}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def offences(root):
    for layer, below in BELOW.items():
        allowed = {layer, "res", *below}
        for path in sorted((root / layer).glob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = match.group(1)
                folder = target.split("/")[0] if "/" in target else layer
                if ".." in target.split("/") or folder not in allowed:
                    yield f"{path.relative_to(root)}:{number}: {layer}/ may not include \"{target}\""


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = pathlib.Path(sys.argv[1])
    missing = [layer for layer in BELOW if not (root / layer).is_dir()]
    if missing:
        print(f"check_layers: no folder {', '.join(missing)} under {root}", file=sys.stderr)
        return 2
    found = list(offences(root))
    for offence in found:
        print(offence)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
