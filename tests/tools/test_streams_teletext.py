"""The simulator's teletext encoder and PMT rewriting, read back bit by bit."""

import os
import sys

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tools', 'e2sim'))

import streams  # noqa: E402
import teletext as tt  # noqa: E402


class TestHammingAndParity:
    def test_every_nibble_survives_any_single_bit_error(self):
        # The EN 300 706 table starts 0x15, 0x02, 0x49 ... ; a wrong bit order
        # or parity formula would fail here and in every receiver.
        assert tt.HAMMING_CODES[:4] == [0x15, 0x02, 0x49, 0x5E]
        for n in range(16):
            code = tt.HAMMING_CODES[n]
            assert tt.hamming84_decode(code) == n
            for bit in range(8):
                assert tt.hamming84_decode(code ^ (1 << bit)) == n

    def test_double_bit_errors_are_detected_not_miscorrected(self):
        for n in range(16):
            code = tt.HAMMING_CODES[n]
            for a in range(8):
                for b in range(a + 1, 8):
                    assert tt.hamming84_decode(code ^ (1 << a) ^ (1 << b)) == 0xFF

    def test_odd_parity_round_trip_and_rejection(self):
        for c in range(128):
            byte = tt.odd_parity(c)
            assert bin(byte).count('1') % 2 == 1
            assert tt.parity_check(byte) == c
            assert tt.parity_check(byte ^ 0x01) is None


def _pages(carousel, units=400):
    """Decode a carousel's output like a receiver: rows go to the page
    whose header came last."""
    pages, current, clocks = {}, None, []
    units_ = [u for _ in range(units // 15 + 1)
              for u in tt.decode_units(carousel.next_pes_payload())]
    for mag, row, data in units_:
        if row == 0:
            head = tt.decode_header(data)
            assert head is not None
            page, sub, text = head
            current = ((mag or 8) << 8 | page, sub)
            pages.setdefault(current, {})[0] = text
            clocks.append(text[24:32])
        elif row < 24 and current:
            pages[current][row] = [tt.parity_check(x) for x in data]
    return pages, clocks


class TestCarousel:
    def test_pages_subpages_and_header_clock(self):
        t = [1700000000.0]
        pages, clocks = _pages(tt.Carousel('Das Erste', clock=lambda: t[0]))
        assert {(0x100, 0), (0x101, 1), (0x101, 2), (0x102, 0), (0x103, 0)} <= set(pages)
        # Header columns 32-39 are the clock (columns 8-39 are decoded here).
        assert all(len(c) == 8 and c[2] == ':' and c[5] == ':' for c in clocks)
        assert pages[(0x100, 0)][0].startswith('Das Erste')

    def test_clock_runs(self):
        t = [1700000000.0]
        car = tt.Carousel('X', clock=lambda: t[0])
        first = _pages(car)[1][0]
        t[0] += 61
        later = _pages(car)[1][-1]
        assert first != later

    def test_national_characters_double_height_and_mosaics(self):
        pages, _ = _pages(tt.Carousel('Test'))
        index = [c for row in pages[(0x100, 0)].values() if isinstance(row, list) for c in row]
        # German subset positions of ü, ß, Ä, Ö and the double-height code.
        for code in (0x7D, 0x7E, 0x5B, 0x5C, tt.DOUBLE_HEIGHT):
            assert code in index
        mosaic_rows = [r for y, r in pages[(0x102, 0)].items() if y > 1]
        assert any(r[0] in (tt.MOSAIC_RED, tt.MOSAIC_GREEN, tt.MOSAIC_BLUE)
                   and 0x7F in r for r in mosaic_rows)

    def test_pes_payload_layout(self):
        payload = tt.Carousel('X').next_pes_payload()
        assert payload[0] == 0x10
        # With the 45-byte PES header the packet fills exactly 4 TS payloads.
        assert (45 + len(payload)) % 184 == 0
        for i in range(1, len(payload), 46):
            assert payload[i] == 0x02 and payload[i + 1] == 0x2C and payload[i + 3] == 0xE4

    def test_garbage_does_not_decode(self):
        # 0x16 is two bits away from every code word: the address is rejected.
        assert tt.hamming84_decode(0x16) == 0xFF
        assert list(tt.decode_units(b'\x10' + b'\x02\x2c\xe0\xe4' + b'\x68' * 42)) == []
        assert list(tt.decode_units(b'\x02\x2b' + b'\x00' * 44)) == []
        assert list(tt.decode_units(b'')) == []


def _pmt_section(streams_):
    body = bytes([0x28, 0x03, 0xC1, 0x00, 0x00, 0xE1, 0x00, 0xF0, 0x00])
    for stype, pid, desc in streams_:
        body += bytes([stype, 0xE0 | pid >> 8, pid & 0xFF, 0xF0, len(desc)]) + desc
    n = len(body) + 4
    sec = bytes([0x02, 0xB0 | n >> 8, n & 0xFF]) + body
    return sec + streams.crc32_mpeg(sec).to_bytes(4, 'big')


class _Svc:
    teletext, subtitles = True, True
    teletext_pid, subtitle_pid = 0x103, 0x104
    audio_pids = [(0x101, 'deu', 'mp2'), (0x102, 'eng', 'ac3')]


class TestPmtRewrite:
    def test_dvb_descriptors_replace_muxer_ones(self):
        sec = _pmt_section([(0x02, 0x100, b''), (0x03, 0x101, b''),
                            (0x81, 0x102, b'\x05\x04AC-3'), (0x06, 0x103, b'\x59\x00')])
        out = streams.rewrite_pmt_section(sec, streams.stream_descriptors(_Svc()))
        assert streams.crc32_mpeg(out) == 0  # CRC over section + CRC is 0
        es = {}
        pos = 12
        while pos < len(out) - 4:
            pid = (out[pos + 1] & 0x1F) << 8 | out[pos + 2]
            n = out[pos + 4]
            es[pid] = (out[pos], out[pos + 5:pos + 5 + n])
            pos += 5 + n
        assert es[0x100] == (0x02, b'')
        assert es[0x101] == (0x03, b'\x0a\x04deu\x00')
        assert es[0x102][0] == 0x06 and b'\x6a\x01\x00' in es[0x102][1] and b'eng' in es[0x102][1]
        # teletext: language deu, type 1 (initial page), magazine 1, page 00
        assert es[0x103] == (0x06, b'\x56\x0a' + b'deu\x09\x00' + b'deu\x10\x88')

    @pytest.mark.parametrize('section', [b'', b'\x02', b'\x00' * 20, b'\x02\xb0\xff' + b'\x00' * 20])
    def test_malformed_sections_are_left_alone(self, section):
        assert streams.rewrite_pmt_section(section, {}) is None

    def test_rewriter_survives_garbage_packets(self):
        rw = streams.PmtRewriter(0x64, {})
        junk = bytes([0x47, 0x40, 0x64, 0x30, 0xB7]) + b'\xff' * 183
        assert len(rw.feed(junk + b'\x47\x40\x64\x10' + b'\x00' * 184)) == 376
        assert rw.feed(b'\x47' * 100) == b''  # incomplete packet is kept back
