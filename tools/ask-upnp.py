#!/usr/bin/env python3
"""Asks hosts of the virtual LAN for their UPnP device descriptions, as Vantrel does: one SSDP
search to the group 239.255.255.250:1900 and one unicast search to each host's port 1900, each
from an ephemeral port of its own, then an HTTP/1.0 GET of the LOCATION a host answered with.
Run it inside the LAN's scanner namespace only.

Prints one line per address, fields separated by tabs:
    ADDR  SEARCHES  FRIENDLY_NAME  MANUFACTURER  MODEL_NAME
SEARCHES says which searches brought any datagram back from the address (group+unicast, group,
unicast or -); a field that did not come is "-". The fetch is made only for a 200 answer whose
LOCATION is http:// on the answering address itself, and not at all for the addresses given to
--no-get (hostile hosts).

With --report, describes every answer and fetch instead (what came, after how long), over
--tries rounds, with the medians; --naive then also fetches a LOCATION on another address of
--lan (never outside it), to show what a careless client would be given.

    ask-upnp.py [--wait S] [--get-timeout S] [--no-get ADDR,...] ADDR...
    ask-upnp.py --report [--tries N] [--naive --lan CIDR] [--cap BYTES] ADDR...
"""
import argparse
import ipaddress
import re
import select
import socket
import statistics
import struct
import time
import urllib.parse

GROUP = ("239.255.255.250", 1900)
SO_TIMESTAMPNS = getattr(socket, "SO_TIMESTAMPNS", 35)  # Linux's value; Python does not name it


def search(host):
    return (
        "M-SEARCH * HTTP/1.1\r\n"
        f"HOST: {host}:1900\r\n"
        'MAN: "ssdp:discover"\r\n'
        "MX: 1\r\n"
        "ST: upnp:rootdevice\r\n"
        "USER-AGENT: Linux/6 UPnP/1.1 ask-upnp/1.0\r\n"
        "\r\n"
    ).encode()


def own_address(towards):
    probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        probe.connect((towards, 1900))
        return probe.getsockname()[0]
    finally:
        probe.close()


def parse_answer(data):
    """(status code or None, LOCATION or None) of an SSDP answer."""
    lines = re.split(rb"\r?\n", data)
    match = re.match(rb"HTTP/1\.[01] (\d{3})( |$)", lines[0])
    status = int(match.group(1)) if match else None
    location = None
    for line in lines[1:]:
        name, colon, value = line.partition(b":")
        if colon and name.strip().lower() == b"location":
            location = value.strip().decode("latin-1")
            break
    return status, location


def timestamped(sock):
    """The kernel stamps each datagram with its arrival (wall clock), so a delay measured does not
    include how long this process took to look."""
    sock.setsockopt(socket.SOL_SOCKET, SO_TIMESTAMPNS, 1)
    return sock


def receive(sock):
    """(data, source, arrival in seconds of the wall clock)."""
    data, ancillary, _, source = sock.recvmsg(65536, socket.CMSG_SPACE(16))
    arrival = time.time()
    for level, kind, value in ancillary:
        if level == socket.SOL_SOCKET and kind == SO_TIMESTAMPNS and len(value) >= 16:
            seconds, nanoseconds = struct.unpack("qq", value[:16])
            arrival = seconds + nanoseconds / 1e9
    return data, source, arrival


def ask(addresses, wait, kinds=("group", "unicast")):
    """Sends the searches; returns {addr: {"group"/"unicast": (delay_s, data)}}."""
    local = own_address(addresses[0])
    answers = {address: {} for address in addresses}
    group = timestamped(socket.socket(socket.AF_INET, socket.SOCK_DGRAM))
    group.bind((local, 0))
    group.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(local))
    group.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, 2)
    sockets = {group: ("group", None)}
    sent = {}
    sent[group] = time.time()
    if "group" in kinds:
        group.sendto(search(GROUP[0]), GROUP)
    for address in addresses if "unicast" in kinds else []:
        sock = timestamped(socket.socket(socket.AF_INET, socket.SOCK_DGRAM))
        sock.bind((local, 0))
        sockets[sock] = ("unicast", address)
        sent[sock] = time.time()
        sock.sendto(search(address), (address, 1900))
    deadline = time.monotonic() + wait
    try:
        while time.monotonic() < deadline:
            ready, _, _ = select.select(list(sockets), [], [], max(0.0, deadline - time.monotonic()))
            for sock in ready:
                try:
                    data, source, arrival = receive(sock)
                except OSError:
                    continue
                kind, asked = sockets[sock]
                if source[0] not in answers or (asked is not None and source[0] != asked):
                    continue
                answers[source[0]].setdefault(kind, (arrival - sent[sock], data))
    finally:
        for sock in sockets:
            sock.close()
    return answers


