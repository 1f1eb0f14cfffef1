"""The receiver's recording files as this run serves them.

Media files are made once into the cache (by media.ensure_recordings when
that module is present, else a small placeholder transport stream), then each
run gets its own FTP root <run dir>/ftproot/<receiver path> with hard links
to them and to the ".meta" files. The FTP server replaces a file instead of
writing into it, so tag edits and deletions of one run never reach the cache
or another simulator running beside it.

A ".meta" file has the receiver's layout: service reference, title,
description, recording time, tags, length in 90 kHz ticks, file size.
"""

import fcntl
import os
import shutil
import sys
import threading

PLACEHOLDER_PACKETS = 2000


def placeholder_ts(cache_dir):
    """A shared stand-in recording: null packets whose payload bytes count
    up, so a byte range can be checked by its content."""
    path = os.path.join(cache_dir, "placeholder.ts")
    size = 188 * PLACEHOLDER_PACKETS
    if os.path.exists(path) and os.path.getsize(path) == size:
        return path
    data = bytearray()
    for i in range(PLACEHOLDER_PACKETS):
        data += bytes([0x47, 0x1F, 0xFF, 0x10 | (i & 0x0F)])
        data += bytes(((i + k) & 0xFF) for k in range(184))
    tmp = "%s.%d.tmp" % (path, os.getpid())
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)
    return path


def meta_text(r, size):
    return "%s\n%s\n%s\n%d\n%s\n%d\n%d\n" % (
        r.service_ref, r.title, r.description, r.begin, r.tags, r.duration_s * 90000, size)


def _link_or_copy(src, dst):
    try:
        os.link(src, dst)
    except OSError:
        shutil.copyfile(src, dst)


class RecordingFiles:
    def __init__(self, cache_dir, run_dir, dataset, log=None):
        self.dataset = dataset
        self.root = os.path.join(run_dir, "ftproot")
        self.trash = os.path.join(run_dir, "deleted")
        self.lock = threading.Lock()
        self.log = log or (lambda msg: print(msg, file=sys.stderr))
        media_files = {}
        try:
            import media
            # Simulators started side by side (parallel tests) share the cache:
            # only one of them may encode, the others wait and reuse its files.
            with open(os.path.join(cache_dir, ".media.lock"), "w") as lock_file:
                fcntl.flock(lock_file, fcntl.LOCK_EX)
                media_files = media.ensure_recordings(cache_dir, dataset) or {}
        except Exception as exc:  # the media module is optional; a broken one must not stop us
            self.log("e2sim: recordings use placeholders (%s)" % exc)
        placeholder = None
        made = set()
        for r in dataset.recordings:
            src = media_files.get(r.path)
            if not src or not os.path.exists(src):
                if placeholder is None:
                    placeholder = placeholder_ts(cache_dir)
                src = placeholder
            dst = self.local(r.path)
            folder = os.path.dirname(dst)
            if folder not in made:
                os.makedirs(folder, exist_ok=True)
                made.add(folder)
            _link_or_copy(src, dst)
            meta_src = src + ".meta"
            if src != placeholder and os.path.exists(meta_src):
                # A link is enough: the FTP server replaces a ".meta" file
                # instead of writing into it, so the cache stays untouched.
                _link_or_copy(meta_src, dst + ".meta")
            else:
                with open(dst + ".meta", "w", encoding="utf-8") as f:
                    f.write(meta_text(r, os.path.getsize(dst)))
        for loc in dataset.locations:
            os.makedirs(self.local(loc), exist_ok=True)

    def local(self, receiver_path):
        """Local file of a receiver path; None when the path leaves the root."""
        rel = os.path.normpath("/" + (receiver_path or "")).lstrip("/")
        full = os.path.join(self.root, rel)
        if not os.path.realpath(full).startswith(os.path.realpath(self.root)):
            return None
        return full

    def tags_of(self, r):
        """Line 5 of the recording's .meta file (edited over FTP), else the
        data set's tags."""
        p = self.local(r.path)
        try:
            with open(p + ".meta", encoding="utf-8", errors="replace") as f:
                lines = f.read().splitlines()
            return lines[4] if len(lines) > 4 else ""
        except OSError:
            return r.tags

    def size_of(self, r):
        try:
            return os.path.getsize(self.local(r.path))
        except (OSError, TypeError):
            return r.size

    def deleted(self, r):
        """Moves a deleted recording's files aside, so that a reset of the
        receiver state can bring them back."""
        p = self.local(r.path)
        for f in (p, p + ".meta"):
            t = os.path.join(self.trash, os.path.relpath(f, self.root))
            try:
                os.makedirs(os.path.dirname(t), exist_ok=True)
                os.replace(f, t)
            except OSError:
                pass

    def restore_all(self):
        with self.lock:
            for dirpath, _, names in os.walk(self.trash):
                for n in names:
                    t = os.path.join(dirpath, n)
                    f = os.path.join(self.root, os.path.relpath(t, self.trash))
                    try:
                        os.makedirs(os.path.dirname(f), exist_ok=True)
                        os.replace(t, f)
                    except OSError:
                        pass
