"""What the simulator changes in mpegtsmux's output before it leaves.

mpegtsmux's program map lacks what a DVB receiver sends (AC-3 and E-AC-3 as
private data with their descriptors, a filled-in teletext descriptor, audio
languages as the data set has them, CA descriptors), so the PMT section is
rewritten on the way out.  The same place makes the odd services: a PMT that
announces a PCR PID nobody sends on, one that changes its version and its
set of streams every few seconds, and scrambled elementary streams.

Everything works on 188-byte-aligned chunks; sections of the simulator's
PMTs fit into one packet.
"""

import time

PID_MAX = 0x1FFE
# A CA system id and an ECM PID on which nothing is sent: the service looks
# encrypted to a client, as a pay-TV channel without a smartcard does.
CA_SYSTEM_ID = 0x0B00
CA_ECM_PID = 0x1FF1


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


def valid_pid(pid):
    return isinstance(pid, int) and 0x10 <= pid <= PID_MAX


def _lang3(lang, default='deu'):
    text = (lang or default)[:3].lower()
    text = (text + '   ')[:3]
    return text.encode('latin-1', 'replace')


def ca_descriptor():
    return bytes([0x09, 4, CA_SYSTEM_ID >> 8, CA_SYSTEM_ID & 0xFF,
                  0xE0 | (CA_ECM_PID >> 8), CA_ECM_PID & 0xFF])


# Stream type and codec descriptor per audio codec of the data set; None
# keeps what the muxer wrote (MPEG audio 0x03/0x04).
_AUDIO_TYPES = {
    'ac3': (0x06, bytes([0x6A, 1, 0x00])),
    'eac3': (0x06, bytes([0x7A, 1, 0x00])),
    'eac3-87': (0x87, b''),
    'aac': (0x0F, b''),
    'latm': (0x11, b''),
}


def stream_descriptors(service):
    """pid -> (stream_type or None to keep the muxer's, descriptor bytes)."""
    out = {}
    ca = ca_descriptor() if getattr(service, 'scrambled', False) else b''
    for pid, lang, codec in service.audio_pids or []:
        iso = bytes([0x0A, 4]) + _lang3(lang) + b'\x00'
        stype, desc = _AUDIO_TYPES.get(str(codec).lower(), (None, b''))
        out[pid] = (stype, iso + desc + ca)
    video_pid = getattr(service, 'video_pid', None)
    if ca and valid_pid(video_pid):
        out[video_pid] = (None, ca)
    if service.teletext and valid_pid(service.teletext_pid):
        # Initial page 100 (type 1, magazine 1, page 00) and a subtitle page 888.
        lang = _lang3(getattr(service, 'teletext_lang', 'deu'))
        entries = lang + bytes([(1 << 3) | 1, 0x00]) + lang + bytes([(2 << 3) | 0, 0x88])
        out[service.teletext_pid] = (0x06, bytes([0x56, len(entries)]) + entries)
    if service.subtitles and valid_pid(service.subtitle_pid):
        entry = _lang3('deu') + bytes([0x10, 0x00, 0x01, 0x00, 0x01])
        out[service.subtitle_pid] = (0x06, bytes([0x59, len(entry)]) + entry)
    return out


def rewrite_pmt_section(section, descriptors, program_info=None, pcr_pid=None,
                        hidden_pids=(), version=None):
    """A PMT section (table id .. CRC) with stream types and ES descriptors
    replaced per PID, optionally another programme-level descriptor loop,
    PCR PID and version, and without the ES entries of `hidden_pids`; None
    if the section is not a well-formed PMT."""
    if len(section) < 16 or section[0] != 0x02:
        return None
    length = ((section[1] & 0x0F) << 8) | section[2]
    end = 3 + length - 4
    if end > len(section) or end < 12:
        return None
    info_len = ((section[10] & 0x0F) << 8) | section[11]
    pos = 12 + info_len
    head = bytearray(section[3:10])
    if version is not None:
        head[2] = (head[2] & 0xC1) | ((version & 0x1F) << 1)
    if pcr_pid is not None:
        head[5:7] = bytes([0xE0 | (pcr_pid >> 8), pcr_pid & 0xFF])
    info = section[12:pos] if program_info is None else program_info
    body = head + bytes([0xF0 | (len(info) >> 8), len(info) & 0xFF]) + info
    while pos + 5 <= end:
        stype = section[pos]
        pid = ((section[pos + 1] & 0x1F) << 8) | section[pos + 2]
        es_len = ((section[pos + 3] & 0x0F) << 8) | section[pos + 4]
        desc = section[pos + 5:pos + 5 + es_len]
        pos += 5 + es_len
        if pid in hidden_pids:
            continue
        if pid in descriptors:
            new_type, desc = descriptors[pid]
            stype = new_type if new_type is not None else stype
        body += bytes([stype, 0xE0 | (pid >> 8), pid & 0xFF,
                       0xF0 | (len(desc) >> 8), len(desc) & 0xFF]) + desc
    new_len = len(body) + 4
    sec = bytes([0x02, 0xB0 | (new_len >> 8), new_len & 0xFF]) + body
    return sec + crc32_mpeg(sec).to_bytes(4, 'big')


