"""GStreamer pipelines that make a service's transport stream.

Test picture with the channel name and a running clock (MPEG-2 SD, H.264 or
HEVC), audio tracks as the data set lists them (MP2, AC-3, E-AC-3, AAC in ADTS
or LOAS/LATM), teletext and DVB subtitles, multiplexed by mpegtsmux with the
service id as programme number.  What mpegtsmux cannot write (DVB
descriptors, E-AC-3 and LATM stream types, scrambling, odd PMTs) is done to
its output by tsedit.

mpegtsmux takes neither E-AC-3 nor LOAS, so those tracks leave their encoder
through an appsink and enter the muxer through an appsrc whose caps the
muxer accepts (AC-3, ADTS), the bytes and timestamps unchanged (E-AC-3) or
converted frame by frame (ADTS to LOAS, latm.py).
"""

import threading
import time

try:
    from . import latm, teletext, tsedit
except ImportError:  # run as a plain module next to the others
    import latm
    import teletext
    import tsedit

_gst = None
_gst_lock = threading.Lock()

SD_SIZE = (352, 288)
HD_SIZE = (640, 360)
FPS = 25
SD_VIDEO_KBPS = 600
HD_VIDEO_KBPS = 700
HEVC_VIDEO_KBPS = 400
PATTERNS = ['smpte', 'bar', 'colors', 'smpte75', 'pinwheel', 'spokes', 'gradient', 'ball']


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


# Everything a service's pipeline may hold: loaded by a waiting feeder process,
# so that its first pipeline starts as quickly as later ones.
_ELEMENTS = ('mpegtsmux', 'appsink', 'appsrc', 'queue', 'taginject', 'videotestsrc',
             'audiotestsrc', 'audioconvert', 'textoverlay', 'clockoverlay', 'x264enc',
             'h264parse', 'x265enc', 'h265parse', 'mpeg2enc', 'mpegvideoparse', 'avenc_mp2',
             'mpegaudioparse', 'avenc_ac3', 'avenc_eac3', 'ac3parse', 'avenc_aac', 'aacparse',
             'dvbsubenc')


def warm_up():
    """Loads the plug-ins and renders one text picture (fonts)."""
    Gst = gst()
    for name in _ELEMENTS:
        Gst.ElementFactory.make(name, None)
    pipe = Gst.parse_launch('videotestsrc num-buffers=1 ! video/x-raw,width=64,height=64 '
                            '! textoverlay text=e2sim ! clockoverlay ! fakesink')
    pipe.set_state(Gst.State.PLAYING)
    pipe.get_bus().timed_pop_filtered(5 * Gst.SECOND, Gst.MessageType.EOS | Gst.MessageType.ERROR)
    pipe.set_state(Gst.State.NULL)


def is_hd(service):
    return bool(getattr(service, 'hd', False)) or service.ref.upper().startswith('1:0:19:')


def video_codec(service):
    """'mpeg2', 'h264' or 'hevc'."""
    return getattr(service, 'video_codec', '') or ('h264' if is_hd(service) else 'mpeg2')


# Encoder chain per audio codec, and for the tracks that reach the muxer
# through a relay: the caps the muxer is told and the per-frame conversion.
_AUDIO = {
    'mp2': ('avenc_mp2 bitrate=128000 ! mpegaudioparse', None, None),
    'ac3': ('avenc_ac3 bitrate=128000 ! ac3parse', None, None),
    'eac3': ('avenc_eac3 bitrate=192000 ! ac3parse',
             'audio/x-ac3,framed=(boolean)true,alignment=(string)frame', None),
    'aac': ('avenc_aac bitrate=96000 ! aacparse ! audio/mpeg,mpegversion=4,stream-format=adts',
            None, None),
    'latm': ('avenc_aac bitrate=96000 ! aacparse ! audio/mpeg,mpegversion=4,stream-format=adts',
             'audio/mpeg,mpegversion=(int)4,stream-format=(string)adts,framed=(boolean)true',
             latm.adts_to_loas),
}
_AUDIO['eac3-87'] = _AUDIO['eac3']


def _audio_kind(codec):
    return _AUDIO.get(str(codec).lower(), _AUDIO['mp2'])


def _audio_branch(pid, codec, index, live):
    live_s = 'true' if live else 'false'
    freq = 440 + 110 * index
    enc, relay_caps, _convert = _audio_kind(codec)
    src = (f'audiotestsrc name=asrc{index} is-live={live_s} wave=sine freq={freq} volume=0.2 '
           f'samplesperbuffer=1152 ! audio/x-raw,rate=48000,channels=2 ! audioconvert ! {enc}')
    to_mux = f'taginject name=alang{index} ! queue max-size-time=2000000000 ! mux.sink_{pid}'
    if relay_caps is None:
        return f'{src} ! {to_mux}'
    return (f'{src} ! appsink name=relayin{index} emit-signals=true sync=false async=false '
            f'appsrc name=relayout{index} format=time is-live={live_s} ! {to_mux}')


