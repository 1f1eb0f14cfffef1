"""Live transport streams of the simulated receiver (its streaming port).

Every client that asks for "GET /<service reference>" gets its own GStreamer
pipeline: test picture with the channel name and a running clock (MPEG-2 SD
or H.264 for "1:0:19" services), an MP2 track, an AC-3 track where the
service has one, teletext and DVB subtitles, multiplexed by mpegtsmux with
the service id as programme number.  mpegtsmux's program map lacks what a
DVB receiver sends (AC-3 as private data with its descriptor, a filled-in
teletext descriptor, audio languages as the data set has them), so the PMT
section is rewritten on the way out.
"""

import select
import socket
import threading
import time
import urllib.parse

try:
    from . import teletext
except ImportError:  # run as a plain module next to the others
    import teletext

_gst = None
_gst_lock = threading.Lock()

SD_SIZE = (352, 288)
HD_SIZE = (640, 360)
FPS = 25
SD_VIDEO_KBPS = 600
HD_VIDEO_KBPS = 700
NEVER_CLOSE_AFTER_S = 10.0
SEND_TIMEOUT_S = 30.0
PATTERNS = ['smpte', 'bar', 'colors', 'smpte75', 'pinwheel', 'spokes', 'gradient', 'ball']
PID_MAX = 0x1FFE


def gst():
    """GStreamer, initialised once per process (import is slow-ish)."""
    global _gst
    with _gst_lock:
        if _gst is None:
            import gi
            gi.require_version('Gst', '1.0')
            gi.require_version('GstApp', '1.0')
            from gi.repository import Gst, GstApp  # noqa: F401
            Gst.init(None)
            _gst = Gst
    return _gst


# ---------------------------------------------------------------- PMT rewrite

def _crc32_table():
    table = []
    for i in range(256):
        c = i << 24
        for _ in range(8):
            c = ((c << 1) ^ 0x04C11DB7) if c & 0x80000000 else (c << 1)
        table.append(c & 0xFFFFFFFF)
    return table


_CRC_TABLE = _crc32_table()


def crc32_mpeg(data):
    crc = 0xFFFFFFFF
    for b in data:
        crc = ((crc << 8) & 0xFFFFFFFF) ^ _CRC_TABLE[((crc >> 24) ^ b) & 0xFF]
    return crc


def _valid_pid(pid):
    return isinstance(pid, int) and 0x10 <= pid <= PID_MAX


def _lang3(lang, default='deu'):
    text = (lang or default)[:3].lower()
    text = (text + '   ')[:3]
    return text.encode('latin-1', 'replace')


def stream_descriptors(service):
    """pid -> (stream_type or None to keep the muxer's, descriptor bytes)."""
    out = {}
    for i, (pid, lang, codec) in enumerate(service.audio_pids or []):
        iso = bytes([0x0A, 4]) + _lang3(lang) + b'\x00'
        if str(codec).lower() == 'ac3':
            out[pid] = (0x06, iso + bytes([0x6A, 1, 0x00]))
        else:
            out[pid] = (None, iso)
    if service.teletext and _valid_pid(service.teletext_pid):
        # Initial page 100 (type 1, magazine 1, page 00) and a subtitle page 888.
        entries = _lang3('deu') + bytes([(1 << 3) | 1, 0x00]) \
            + _lang3('deu') + bytes([(2 << 3) | 0, 0x88])
        out[service.teletext_pid] = (0x06, bytes([0x56, len(entries)]) + entries)
    if service.subtitles and _valid_pid(service.subtitle_pid):
        entry = _lang3('deu') + bytes([0x10, 0x00, 0x01, 0x00, 0x01])
        out[service.subtitle_pid] = (0x06, bytes([0x59, len(entry)]) + entry)
    return out


def rewrite_pmt_section(section, descriptors):
    """A PMT section (table id .. CRC) with stream types and ES descriptors
    replaced per PID; None if the section is not a well-formed PMT."""
    if len(section) < 16 or section[0] != 0x02:
        return None
    length = ((section[1] & 0x0F) << 8) | section[2]
    end = 3 + length - 4
    if end > len(section) or end < 12:
        return None
    info_len = ((section[10] & 0x0F) << 8) | section[11]
    pos = 12 + info_len
    body = bytearray(section[3:12]) + section[12:pos]
    while pos + 5 <= end:
        stype = section[pos]
        pid = ((section[pos + 1] & 0x1F) << 8) | section[pos + 2]
        es_len = ((section[pos + 3] & 0x0F) << 8) | section[pos + 4]
        desc = section[pos + 5:pos + 5 + es_len]
        pos += 5 + es_len
        if pid in descriptors:
            new_type, desc = descriptors[pid]
            stype = new_type if new_type is not None else stype
        body += bytes([stype, 0xE0 | (pid >> 8), pid & 0xFF,
                       0xF0 | (len(desc) >> 8), len(desc) & 0xFF]) + desc
    new_len = len(body) + 4
    head = bytes([0x02, 0xB0 | (new_len >> 8), new_len & 0xFF])
    sec = head + body
    return sec + crc32_mpeg(sec).to_bytes(4, 'big')


