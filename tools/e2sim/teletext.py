"""Teletext (EN 300 706) packets wrapped in EBU data units (EN 300 472).

Builds the PES payload a DVB receiver would carry for a small page carousel:
an index page with German national characters and a double-height title,
page 101 with two subpages, a mosaic graphics page and a page header whose
columns 32-39 hold a running clock.  The decoding helpers exist so the
simulator's own tests can read back what it sends.
"""

import time

DATA_IDENTIFIER = 0x10
UNIT_NONSUBTITLE = 0x02
UNIT_LENGTH = 0x2C
FRAMING_CODE = 0xE4
# 15 units + data identifier + a 45-byte PES header make 4 x 184 bytes, the
# PES size EN 300 472 asks for.
UNITS_PER_PES = 15

# Spacing attributes and control codes of the basic level-1 set.
ALPHA_WHITE = 0x07
ALPHA_YELLOW = 0x03
ALPHA_CYAN = 0x06
MOSAIC_RED = 0x11
MOSAIC_GREEN = 0x12
MOSAIC_BLUE = 0x14
NORMAL_HEIGHT = 0x0C
DOUBLE_HEIGHT = 0x0D
NEW_BACKGROUND = 0x1D

# German national option subset: positions of the basic set that show
# umlauts, sharp s, paragraph and degree signs.
GERMAN = {'#': 0x23, '$': 0x24, '§': 0x40, 'Ä': 0x5B, 'Ö': 0x5C, 'Ü': 0x5D,
          '^': 0x5E, '_': 0x5F, '°': 0x60, 'ä': 0x7B, 'ö': 0x7C, 'ü': 0x7D,
          'ß': 0x7E}


def _bit(v, n):
    return (v >> n) & 1


def hamming84_encode(nibble):
    """Byte with b1 as bit 0: P1 D1 P2 D2 P3 D3 P4 D4."""
    d1, d2, d3, d4 = (_bit(nibble, i) for i in range(4))
    p1 = 1 ^ d1 ^ d3 ^ d4
    p2 = 1 ^ d1 ^ d2 ^ d4
    p3 = 1 ^ d1 ^ d2 ^ d3
    p4 = 1 ^ p1 ^ d1 ^ p2 ^ d2 ^ p3 ^ d3 ^ d4
    bits = (p1, d1, p2, d2, p3, d3, p4, d4)
    return sum(b << i for i, b in enumerate(bits))


HAMMING_CODES = [hamming84_encode(n) for n in range(16)]


def _hamming_decode_table():
    table = [0xFF] * 256
    for n, code in enumerate(HAMMING_CODES):
        table[code] = n
        for i in range(8):
            table[code ^ (1 << i)] = n
    return table


HAMMING_DECODE = _hamming_decode_table()


def hamming84_decode(byte):
    """Data nibble, single bit errors corrected; 0xFF for double errors."""
    return HAMMING_DECODE[byte & 0xFF]


def odd_parity(code):
    code &= 0x7F
    return code | (0x80 if bin(code).count('1') % 2 == 0 else 0)


def parity_check(byte):
    """The 7-bit code, or None when the parity is wrong."""
    return byte & 0x7F if bin(byte).count('1') % 2 == 1 else None


REVERSE = bytes(int(f'{i:08b}'[::-1], 2) for i in range(256))


def text_codes(text):
    """Characters to 7-bit codes, umlauts through the German subset."""
    out = []
    for ch in text:
        if ch in GERMAN:
            out.append(GERMAN[ch])
        elif isinstance(ch, int):
            out.append(ch & 0x7F)
        elif 0x20 <= ord(ch) < 0x7F:
            out.append(ord(ch))
        else:
            out.append(0x3F)  # '?' for anything the subset cannot show
    return out


def packet(magazine, row, data):
    """42-byte packet (address + 40 data bytes), b1 as bit 0."""
    mag = magazine & 7
    return bytes([HAMMING_CODES[mag | ((row & 1) << 3)],
                  HAMMING_CODES[(row >> 1) & 0x0F]]) + bytes(data)


def row_packet(magazine, row, codes):
    codes = (list(codes) + [0x20] * 40)[:40]
    return packet(magazine, row, [odd_parity(c) for c in codes])


def header_packet(magazine, page, subpage, text, erase=False, subtitle=False):
    """Header row: page, subcode and control bits Hamming-coded, then
    the 32 displayable columns 8-39 with odd parity."""
    units, tens = page & 0x0F, (page >> 4) & 0x0F
    s1, s2 = subpage & 0x0F, (subpage >> 4) & 0x07
    c4 = 1 if erase else 0
    c6 = 1 if subtitle else 0
    # C12-C14 = German national option (the subset the text is written in).
    c11_14 = 0b1000
    ham = [units, tens, s1, s2 | (c4 << 3), 0, (c6 << 3), 0, c11_14]
    codes = (text_codes(text) + [0x20] * 32)[:32]
    return packet(magazine, 0,
                  [HAMMING_CODES[v] for v in ham] + [odd_parity(c) for c in codes])


