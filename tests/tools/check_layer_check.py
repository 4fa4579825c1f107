#!/usr/bin/env python3
"""The layer check on small source trees: it passes a clean one and names every include
that reaches past a layer."""
import pathlib
import subprocess
import sys
import tempfile

CHECK = pathlib.Path(__file__).resolve().parents[2] / "tools" / "check_layers.py"
FOLDERS = ["winlib", "net", "controls", "scan", "report", "settings", "ui", "app"]

# (what, file, its text, the offences expected: "file:line: target")
CASES = [
    ("includes of its own folder, by path or by name, and of res/", "scan/Probe.cpp",
     '#include "scan/Probe.h"\n#include "Probe.h"\n#include "res/resource.h"\n#include <windows.h>\n', []),
    ("a layer below", "ui/Dlg.cpp", '#include "controls/List.h"\n#include "winlib/Wnd.h"\n', []),
    ("the window layer from the scan", "scan/Probe.cpp",
     '#include "net/Ipv4Address.h"\n#include "ui/CorvaleDlg.h"\n', ['scan/Probe.cpp:2: "ui/CorvaleDlg.h"']),
    ("a control reaching the reports", "controls/Link.cpp", '#include "report/Launch.h"\n',
     ['controls/Link.cpp:1: "report/Launch.h"']),
    ("a side layer", "report/Rows.h", '  #  include "scan/HostProbe.h"\n', ['report/Rows.h:1: "scan/HostProbe.h"']),
    ("a path around the check", "net/Table.cpp", '#include "../app/App.h"\n', ['net/Table.cpp:1: "../app/App.h"']),
    ("the application from below", "winlib/Wnd.h", '#include "app/CorvaleApp.h"\n', ['winlib/Wnd.h:1: "app/CorvaleApp.h"']),
]


def run(root):
    return subprocess.run([sys.executable, str(CHECK), str(root)], capture_output=True, text=True)


def main():
    failures = 0
    for what, name, text, expected in CASES:
        with tempfile.TemporaryDirectory() as temp:
            root = pathlib.Path(temp)
            for folder in FOLDERS:
                (root / folder).mkdir()
            (root / name).write_text(text)
            result = run(root)
            lines = result.stdout.splitlines()
            got = [line.split(": ")[0] + ": " + line.split("include ")[1] for line in lines]
            wanted_status = 1 if expected else 0
            if result.returncode != wanted_status or got != expected:
                print(f"FAIL {what}: status {result.returncode}, output {lines!r}, expected {expected!r}")
                failures += 1
            else:
                print(f"ok   {what}")
    with tempfile.TemporaryDirectory() as temp:
        if run(pathlib.Path(temp)).returncode != 2:
            print("FAIL a tree without the layer folders is not refused")
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