def fetch(url, timeout, cap):
    """GETs url with one deadline for everything; returns a dict describing what happened."""
    result = {"outcome": "ok", "connect": None, "first": None, "total": None, "bytes": 0, "status": None, "body": b""}
    parts = urllib.parse.urlsplit(url)
    host, port = parts.hostname, parts.port or 80
    path = (parts.path or "/") + ("?" + parts.query if parts.query else "")
    start = time.monotonic()
    deadline = start + timeout
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setblocking(False)
    data = b""
    try:
        try:
            sock.connect((host, port))
        except BlockingIOError:
            pass
        _, writable, _ = select.select([], [sock], [], max(0.0, deadline - time.monotonic()))
        if not writable:
            result["outcome"] = "connect timeout"
            return result
        error = sock.getsockopt(socket.SOL_SOCKET, socket.SO_ERROR)
        if error:
            result["outcome"] = "refused" if error == 111 else f"connect error {error}"
            return result
        result["connect"] = time.monotonic() - start
        request = f"GET {path} HTTP/1.0\r\nHost: {parts.netloc}\r\nConnection: close\r\n\r\n".encode()
        sock.send(request)
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                result["outcome"] = "timeout"
                break
            ready, _, _ = select.select([sock], [], [], left)
            if not ready:
                result["outcome"] = "timeout"
                break
            try:
                chunk = sock.recv(65536)
            except ConnectionResetError:
                result["outcome"] = "reset"
                break
            if not chunk:
                break
            if result["first"] is None:
                result["first"] = time.monotonic() - start
            data += chunk
            if len(data) > cap + 16384:
                result["outcome"] = "over cap"
                break
    except OSError as error:
        result["outcome"] = f"error {error}"
    finally:
        sock.close()
        result["total"] = time.monotonic() - start
        result["bytes"] = len(data)
    head, separator, body = data.partition(b"\r\n\r\n")
    match = re.match(rb"HTTP/1\.[01] (\d{3})", head)
    if separator and match:
        result["status"] = int(match.group(1))
        result["body"] = body[:cap]
        moved = re.search(rb"(?im)^location:[ \t]*(\S+)", head)
        result["moved"] = moved.group(1).decode("latin-1") if moved else None
    else:
        result["body"] = data[:cap]
        result["status"] = "not HTTP" if data else None
    return result


def field(body, tag):
    """The text of the first <tag> in body (the root device's own come before any embedded
    device's in the LAN's daemons), raw bytes; None when absent."""
    match = re.search(rb"<" + tag + rb">(.*?)</" + tag + rb">", body, re.S)
    return match.group(1) if match else None


def location_target(location, answered, lan, naive):
    """The URL to fetch for an answer's LOCATION, or None with the reason."""
    if not location:
        return None, "no LOCATION"
    parts = urllib.parse.urlsplit(location)
    if parts.scheme != "http" or not parts.hostname:
        return None, f"not http: {location!r}"
    try:
        address = ipaddress.ip_address(parts.hostname)
    except ValueError:
        address = None
    if address is not None and str(address) == answered:
        return location, None
    if not naive:
        return None, f"elsewhere: {location!r}"
    try:
        resolved = ipaddress.ip_address(socket.gethostbyname(parts.hostname))
    except OSError:
        return None, f"unresolved: {location!r}"
    if lan is None or resolved not in lan:
        return None, f"outside the LAN: {location!r}"
    return location, None


def show(value):
    if value is None:
        return "-"
    text = repr(value)[2:-1]  # bytes repr without b'...'
    return text if len(text) <= 80 else f"{text[:60]}...({len(value)} bytes)"