class PmtRewriter:
    """Replaces the payload of every PMT packet of a 188-byte-aligned TS."""

    def __init__(self, pmt_pid, descriptors):
        self.pmt_pid = pmt_pid
        self.descriptors = descriptors
        self._cache = {}
        self._rest = b''

    def _packet(self, pkt):
        if not pkt[1] & 0x40 or not pkt[3] & 0x10:  # only section starts
            return pkt
        start = 4 + (1 + pkt[4] if pkt[3] & 0x20 else 0)
        key = pkt[start:]
        new = self._cache.get(key)
        if new is None:
            new = b''
            if len(key) > 4 and 1 + key[0] < len(key):
                sec = key[1 + key[0]:]
                length = ((sec[1] & 0x0F) << 8) | sec[2] if len(sec) > 3 else 0
                rewritten = rewrite_pmt_section(sec[:3 + length], self.descriptors)
                if rewritten is not None and len(rewritten) <= 183:
                    new = b'\x00' + rewritten + b'\xff' * (183 - len(rewritten))
            if len(self._cache) < 16:
                self._cache[key] = new
        if not new:
            return pkt
        # Payload only (the muxer's stuffing adaptation field is dropped).
        return pkt[:3] + bytes([(pkt[3] & 0xCF) | 0x10]) + new

    def feed(self, data):
        data = self._rest + data
        usable = len(data) - len(data) % 188
        self._rest = data[usable:]
        hi, lo = 0x40 | (self.pmt_pid >> 8), self.pmt_pid & 0xFF
        out = None
        for off in range(0, usable, 188):
            if data[off] == 0x47 and (data[off + 1] & 0x1F) == (hi & 0x1F) \
                    and data[off + 2] == lo:
                if out is None:
                    out = bytearray(data[:usable])
                out[off:off + 188] = self._packet(bytes(data[off:off + 188]))
        return bytes(out) if out is not None else data[:usable]


# ---------------------------------------------------------------- pipelines

def is_hd(service):
    return bool(getattr(service, 'hd', False)) or service.ref.upper().startswith('1:0:19:')


def _audio_branch(pid, codec, index, live):
    live_s = 'true' if live else 'false'
    freq = 440 + 110 * index
    if str(codec).lower() == 'ac3':
        enc = 'avenc_ac3 bitrate=128000 ! ac3parse'
    else:
        enc = 'avenc_mp2 bitrate=128000 ! mpegaudioparse'
    return (f'audiotestsrc name=asrc{index} is-live={live_s} wave=sine freq={freq} volume=0.2 '
            f'samplesperbuffer=1152 ! audio/x-raw,rate=48000,channels=2 ! audioconvert ! '
            f'{enc} ! taginject name=alang{index} ! queue max-size-time=2000000000 '
            f'! mux.sink_{pid}')


