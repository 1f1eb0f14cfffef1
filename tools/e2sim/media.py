"""Recording files and screen grabs of the simulated receiver.

Recordings: a few short transport streams are encoded once into a cache
(faster than real time, with the same pipelines as the live streams) and
every recording of the data set is a hard link to one of them, laid out
under <cache>/root/ exactly as on the receiver's disk, with an Enigma2
".meta" file beside each.  <cache>/root can thus serve as the FTP root.
"""

import hashlib
import os
import shutil
import time

try:
    from . import streams
except ImportError:
    import streams

# Bump when the encoding changes, so old caches are rebuilt (2: MPEG-2 with a
# sequence header in every GOP; without it a decoder shows nothing after a seek).
CACHE_VERSION = 2
BASE_SECONDS = 20
GRAB_SIZE = (720, 576)


def recordings_root(cache_dir):
    """Directory that mirrors the receiver's file system (FTP root)."""
    return os.path.join(cache_dir, 'root')


def _base_services(dataset):
    """SD with teletext, HD with AC-3, a plain SD one: the kinds of
    recording the program must handle."""
    tv = [s for s in dataset.tv_services if s.video_pid]
    picks = []
    for want in (lambda s: not s.hd and s.teletext,
                 lambda s: s.hd and s.ac3,
                 lambda s: not s.hd and not s.ac3):
        s = next((s for s in tv if want(s) and s not in picks), None)
        if s is not None:
            picks.append(s)
    return picks or tv[:1]


def _encode(service, path, seconds):
    feed = streams.Feed(service, live=False, duration_s=seconds)
    tmp = path + '.part'
    try:
        feed.start()
        with open(tmp, 'wb') as out:
            while True:
                data = feed.read(10.0)
                if data is None:
                    break
                out.write(data)
        err = feed.error_text()
        if err:
            raise RuntimeError('encoding %s failed: %s' % (service.ref, err))
        os.replace(tmp, path)
    finally:
        feed.close()
        if os.path.exists(tmp):
            os.unlink(tmp)


def _base_files(cache_dir, dataset):
    os.makedirs(cache_dir, exist_ok=True)
    current = 'base-v%d-' % CACHE_VERSION
    for name in os.listdir(cache_dir):
        if name.startswith('base-v') and name.endswith('.ts') and not name.startswith(current):
            os.unlink(os.path.join(cache_dir, name))  # runs still serving it keep their links
    out = []
    for i, svc in enumerate(_base_services(dataset)):
        kind = 'hd' if streams.is_hd(svc) else 'sd'
        path = os.path.join(cache_dir, 'base-v%d-%d-%s-%X.ts' % (CACHE_VERSION, i, kind, svc.sid))
        if not os.path.exists(path):
            _encode(svc, path, BASE_SECONDS)
        out.append(path)
    return out


def ts_duration_pts(path):
    """Span of the PCRs in a transport stream file, in 90 kHz units."""
    first = last = None
    with open(path, 'rb') as f:
        data = f.read()
    for off in range(0, len(data) - 187, 188):
        p = data[off:off + 188]
        if p[0] == 0x47 and p[3] & 0x20 and p[4] >= 7 and p[5] & 0x10:
            pcr = (p[6] << 25) | (p[7] << 17) | (p[8] << 9) | (p[9] << 1) | (p[10] >> 7)
            if first is None:
                first = pcr
            last = pcr
    return 0 if first is None else max(0, last - first)


def meta_text(rec, service_ref, length_pts, size):
    """Enigma2 .meta: service ref, title, description, begin, tags,
    length (pts), file size; line 5 is what the program edits."""
    lines = [service_ref, rec.title, rec.description, str(int(rec.begin)), rec.tags,
             str(int(length_pts)), str(int(size))]
    return ''.join(line.replace('\n', ' ') + '\n' for line in lines)


def _link(src, dst):
    """dst becomes a link to src; a link to an older base file is replaced
    (atomically: simulators running beside us may be reading it)."""
    try:
        if os.path.samefile(src, dst):
            return
    except OSError:
        pass
    os.makedirs(os.path.dirname(dst), exist_ok=True)
    tmp = '%s.%d.tmp' % (dst, os.getpid())
    try:
        os.link(src, tmp)
    except OSError:
        shutil.copyfile(src, tmp)
    os.replace(tmp, dst)


