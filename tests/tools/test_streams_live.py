"""The simulator's streaming port as a black box: fetch live streams over
TCP and take them apart with GStreamer's tsdemux, as the program does."""

import socket
import time

import pytest

from ts_probe import connect as _connect, demux, fetch, pmt_of, start_server, tt


@pytest.fixture(scope='module')
def server():
    srv = start_server()
    yield srv
    srv.stop()


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
    assert server.state.snapshot()['streams'] == []  # a closed client is no longer listed


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
