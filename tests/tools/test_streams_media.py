"""Recording cache and screen grabs of the simulator."""

import os
import sys
import types

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tools', 'e2sim'))

import dataset  # noqa: E402
import media  # noqa: E402
import state as sim_state  # noqa: E402
from test_streams_live import demux  # noqa: E402


@pytest.fixture(scope='module')
def ds():
    return dataset.Dataset()


@pytest.fixture(scope='module')
def cache(tmp_path_factory, ds):
    # Two-second base files keep the first (encoding) run short.
    old = media.BASE_SECONDS
    media.BASE_SECONDS = 2
    try:
        path = str(tmp_path_factory.mktemp('reccache'))
        return path, media.ensure_recordings(path, ds)
    finally:
        media.BASE_SECONDS = old


def test_every_recording_has_a_playable_file_and_a_meta(cache, ds):
    _dir, mapping = cache
    assert len(mapping) == 2 * len(ds.recordings)
    seen = set()
    for r in ds.recordings:
        local = mapping[r.path]
        assert os.path.isfile(local) and local.endswith(r.path)
        seen.add(os.stat(local).st_ino)
        lines = open(mapping[r.path + '.meta'], encoding='utf-8').read().split('\n')
        assert lines[0] == r.service_ref and lines[1] == r.title
        assert lines[4] == r.tags  # the line the program edits
        assert int(lines[6]) == os.path.getsize(local) and int(lines[5]) > 0
    assert len(seen) <= 4  # links, not one encode per recording
    rec = ds.recordings[0]
    with open(mapping[rec.path], 'rb') as f:
        data = f.read()
    pat_prog = None
    for off in range(0, len(data), 188):
        p = data[off:off + 188]
        if ((p[1] & 0x1F) << 8 | p[2]) == 0 and p[1] & 0x40:
            pay = p[4 + (1 + p[4] if p[3] & 0x20 else 0):]
            sec = pay[1 + pay[0]:]
            pat_prog = sec[8] << 8 | sec[9]
            break
    found, err = demux(data, pat_prog)
    kinds = {c.split(',')[0] for _n, c in found['caps']}
    assert err is None and kinds & {'video/mpeg', 'video/x-h264'} and 'audio/mpeg' in kinds


def test_mpeg2_recordings_repeat_the_sequence_header(cache, ds):
    # A decoder that starts after a seek needs a sequence header within the next GOP.
    _dir, mapping = cache
    sd = [r for r in ds.recordings if open(mapping[r.path], 'rb').read().count(b'\x00\x00\x01\xb8')]
    assert sd
    for r in sd[:2]:
        data = open(mapping[r.path], 'rb').read()
        gops = data.count(b'\x00\x00\x01\xb8')
        assert gops >= 3 and data.count(b'\x00\x00\x01\xb3') >= gops - 1


def test_changed_encoding_replaces_the_links_of_the_old_files(cache, ds, monkeypatch):
    path, mapping = cache
    rec = mapping[ds.recordings[0].path]
    stale = os.path.join(path, 'stale.ts')
    with open(stale, 'wb') as f:
        f.write(b'old encoding')
    os.unlink(rec)
    os.link(stale, rec)  # as left behind by an older cache version
    os.unlink(os.path.join(path, 'layout.stamp'))
    monkeypatch.setattr(media, '_encode', lambda *a: pytest.fail('re-encoded'))
    media.ensure_recordings(path, ds)
    assert os.path.getsize(rec) > 1000 and not os.path.samefile(rec, stale)


def test_second_run_encodes_nothing_and_repairs_missing_files(cache, ds, monkeypatch):
    path, mapping = cache
    monkeypatch.setattr(media, '_encode', lambda *a: pytest.fail('re-encoded'))
    assert media.ensure_recordings(path, ds) == mapping
    os.unlink(os.path.join(path, 'layout.stamp'))
    victim = mapping[ds.recordings[3].path]
    os.unlink(victim)
    media.ensure_recordings(path, ds)
    assert os.path.isfile(victim)


def test_large_dataset_reuses_the_same_base_files(cache, monkeypatch):
    path, _mapping = cache
    monkeypatch.setattr(media, '_encode', lambda *a: pytest.fail('re-encoded'))
    small = dataset.Dataset()
    many = types.SimpleNamespace(tv_services=small.tv_services, recordings=[
        dataset.Recording(path='/hdd/movie/x%04d.ts' % i, service_ref=small.tv_services[0].ref,
                          service_name='X', title='T\nwith newline', description='',
                          description_extended='', begin=0, duration_s=60, size=1,
                          tags='', location='/hdd/movie/') for i in range(300)])
    mapping = media.ensure_recordings(path, many)
    inodes = {os.stat(mapping['/hdd/movie/x%04d.ts' % i]).st_ino for i in range(300)}
    assert len(inodes) <= 4
    meta = open(mapping['/hdd/movie/x0001.ts.meta'], encoding='utf-8').read()
    assert meta.count('\n') == 7  # a newline in a title must not shift line 5


@pytest.mark.parametrize('fmt,width,magic', [('jpg', None, b'\xff\xd8'), ('png', 200, b'\x89PNG'),
                                             ('png', 'junk', b'\x89PNG'), ('jpg', 99999, b'\xff\xd8')])
def test_grab_answers_a_picture_of_any_state(ds, fmt, width, magic):
    st = sim_state.State(ds)
    ctype, data = media.grab_image(ds, st, fmt, width)
    assert data.startswith(magic) and ctype == ('image/png' if fmt == 'png' else 'image/jpeg')
    st.current = 'not a reference'
    assert media.grab_image(ds, st, fmt, width)[1].startswith(magic)
