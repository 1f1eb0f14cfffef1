"""AAC in LOAS/LATM (ISO/IEC 14496-3, 1.7), as DVB-T2 services carry it
under stream type 0x11, made from the ADTS frames GStreamer's encoders give.

No element of the Debian 12 GStreamer writes timed LOAS frames (avmux_latm
writes the bytes but drops the timestamps the muxer needs), so each ADTS
frame becomes one AudioSyncStream frame here:

    syncword 0x2B7 (11 bits), audioMuxLengthBytes (13 bits),
    AudioMuxElement(muxConfigPresent=1):
        useSameStreamMux = 0, then StreamMuxConfig:
            audioMuxVersion 0, allStreamsSameTimeFraming 1, numSubFrames 0,
            numProgram 0, numLayer 0,
            AudioSpecificConfig (object type, sampling index, channels,
            GASpecificConfig 000),
            frameLengthType 0, latmBufferFullness 0xFF,
            otherDataPresent 0, crcCheckPresent 0
        PayloadLengthInfo (bytes of 255, then the rest), PayloadMux (the raw
        AAC frame), zero bits up to the next byte.

The configuration is repeated in every frame, so a client may start
anywhere, as on air.
"""

LOAS_SYNC = 0x2B7


class _Bits:
    def __init__(self):
        self.value = 0
        self.count = 0

    def put(self, value, bits):
        self.value = (self.value << bits) | (value & ((1 << bits) - 1))
        self.count += bits

    def put_bytes(self, data):
        self.put(int.from_bytes(data, 'big'), 8 * len(data))

    def to_bytes(self):
        pad = -self.count % 8
        return (self.value << pad).to_bytes((self.count + pad) // 8, 'big')


def parse_adts(frame):
    """(object type, sampling index, channel configuration, raw payload)
    of one ADTS frame with one raw data block; None for anything else."""
    if len(frame) < 7 or frame[0] != 0xFF or frame[1] & 0xF6 != 0xF0:
        return None
    header_len = 7 if frame[1] & 0x01 else 9
    object_type = (frame[2] >> 6) + 1
    sf_index = (frame[2] >> 2) & 0x0F
    channels = ((frame[2] & 0x01) << 2) | (frame[3] >> 6)
    length = ((frame[3] & 0x03) << 11) | (frame[4] << 3) | (frame[5] >> 5)
    blocks = frame[6] & 0x03
    if blocks != 0 or length < header_len or length > len(frame) or sf_index > 12:
        return None
    return object_type, sf_index, channels, frame[header_len:length]


def audio_mux_element(object_type, sf_index, channels, payload):
    b = _Bits()
    b.put(0, 1)           # useSameStreamMux: the configuration follows
    b.put(0, 1)           # audioMuxVersion
    b.put(1, 1)           # allStreamsSameTimeFraming
    b.put(0, 6)           # numSubFrames (one)
    b.put(0, 4)           # numProgram (one)
    b.put(0, 3)           # numLayer (one)
    b.put(object_type, 5)  # AudioSpecificConfig
    b.put(sf_index, 4)
    b.put(channels, 4)
    b.put(0, 3)           # GASpecificConfig: 1024 samples, no core coder, no extension
    b.put(0, 3)           # frameLengthType: payload lengths are given per frame
    b.put(0xFF, 8)        # latmBufferFullness
    b.put(0, 1)           # otherDataPresent
    b.put(0, 1)           # crcCheckPresent
    left = len(payload)
    while left >= 255:
        b.put(255, 8)
        left -= 255
    b.put(left, 8)
    b.put_bytes(payload)
    return b.to_bytes()


def adts_to_loas(frame):
    """One LOAS frame for one ADTS frame; None if the frame is not ADTS
    or too long for a LOAS frame."""
    parsed = parse_adts(frame)
    if parsed is None:
        return None
    element = audio_mux_element(*parsed)
    if len(element) >= 1 << 13:
        return None
    n = len(element)
    return bytes([LOAS_SYNC >> 3, ((LOAS_SYNC & 0x07) << 5) | (n >> 8), n & 0xFF]) + element