def _signature(dataset, bases):
    h = hashlib.sha1()
    h.update(repr((CACHE_VERSION, bases)).encode())
    for r in dataset.recordings:
        h.update(repr((r.path, r.service_ref, r.title, r.description, r.begin, r.tags)).encode())
    return h.hexdigest()


def ensure_recordings(cache_dir, dataset):
    """Receiver path -> local file, for every recording and its ".meta".
    Encodes only on the first run; later runs only check a stamp."""
    cache_dir = os.path.abspath(cache_dir)
    bases = _base_files(cache_dir, dataset)
    root = recordings_root(cache_dir)
    mapping = {}
    for i, r in enumerate(dataset.recordings):
        local = os.path.join(root, r.path.lstrip('/'))
        mapping[r.path] = local
        mapping[r.path + '.meta'] = local + '.meta'
    stamp = os.path.join(cache_dir, 'layout.stamp')
    sig = _signature(dataset, [os.path.basename(b) for b in bases])
    try:
        with open(stamp) as f:
            if f.read() == sig and all(os.path.exists(p) for p in
                                       list(mapping.values())[:2] + list(mapping.values())[-2:]):
                return mapping
    except OSError:
        pass
    info = {b: (ts_duration_pts(b), os.path.getsize(b)) for b in bases}
    for i, r in enumerate(dataset.recordings):
        base = bases[i % len(bases)]
        local = mapping[r.path]
        _link(base, local)
        length, size = info[base]
        # Replaced, not rewritten: a run's FTP root holds hard links to it.
        tmp = '%s.meta.%d.tmp' % (local, os.getpid())
        with open(tmp, 'w', encoding='utf-8') as f:
            f.write(meta_text(r, r.service_ref, length, size))
        os.replace(tmp, local + '.meta')
    with open(stamp, 'w') as f:
        f.write(sig)
    return mapping


def _current_service(dataset, state):
    ref = getattr(state, 'current', None)
    svc = dataset.find_service(ref) if ref and hasattr(dataset, 'find_service') else None
    return svc


def grab_image(dataset, state, fmt='jpg', width=None):
    """(content type, bytes): a picture of the current service with its
    name and the time, as JPEG or PNG; `width` scales it (4:5 aspect kept)."""
    Gst = streams.gst()
    svc = _current_service(dataset, state)
    name = svc.name if svc is not None else 'Kein Sender'
    w, h = GRAB_SIZE
    try:
        width = int(width) if width else None
    except (TypeError, ValueError):
        width = None
    if width:
        width = max(16, min(1920, width)) // 2 * 2
        w, h = width, max(16, width * GRAB_SIZE[1] // GRAB_SIZE[0]) // 2 * 2
    png = str(fmt).lower() == 'png'
    if svc is not None and svc.kind == 'tv':
        pattern = streams.PATTERNS[svc.sid % len(streams.PATTERNS)]
    else:
        pattern = 'black'
    enc = 'pngenc' if png else 'jpegenc quality=80'
    pipe = Gst.parse_launch(
        f'videotestsrc num-buffers=1 pattern={pattern} '
        f'! video/x-raw,format=I420,width={GRAB_SIZE[0]},height={GRAB_SIZE[1]} '
        f'! textoverlay name=title valignment=top halignment=center font-desc="Sans Bold 32" '
        f'shaded-background=true ! textoverlay name=clock valignment=bottom halignment=right '
        f'font-desc="Sans 28" shaded-background=true ! videoscale ! videoconvert '
        f'! video/x-raw,width={w},height={h} ! {enc} ! appsink name=out sync=false')
    pipe.get_by_name('title').set_property('text', name)
    pipe.get_by_name('clock').set_property('text', time.strftime('%H:%M:%S'))
    sink = pipe.get_by_name('out')
    try:
        pipe.set_state(Gst.State.PLAYING)
        sample = sink.try_pull_sample(5 * Gst.SECOND)
        if sample is None:
            raise RuntimeError('no grab picture')
        buf = sample.get_buffer()
        data = buf.extract_dup(0, buf.get_size())
    finally:
        pipe.set_state(Gst.State.NULL)
    return ('image/png' if png else 'image/jpeg'), data
