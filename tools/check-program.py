#!/usr/bin/env python3
"""Checks a built program without running it: PE kind and machine, GUI subsystem 6.0,
imports from Windows' own DLLs only, the version resource 8.0.0.0 naming the installed
ieee-data its MAC maker table was made from, and a manifest whose every
processorArchitecture matches the machine type.

    check-program.py OBJDUMP PROGRAM x86|x64
"""
import re
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
# The manifest's processorArchitecture for each PE machine type.
MACHINE_ARCH = {0x014C: "x86", 0x8664: "amd64"}
RT_MANIFEST = 24
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


def version_comments(data):
    """The Comments text of the version resource, or None."""
    key = "Comments\0".encode("utf-16-le")
    at = data.find(key)
    if at < 0:
        return None
    at += len(key)
    while data[at:at + 2] == b"\0\0":  # padding up to the value
        at += 2
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le")


def installed_version(package):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True)
    return result.stdout if result.returncode == 0 else None


def pe_resources(data):
    """The PE machine type and a reader of the resource section by RVA."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    machine, sections, _, _, _, optional_size = struct.unpack_from("<HHIIIH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size
    for index in range(sections):
        _, virtual_size, rva, raw_size, raw_at = struct.unpack_from("<8sIIII", data, table + 40 * index)
        if rva <= resource_rva < rva + max(virtual_size, raw_size):
            return machine, resource_rva, lambda at, size: data[raw_at + at - rva:raw_at + at - rva + size]
    return machine, None, None


def manifests(data):
    """Every RT_MANIFEST resource of the program, as text, and the PE machine type."""
    machine, root, read = pe_resources(data)
    if root is None:
        return machine, []

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", read(root + directory + 12, 4))
        for index in range(named + numbered):
            name, target = struct.unpack_from("<II", read(root + directory + 16 + 8 * index, 8))
            yield name, target

    found = []
    for type_id, names in entries(0):
        if type_id != RT_MANIFEST or not names & 0x80000000:
            continue
        for _, languages in entries(names & 0x7FFFFFFF):
            for _, leaf in entries(languages & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", read(root + leaf, 8))
                found.append(read(rva, size).decode("utf-8", "replace"))
    return machine, found


def manifest_arches(text):
    return re.findall(r'processorArchitecture\s*=\s*"([^"]*)"', text)


def manifest_faults(data):
    machine, texts = manifests(data)
    expected = MACHINE_ARCH.get(machine)
    if not texts:
        return ["no manifest"]
    faults = []
    for text in texts:
        arches = manifest_arches(text)
        if len(arches) < 2:
            faults.append(f"manifest names {len(arches)} processorArchitecture, expected the program's and the common controls'")
        wrong = [arch for arch in arches if arch.lower() != expected]
        if wrong:
            faults.append(f"manifest processorArchitecture {', '.join(wrong)} in a {expected} program")
    return faults


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
        data = f.read()
    version = file_version(data)
    faults += manifest_faults(data)
    if version != VERSION:
        faults.append(f"file version {version}, expected {VERSION}")
    comments = version_comments(data)
    makers = f"MAC address makers: ieee-data {installed_version('ieee-data')}"
    if comments != makers:
        faults.append(f"version comments {comments!r}, expected {makers!r} (rebuild after a refresh)")
    found = next((line.split("file format", 1)[1].strip() for line in text.splitlines()
                  if "file format" in line), "unknown")
    arches = sorted({arch for text in manifests(data)[1] for arch in manifest_arches(text)})
    print(f"{program}: {found}, imports {', '.join(dlls)}, version {version}, "
          f"manifest for {', '.join(arches) or 'nothing'}; {comments}")
    for fault in faults:
        print("FAULT: " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