def _video_encoder(codec):
    if codec == 'hevc':
        return (f'x265enc speed-preset=ultrafast tune=zerolatency bitrate={HEVC_VIDEO_KBPS} '
                f'key-int-max={FPS} log-level=none ! h265parse config-interval=-1 ! '
                'video/x-h265,stream-format=byte-stream,alignment=au')
    if codec == 'h264':
        return (f'x264enc tune=zerolatency speed-preset=ultrafast bitrate={HD_VIDEO_KBPS} '
                f'key-int-max={FPS} ! h264parse config-interval=-1 ! '
                'video/x-h264,stream-format=byte-stream')
    # No B frames and a short GOP: cheap to encode, quick to start.
    # A sequence header in every GOP, as broadcasters send it: a recording or a
    # client may start anywhere in the stream.
    return (f'mpeg2enc format=3 bitrate={SD_VIDEO_KBPS} b-per-refframe=0 '
            'sequence-header-every-gop=true '
            'max-gop-size=12 min-gop-size=12 motion-search-radius=8 '
            'reduction-4x4=4 reduction-2x2=4 disable-encode-retries=true '
            '! mpegvideoparse')


def pipeline_description(service, live=True):
    """gst-launch text of one service's stream; texts and tags are set on the
    named elements afterwards (no quoting of channel names here)."""
    live_s = 'true' if live else 'false'
    parts = ['mpegtsmux name=mux alignment=7 pmt-interval=9000 pat-interval=9000 '
             '! appsink name=out sync=false max-buffers=400 drop=true']
    if service.kind == 'tv' and tsedit.valid_pid(service.video_pid):
        pattern = PATTERNS[service.sid % len(PATTERNS)]
        codec = video_codec(service)
        w, h = SD_SIZE if codec == 'mpeg2' else HD_SIZE
        parts.append(
            f'videotestsrc name=vsrc is-live={live_s} pattern={pattern} '
            f'! video/x-raw,format=I420,width={w},height={h},framerate={FPS}/1 '
            f'! textoverlay name=title valignment=top halignment=center '
            f'font-desc="Sans Bold 20" shaded-background=true '
            f'! clockoverlay name=clock valignment=bottom halignment=right '
            f'time-format="%H:%M:%S" font-desc="Sans 18" shaded-background=true '
            f'! {_video_encoder(codec)} ! queue max-size-time=2000000000 '
            f'! mux.sink_{service.video_pid}')
    for i, (pid, _lang, codec) in enumerate(service.audio_pids or []):
        if tsedit.valid_pid(pid):
            parts.append(_audio_branch(pid, codec, i, live))
    if service.kind == 'tv' and service.teletext and tsedit.valid_pid(service.teletext_pid):
        parts.append('appsrc name=ttx format=time is-live=%s do-timestamp=%s '
                     'caps=application/x-teletext max-bytes=20000 '
                     '! queue max-size-time=2000000000 ! mux.sink_%d'
                     % (live_s, live_s, service.teletext_pid))
    if service.kind == 'tv' and service.subtitles and tsedit.valid_pid(service.subtitle_pid):
        # One subtitle picture every two seconds; transparent except the text.
        parts.append(
            f'videotestsrc name=subsrc is-live={live_s} pattern=solid-color '
            f'foreground-color=0x00000000 '
            f'! video/x-raw,format=AYUV,width=720,height=576,framerate=1/2 '
            f'! textoverlay name=subtext valignment=bottom halignment=center '
            f'font-desc="Sans 28" '
            f'! dvbsubenc ! queue max-size-time=4000000000 ! mux.sink_{service.subtitle_pid}')
    return ' '.join(parts)


def _markup_escape(text):
    """textoverlay reads Pango markup: a name with "&" or "<" is plain text."""
    return text.replace('&', '&amp;').replace('<', '&lt;').replace('>', '&gt;')


def _lang_tag(lang):
    return 'language-code="%s"' % ''.join(c for c in (lang or 'deu') if c.isalpha())[:3]


