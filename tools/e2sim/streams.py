"""The streaming port of the simulated receiver ("GET /<service reference>").

Like a receiver, the simulator has its services on air and sends a client
what is being broadcast from the moment it connects (broadcast.py): a client
joins in the middle of a group of pictures, gets the current PAT and PMT at
once and the stream at its live rate, and many clients of one service cost
no more than one.  Each broadcast's pipeline (pipelines.py) runs in a process
of its own (feeder.py).  Zapping (/web/zap) puts the service on air too.

Faults (stream=never/stall/stop, stream_rate) apply to each client on its
own, counted from its connection.
"""

import select
import socket
import threading
import time
import urllib.parse

try:
    from . import broadcast, feeder, pipelines, tsedit
except ImportError:  # run as a plain module next to the others
    import broadcast
    import feeder
    import pipelines
    import tsedit

# What the other modules and the tests use of the pipelines and the PMT rewrite.
gst = pipelines.gst
Feed = pipelines.Feed
is_hd = pipelines.is_hd
pipeline_description = pipelines.pipeline_description
PATTERNS = pipelines.PATTERNS
FPS = pipelines.FPS
crc32_mpeg = tsedit.crc32_mpeg
stream_descriptors = tsedit.stream_descriptors
rewrite_pmt_section = tsedit.rewrite_pmt_section
PmtRewriter = tsedit.PmtRewriter

NEVER_CLOSE_AFTER_S = 10.0
SEND_TIMEOUT_S = 30.0


# ---------------------------------------------------------------- server

def _find_service(dataset, ref):
    finder = getattr(dataset, 'find_service', None)
    if finder is not None:
        return finder(ref)
    for s in getattr(dataset, 'services', []):
        if s.ref.rstrip(':').upper() == ref.rstrip(':').upper():
            return s
    return None


def _read_request(conn, limit=8192, timeout_s=5.0):
    conn.settimeout(timeout_s)
    data = b''
    while b'\r\n\r\n' not in data and b'\n\n' not in data:
        chunk = conn.recv(1024)
        if not chunk:
            break
        data += chunk
        if len(data) > limit:
            return None
    line = data.split(b'\n', 1)[0].decode('latin-1').strip()
    parts = line.split()
    if len(parts) < 2:
        return None
    return parts[0].upper(), parts[1]


class _Pacer:
    """Sends at most `rate` bytes per second (the stream_rate fault: a slow
    link; what piles up meanwhile is dropped by the client's queue)."""

    def __init__(self):
        self._window_start = time.monotonic()
        self._sent = 0

    def send(self, conn, data, rate):
        if rate <= 0:
            conn.sendall(data)
            return
        for off in range(0, len(data), 1316):
            chunk = data[off:off + 1316]
            now = time.monotonic()
            if now - self._window_start >= 1.0:
                self._window_start, self._sent = now, 0
            if self._sent + len(chunk) > rate:
                time.sleep(max(0.0, self._window_start + 1.0 - now))
                self._window_start, self._sent = time.monotonic(), 0
            conn.sendall(chunk)
            self._sent += len(chunk)


