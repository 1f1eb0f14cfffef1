"""Shared by the stream tests: the simulator's streaming port started in
this process, and readers that take its transport streams apart the way the
program does (GStreamer's tsdemux) or byte by byte."""

import os
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tools', 'e2sim'))

import dataset  # noqa: E402
import state as sim_state  # noqa: E402
import streams  # noqa: E402
import teletext as tt  # noqa: E402

Gst = streams.gst()


def start_server(**kwargs):
    ds = dataset.Dataset()
    return streams.StreamServer('127.0.0.1', 0, ds, sim_state.State(ds), **kwargs).start()


def connect(port, path):
    s = socket.create_connection(('127.0.0.1', port), timeout=10)
    s.sendall(('GET %s HTTP/1.0\r\nHost: x\r\n\r\n' % path).encode())
    return s


def _split_header(data):
    head, _, body = data.partition(b'\r\n\r\n')
    return head.decode('latin-1'), body


def fetch(port, path, seconds):
    """Status head and body received within `seconds` (or until closed)."""
    s = connect(port, path)
    data, end = b'', time.monotonic() + seconds
    try:
        while time.monotonic() < end:
            s.settimeout(max(0.05, end - time.monotonic()))
            try:
                chunk = s.recv(65536)
            except socket.timeout:
                break
            if not chunk:
                break
            data += chunk
    finally:
        s.close()
    return _split_header(data)


def demux(ts_bytes, program):
    """Caps of every tsdemux pad of `program`, decoded teletext units and
    whether audio/video actually decoded."""
    pipe = Gst.Pipeline.new('check')
    src = Gst.ElementFactory.make('appsrc')
    src.set_property('format', Gst.Format.BYTES)
    src.set_property('caps', Gst.Caps.from_string('video/mpegts,systemstream=true'))
    dmx = Gst.ElementFactory.make('tsdemux')
    dmx.set_property('program-number', program)
    pipe.add(src)
    pipe.add(dmx)
    src.link(dmx)
    found = {'caps': [], 'ttx': [], 'decoded': set()}
    lock = threading.Lock()

    def on_ttx(sink):
        sample = sink.emit('pull-sample')
        buf = sample.get_buffer()
        with lock:
            found['ttx'].extend(tt.decode_units(buf.extract_dup(0, buf.get_size())))
        return Gst.FlowReturn.OK

    def on_decoded(pad, info, kind):
        found['decoded'].add(kind)
        return Gst.PadProbeReturn.OK

    def pad_added(_d, pad):
        caps = pad.get_current_caps().to_string()
        with lock:
            found['caps'].append((pad.get_name(), caps))
        q = Gst.ElementFactory.make('queue')
        if caps.startswith('application/x-teletext'):
            sink = Gst.ElementFactory.make('appsink')
            sink.set_property('emit-signals', True)
            sink.set_property('sync', False)
            sink.connect('new-sample', on_ttx)
            chain = [q, sink]
        elif caps.startswith(('video/', 'audio/')):
            dec = Gst.ElementFactory.make('decodebin')
            sink = Gst.ElementFactory.make('fakesink')
            sink.set_property('sync', False)
            chain = [q, dec, sink]
            kind = caps.split('/')[0]
            dec.connect('pad-added', lambda _e, p: (
                p.link(sink.get_static_pad('sink')),
                p.add_probe(Gst.PadProbeType.BUFFER, on_decoded, kind)))
        else:
            sink = Gst.ElementFactory.make('fakesink')
            chain = [q, sink]
        for el in chain:
            pipe.add(el)
        for a, b in zip(chain, chain[1:]):
            if b.get_name().startswith('fakesink') and a.get_name().startswith('decodebin'):
                continue
            a.link(b)
        for el in chain:
            el.sync_state_with_parent()
        pad.link(q.get_static_pad('sink'))

    dmx.connect('pad-added', pad_added)
    pipe.set_state(Gst.State.PLAYING)
    src.emit('push-buffer', Gst.Buffer.new_wrapped(ts_bytes))
    src.emit('end-of-stream')
    msg = pipe.get_bus().timed_pop_filtered(10 * Gst.SECOND,
                                            Gst.MessageType.EOS | Gst.MessageType.ERROR)
    if msg is None:
        err = 'no end of stream'
    elif msg.type == Gst.MessageType.ERROR:
        err = msg.parse_error()[0].message
    else:
        err = None
    pipe.set_state(Gst.State.NULL)
    return found, err


def packets(ts_bytes):
    """(pid, packet) of every whole packet, from the first byte on."""
    for off in range(0, len(ts_bytes) - 187, 188):
        p = ts_bytes[off:off + 188]
        yield (p[1] & 0x1F) << 8 | p[2], p


def payload(p):
    """A packet's payload after its adaptation field (b'' when it has none)."""
    if not p[3] & 0x10:
        return b''
    return p[4 + (1 + p[4] if p[3] & 0x20 else 0):]


class Pmt:
    def __init__(self, sec):
        end = 3 + ((sec[1] & 0x0F) << 8 | sec[2]) - 4
        info_end = 12 + ((sec[10] & 0x0F) << 8 | sec[11])
        self.program = sec[3] << 8 | sec[4]
        self.version = (sec[5] >> 1) & 0x1F
        self.pcr_pid = (sec[8] & 0x1F) << 8 | sec[9]
        self.info = sec[12:info_end]
        self.es = {}  # pid -> (stream type, descriptors)
        pos = info_end
        while pos < end:
            n = (sec[pos + 3] & 0x0F) << 8 | sec[pos + 4]
            self.es[(sec[pos + 1] & 0x1F) << 8 | sec[pos + 2]] = (sec[pos], sec[pos + 5:pos + 5 + n])
            pos += 5 + n


def pmts(ts_bytes, pmt_pid=0x64):
    """Every PMT section in the stream, in order."""
    out = []
    for pid, p in packets(ts_bytes):
        pay = payload(p)
        if pid == pmt_pid and p[1] & 0x40 and pay:
            out.append(Pmt(pay[1 + pay[0]:]))
    return out


def pmt_of(ts_bytes, pmt_pid=0x64):
    """(programme, {pid: (stream type, descriptors)}) of the first PMT section."""
    found = pmts(ts_bytes, pmt_pid)
    return (found[0].program, found[0].es) if found else (None, {})
