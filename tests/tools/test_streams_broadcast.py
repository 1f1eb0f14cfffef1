"""The simulator's services on air: the "Technik" services' stream kinds as
a client sees them on the streaming port, and one broadcast per service
shared by its clients."""

import select

import pytest

from ts_probe import connect, demux, fetch, packets, payload, pmts, start_server

PMT_PID = 0x64
VIDEO, AUDIO, AUDIO2, TELETEXT = 0x1A4, 0x1AE, 0x1AF, 0x42C


@pytest.fixture(scope='module')
def server():
    srv = start_server()
    yield srv
    srv.stop()


def technik(sid):
    return '/1:0:19:%X:3EF:1:C00000:0:0:0:' % sid


def descriptor(loop, tag):
    """Body of the first descriptor `tag` in a descriptor loop, or None."""
    pos = 0
    while pos + 2 <= len(loop):
        if loop[pos] == tag:
            return loop[pos + 2:pos + 2 + loop[pos + 1]]
        pos += 2 + loop[pos + 1]
    return None


def lang(es_entry):
    iso = descriptor(es_entry[1], 0x0A)
    return iso[:3].decode() if iso else None


def first_pes_payload(body, pid):
    for p_pid, p in packets(body):
        pay = payload(p)
        if p_pid == pid and p[1] & 0x40 and pay[:3] == b'\x00\x00\x01':
            return pay[9 + pay[8]:]
    return b''


def caps_of(found, pid):
    return next(c for n, c in found['caps'] if n.endswith('_%04x' % pid))


def check_eac3_dvb(pmt, body, found):
    assert pmt.es[AUDIO][0] == 0x06 and descriptor(pmt.es[AUDIO][1], 0x7A) is not None
    assert lang(pmt.es[AUDIO]) == 'fra' and lang(pmt.es[AUDIO2]) == 'deu'
    assert pmt.es[AUDIO2][0] in (0x03, 0x04)
    # Teletext "fra": initial page 100, subtitle page 888.
    assert pmt.es[TELETEXT] == (0x06, b'\x56\x0a' + b'fra\x09\x00' + b'fra\x10\x88')
    assert caps_of(found, AUDIO).startswith('audio/x-eac3')
    assert caps_of(found, TELETEXT).startswith('application/x-teletext')


def check_eac3_87(pmt, body, found):
    assert pmt.es[AUDIO][0] == 0x87 and lang(pmt.es[AUDIO]) == 'deu'
    assert caps_of(found, AUDIO).startswith('audio/x-eac3') and 'audio' in found['decoded']


def check_latm(pmt, body, found):
    assert pmt.es[AUDIO][0] == 0x11
    frame = first_pes_payload(body, AUDIO)
    assert frame[0] == 0x56 and frame[1] & 0xE0 == 0xE0  # LOAS sync word 0x2B7
    assert 'stream-format=(string)loas' in caps_of(found, AUDIO) and 'audio' in found['decoded']


def check_adts(pmt, body, found):
    assert pmt.es[AUDIO][0] == 0x0F
    assert first_pes_payload(body, AUDIO)[:2] in (b'\xff\xf1', b'\xff\xf9')
    assert 'stream-format=(string)adts' in caps_of(found, AUDIO) and 'audio' in found['decoded']


def check_hevc(pmt, body, found):
    assert pmt.es[VIDEO][0] == 0x24
    assert caps_of(found, VIDEO).startswith('video/x-h265') and 'video' in found['decoded']


def check_scrambled(pmt, body, found):
    assert descriptor(pmt.info, 0x09) is not None
    assert all(descriptor(pmt.es[pid][1], 0x09) is not None for pid in (VIDEO, AUDIO))
    bits = {(p[3] >> 6) for pid, p in packets(body) if pid in (VIDEO, AUDIO) and p[3] & 0x10}
    assert bits == {0b10}
    assert found['decoded'] == set()


def check_no_pcr(pmt, body, found):
    assert pmt.pcr_pid == 0x1FF0
    pids = {pid for pid, _p in packets(body)}
    assert 0x1FF0 not in pids
    # The clock is still there, on the video PID, just not announced.
    assert any(p[3] & 0x20 and p[4] and p[5] & 0x10 for pid, p in packets(body) if pid == VIDEO)