def data_unit(pkt, field_line=0xE0 | 0x20 | 7, unit_id=UNIT_NONSUBTITLE):
    """46-byte EBU data unit; packet bytes are sent least significant bit first."""
    assert len(pkt) == 42
    return bytes([unit_id, UNIT_LENGTH, field_line, FRAMING_CODE]) + pkt.translate(REVERSE)


def stuffing_unit():
    return bytes([0xFF, UNIT_LENGTH]) + b'\xff' * 44


class Carousel:
    """Endless sequence of packets for a handful of pages, with a live
    clock in every header.  `clock` returns epoch seconds (injectable)."""

    def __init__(self, station='Tessaro', clock=time.time):
        self.station = station
        self.clock = clock
        self._pending = []
        self._pages = self._build_pages()
        self._next = 0

    def header_text(self):
        t = time.localtime(self.clock())
        left = f'{self.station[:13]:<13} {time.strftime("%d.%m.%y", t)} '
        return f'{left:<24}'[:24] + time.strftime('%H:%M:%S', t)

    def _build_pages(self):
        dbl = [DOUBLE_HEIGHT, ALPHA_YELLOW]
        index = [
            dbl + text_codes(f' {self.station[:30]} Text'),
            [],
            [ALPHA_WHITE] + text_codes('Übersicht'),
            [ALPHA_CYAN] + text_codes('Nachrichten .......... 101'),
            [ALPHA_CYAN] + text_codes('Grafik ............... 102'),
            [ALPHA_CYAN] + text_codes('Großschrift .......... 103'),
            [],
            [ALPHA_WHITE] + text_codes('Grüße aus München: äöüß ÄÖÜ'),
            [ALPHA_WHITE] + text_codes('Temperatur 21° § 3'),
        ]
        news1 = [[ALPHA_YELLOW] + text_codes('Nachrichten 1/2'), [],
                 [ALPHA_WHITE] + text_codes('Erste Unterseite der Seite 101.')]
        news2 = [[ALPHA_YELLOW] + text_codes('Nachrichten 2/2'), [],
                 [ALPHA_WHITE] + text_codes('Zweite Unterseite der Seite 101.')]
        mosaic = [[ALPHA_WHITE] + text_codes('Mosaikgrafik')]
        for i, colour in enumerate((MOSAIC_RED, MOSAIC_GREEN, MOSAIC_BLUE) * 4):
            # Alternating solid blocks and sixel patterns (0x20-0x3F, 0x60-0x7F).
            blocks = [0x7F if (x + i) % 4 < 2 else 0x20 + ((x * 7 + i) % 32) | 0x40
                      for x in range(38)]
            mosaic.append([colour] + blocks)
        big = [[], [DOUBLE_HEIGHT, ALPHA_WHITE] + text_codes('Doppelte Höhe'), [],
               [NORMAL_HEIGHT, ALPHA_WHITE] + text_codes('Normale Höhe'),
               [DOUBLE_HEIGHT, ALPHA_CYAN, NEW_BACKGROUND, ALPHA_YELLOW]
               + text_codes('Gelb auf Cyan')]
        return [(0x100, 0x00, index), (0x101, 0x01, news1), (0x101, 0x02, news2),
                (0x102, 0x00, mosaic), (0x103, 0x00, big)]

    def _page_packets(self, page, subpage, rows):
        mag = (page >> 8) & 7
        out = [header_packet(mag, page & 0xFF, subpage, self.header_text())]
        for y in range(1, 24):
            codes = rows[y - 1] if y - 1 < len(rows) else []
            out.append(row_packet(mag, y, codes))
        return out

    def next_packets(self, count):
        while len(self._pending) < count:
            page, sub, rows = self._pages[self._next]
            self._next = (self._next + 1) % len(self._pages)
            self._pending.extend(self._page_packets(page, sub, rows))
        out, self._pending = self._pending[:count], self._pending[count:]
        return out

    def next_pes_payload(self, units=UNITS_PER_PES):
        """One PES payload: data identifier and `units` data units."""
        return bytes([DATA_IDENTIFIER]) + b''.join(
            data_unit(p) for p in self.next_packets(units))


# ---- reading back (for tests and diagnostics) ----

def decode_units(payload):
    """Yields (magazine, row, 40 data bytes) of every well-formed unit."""
    pos = 1 if payload and 0x10 <= payload[0] <= 0x1F else 0
    while pos + 46 <= len(payload):
        unit = payload[pos:pos + 46]
        pos += 46
        if unit[0] not in (0x02, 0x03) or unit[1] != UNIT_LENGTH:
            continue
        pkt = unit[4:].translate(REVERSE)
        a, b = hamming84_decode(pkt[0]), hamming84_decode(pkt[1])
        if a == 0xFF or b == 0xFF:
            continue
        yield a & 7, b * 2 + (a >> 3), pkt[2:]


def decode_header(data):
    """(page number as 0xMPU, subpage, 32 header characters) or None."""
    ham = [hamming84_decode(x) for x in data[:8]]
    if 0xFF in ham or ham[0] > 9 or ham[1] > 9:
        return None
    text = ''.join(chr(c) if (c := parity_check(x)) is not None else ' '
                   for x in data[8:])
    return ham[1] * 0x10 + ham[0], ham[2] + (ham[3] & 7) * 0x10, text
