#!/usr/bin/env python3
"""Asks hosts of the virtual LAN for their own names, as Vantrel does: a NetBIOS node-status
request to port 137 and a multicast-DNS PTR query to port 5353, from ephemeral ports. Prints
one line per address: "ADDR NETBIOS MDNS", "-" for a name that did not come. Run it inside
the LAN's scanner namespace; only for the LAN's own responders (it trusts their answers).

    ask-names.py [--wait SECONDS] ADDR...
"""
import argparse
import select
import socket
import struct
import time

WILDCARD = b"\x20" + b"CK" + b"A" * 30 + b"\x00"


def node_status_request(ident):
    return struct.pack(">HHHHHH", ident, 0, 1, 0, 0, 0) + WILDCARD + struct.pack(">HH", 0x21, 1)


def reverse_query(ident, address):
    labels = address.split(".")[::-1] + ["in-addr", "arpa"]
    name = b"".join(bytes([len(label)]) + label.encode() for label in labels) + b"\x00"
    return struct.pack(">HHHHHH", ident, 0, 1, 0, 0, 0) + name + struct.pack(">HH", 12, 1)


def read_name(packet, offset):
    """The name at offset (pointers followed) and the offset after it."""
    labels, end, hops = [], None, 0
    while True:
        length = packet[offset]
        if length & 0xC0 == 0xC0:
            if end is None:
                end = offset + 2
            offset = (length & 0x3F) << 8 | packet[offset + 1]
            hops += 1
            if hops > 16:
                raise ValueError("pointer loop")
            continue
        if length == 0:
            return ".".join(labels), end if end is not None else offset + 1
        labels.append(packet[offset + 1 : offset + 1 + length].decode("utf-8", "replace"))
        offset += 1 + length


def netbios_name(packet, ident):
    got, flags, _, answers = struct.unpack_from(">HHHH", packet)
    if got != ident or not flags & 0x8000 or answers == 0:
        return None
    _, offset = read_name(packet, 12)
    count = packet[offset + 10]
    entries = offset + 11
    for i in range(count):
        entry = packet[entries + 18 * i : entries + 18 * (i + 1)]
        if entry[15] == 0 and not entry[16] & 0x80:
            return entry[:15].decode("ascii", "replace").rstrip(" \x00")
    return None


def mdns_name(packet, ident):
    got, flags, questions, answers = struct.unpack_from(">HHHH", packet)
    if got != ident or not flags & 0x8000:
        return None
    offset = 12
    for _ in range(questions):
        _, offset = read_name(packet, offset)
        offset += 4
    for _ in range(answers):
        _, offset = read_name(packet, offset)
        kind, _, _, length = struct.unpack_from(">HHIH", packet, offset)
        offset += 10
        if kind == 12:
            return read_name(packet, offset)[0]
        offset += length
    return None


def ask(addresses, wait):
    sockets, names = {}, {address: {"netbios": None, "mdns": None} for address in addresses}
    for number, address in enumerate(addresses):
        for kind, port, packet in (("netbios", 137, node_status_request(number + 1)),
                                   ("mdns", 5353, reverse_query(number + 1, address))):
            sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            sock.sendto(packet, (address, port))
            sockets[sock] = (kind, address, number + 1)
    deadline = time.monotonic() + wait
    while sockets and time.monotonic() < deadline:
        ready, _, _ = select.select(list(sockets), [], [], max(0.0, deadline - time.monotonic()))
        for sock in ready:
            kind, address, ident = sockets[sock]
            try:
                packet, source = sock.recvfrom(4096)
            except OSError:
                continue
            if source[0] != address:
                continue
            try:
                name = (netbios_name if kind == "netbios" else mdns_name)(packet, ident)
            except (IndexError, ValueError, struct.error):
                name = None
            if name:
                names[address][kind] = name
                del sockets[sock]
                sock.close()
    for sock in sockets:
        sock.close()
    return names


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wait", type=float, default=1.0)
    parser.add_argument("addresses", nargs="+")
    args = parser.parse_args()
    for address, found in ask(args.addresses, args.wait).items():
        print(address, found["netbios"] or "-", found["mdns"] or "-")


if __name__ == "__main__":
    main()
