"""The simulator's streaming port as a black box: fetch live streams over
TCP and take them apart with GStreamer's tsdemux, as the program does."""

import os
import socket
import sys
import threading
import time

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tools', 'e2sim'))

import dataset  # noqa: E402
import state as sim_state  # noqa: E402
import streams  # noqa: E402
import teletext as tt  # noqa: E402

Gst = streams.gst()


@pytest.fixture(scope='module')
def server():
    ds = dataset.Dataset()
    st = sim_state.State(ds)
    srv = streams.StreamServer('127.0.0.1', 0, ds, st).start()
    yield srv
    srv.stop()


def _connect(port, path):
    s = socket.create_connection(('127.0.0.1', port), timeout=10)
    s.sendall(('GET %s HTTP/1.0\r\nHost: x\r\n\r\n' % path).encode())
    return s


def _split_header(data):
    head, _, body = data.partition(b'\r\n\r\n')
    return head.decode('latin-1'), body


def fetch(port, path, seconds):
    """Status head and body received within `seconds` (or until closed)."""
    s = _connect(port, path)
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


def pmt_of(ts_bytes, pmt_pid=0x64):
    """{pid: (stream type, descriptors)} of the first PMT section."""
    for off in range(0, len(ts_bytes) - 187, 188):
        p = ts_bytes[off:off + 188]
        if p[0] != 0x47 or not p[1] & 0x40 or ((p[1] & 0x1F) << 8 | p[2]) != pmt_pid:
            continue
        pay = p[4 + (1 + p[4] if p[3] & 0x20 else 0):]
        sec = pay[1 + pay[0]:]
        end = 3 + ((sec[1] & 0x0F) << 8 | sec[2]) - 4
        pos, es = 12 + ((sec[10] & 0x0F) << 8 | sec[11]), {}
        while pos < end:
            n = (sec[pos + 3] & 0x0F) << 8 | sec[pos + 4]
            es[(sec[pos + 1] & 0x1F) << 8 | sec[pos + 2]] = (sec[pos], sec[pos + 5:pos + 5 + n])
            pos += 5 + n
        return sec[3] << 8 | sec[4], es
    return None, {}


def _wait_no_streams(server):
    deadline = time.monotonic() + 5
    while server.state.snapshot()['streams'] and time.monotonic() < deadline:
        time.sleep(0.1)


def service(server, want):
    return next(s for s in server.dataset.services if want(s))


def test_sd_tv_stream_has_video_audio_teletext_and_a_dvb_pmt(server):
    svc = service(server, lambda s: s.kind == 'tv' and not s.hd and s.teletext)
    head, body = fetch(server.port, '/' + svc.ref, 3.0)
    assert head.startswith('HTTP/1.0 200') and 'video/mpeg' in head
    program, es = pmt_of(body)
    assert program == svc.sid
    assert es[svc.teletext_pid][0] == 0x06 and es[svc.teletext_pid][1][:7] == b'\x56\x0adeu\x09\x00'
    found, err = demux(body, svc.sid)
    assert err is None
    kinds = [c.split(',')[0] for _n, c in found['caps']]
    assert 'video/mpeg' in kinds and 'audio/mpeg' in kinds and 'application/x-teletext' in kinds
    assert any(n.startswith('private_') for n, c in found['caps'] if 'teletext' in c)
    assert 'mpegversion=(int)2' in next(c for _n, c in found['caps'] if c.startswith('video/mpeg'))
    assert {'video', 'audio'} <= found['decoded']
    headers = [tt.decode_header(d) for _m, row, d in found['ttx'] if row == 0]
    assert any(h and h[0] == 0x00 for h in headers)  # page 100 arrived intact


