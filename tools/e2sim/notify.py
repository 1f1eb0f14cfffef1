"""Sends a Growl network notification packet over UDP, as plug-ins on the
receiver do to announce messages.

Usage: notify.py --port N [--host 127.0.0.1] --title T --text X [--name N] [--app A]
(also reachable as "e2sim notify ...")."""

import argparse
import hashlib
import socket
import struct

PROTOCOL_VERSION = 1
TYPE_NOTIFICATION = 1


def packet(title, text, name="Nachricht", app="Enigma2", flags=0):
    """Version, type, flags, the four big-endian lengths, the four texts
    (UTF-8) and an MD5 checksum of everything before it."""
    parts = [s.encode("utf-8") for s in (name, title, text, app)]
    head = struct.pack(">BBHHHHH", PROTOCOL_VERSION, TYPE_NOTIFICATION, flags,
                       *[len(p) for p in parts])
    body = head + b"".join(parts)
    return body + hashlib.md5(body).digest()


def send(port, title, text, host="127.0.0.1", name="Nachricht", app="Enigma2"):
    data = packet(title, text, name, app)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.sendto(data, (host, port))
    return data


def main(argv=None):
    ap = argparse.ArgumentParser(prog="e2sim notify")
    ap.add_argument("--port", type=int, default=9887)
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--title", default="Enigma2")
    ap.add_argument("--text", required=True)
    ap.add_argument("--name", default="Nachricht")
    ap.add_argument("--app", default="Enigma2")
    a = ap.parse_args(argv)
    if a.host not in ("127.0.0.1", "localhost"):
        ap.error("notifications go to the loopback interface only")
    send(a.port, a.title, a.text, a.host, a.name, a.app)
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
