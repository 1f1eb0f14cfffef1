"""The receiver's web server: "/web/<command>", "/file", "/grab" behind
basic authentication, and the unauthenticated "/sim/..." control paths."""

import base64
import json
import os
import re
import socket
import ssl
import subprocess
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import commands
from commands import Query
from xmlout import DECLARATION

CHUNK = 64 * 1024
# The "endless" and "hang" faults still end some time: a client that never lets go
# must not keep a simulator thread busy for ever.
ENDLESS_BYTES = 4 << 30
HANG_SECONDS = 600


def error_page(status, text):
    return ("<html><head><title>Error %d</title></head><body><h1>Error %d</h1>"
            "<p>%s</p></body></html>" % (status, status, text)).encode("utf-8")


def ensure_certificate(cache_dir):
    """A self-signed certificate for HTTPS, made once with openssl."""
    cert = os.path.join(cache_dir, "e2sim-cert.pem")
    key = os.path.join(cache_dir, "e2sim-key.pem")
    if os.path.exists(cert) and os.path.exists(key):
        return cert, key
    tmp = ".%d.tmp" % os.getpid()
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650",
                    "-subj", "/CN=localhost", "-keyout", key + tmp, "-out", cert + tmp],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.replace(key + tmp, key)
    os.replace(cert + tmp, cert)
    return cert, key