def health(args):
    answers = ask(args.addresses, args.wait)
    skip = set(filter(None, args.no_get.split(",")))
    for address in args.addresses:
        got = answers[address]
        kinds = "+".join(kind for kind in ("group", "unicast") if kind in got) or "-"
        values = ["-", "-", "-"]
        if address not in skip:
            for kind in ("group", "unicast"):
                if kind not in got:
                    continue
                status, location = parse_answer(got[kind][1])
                url, _ = location_target(location, address, None, False)
                if status == 200 and url:
                    result = fetch(url, args.get_timeout, args.cap)
                    if result["outcome"] == "ok" and result["status"] == 200:
                        values = [(field(result["body"], tag) or b"-").decode("utf-8", "replace").strip()
                                  for tag in (b"friendlyName", b"manufacturer", b"modelName")]
                break
        print("\t".join([address, kinds] + values))


def report(args):
    lan = ipaddress.ip_network(args.lan, strict=False) if args.lan else None
    times = {address: {"group": [], "unicast": [], "get": []} for address in args.addresses}
    for attempt in range(args.tries):
        answers = ask(args.addresses, args.wait, args.searches.split(","))
        for address in args.addresses:
            got = answers[address]
            for kind in ("group", "unicast"):
                if kind in got:
                    times[address][kind].append(got[kind][0])
            if attempt and not args.verbose:
                continue
            print(f"{address} (try {attempt + 1})")
            for kind in ("group", "unicast"):
                if kind not in got:
                    print(f"  {kind} search: no answer in {args.wait:.1f} s")
                    continue
                delay, data = got[kind]
                status, location = parse_answer(data)
                first = show(data.split(b"\n", 1)[0])
                print(f"  {kind} search: answer after {delay * 1000:.1f} ms, {len(data)} bytes, status {status}, "
                      f"LOCATION {location!r}; first line {first}")
        for address in args.addresses:
            got = answers[address]
            kind = "group" if "group" in got else "unicast" if "unicast" in got else None
            if kind is None:
                continue
            status, location = parse_answer(got[kind][1])
            url, why = location_target(location, address, lan, args.naive)
            if status != 200 or not url:
                if attempt == 0 or args.verbose:
                    print(f"{address}: no fetch ({'status ' + str(status) if status != 200 else why})")
                continue
            result = fetch(url, args.get_timeout, args.cap)
            if result["outcome"] == "ok":
                times[address]["get"].append(result["total"])
            if attempt and not args.verbose:
                continue
            def ms(value):
                return "-" if value is None else f"{value * 1000:.1f} ms"
            print(f"{address}: GET {url}: {result['outcome']}, status {result['status']}, connect {ms(result['connect'])}, "
                  f"first byte {ms(result['first'])}, all {ms(result['total'])}, {result['bytes']} bytes"
                  + (f", Location {result['moved']!r}" if result.get("moved") else ""))
            body = result["body"]
            print(f"  friendlyName {show(field(body, b'friendlyName'))}; manufacturer {show(field(body, b'manufacturer'))}; "
                  f"modelName {show(field(body, b'modelName'))}; DOCTYPE {'yes' if b'<!DOCTYPE' in body else 'no'}")
        time.sleep(args.pause)
    print(f"medians over {args.tries} tries (min..max), in ms:")
    for address in args.addresses:
        parts = []
        for kind in ("group", "unicast", "get"):
            values = times[address][kind]
            if values:
                parts.append(f"{kind} {statistics.median(values) * 1000:.1f} ({min(values) * 1000:.1f}..{max(values) * 1000:.1f}, {len(values)} of {args.tries})")
            else:
                parts.append(f"{kind} none")
        print(f"  {address}: " + "; ".join(parts))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--wait", type=float, default=1.2, help="how long answers are collected (s)")
    parser.add_argument("--get-timeout", type=float, default=5.0, help="one deadline for a whole GET (s)")
    parser.add_argument("--cap", type=int, default=65536, help="bytes of body kept")
    parser.add_argument("--no-get", default="", help="addresses never fetched from, comma separated")
    parser.add_argument("--report", action="store_true")
    parser.add_argument("--tries", type=int, default=1)
    parser.add_argument("--searches", default="group,unicast", help="which searches --report sends")
    parser.add_argument("--pause", type=float, default=0.3, help="between tries (s)")
    parser.add_argument("--verbose", action="store_true", help="describe every try, not the first only")
    parser.add_argument("--naive", action="store_true", help="also fetch a LOCATION elsewhere within --lan")
    parser.add_argument("--lan")
    parser.add_argument("addresses", nargs="+")
    args = parser.parse_args()
    (report if args.report else health)(args)


if __name__ == "__main__":
    main()
