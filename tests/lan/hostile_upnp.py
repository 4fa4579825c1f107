#!/usr/bin/env python3
"""A hostile UPnP device for a host namespace of the virtual LAN: answers every SSDP search (the
group's and unicast ones, UDP 1900) at once and serves its description over HTTP, both in the
way --mode says. One mode per process. A description a scanner must never take is called bait
below: its friendlyName says the mode ("... Body"), its manufacturer is "Bait Maker" and its
modelName "Bait-1".

  plain               a well-formed device: "Plain Device", "Example Devices", "PD-1" (a control)
  location-elsewhere  LOCATION is --target, another host's description (which is the bait)
  dns-name            LOCATION is --target, this host's own description by its DNS name
                      (http://NAME:PORT/desc.xml): "DNS Name Body", bait. (The real daemons
                      answer a Host header with a name 404, against DNS rebinding: this does not.)
  redirect            LOCATION on itself; the GET is a 302 to --target, with a description
                      "Redirect Body" (bait) as the body
  huge                a 1 MiB description: a comment of 1 MiB first, then "Huge Body" (bait)
  entities            a DOCTYPE with nested entities (a billion laughs in friendlyName) and an
                      external entity (file:///etc/hostname) in modelName; "Bait Maker"
  trickle             the whole answer to the GET, status line first, a byte every 200 ms (its
                      475 bytes take 95 s; "Trickle Body", bait)
  markup              friendlyName with ESC sequences, BEL, CR LF and escaped markup; manufacturer
                      with escaped markup only (<b>Bold</b> & "Quoted" 'Maker' as text); modelName
                      with a control character as a character reference (&#27;)
  latin1              friendlyName, manufacturer and modelName in Latin-1 bytes ("T\\xe9l\\xe9
                      du Salon", ...) in a document that says it is UTF-8
  not-http            the search's answers are not HTTP 200 (junk bytes, an SSDP NOTIFY and a
                      status line of another protocol, each with a LOCATION on itself), and the
                      GET's answer has no status line (a bare description, "Not HTTP Body", bait)
  not-http-get        a proper 200 to the search; the GET's answer is a bare description
                      without status line or headers ("Bare Body", bait)
  refuse              a proper 200 to the search, LOCATION on a port of its own where nothing
                      listens: the connection is refused
  long-name           friendlyName, manufacturer and modelName of thousands of characters

Run it only inside a host namespace of the virtual LAN (tools/virtual-lan.sh starts it for a
host given --upnp hostile:MODE); it refuses to start outside a namespace made by ip netns. It
serves until it is ended, or until --lifeline (a path) is gone.

    hostile_upnp.py --mode MODE --address ADDR [--port PORT] [--target URL] [--lifeline PATH]

It serves HTTP on PORT (49152); the refused port is PORT + 1.
"""
import argparse
import os
import select
import socket
import sys
import threading
import time

GROUP = "239.255.255.250"
MODES = (
    "plain", "location-elsewhere", "dns-name", "redirect", "huge", "entities", "trickle", "markup",
    "latin1", "not-http", "not-http-get", "refuse", "long-name",
)
UUID = "uuid:0bad0bad-5eed-4bad-8bad-0000000000"


def description(name, maker=b"Bait Maker", model=b"Bait-1", head=b"", between=b""):
    return (
        b'<?xml version="1.0" encoding="UTF-8"?>\r\n' + head +
        b'<root xmlns="urn:schemas-upnp-org:device-1-0">' + between +
        b"<specVersion><major>1</major><minor>0</minor></specVersion>"
        b"<device><deviceType>urn:schemas-upnp-org:device:Basic:1</deviceType>"
        b"<friendlyName>" + name + b"</friendlyName>"
        b"<manufacturer>" + maker + b"</manufacturer>"
        b"<modelName>" + model + b"</modelName>"
        b"<UDN>" + UUID.encode() + b"01</UDN>"
        b"</device></root>\r\n"
    )


ENTITIES = (
    b'<!DOCTYPE root [\r\n<!ENTITY lol "lol">\r\n'
    + b"".join(b'<!ENTITY lol%d "%s">\r\n' % (i, (b"&lol%d;" % (i - 1) if i > 1 else b"&lol;") * 10) for i in range(1, 10))
    + b'<!ENTITY host SYSTEM "file:///etc/hostname">\r\n]>\r\n'
)

BODIES = {
    "plain": description(b"Plain Device", b"Example Devices", b"PD-1"),
    "dns-name": description(b"DNS Name Body"),
    "redirect": description(b"Redirect Body"),
    "huge": description(b"Huge Body", between=b"<!--" + b"x" * (1024 * 1024) + b"-->"),
    "entities": description(b"&lol9;", model=b"&host;", head=ENTITIES),
    "trickle": description(b"Trickle Body"),
    "markup": description(
        b"\x1b[31mRed\x1b[0m \x07Bell &lt;script&gt;alert(1)&lt;/script&gt;\r\nSecond line",
        maker=b"&lt;b&gt;Bold&lt;/b&gt; &amp; &quot;Quoted&quot; 'Maker'",
        model=b"Model&#27;[2J"),
    "latin1": description(b"T\xe9l\xe9 du Salon", maker=b"Soci\xe9t\xe9 Exemple", model=b"Mod\xe8le \xb5-3"),
    "not-http": description(b"Not HTTP Body"),
    "not-http-get": description(b"Bare Body"),
    "long-name": description(b"Long " * 1000, maker=b"M" * 3000, model=b"N" * 3000),
}