def parse_range(header, size):
    """(start, end) inclusive for a "bytes=" range; None for the whole file;
    'bad' when it cannot be satisfied."""
    if not header:
        return None
    m = re.fullmatch(r"\s*bytes\s*=\s*(\d*)\s*-\s*(\d*)\s*", header)
    if not m or (not m.group(1) and not m.group(2)):
        return None  # unknown forms (several ranges...) get the whole file
    if m.group(1):
        start = int(m.group(1))
        end = int(m.group(2)) if m.group(2) else size - 1
    else:
        n = int(m.group(2))
        if n == 0:
            return "bad"
        start, end = max(0, size - n), size - 1
    end = min(end, size - 1)
    if start >= size or start > end:
        return "bad"
    return start, end


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TwistedWeb/16.3.0"
    sys_version = ""

    def log_message(self, fmt, *args):
        pass  # the request log lives in /sim/state

    # -- helpers -------------------------------------------------------------------

    @property
    def sim(self):
        return self.server.sim

    def send_body(self, status, body, ctype="text/xml; charset=UTF-8", extra=None):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for k, v in (extra or {}).items():
            self.send_header(k, v)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def authorized(self):
        h = self.headers.get("Authorization", "")
        if not h.startswith("Basic "):
            return False
        try:
            given = base64.b64decode(h[6:].strip(), validate=True).decode("utf-8", "replace")
        except (ValueError, base64.binascii.Error):
            return False
        return given == "%s:%s" % (self.sim.user, self.sim.password)

    def deny(self):
        self.send_body(401, error_page(401, "Unauthorized"), "text/html",
                       {"WWW-Authenticate": 'Basic realm="OpenWebif"'})

    # -- dispatch ------------------------------------------------------------------

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        try:
            self._dispatch()
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True
        except Exception as exc:  # a bad request must never take the server down
            print("e2sim: error on %r: %r" % (self.path, exc), file=sys.stderr)
            try:
                self.send_body(500, error_page(500, "Internal error"), "text/html")
            except OSError:
                pass

    def _dispatch(self):
        path, _, query = self.path.partition("?")
        if path.startswith("/sim/"):
            return self._control(path[5:], query)
        self.sim.state.log_request(self.path)
        if path.startswith("/web/"):
            if not self.authorized():
                return self.deny()
            return self._web(path[5:].strip("/"), query)
        if path == "/file":
            if not self.authorized():
                return self.deny()
            return self._file(Query(query))
        if path == "/grab":
            if not self.authorized():
                return self.deny()
            return self._grab(Query(query))
        self.send_body(404, error_page(404, "No such resource"), "text/html")

    def _web(self, cmd, query):
        fn = commands.COMMANDS.get(cmd)
        fault = self.sim.state.command_fault(cmd)
        if fault.get("hang"):
            return self._hang()
        if fault.get("delay_ms"):
            time.sleep(fault["delay_ms"] / 1000.0)
        if fault.get("status"):
            return self.send_body(fault["status"], error_page(fault["status"], "Injected fault"),
                                  "text/html")
        if fn is None:
            return self.send_body(404, error_page(404, "No such resource"), "text/html")
        if fault.get("empty"):
            return self.send_body(200, b"")
        if fault.get("random"):
            return self.send_body(200, os.urandom(CHUNK))
        if fault.get("endless"):
            return self._endless()
        body = fn(self.sim, Query(query))
        if fault.get("wrongroot"):
            body = _rename_root(body, "e2wrongroot")
        if fault.get("malformed"):
            body = body[: max(len(DECLARATION) + 10, len(body) // 2)]
        if "truncate" in fault:
            body = body[: fault["truncate"] or len(body) // 2]
        self.send_body(200, body)

    def _hang(self):
        """Reads nothing more, answers nothing and keeps the connection open until
        the client gives up."""
        self.close_connection = True
        conn = self.connection
        conn.settimeout(0.5)
        deadline = time.monotonic() + HANG_SECONDS
        while time.monotonic() < deadline:
            try:
                if not conn.recv(4096):
                    return
            except socket.timeout:
                continue
            except OSError:
                return

    def _endless(self):
        """A service list without Content-Length whose bouquets never stop coming."""
        self.close_connection = True
        self.send_response(200)
        self.send_header("Content-Type", "text/xml; charset=UTF-8")
        self.send_header("Connection", "close")
        self.end_headers()
        bouquet = ("<e2bouquet><e2servicereference>1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"endless.tv\""
                   "</e2servicereference><e2servicename>Endlos</e2servicename></e2bouquet>").encode()
        chunk = bouquet * (CHUNK // len(bouquet) + 1)
        self.wfile.write(DECLARATION.encode() + b"<e2servicelistrecursive>")
        for _ in range(ENDLESS_BYTES // len(chunk)):
            self.wfile.write(chunk)

    def _file(self, q):
        files = self.sim.files
        rpath = q.get("file", "")
        local = files.local(rpath) if rpath else None
        if not local or not os.path.isfile(local):
            return self.send_body(404, error_page(404, "File not found"), "text/html")
        size = os.path.getsize(local)
        rng = parse_range(self.headers.get("Range"), size)
        if rng == "bad":
            return self.send_body(416, b"", "text/plain", {"Content-Range": "bytes */%d" % size})
        ctype = "text/plain; charset=UTF-8" if local.endswith(".meta") else "video/mp2t"
        start, end = rng if rng else (0, size - 1)
        length = end - start + 1 if size else 0
        self.send_response(206 if rng else 200)
        self.send_header("Content-Type", ctype)
        self.send_header("Accept-Ranges", "bytes")
        self.send_header("Content-Length", str(length))
        if rng:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
        self.end_headers()
        if self.command == "HEAD":
            return
        with open(local, "rb") as f:
            f.seek(start)
            left = length
            while left > 0:
                chunk = f.read(min(CHUNK, left))
                if not chunk:
                    break
                self.wfile.write(chunk)
                left -= len(chunk)

    def _grab(self, q):
        fmt = "png" if (q.get("format") or "").lower() == "png" else "jpg"
        width = q.int("r", 0) or None
        try:
            import media
            ctype, data = media.grab_image(self.sim.dataset, self.sim.state, fmt=fmt, width=width)
        except Exception as exc:
            print("e2sim: grab uses a placeholder (%s)" % exc, file=sys.stderr)
            ctype, data = "image/png", placeholder_png()
        self.send_body(200, data, ctype)

    # -- control interface ---------------------------------------------------------

    def _control(self, what, query):
        if self.client_address[0] not in ("127.0.0.1", "::1"):
            return self.send_body(403, error_page(403, "Forbidden"), "text/html")
        q = Query(query)
        st = self.sim.state
        if what == "state":
            return self._json(st.snapshot())
        if what == "dataset":
            return self._json(dataset_json(self.sim.dataset))
        if what == "set":
            with st.lock:
                if q.get("standby") is not None:
                    st.standby = q.get("standby") not in ("0", "false", "False")
                ref = q.get("current")
                if ref is not None:
                    s = self.sim.dataset.find_service(ref)
                    if s is None:
                        return self._json({"error": "unknown service"}, 400)
                    st.current = s.ref
            return self._json(st.snapshot())
        if what == "fault":
            err = st.set_faults({k: q.get(k) for k in q.params})
            if err:
                return self._json({"error": err}, 400)
            with st.lock:
                return self._json(json.loads(json.dumps(st.faults)))
        if what == "reset":
            full = q.get("state") in ("1", "true", "True")
            st.reset(state=full)
            if full:
                self.sim.files.restore_all()
            return self._json({"ok": True})
        self.send_body(404, error_page(404, "No such resource"), "text/html")

    def _json(self, obj, status=200):
        self.send_body(status, json.dumps(obj, ensure_ascii=False).encode("utf-8"),
                       "application/json; charset=UTF-8")


def _rename_root(body, new):
    text = body.decode("utf-8")
    m = re.search(r"<(e2[a-z]+)>", text)
    if not m:
        return body
    old = m.group(1)
    text = text.replace("<%s>" % old, "<%s>" % new, 1)
    i = text.rfind("</%s>" % old)
    if i >= 0:
        text = text[:i] + "</%s>" % new + text[i + len(old) + 3:]
    return text.encode("utf-8")


def dataset_json(d):
    def blist(bs):
        return [{"name": b.name, "ref": b.ref,
                 "services": [{"name": e.name, "ref": e.ref,
                               "marker": e.ref.startswith("1:64:")} for e in b.entries]}
                for b in bs]
    return {
        "tv_bouquets": blist(d.tv_bouquets),
        "radio_bouquets": blist(d.radio_bouquets),
        "tv_providers": blist(d.tv_providers),
        "radio_providers": blist(d.radio_providers),
        "locations": list(d.locations),
        "recordings": [{"path": r.path, "ref": r.ref, "title": r.title, "tags": r.tags,
                        "begin": r.begin, "service_ref": r.service_ref} for r in d.recordings],
        "subservices": {s.ref: list(s.subservices) for s in d.tv_services if s.subservices},
        "services_total": len(d.services),
    }


def placeholder_png():
    import struct
    import zlib

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    w, h = 64, 36
    raw = b"".join(b"\x00" + b"".join(bytes([(x * 4) & 0xFF, (y * 7) & 0xFF, 0x80])
                                      for x in range(w)) for y in range(h))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


class _Server(ThreadingHTTPServer):
    daemon_threads = True
    tls = None

    def finish_request(self, request, client_address):
        # The TLS handshake runs in the connection's own thread, so a client
        # that stalls in it cannot block the others.
        if self.tls is not None:
            request.settimeout(30)
            try:
                request = self.tls.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return
            request.settimeout(None)
            try:
                super().finish_request(request, client_address)
            finally:
                request.close()
            return
        super().finish_request(request, client_address)


class WebServer:
    def __init__(self, sim, host, port, https=False, cache_dir=None):
        self.httpd = _Server((host, port), Handler)
        self.httpd.sim = sim
        if https:
            cert, key = ensure_certificate(cache_dir)
            ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            ctx.load_cert_chain(cert, key)
            self.httpd.tls = ctx
        self.port = self.httpd.server_address[1]
        self.thread = None

    def start(self):
        self.thread = threading.Thread(target=self.httpd.serve_forever, name="webif", daemon=True)
        self.thread.start()

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()