class PmtPlan:
    """What a service's PMT announces beyond the muxer's own: descriptors,
    programme-level CA descriptor, a false PCR PID, periodic changes."""

    def __init__(self, service, clock=time.monotonic):
        self.descriptors = stream_descriptors(service)
        self.program_info = ca_descriptor() if getattr(service, 'scrambled', False) else None
        self.pcr_pid = getattr(service, 'pmt_pcr_pid', None)
        self.period_s = getattr(service, 'pmt_change_s', 0) or 0
        self.optional_pids = frozenset(getattr(service, 'pmt_optional_pids', None) or ())
        self._clock = clock
        self._t0 = clock()

    def phase(self):
        """Number of the current announcement (0 when the PMT never changes).
        Even ones leave out the optional PIDs; the version follows the number."""
        if self.period_s <= 0:
            return 0
        return int((self._clock() - self._t0) // self.period_s)

    def rewrite(self, section, phase):
        changing = self.period_s > 0
        return rewrite_pmt_section(
            section, self.descriptors, program_info=self.program_info, pcr_pid=self.pcr_pid,
            hidden_pids=self.optional_pids if changing and phase % 2 == 0 else (),
            version=phase % 32 if changing else None)


class PmtRewriter:
    """Replaces the payload of every PMT packet of a 188-byte-aligned TS.
    `descriptors` is a dict as stream_descriptors gives, or a PmtPlan."""

    def __init__(self, pmt_pid, descriptors):
        self.pmt_pid = pmt_pid
        self.plan = descriptors if isinstance(descriptors, PmtPlan) else None
        self.descriptors = descriptors
        self._cache = {}
        self._rest = b''

    def _rewrite(self, sec, phase):
        if self.plan is not None:
            return self.plan.rewrite(sec, phase)
        return rewrite_pmt_section(sec, self.descriptors)

    def _packet(self, pkt, phase):
        if not pkt[1] & 0x40 or not pkt[3] & 0x10:  # only section starts
            return pkt
        start = 4 + (1 + pkt[4] if pkt[3] & 0x20 else 0)
        key = (phase, pkt[start:])
        new = self._cache.get(key)
        if new is None:
            new = b''
            payload = key[1]
            if len(payload) > 4 and 1 + payload[0] < len(payload):
                sec = payload[1 + payload[0]:]
                length = ((sec[1] & 0x0F) << 8) | sec[2] if len(sec) > 3 else 0
                rewritten = self._rewrite(sec[:3 + length], phase)
                if rewritten is not None and len(rewritten) <= 183:
                    new = b'\x00' + rewritten + b'\xff' * (183 - len(rewritten))
            if len(self._cache) >= 16:
                self._cache.clear()
            self._cache[key] = new
        if not new:
            return pkt
        # Payload only (the muxer's stuffing adaptation field is dropped).
        return pkt[:3] + bytes([(pkt[3] & 0xCF) | 0x10]) + new

    def feed(self, data):
        data = self._rest + data
        usable = len(data) - len(data) % 188
        self._rest = data[usable:]
        hi, lo = (self.pmt_pid >> 8) & 0x1F, self.pmt_pid & 0xFF
        phase = self.plan.phase() if self.plan is not None else 0
        out = None
        for off in range(0, usable, 188):
            if data[off] == 0x47 and (data[off + 1] & 0x1F) == hi and data[off + 2] == lo:
                if out is None:
                    out = bytearray(data[:usable])
                out[off:off + 188] = self._packet(bytes(data[off:off + 188]), phase)
        return bytes(out) if out is not None else data[:usable]


# A fixed byte permutation: without the key a client sees noise, and the
# simulator spends next to nothing on it.
_GARBLE = bytes((b * 167 + 0x5B) & 0xFF for b in range(256))


class Scrambler:
    """Marks every packet of the given PIDs as scrambled (even key,
    transport_scrambling_control 0b10) and garbles its payload; adaptation
    fields (and the PCR in them) stay readable, as on air."""

    def __init__(self, pids):
        self.pids = frozenset(p for p in pids if valid_pid(p))

    def feed(self, data):
        out = bytearray(data)
        for off in range(0, len(out) - 187, 188):
            if out[off] != 0x47:
                continue
            pid = ((out[off + 1] & 0x1F) << 8) | out[off + 2]
            flags = out[off + 3]
            if pid not in self.pids or not flags & 0x10:
                continue
            start = off + 4 + (1 + out[off + 4] if flags & 0x20 else 0)
            end = off + 188
            if start >= end:
                continue
            out[off + 3] = (flags & 0x3F) | 0x80
            out[start:end] = out[start:end].translate(_GARBLE)
        return bytes(out)


def section_starts(data, pid):
    """Packets of `pid` in an aligned chunk that start a section (their
    offsets), for the broadcast that keeps the latest PAT and PMT."""
    hi, lo = 0x40 | (pid >> 8), pid & 0xFF
    out = []
    for off in range(0, len(data) - 187, 188):
        if data[off] == 0x47 and data[off + 1] & 0x5F == hi and data[off + 2] == lo:
            out.append(off)
    return out