def ssdp_header(location, status=b"HTTP/1.1 200 OK"):
    return (
        status + b"\r\n"
        b"CACHE-CONTROL: max-age=1800\r\n"
        b"EXT:\r\n"
        b"LOCATION: " + location.encode() + b"\r\n"
        b"SERVER: Linux/6.1 UPnP/1.0 Hostile/1.0\r\n"
        b"ST: upnp:rootdevice\r\n"
        b"USN: " + UUID.encode() + b"01::upnp:rootdevice\r\n"
        b"\r\n"
    )


def search_answers(mode, address, port, target):
    own = f"http://{address}:{port}/desc.xml"
    if mode in ("location-elsewhere", "dns-name"):
        return [ssdp_header(target)]  # dns-name: its own, by name
    if mode == "refuse":
        return [ssdp_header(f"http://{address}:{port + 1}/desc.xml")]
    if mode == "not-http":
        return [
            b"\x00\xff\xfe junk \x01\x02\x03 LOCATION: " + own.encode() + b"\r\n\r\n",
            ssdp_header(own, b"NOTIFY * HTTP/1.1"),
            ssdp_header(own, b"SSDP/1.0 200 OK"),
            ssdp_header(own, b"RTSP/1.0 200 OK"),
        ]
    return [ssdp_header(own)]


def http_answer(mode, target):
    body = BODIES.get(mode, b"")
    if mode in ("not-http", "not-http-get"):
        return body
    if mode == "redirect":
        head = b"HTTP/1.1 302 Found\r\nLocation: " + target.encode() + b"\r\n"
    else:
        head = b"HTTP/1.1 200 OK\r\n"
    return head + b"Content-Type: text/xml\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % len(body) + body


def serve_connection(conn, mode, target, alive):
    try:
        conn.settimeout(5)
        request = b""
        while b"\r\n\r\n" not in request and b"\n\n" not in request and len(request) < 8192:
            chunk = conn.recv(4096)
            if not chunk:
                return
            request += chunk
        answer = http_answer(mode, target)
        if mode == "trickle":
            for i in range(len(answer)):
                if not alive():
                    return
                conn.sendall(answer[i : i + 1])
                time.sleep(0.2)
        else:
            conn.settimeout(30)
            conn.sendall(answer)
            conn.shutdown(socket.SHUT_WR)
    except OSError:
        pass
    finally:
        conn.close()


def namespace_name():
    """The name (under /run/netns, as ip netns names them) of the network namespace this process
    is in; None for any other, such as the machine's own."""
    own = os.stat("/proc/self/ns/net").st_ino
    try:
        names = os.listdir("/run/netns")
    except OSError:
        return None
    for name in names:
        try:
            if os.stat(os.path.join("/run/netns", name)).st_ino == own:
                return name
        except OSError:
            continue
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--mode", choices=MODES, required=True)
    parser.add_argument("--address", required=True, help="this host's address on the LAN")
    parser.add_argument("--port", type=int, default=49152, help="the HTTP port; the refused one is the next")
    parser.add_argument("--target", default="", help="LOCATION or redirect for the modes that point elsewhere")
    parser.add_argument("--lifeline", help="end once this path is gone")
    args = parser.parse_args()
    if namespace_name() is None:
        sys.exit("hostile_upnp.py: refusing to run outside a named network namespace (ip netns exec)")
    if args.mode in ("location-elsewhere", "dns-name", "redirect") and not args.target:
        sys.exit(f"hostile_upnp.py: --mode {args.mode} needs --target")

    def alive():
        return args.lifeline is None or os.path.exists(args.lifeline)

    listener = None
    if args.mode not in ("location-elsewhere", "refuse"):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind((args.address, args.port))
        listener.listen(16)
    ssdp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    ssdp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    ssdp.bind(("0.0.0.0", 1900))
    ssdp.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, socket.inet_aton(GROUP) + socket.inet_aton(args.address))
    answers = search_answers(args.mode, args.address, args.port, args.target)
    # Bounded, so a flood of connections cannot pile up threads.
    slots = threading.BoundedSemaphore(32)

    def serve(conn):
        try:
            serve_connection(conn, args.mode, args.target, alive)
        finally:
            slots.release()

    print(f"hostile_upnp.py: {args.mode} on {args.address}", flush=True)
    waiting = [ssdp] + ([listener] if listener else [])
    while alive():
        ready, _, _ = select.select(waiting, [], [], 1.0)
        for sock in ready:
            if sock is listener:
                conn, _ = listener.accept()
                if slots.acquire(blocking=False):
                    threading.Thread(target=serve, args=(conn,), daemon=True).start()
                else:
                    conn.close()
                continue
            try:
                packet, sender = ssdp.recvfrom(65536)
            except OSError:
                continue
            if not packet.startswith(b"M-SEARCH") or b"ssdp:discover" not in packet:
                continue
            for answer in answers:
                try:
                    ssdp.sendto(answer, sender)
                except OSError:
                    pass


if __name__ == "__main__":
    main()