class _Relay:
    """Moves one encoder's frames from an appsink into an appsrc, with the
    timestamps, optionally converting each frame."""

    def __init__(self, sink, src, caps, convert):
        Gst = gst()
        self.src = src
        self.convert = convert
        src.set_property('caps', Gst.Caps.from_string(caps))
        sink.connect('new-sample', self._on_sample)
        sink.connect('eos', lambda _s: src.emit('end-of-stream'))

    def _on_sample(self, sink):
        Gst = gst()
        sample = sink.emit('pull-sample')
        if sample is None:
            return Gst.FlowReturn.EOS
        buf = sample.get_buffer()
        data = buf.extract_dup(0, buf.get_size())
        if self.convert is not None:
            data = self.convert(data)
            if data is None:
                return Gst.FlowReturn.OK  # a frame the converter cannot take is left out
        out = Gst.Buffer.new_wrapped(data)
        out.pts, out.dts, out.duration = buf.pts, buf.dts, buf.duration
        return self.src.emit('push-buffer', out)


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
        self._error = None
        self.pipeline = Gst.parse_launch(pipeline_description(service, live))
        self.pipeline.set_name('e2sim-%X' % service.sid)
        mux = self.pipeline.get_by_name('mux')
        sid = service.sid if 0 < service.sid <= 0xFFFF else 1
        pmt_pid = getattr(service, 'pmt_pid', 0x64)
        self.pmt_pid = pmt_pid if tsedit.valid_pid(pmt_pid) else 0x64
        fields = ['%s=(int)%d' % (name, sid) for name in self._mux_sink_names()]
        fields.append('PMT_%d=(uint)%d' % (sid, self.pmt_pid))
        prog = Gst.Structure.from_string('program_map,' + ','.join(fields))[0]
        mux.set_property('prog-map', prog)
        self._set_texts()
        self._relays = self._make_relays()
        if not live and duration_s:
            self._limit_sources(duration_s)
        self.sink = self.pipeline.get_by_name('out')
        self.rewriter = tsedit.PmtRewriter(self.pmt_pid, tsedit.PmtPlan(service))
        self.scrambler = None
        if getattr(service, 'scrambled', False):
            pids = [service.video_pid] + [p for p, _l, _c in service.audio_pids or []]
            self.scrambler = tsedit.Scrambler(pids)
        self.carousel = teletext.Carousel(service.name) \
            if self.pipeline.get_by_name('ttx') is not None else None

    def _set_texts(self):
        service = self.service
        for name, text in (('title', service.name), ('subtext', 'Untertitel: %s' % service.name)):
            el = self.pipeline.get_by_name(name)
            if el is not None:
                el.set_property('text', _markup_escape(text))
        for i, (_pid, lang, _codec) in enumerate(service.audio_pids or []):
            tag = self.pipeline.get_by_name('alang%d' % i)
            if tag is not None:
                tag.set_property('tags', _lang_tag(lang))

    def _make_relays(self):
        out = []
        for i, (_pid, _lang, codec) in enumerate(self.service.audio_pids or []):
            sink = self.pipeline.get_by_name('relayin%d' % i)
            src = self.pipeline.get_by_name('relayout%d' % i)
            if sink is not None and src is not None:
                _enc, caps, convert = _audio_kind(codec)
                out.append(_Relay(sink, src, caps + ',rate=(int)48000,channels=(int)2', convert))
        return out

    def _limit_sources(self, duration_s):
        el = self.pipeline.get_by_name('vsrc')
        if el is not None:
            el.set_property('num-buffers', int(duration_s * FPS))
        for i in range(len(self.service.audio_pids or [])):
            el = self.pipeline.get_by_name('asrc%d' % i)
            if el is not None:
                el.set_property('num-buffers', int(duration_s * 48000 / 1152))
        el = self.pipeline.get_by_name('subsrc')
        if el is not None:
            el.set_property('num-buffers', max(1, int(duration_s / 2)))

    def _mux_sink_names(self):
        s = self.service
        pids = [s.video_pid] if s.kind == 'tv' else []
        pids += [p for p, _l, _c in (s.audio_pids or [])]
        if s.kind == 'tv' and s.teletext:
            pids.append(s.teletext_pid)
        if s.kind == 'tv' and s.subtitles:
            pids.append(s.subtitle_pid)
        return ['sink_%d' % p for p in pids if tsedit.valid_pid(p)]

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
        self._drain_bus()
        if sample is None:
            return None if self.sink.is_eos() or self._error is not None else b''
        buf = sample.get_buffer()
        data = buf.extract_dup(0, buf.get_size())
        data = self.rewriter.feed(data)
        if self.scrambler is not None:
            data = self.scrambler.feed(data)
        return data

    def _drain_bus(self):
        """Nobody watches the bus of a feed: its messages (tags, QoS, ...)
        would pile up for as long as it runs; the first error is kept."""
        Gst = gst()
        bus = self.pipeline.get_bus()
        while True:
            msg = bus.pop()
            if msg is None:
                return
            if msg.type == Gst.MessageType.ERROR and self._error is None:
                self._error = msg

    def error_text(self):
        self._drain_bus()
        if self._error is None:
            return None
        err, dbg = self._error.parse_error()
        return '%s (%s)' % (err.message, dbg)

    def close(self):
        Gst = gst()
        self._stop.set()
        self.pipeline.set_state(Gst.State.NULL)
        if self._ttx_thread is not None:
            self._ttx_thread.join(2.0)