def pipeline_description(service, live=True):
    """gst-launch text of one service's stream; texts and tags are set on the
    named elements afterwards (no quoting of channel names here)."""
    live_s = 'true' if live else 'false'
    parts = [f'mpegtsmux name=mux alignment=7 pmt-interval=9000 pat-interval=9000 '
             f'! appsink name=out sync=false max-buffers=400 drop=true']
    if service.kind == 'tv' and _valid_pid(service.video_pid):
        pattern = PATTERNS[service.sid % len(PATTERNS)]
        if is_hd(service):
            w, h = HD_SIZE
            enc = (f'x264enc tune=zerolatency speed-preset=ultrafast bitrate={HD_VIDEO_KBPS} '
                   f'key-int-max={FPS} ! h264parse config-interval=-1 ! '
                   'video/x-h264,stream-format=byte-stream')
        else:
            w, h = SD_SIZE
            # No B frames and a short GOP: cheap to encode, quick to start.
            # A sequence header in every GOP, as broadcasters send it: a recording or a
            # client may start anywhere in the stream.
            enc = (f'mpeg2enc format=3 bitrate={SD_VIDEO_KBPS} b-per-refframe=0 '
                   'sequence-header-every-gop=true '
                   'max-gop-size=12 min-gop-size=12 motion-search-radius=8 '
                   'reduction-4x4=4 reduction-2x2=4 disable-encode-retries=true '
                   '! mpegvideoparse')
        parts.append(
            f'videotestsrc name=vsrc is-live={live_s} pattern={pattern} '
            f'! video/x-raw,format=I420,width={w},height={h},framerate={FPS}/1 '
            f'! textoverlay name=title valignment=top halignment=center '
            f'font-desc="Sans Bold 20" shaded-background=true '
            f'! clockoverlay name=clock valignment=bottom halignment=right '
            f'time-format="%H:%M:%S" font-desc="Sans 18" shaded-background=true '
            f'! {enc} ! queue max-size-time=2000000000 ! mux.sink_{service.video_pid}')
    for i, (pid, _lang, codec) in enumerate(service.audio_pids or []):
        if _valid_pid(pid):
            parts.append(_audio_branch(pid, codec, i, live))
    if service.kind == 'tv' and service.teletext and _valid_pid(service.teletext_pid):
        parts.append('appsrc name=ttx format=time is-live=%s do-timestamp=%s '
                     'caps=application/x-teletext max-bytes=20000 '
                     '! queue max-size-time=2000000000 ! mux.sink_%d'
                     % (live_s, live_s, service.teletext_pid))
    if service.kind == 'tv' and service.subtitles and _valid_pid(service.subtitle_pid):
        # One subtitle picture every two seconds; transparent except the text.
        parts.append(
            f'videotestsrc name=subsrc is-live={live_s} pattern=solid-color '
            f'foreground-color=0x00000000 '
            f'! video/x-raw,format=AYUV,width=720,height=576,framerate=1/2 '
            f'! textoverlay name=subtext valignment=bottom halignment=center '
            f'font-desc="Sans 28" '
            f'! dvbsubenc ! queue max-size-time=4000000000 ! mux.sink_{service.subtitle_pid}')
    return ' '.join(parts)


def _lang_tag(lang):
    return 'language-code="%s"' % ''.join(c for c in (lang or 'deu') if c.isalpha())[:3]


