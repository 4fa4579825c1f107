#!/usr/bin/env python3
"""Checks a built program without running it: PE kind and machine, GUI subsystem 6.0,
imports from Windows' own DLLs only, and the version resource 8.0.0.0.

    check-program.py OBJDUMP PROGRAM x86|x64
"""
import struct
import subprocess
import sys

# DLLs every Windows since Vista ships; anything else would have to travel with the program.
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "iphlpapi.dll",
    "kernel32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "uxtheme.dll", "version.dll", "ws2_32.dll",
}
EXPECTED = {
    "x86": ("010b", "pei-i386"),
    "x64": ("020b", "pei-x86-64"),
}
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD
VERSION = (8, 0, 0, 0)


def header_fields(text):
    fields = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[0] in ("Magic", "Subsystem", "MajorSubsystemVersion",
                                            "MinorSubsystemVersion"):
            fields[parts[0]] = parts[1]
    return fields


def file_version(data):
    at = data.find(struct.pack("<I", FIXED_FILE_INFO_SIGNATURE))
    if at < 0:
        return None
    ms, ls = struct.unpack_from("<II", data, at + 8)
    return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def main():
    objdump, program, arch = sys.argv[1:4]
    magic, file_format = EXPECTED[arch]
    text = subprocess.run([objdump, "-p", program], check=True, capture_output=True,
                          text=True).stdout
    faults = []
    if f"file format {file_format}" not in text:
        faults.append(f"not {file_format}")
    fields = header_fields(text)
    if fields.get("Magic") != magic:
        faults.append(f"magic {fields.get('Magic')}, expected {magic}")
    if fields.get("Subsystem") != "00000002":
        faults.append(f"subsystem {fields.get('Subsystem')}, expected 2 (Windows GUI)")
    if (fields.get("MajorSubsystemVersion"), fields.get("MinorSubsystemVersion")) != ("6", "0"):
        faults.append("subsystem version is not 6.0")
    dlls = [line.split(":", 1)[1].strip() for line in text.splitlines()
            if line.strip().startswith("DLL Name:")]
    if not dlls:
        faults.append("no imports found")
    foreign = [dll for dll in dlls if dll.lower() not in SYSTEM_DLLS]
    if foreign:
        faults.append("imports DLLs Windows does not ship: " + ", ".join(foreign))
    with open(program, "rb") as f:
        version = file_version(f.read())
    if version != VERSION:
        faults.append(f"file version {version}, expected {VERSION}")
    found = next((line.split("file format", 1)[1].strip() for line in text.splitlines()
                  if "file format" in line), "unknown")
    print(f"{program}: {found}, imports {', '.join(dlls)}, version {version}")
    for fault in faults:
        print("FAULT: " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