def test_hd_service_carries_h264_ac3_and_subtitles(server):
    svc = service(server, lambda s: s.ref.startswith('1:0:19:') and s.ac3 and s.subtitles)
    head, body = fetch(server.port, '/' + svc.ref.replace(':', '%3A'), 3.0)
    assert head.startswith('HTTP/1.0 200')
    found, err = demux(body, svc.sid)
    assert err is None
    kinds = sorted(c.split(',')[0] for _n, c in found['caps'])
    assert kinds.count('video/x-h264') == 1 and 'audio/x-ac3' in kinds
    assert 'subpicture/x-dvb' in kinds and 'audio/mpeg' in kinds
    assert 'video' in found['decoded']
    ac3_pid = [p for p, _l, c in svc.audio_pids if c == 'ac3'][0]
    _prog, es = pmt_of(body)
    assert es[ac3_pid][0] == 0x06 and b'\x6a\x01' in es[ac3_pid][1]


def test_radio_stream_is_audio_only(server):
    svc = service(server, lambda s: s.kind == 'radio')
    head, body = fetch(server.port, '/' + svc.ref, 2.0)
    found, err = demux(body, svc.sid)
    assert err is None
    assert [c.split(',')[0] for _n, c in found['caps']] == ['audio/mpeg']


def test_two_clients_at_once_and_both_are_listed(server):
    a = service(server, lambda s: s.kind == 'tv' and not s.hd)
    b = service(server, lambda s: s.kind == 'tv' and s.hd)
    _wait_no_streams(server)  # clients of earlier tests may still be winding down
    sa, sb = _connect(server.port, '/' + a.ref), _connect(server.port, '/' + b.ref)
    try:
        got = {}
        for name, s in (('a', sa), ('b', sb)):
            data = b''
            while len(data) < 20000:
                chunk = s.recv(65536)
                assert chunk, 'stream %s ended early' % name
                data += chunk
            got[name] = data
        assert sorted(server.state.snapshot()['streams']) == sorted([a.ref, b.ref])
    finally:
        sa.close()
        sb.close()
    _wait_no_streams(server)
    assert server.state.snapshot()['streams'] == []  # a closed client frees its pipeline


def test_unknown_and_malformed_requests(server):
    assert fetch(server.port, '/1:0:1:FFFF:0:0:0:0:0:0:', 2)[0].startswith('HTTP/1.0 404')
    assert fetch(server.port, '/', 2)[0].startswith('HTTP/1.0 404')
    s = socket.create_connection(('127.0.0.1', server.port), timeout=5)
    s.sendall(b'\x00\xff garbage\r\n\r\n')
    assert s.recv(100)[:12] in (b'HTTP/1.0 400', b'HTTP/1.0 405')
    s.close()


class TestFaults:
    def test_stop_ends_the_stream(self, server):
        svc = service(server, lambda s: s.kind == 'radio')
        server.state.set_faults({'stream': 'stop', 'after': '1'})
        try:
            t0 = time.monotonic()
            head, body = fetch(server.port, '/' + svc.ref, 8.0)
            assert head.startswith('HTTP/1.0 200') and len(body) > 0
            assert time.monotonic() - t0 < 7  # closed by the server, not by us
        finally:
            server.state.reset()

    def test_stall_keeps_the_connection_open_without_data(self, server):
        svc = service(server, lambda s: s.kind == 'radio')
        server.state.set_faults({'stream': 'stall', 'after': '1'})
        try:
            s = _connect(server.port, '/' + svc.ref)
            s.settimeout(3)
            data = b''
            with pytest.raises(socket.timeout):
                while True:
                    chunk = s.recv(65536)
                    assert chunk, 'a stalled stream must not close'
                    data += chunk
            assert len(data) > 1000
            s.close()
        finally:
            server.state.reset()

    def test_never_sends_nothing(self, server):
        svc = service(server, lambda s: s.kind == 'radio')
        server.state.set_faults({'stream': 'never'})
        try:
            s = _connect(server.port, '/' + svc.ref)
            s.settimeout(1.5)
            with pytest.raises(socket.timeout):
                s.recv(100)
            s.close()
        finally:
            server.state.reset()
