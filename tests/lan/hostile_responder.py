#!/usr/bin/env python3
"""A hostile host's name responders: answers every NetBIOS node-status request (UDP 137) and
every multicast-DNS query (UDP 5353) with a burst of malformed answers carrying the asker's own
id. The last answer of each multicast-DNS burst is well-formed, with markup in its name; no
NetBIOS answer names the host. Run it in a host namespace of a test LAN (tests/lan/hostile_names.sh);
it serves until it is ended.
"""
import select
import socket
import struct

NETBIOS_NAME = b"\x20CK" + b"A" * 30 + b"\x00"
MARKUP = b"<b>hostile</b>&\"'"


def header(ident, questions, answers):
    return struct.pack(">HHHHHH", ident, 0x8400, questions, answers, 0, 0)


def entry(name, suffix, flags):
    return name.ljust(15, b" ")[:15] + bytes([suffix]) + struct.pack(">H", flags)


def node_status(ident, entries, count=None, length=None):
    table = bytes([len(entries) if count is None else count]) + b"".join(entries) + bytes(46)
    size = len(table) if length is None else length
    return header(ident, 0, 1) + NETBIOS_NAME + struct.pack(">HHIH", 0x21, 1, 0, size) + table


def netbios_answers(ident):
    return [
        struct.pack(">HH", ident, 0x8400)[:3],  # a truncated header
        node_status(ident, [entry(b"EVIL", 0, 0x0400)], count=200),  # a count past the end
        node_status(ident, [entry(b"EVIL", 0, 0x0400)], length=0xFFFF),  # data past the end
        header(ident, 0, 1) + b"\xc0\x0c" + struct.pack(">HHIH", 0x21, 1, 0, 19) + b"\x01" + entry(b"LOOP", 0, 0x0400),
        node_status(ident, [entry(b"EV\x07IL\r\n", 0, 0x0400)]),  # control bytes
        node_status(ident, [entry(b"\x1b[31mRED", 0, 0x0400)]),  # a terminal escape
        node_status(ident, []),  # zero names
        node_status(ident, [entry(b"WORKGROUP", 0, 0x8400)]),  # a group name only
    ]


def mdns_answers(ident, question):
    def answer(data, owner=b"\xc0\x0c"):
        return header(ident, 1, 1) + question + owner + struct.pack(">HHIH", 12, 0x8001, 10, len(data)) + data

    data_at = 12 + len(question) + 12
    return [
        struct.pack(">H", ident),  # a truncated header
        header(ident, 1, 40) + question,  # an answer count past the end
        answer(b"\xc0" + bytes([data_at])),  # a pointer to itself
        answer(b"\xc0" + bytes([data_at + 2]) + b"\x02pi\x00"),  # a forward pointer
        answer(b"\x3fevil\x00"),  # a label past the end
        answer(b"\x07evil\x07\x0d\x0a\x05local\x00"),  # control bytes
        answer((b"\x3f" + b"a" * 63) * 5 + b"\x00"),  # a name over 255 bytes
        answer(b"\x04evil\x05local\x00", owner=b"\x01x\x00"),  # about another name
        answer(bytes([len(MARKUP)]) + MARKUP + b"\x05local\x00"),  # markup: well-formed
    ]


def question_of(packet):
    """The query's question (name, type, class), or None."""
    offset = 12
    while offset < len(packet) and packet[offset] != 0:
        offset += 1 + packet[offset]
    return packet[12 : offset + 5] if offset + 5 <= len(packet) else None


def main():
    netbios = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    netbios.bind(("0.0.0.0", 137))
    mdns = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    mdns.bind(("0.0.0.0", 5353))
    print("listening", flush=True)
    while True:
        ready, _, _ = select.select([netbios, mdns], [], [])
        for sock in ready:
            packet, sender = sock.recvfrom(4096)
            if len(packet) < 12:
                continue
            ident = struct.unpack_from(">H", packet)[0]
            if sock is netbios:
                answers = netbios_answers(ident)
            else:
                question = question_of(packet)
                answers = mdns_answers(ident, question) if question else []
            for answer in answers:
                sock.sendto(answer, sender)


if __name__ == "__main__":
    main()