@pytest.mark.parametrize('sid,check', [
    (0x7001, check_eac3_dvb), (0x7002, check_eac3_87), (0x7003, check_latm),
    (0x7004, check_adts), (0x7005, check_hevc), (0x7006, check_scrambled),
    (0x7007, check_no_pcr)])
def test_technik_services_carry_what_their_pmt_announces(server, sid, check):
    head, body = fetch(server.port, technik(sid), 2.5)
    assert head.startswith('HTTP/1.0 200')
    found_pmts = pmts(body)
    assert found_pmts and found_pmts[0].program == sid and VIDEO in found_pmts[0].es
    found, err = demux(body, sid)
    if check is not check_scrambled:  # there the parsers find no frame at all
        assert err is None
    check(found_pmts[0], body, found)


def test_pmt_changes_version_and_streams_every_ten_seconds(server):
    s = connect(server.port, technik(0x7008))
    data, announced = b'', []
    try:
        while len(announced) < 2:  # a change comes within ten seconds
            chunk = s.recv(65536)
            assert chunk, 'stream ended early'
            old = len(data)
            data += chunk
            start = data.index(b'\r\n\r\n') + 4 if b'\r\n\r\n' in data else len(data)
            done = max(start, start + (old - start) // 188 * 188)
            for p in pmts(data[done:len(data) - (len(data) - done) % 188]):
                if not announced or announced[-1] != (p.version, frozenset(p.es)):
                    announced.append((p.version, frozenset(p.es)))
    finally:
        s.close()
    (v0, set0), (v1, set1) = announced[:2]
    assert v1 == (v0 + 1) % 32
    assert {set0, set1} == {frozenset({VIDEO, AUDIO}), frozenset({VIDEO, AUDIO, AUDIO2})}
    body = data.partition(b'\r\n\r\n')[2]
    assert {VIDEO, AUDIO, AUDIO2} <= {pid for pid, _p in packets(body)}  # always sent


def _read_both(a, b, a_so_far, until_bytes):
    got = {a: a_so_far, b: b''}
    while min(len(v) for v in got.values()) < until_bytes:
        ready, _w, _x = select.select(list(got), [], [], 10)
        assert ready, 'no data for 10 s'
        for s in ready:
            chunk = s.recv(65536)
            assert chunk, 'stream ended early'
            got[s] += chunk
    return got[a].partition(b'\r\n\r\n')[2], got[b].partition(b'\r\n\r\n')[2]


def _rss_mb():
    with open('/proc/self/status') as f:
        return next(int(line.split()[1]) // 1024 for line in f if line.startswith('VmRSS'))


def test_clients_share_one_broadcast_and_memory_stays_flat(server):
    svc = next(s for s in server.dataset.tv_services if not s.hd and s.teletext)
    first = connect(server.port, '/' + svc.ref)
    try:
        head = b''
        while len(head.partition(b'\r\n\r\n')[2]) < 20000:  # on air, PAT and PMT sent
            head += first.recv(65536)
        later = connect(server.port, '/' + svc.ref)
        try:
            body_a, body_b = _read_both(first, later, head, 100000)
        finally:
            later.close()
    finally:
        first.close()
    # The later client starts with whole packets, the current PAT and PMT
    # first, then exactly what the first one gets.
    assert body_b[0] == 0x47 and all(p[0] == 0x47 for _pid, p in packets(body_b))
    assert [pid for pid, _p in packets(body_b[:376])] == [0, PMT_PID]
    assert body_b[376:376 + 40 * 188] in body_a
    assert svc.ref in server.hub.on_air()

    # Hundreds of clients: no pipeline each, no memory each.
    before = _rss_mb()
    for _ in range(300):
        s = connect(server.port, '/' + svc.ref)
        data = b''
        while len(data.partition(b'\r\n\r\n')[2]) < 376:
            chunk = s.recv(65536)
            assert chunk
            data += chunk
        s.close()
    assert _rss_mb() - before < 30
    others = [s for s in server.dataset.tv_services if s is not svc][:server.hub.max_feeds + 1]
    for other in others:
        head, body = fetch(server.port, '/' + other.ref, 1.0)
        assert head.startswith('HTTP/1.0 200')
        assert len(server.hub.on_air()) <= server.hub.max_feeds
