"""Running services of the simulated receiver, shared by their clients.

A receiver does not start an encoder for each client: the service is on air,
and a client that connects is sent what is being broadcast from that moment
on, in the middle of a group of pictures.  A Broadcast is one service's
running feed; every client gets the latest PAT and PMT first and then the
packets as they come, through a bounded queue of its own (a client that
cannot keep up loses the oldest packets, it never makes the simulator grow).

The BroadcastHub starts a broadcast when a service is zapped to or first
asked for, keeps it running while clients read it and for LINGER_S after the
last one leaves, and keeps at most MAX_FEEDS feeds: an idle one is stopped,
least recently used first, before another starts.  A feed that clients read
is never stopped for another one.
"""

import threading
import time
from collections import deque

try:
    from . import tsedit
except ImportError:
    import tsedit

LINGER_S = 20.0
MAX_FEEDS = 3  # an SD feed costs about 0.3 of a core (mpeg2enc)
CLIENT_QUEUE_BYTES = 512 * 1024
JANITOR_PERIOD_S = 0.5


class ClientQueue:
    """Chunks of whole TS packets for one client, at most `max_bytes`."""

    def __init__(self, max_bytes=CLIENT_QUEUE_BYTES):
        self.max_bytes = max_bytes
        self._chunks = deque()
        self._bytes = 0
        self._closed = False
        self._cond = threading.Condition()
        self.dropped = 0

    def put(self, chunk):
        with self._cond:
            if self._closed:
                return
            self._chunks.append(chunk)
            self._bytes += len(chunk)
            while self._bytes > self.max_bytes and len(self._chunks) > 1:
                self._bytes -= len(self._chunks.popleft())
                self.dropped += 1
            self._cond.notify()

    def get(self, timeout_s):
        """Everything queued; b'' when nothing came in time; None once
        closed and empty."""
        with self._cond:
            if not self._chunks and not self._closed:
                self._cond.wait(timeout_s)
            if self._chunks:
                data = b''.join(self._chunks)
                self._chunks.clear()
                self._bytes = 0
                return data
            return None if self._closed else b''

    def close(self):
        with self._cond:
            self._closed = True
            self._cond.notify_all()


class Broadcast:
    """One service on air: a feed read by one thread, fanned out to clients."""

    def __init__(self, service, feed):
        self.service = service
        self._feed = feed
        self._pmt_pid = feed.pmt_pid
        self._lock = threading.Lock()
        self._clients = set()
        self._tables = {}  # pid -> latest packet starting a PAT / PMT section
        self._stop = threading.Event()
        self._thread = None
        self.ended = threading.Event()
        self.users = 0  # clients that hold it (the hub counts)
        self.last_used = time.monotonic()

    def start(self):
        try:
            self._feed.start()
        except RuntimeError:
            self._end()
            self._feed.close()
            raise
        self._thread = threading.Thread(target=self._run, daemon=True,
                                        name='e2sim-broadcast-%X' % self.service.sid)
        self._thread.start()

    def _run(self):
        try:
            while not self._stop.is_set():
                data = self._feed.read(0.5)
                if data is None:
                    return
                if data:
                    self._publish(data)
        finally:
            self._end()

    def _publish(self, data):
        tables = {}
        for pid in (0, self._pmt_pid):
            offs = tsedit.section_starts(data, pid)
            if offs:
                tables[pid] = data[offs[-1]:offs[-1] + 188]
        with self._lock:
            self._tables.update(tables)
            for q in self._clients:
                q.put(data)

    def _end(self):
        self.ended.set()
        with self._lock:
            clients, self._clients = list(self._clients), set()
        for q in clients:
            q.close()

    def subscribe(self, max_bytes=CLIENT_QUEUE_BYTES):
        """A queue that gets the latest PAT and PMT at once, then every chunk
        from now on; closed when the broadcast ends."""
        q = ClientQueue(max_bytes)
        with self._lock:
            if self.ended.is_set():
                q.close()
                return q
            head = b''.join(self._tables[p] for p in (0, self._pmt_pid) if p in self._tables)
            if head:
                q.put(head)
            self._clients.add(q)
        return q

    def unsubscribe(self, q):
        with self._lock:
            self._clients.discard(q)
        q.close()

    def stop(self):
        self._stop.set()
        if self._thread is not None:
            self._thread.join(5.0)
        self._feed.close()
        self._end()


class BroadcastHub:
    """The services on air, by reference; `feed_factory(service)` makes a
    feed that is not started yet."""

    def __init__(self, feed_factory, linger_s=LINGER_S, max_feeds=MAX_FEEDS):
        self._factory = feed_factory
        self.linger_s = linger_s
        self.max_feeds = max_feeds
        self._lock = threading.Lock()
        self._on_air = {}
        self._stop = threading.Event()
        self._janitor = threading.Thread(target=self._sweep_loop, daemon=True,
                                         name='e2sim-broadcast-janitor')
        self._janitor.start()

    def on_air(self):
        with self._lock:
            return sorted(self._on_air)

    def acquire(self, service):
        """The running broadcast of `service`, started if needed, held until
        release(); RuntimeError if its pipeline does not start."""
        return self._get(service, hold=True)

    def release(self, b):
        with self._lock:
            b.users = max(0, b.users - 1)
            b.last_used = time.monotonic()

    def warm(self, service):
        """Puts a service on air without a client (a zap); it lingers."""
        try:
            self._get(service, hold=False)
        except RuntimeError:
            pass  # a client asking for it will get the error

    def _get(self, service, hold):
        victims = []
        with self._lock:
            b = self._on_air.get(service.ref)
            if b is not None and b.ended.is_set():
                del self._on_air[service.ref]
                victims.append(b)
                b = None
            fresh = b is None
            if fresh:
                victims += self._make_room()
                b = Broadcast(service, self._factory(service))
                self._on_air[service.ref] = b
            if hold:
                b.users += 1
            b.last_used = time.monotonic()
        self._stop_later(victims)
        if fresh:
            try:
                b.start()
            except RuntimeError:
                with self._lock:
                    if self._on_air.get(service.ref) is b:
                        del self._on_air[service.ref]
                raise
        return b

    def _make_room(self):
        """Idle broadcasts to stop (least recently used first) so that a new
        one fits; called with the lock held."""
        idle = sorted((b for b in self._on_air.values() if b.users == 0),
                      key=lambda b: b.last_used)
        out = []
        while idle and len(self._on_air) >= self.max_feeds:
            b = idle.pop(0)
            del self._on_air[b.service.ref]
            out.append(b)
        return out

    @staticmethod
    def _stop_later(victims):
        for b in victims:
            threading.Thread(target=b.stop, daemon=True, name='e2sim-broadcast-stop').start()

    def _sweep_loop(self):
        while not self._stop.wait(JANITOR_PERIOD_S):
            now = time.monotonic()
            with self._lock:
                done = [b for b in self._on_air.values() if b.ended.is_set()
                        or (b.users == 0 and now - b.last_used >= self.linger_s)]
                for b in done:
                    del self._on_air[b.service.ref]
            for b in done:
                b.stop()

    def stop(self):
        self._stop.set()
        self._janitor.join(2.0)
        with self._lock:
            all_, self._on_air = list(self._on_air.values()), {}
        stoppers = [threading.Thread(target=b.stop, daemon=True) for b in all_]
        for t in stoppers:
            t.start()
        for t in stoppers:
            t.join(10.0)
