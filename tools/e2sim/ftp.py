"""The receiver's FTP server (pyftpdlib), run as a child process of e2sim.

Usage: ftp.py --root DIR --port N --user U --pass P
Prints "ftp ready <port>" on stdout once it listens, serves until SIGTERM.
Everything can be read; only ".meta" files (the recordings' tag files) can
be written, so a client can never damage a cached recording."""

import argparse
import os
import ctypes
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

WRITE_PERMS = set("adfmwMT")


class ReplacingHandler(FTPHandler):
    """Uploads go to a new file that then replaces the old one: the served
    files are hard links into the simulator's cache, which must not change."""

    def ftp_STOR(self, file, mode="w"):
        if mode.startswith("a") or self._restart_position:
            self.respond("550 Appending and resuming are not supported here.")
            return
        try:
            if os.path.lexists(file):
                os.unlink(file)
        except OSError as err:
            self.respond("550 %s." % err.strerror)
            return
        return super().ftp_STOR(file, mode)


class MetaOnlyAuthorizer(DummyAuthorizer):
    def has_perm(self, username, perm, path=None):
        if perm in WRITE_PERMS:
            if path is None or not path.endswith(".meta"):
                return False
        return super().has_perm(username, perm, path)


def die_with_parent():
    try:
        libc = ctypes.CDLL("libc.so.6", use_errno=True)
        libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except OSError:
        pass


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--user", default="root")
    ap.add_argument("--pass", dest="password", default="tunerpwd")
    a = ap.parse_args()
    die_with_parent()

    auth = MetaOnlyAuthorizer()
    auth.add_user(a.user, a.password, a.root, perm="elradfmwMT")
    handler = ReplacingHandler
    handler.authorizer = auth
    handler.banner = "ProFTPD Server (Dreambox)"
    handler.passive_ports = None
    handler.masquerade_address = None
    server = FTPServer(("127.0.0.1", a.port), handler)
    server.max_cons = 64

    def stop(signum, frame):
        server.close_all()
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    print("ftp ready %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
