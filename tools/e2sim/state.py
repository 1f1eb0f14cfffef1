"""Mutable receiver state of the e2sim simulator, shared by all its servers.

All methods are thread-safe (one lock; never held across network I/O).

Names other modules rely on (keep them stable):

state.current            -- reference of the current service (str)
state.standby            -- bool
state.dataset            -- the Dataset
state.faults             -- dict of injected faults, read at the time of use:
    faults['cmd'][command] = {'status': 401|404|500, 'delay_ms': N,
                              'malformed': True, 'wrongroot': True,
                              'empty': N (remaining empty answers),
                              'truncate': N (body cut after N bytes; 0: half),
                              'random': True (random bytes instead of XML),
                              'endless': True (a list that never ends),
                              'hang': True (no answer at all; the connection is held)}
    faults['serviceplayable'] = 'False'
    faults['stream'] = {'mode': 'never'|'stall'|'stop', 'after': seconds}
    faults['stream_rate'] = bytes per second (int)
state.stream_started(ref) / state.stream_ended(ref)
                         -- the stream server calls these once per client,
                            so /sim/state "streams" lists live streams.
state.stream_fault()     -- (mode, after_s, rate) snapshot for the stream server.
state.add_zap_listener(f) / state.zapped(service)
                         -- f(service) is called after every zap (outside the
                            lock); the stream server puts the service on air.
state.snapshot()         -- the JSON-ready dict of /sim/state.
"""

import copy
import threading
from collections import deque

MAX_REQUESTS = 1000


class State:
    def __init__(self, dataset):
        self.dataset = dataset
        self.lock = threading.RLock()
        self.faults = {}
        self._zap_listeners = []
        self._reset_state()

    def _reset_state(self):
        d = self.dataset
        self.standby = False
        self.current = d.tv_bouquets[0].services[0].ref if d.tv_bouquets else d.services[0].ref
        self.zaps = []
        self.powerstates = []
        self.messages = []
        self.keys = []
        self.requests = deque(maxlen=MAX_REQUESTS)
        self.streams = []
        self.timers = copy.deepcopy(d.timers)
        self.recordings = list(d.recordings)
        self.audio_track = {}  # service ref -> selected audio pid

    # -- faults ------------------------------------------------------------------

    def set_faults(self, query):
        """Apply a /sim/fault query (dict name -> first value). Returns an
        error text or None."""
        with self.lock:
            cmd = query.get("cmd")
            if cmd:
                f = self.faults.setdefault("cmd", {}).setdefault(cmd, {})
                for key in ("status", "delay_ms", "empty", "truncate"):
                    if key in query:
                        try:
                            f[key] = int(query[key])
                        except ValueError:
                            return "bad number for %s" % key
                for key in ("malformed", "wrongroot", "random", "endless", "hang"):
                    if key in query:
                        f[key] = query[key] not in ("0", "", "false", "False")
            if "serviceplayable" in query:
                self.faults["serviceplayable"] = query["serviceplayable"]
            if "stream" in query:
                mode = query["stream"]
                if mode not in ("never", "stall", "stop"):
                    return "unknown stream mode"
                try:
                    after = float(query.get("after", "0"))
                except ValueError:
                    return "bad number for after"
                self.faults["stream"] = {"mode": mode, "after": after}
            if "stream_rate" in query:
                try:
                    self.faults["stream_rate"] = int(query["stream_rate"])
                except ValueError:
                    return "bad number for stream_rate"
            return None

    def command_fault(self, cmd):
        """Fault settings of one web command; consumes one 'empty' answer."""
        with self.lock:
            f = self.faults.get("cmd", {}).get(cmd)
            if not f:
                return {}
            out = dict(f)
            if f.get("empty", 0) > 0:
                f["empty"] -= 1
            else:
                out.pop("empty", None)
            return out

    def stream_fault(self):
        with self.lock:
            s = self.faults.get("stream") or {}
            return s.get("mode"), s.get("after", 0), self.faults.get("stream_rate")

    def reset(self, state=False):
        with self.lock:
            self.faults = {}
            if state:
                streams = self.streams
                self._reset_state()
                self.streams = streams  # clients still connected stay listed

    # -- streams -------------------------------------------------------------------

    def stream_started(self, ref):
        with self.lock:
            self.streams.append(ref)

    def stream_ended(self, ref):
        with self.lock:
            try:
                self.streams.remove(ref)
            except ValueError:
                pass

    def add_zap_listener(self, listener):
        with self.lock:
            self._zap_listeners.append(listener)

    def zapped(self, service):
        with self.lock:
            listeners = list(self._zap_listeners)
        for listener in listeners:
            listener(service)

    # -- log -------------------------------------------------------------------------

    def log_request(self, path):
        with self.lock:
            self.requests.append(path)

    def snapshot(self):
        with self.lock:
            return {
                "standby": self.standby,
                "current": self.current,
                "zaps": list(self.zaps),
                "powerstates": list(self.powerstates),
                "timers": len(self.timers),
                "messages": list(self.messages),
                "keys": list(self.keys),
                "requests": list(self.requests),
                "streams": list(self.streams),
                "recordings": len(self.recordings),
                "audio_track": dict(self.audio_track),
            }
