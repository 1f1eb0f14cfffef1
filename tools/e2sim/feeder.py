#!/usr/bin/python3
"""A live service's pipeline in a process of its own.

The encoders leak: every mpeg2enc instance keeps about 8 MB after it is
freed, so a simulator that started pipelines in its own process grew with
every service put on air.  Here each broadcast runs in a child that ends
with it and gives everything back; the Python work of several broadcasts
(teletext, PMT rewrite, scrambling) runs on several cores, too.

Protocol: the parent writes one JSON line with the service's fields to the
child's stdin; the child writes the finished transport stream (PMT
rewritten, scrambled where the service is) to stdout until its stdin closes
or stdout breaks.  One spare child waits with GStreamer initialised, so a
service goes on air without the interpreter's start-up time.
"""

import dataclasses
import json
import os
import select
import signal
import subprocess
import sys
import threading
import types

HERE = os.path.dirname(os.path.realpath(__file__))
READ_SIZE = 256 * 1024
STOP_WAIT_S = 3.0


def _service_json(service):
    fields = dataclasses.asdict(service) if dataclasses.is_dataclass(service) else vars(service)
    return json.dumps(fields) + '\n'


def spawn():
    """A child that waits for its service."""
    return subprocess.Popen([sys.executable, os.path.join(HERE, 'feeder.py')],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            start_new_session=True)  # a Ctrl-C is for the parent


class FeedProcess:
    """Parent side; reads like pipelines.Feed (start, read, close)."""

    def __init__(self, service, proc=None):
        self.service = service
        pmt_pid = getattr(service, 'pmt_pid', 0x64)
        self.pmt_pid = pmt_pid if isinstance(pmt_pid, int) and 0x10 <= pmt_pid <= 0x1FFE else 0x64
        self._proc = proc
        self._rest = b''

    def start(self):
        if self._proc is None or self._proc.poll() is not None:
            self._proc = spawn()
        try:
            self._proc.stdin.write(_service_json(self.service).encode())
            self._proc.stdin.flush()
        except OSError as exc:
            raise RuntimeError('feed for %s does not start: %s' % (self.service.ref, exc))

    def read(self, timeout_s=1.0):
        """Next whole packets; b'' when nothing came in time; None at the end."""
        fd = self._proc.stdout.fileno()
        ready, _w, _x = select.select([fd], [], [], timeout_s)
        if not ready:
            return b''
        try:
            data = os.read(fd, READ_SIZE)
        except OSError:
            return None
        if not data:
            return None
        data = self._rest + data
        usable = len(data) - len(data) % 188
        self._rest = data[usable:]
        return data[:usable]

    def close(self):
        proc = self._proc
        if proc is None:
            return
        try:
            proc.stdin.close()
        except OSError:
            pass
        try:
            proc.wait(STOP_WAIT_S)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
        proc.stdout.close()


def _write_all(fd, data):
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]


def main():
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    sys.path.insert(0, HERE)
    import pipelines
    pipelines.warm_up()  # the slow part, done while waiting as a spare
    line = sys.stdin.readline()
    if not line:
        return 0
    service = types.SimpleNamespace(**json.loads(line))
    feed = pipelines.Feed(service, live=True)
    stop = threading.Event()
    threading.Thread(target=lambda: (sys.stdin.read(), stop.set()), daemon=True).start()
    out = sys.stdout.fileno()
    try:
        feed.start()
        while not stop.is_set():
            data = feed.read(0.5)
            if data is None:
                err = feed.error_text()
                if err:
                    print('e2sim feed %s: %s' % (service.ref, err), file=sys.stderr)
                return 1
            if data:
                _write_all(out, data)
    except BrokenPipeError:
        pass  # the parent has stopped reading
    except RuntimeError as exc:
        print('e2sim feed: %s' % exc, file=sys.stderr)
        return 1
    finally:
        feed.close()
    return 0


if __name__ == '__main__':
    sys.exit(main())