class StreamServer:
    """The receiver's streaming port: a thread per client, a broadcast per
    service on air."""

    def __init__(self, host, port, dataset, state, linger_s=broadcast.LINGER_S,
                 max_feeds=broadcast.MAX_FEEDS):
        self.host = host
        self.port = port
        self.dataset = dataset
        self.state = state
        self._sock = None
        self._stop = threading.Event()
        self._clients = set()
        self._lock = threading.Lock()
        self._thread = None
        self._spare = None
        self.hub = broadcast.BroadcastHub(self._new_feed, linger_s=linger_s, max_feeds=max_feeds)

    def _new_feed(self, service):
        with self._lock:
            proc, self._spare = self._spare, feeder.spawn()
        return feeder.FeedProcess(service, proc)

    def put_on_air(self, service):
        """Starts a service's broadcast in the background (a zap)."""
        if not self._stop.is_set():
            threading.Thread(target=self.hub.warm, args=(service,), daemon=True,
                             name='e2sim-zap-feed').start()

    def start(self):
        gst()  # fails here, not at the first client, where GStreamer is missing
        with self._lock:
            self._spare = feeder.spawn()
        listen = getattr(self.state, 'add_zap_listener', None)
        if listen is not None:
            listen(self.put_on_air)
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind((self.host, self.port))
        s.listen(16)
        s.settimeout(0.5)
        self._sock = s
        self.port = s.getsockname()[1]
        self._thread = threading.Thread(target=self._accept_loop, daemon=True,
                                        name='e2sim-stream-accept')
        self._thread.start()
        return self

    def stop(self):
        self._stop.set()
        if self._thread is not None:
            self._thread.join(2.0)
        if self._sock is not None:
            self._sock.close()
        with self._lock:
            clients = list(self._clients)
        for conn, thread in clients:
            try:
                conn.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        for conn, thread in clients:
            thread.join(5.0)
        self.hub.stop()
        with self._lock:
            spare, self._spare = self._spare, None
        if spare is not None:
            feeder.FeedProcess(None, spare).close()

    def _accept_loop(self):
        while not self._stop.is_set():
            try:
                conn, _addr = self._sock.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            t = threading.Thread(target=self._serve_client, args=(conn,), daemon=True,
                                 name='e2sim-stream-client')
            entry = (conn, t)
            with self._lock:
                self._clients.add(entry)
            t.start()

    def _serve_client(self, conn):
        me = None
        with self._lock:
            for entry in self._clients:
                if entry[0] is conn:
                    me = entry
        try:
            self._handle(conn)
        except (OSError, ValueError):
            pass  # a client that goes away mid-way is normal
        finally:
            try:
                conn.close()
            except OSError:
                pass
            with self._lock:
                self._clients.discard(me)

    @staticmethod
    def _answer(conn, status, text):
        body = (text + '\n').encode()
        conn.sendall(('HTTP/1.0 %s\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n'
                      'Connection: close\r\n\r\n' % (status, len(body))).encode() + body)

    def _handle(self, conn):
        req = _read_request(conn)
        if req is None:
            self._answer(conn, '400 Bad Request', 'bad request')
            return
        method, target = req
        if method not in ('GET', 'HEAD'):
            self._answer(conn, '405 Method Not Allowed', 'only GET')
            return
        ref = urllib.parse.unquote(target.split('?', 1)[0].lstrip('/'))
        service = _find_service(self.dataset, ref) if ref else None
        if service is None:
            self._answer(conn, '404 Not Found', 'unknown service')
            return
        mode, after, _rate = self._fault()
        self.state.stream_started(service.ref)
        try:
            if mode == 'never':
                self._wait_for_close(conn, NEVER_CLOSE_AFTER_S)
                return
            conn.sendall(b'HTTP/1.0 200 OK\r\nConnection: Close\r\n'
                         b'Content-Type: video/mpeg\r\nServer: streamserver\r\n\r\n')
            if method == 'HEAD':
                return
            self._stream(conn, service, mode, after)
        finally:
            self.state.stream_ended(service.ref)

    def _fault(self):
        getter = getattr(self.state, 'stream_fault', None)
        if getter is not None:
            return getter()
        faults = getattr(self.state, 'faults', {}) or {}
        s = faults.get('stream') or {}
        return s.get('mode'), s.get('after', 0), faults.get('stream_rate')

    def _rate(self):
        try:
            rate = self._fault()[2]
            return int(rate) if rate else 0
        except (TypeError, ValueError):
            return 0

    def _wait_for_close(self, conn, seconds):
        """Keeps a connection open without data until the client closes it,
        the server stops or `seconds` pass (None: no limit)."""
        end = None if seconds is None else time.monotonic() + seconds
        while not self._stop.is_set():
            left = 0.5 if end is None else min(0.5, end - time.monotonic())
            if left <= 0:
                return
            r, _w, _x = select.select([conn], [], [], left)
            if r:
                try:
                    if not conn.recv(4096):
                        return
                except OSError:
                    return

    def _stream(self, conn, service, mode, after):
        try:
            after = max(0.0, float(after or 0))
        except (TypeError, ValueError):
            after = 0.0
        conn.settimeout(SEND_TIMEOUT_S)
        try:
            on_air = self.hub.acquire(service)
        except RuntimeError:
            return
        queue = on_air.subscribe()
        pacer = _Pacer()
        started = time.monotonic()
        try:
            while not self._stop.is_set():
                if mode in ('stop', 'stall') and time.monotonic() - started >= after:
                    break
                data = queue.get(0.5)
                if data is None:
                    return
                if data:
                    pacer.send(conn, data, self._rate())
        finally:
            on_air.unsubscribe(queue)
            self.hub.release(on_air)
        if mode == 'stall' and not self._stop.is_set():
            self._wait_for_close(conn, None)