class Feed:
    """One running pipeline of a service, read as TS bytes.

    live=True paces everything by the clock (stream port); live=False runs
    as fast as the encoders go for `duration_s` seconds (recording files)."""

    def __init__(self, service, live=True, duration_s=None):
        Gst = gst()
        self.service = service
        self.live = live
        self.duration_s = duration_s
        self._stop = threading.Event()
        self._ttx_thread = None
        self.pipeline = Gst.parse_launch(pipeline_description(service, live))
        self.pipeline.set_name('e2sim-%X' % service.sid)
        mux = self.pipeline.get_by_name('mux')
        sid = service.sid if 0 < service.sid <= 0xFFFF else 1
        pmt_pid = getattr(service, 'pmt_pid', 0x64)
        self.pmt_pid = pmt_pid if _valid_pid(pmt_pid) else 0x64
        fields = ['%s=(int)%d' % (name, sid) for name in self._mux_sink_names()]
        fields.append('PMT_%d=(uint)%d' % (sid, self.pmt_pid))
        prog = Gst.Structure.from_string('program_map,' + ','.join(fields))[0]
        mux.set_property('prog-map', prog)
        title = self.pipeline.get_by_name('title')
        if title is not None:
            title.set_property('text', service.name)
        sub = self.pipeline.get_by_name('subtext')
        if sub is not None:
            sub.set_property('text', 'Untertitel: %s' % service.name)
        for i, (_pid, lang, _codec) in enumerate(service.audio_pids or []):
            tag = self.pipeline.get_by_name('alang%d' % i)
            if tag is not None:
                tag.set_property('tags', _lang_tag(lang))
        if not live and duration_s:
            frames = int(duration_s * FPS)
            for name in ('vsrc',):
                el = self.pipeline.get_by_name(name)
                if el is not None:
                    el.set_property('num-buffers', frames)
            for i in range(len(service.audio_pids or [])):
                el = self.pipeline.get_by_name('asrc%d' % i)
                if el is not None:
                    el.set_property('num-buffers', int(duration_s * 48000 / 1152))
            el = self.pipeline.get_by_name('subsrc')
            if el is not None:
                el.set_property('num-buffers', max(1, int(duration_s / 2)))
        self.sink = self.pipeline.get_by_name('out')
        self.rewriter = PmtRewriter(self.pmt_pid, stream_descriptors(service))
        self.carousel = teletext.Carousel(service.name) \
            if self.pipeline.get_by_name('ttx') is not None else None

    def _mux_sink_names(self):
        s = self.service
        pids = [s.video_pid] if s.kind == 'tv' else []
        pids += [p for p, _l, _c in (s.audio_pids or [])]
        if s.kind == 'tv' and s.teletext:
            pids.append(s.teletext_pid)
        if s.kind == 'tv' and s.subtitles:
            pids.append(s.subtitle_pid)
        return ['sink_%d' % p for p in pids if _valid_pid(p)]

    def start(self):
        Gst = gst()
        if self.pipeline.set_state(Gst.State.PLAYING) == Gst.StateChangeReturn.FAILURE:
            raise RuntimeError('pipeline for %s does not start' % self.service.ref)
        if self.carousel is not None:
            self._ttx_thread = threading.Thread(target=self._feed_teletext, daemon=True,
                                                name='e2sim-ttx')
            self._ttx_thread.start()

    def _feed_teletext(self):
        Gst = gst()
        src = self.pipeline.get_by_name('ttx')
        period = 1.0 / FPS
        n = 0
        next_t = time.monotonic()
        limit = int(self.duration_s * FPS) if (not self.live and self.duration_s) else None
        while not self._stop.is_set():
            if limit is not None and n >= limit:
                src.emit('end-of-stream')
                return
            buf = Gst.Buffer.new_wrapped(self.carousel.next_pes_payload())
            if not self.live:
                buf.pts = n * Gst.SECOND // FPS
                buf.duration = Gst.SECOND // FPS
            if src.emit('push-buffer', buf) != Gst.FlowReturn.OK:
                return
            n += 1
            if self.live:
                next_t += period
                delay = next_t - time.monotonic()
                if delay > 0:
                    self._stop.wait(delay)
                elif delay < -1.0:
                    next_t = time.monotonic()
            elif src.get_property('current-level-bytes') > 15000:
                self._stop.wait(0.01)

    def read(self, timeout_s=1.0):
        """Next chunk of TS bytes; b'' when nothing came in time; None at
        the end of the stream or on a pipeline error."""
        Gst = gst()
        sample = self.sink.try_pull_sample(int(timeout_s * Gst.SECOND))
        if sample is None:
            if self.sink.is_eos():
                return None
            bus = self.pipeline.get_bus()
            msg = bus.pop_filtered(Gst.MessageType.ERROR)
            if msg is not None:
                return None
            return b''
        buf = sample.get_buffer()
        ok, info = buf.map(Gst.MapFlags.READ)
        if not ok:
            return b''
        try:
            data = bytes(info.data)
        finally:
            buf.unmap(info)
        return self.rewriter.feed(data)

    def error_text(self):
        Gst = gst()
        msg = self.pipeline.get_bus().pop_filtered(Gst.MessageType.ERROR)
        if msg is None:
            return None
        err, dbg = msg.parse_error()
        return '%s (%s)' % (err.message, dbg)

    def close(self):
        Gst = gst()
        self._stop.set()
        self.pipeline.set_state(Gst.State.NULL)
        if self._ttx_thread is not None:
            self._ttx_thread.join(2.0)


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


class StreamServer:
    """The receiver's streaming port: one pipeline per connected client."""

    def __init__(self, host, port, dataset, state):
        self.host = host
        self.port = port
        self.dataset = dataset
        self.state = state
        self._sock = None
        self._stop = threading.Event()
        self._clients = set()
        self._lock = threading.Lock()
        self._thread = None

    def start(self):
        gst()  # initialise before the first client, so it does not wait
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
        feed = Feed(service, live=True)
        started = time.monotonic()
        sent_in_window, window_start = 0, started
        try:
            feed.start()
            while not self._stop.is_set():
                if mode in ('stop', 'stall') and time.monotonic() - started >= after:
                    break
                data = feed.read(0.5)
                if data is None:
                    return
                if not data:
                    continue
                rate = self._rate()
                if rate > 0:
                    # Throttle: a slow link; the appsink drops what piles up.
                    for off in range(0, len(data), 1316):
                        chunk = data[off:off + 1316]
                        now = time.monotonic()
                        if now - window_start >= 1.0:
                            sent_in_window, window_start = 0, now
                        if sent_in_window + len(chunk) > rate:
                            time.sleep(max(0.0, window_start + 1.0 - now))
                            sent_in_window, window_start = 0, time.monotonic()
                        conn.sendall(chunk)
                        sent_in_window += len(chunk)
                else:
                    conn.sendall(data)
        finally:
            feed.close()
        if mode == 'stall' and not self._stop.is_set():
            self._wait_for_close(conn, None)
