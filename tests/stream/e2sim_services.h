// Services of e2sim's deterministic data set with the stream make-up the
// engine tests need.
#pragma once

struct SimService {
    const char* ref;
    int programme;
};

// H.264, MP2 "deu" on 0x101, AC-3 "eng" on 0x102, teletext "deu" on 0x103.
inline constexpr SimService kHdFull{"1:0:19:2800:3F1:85:C00000:0:0:0:", 0x2800};
// As kHdFull (both tracks "deu") plus DVB subtitles "deu" on 0x104.
inline constexpr SimService kHdSubtitles{"1:0:19:2803:3F1:1:C00000:0:0:0:", 0x2803};
// As kHdFull without teletext ("ProSieben"): from the 21st service on, the data set
// draws teletext at random, and with its fixed seed this one has none.
inline constexpr SimService kHdPlain{"1:0:19:2843:3F2:1:C00000:0:0:0:", 0x2843};
// MPEG-2, MP2 "deu" on 0x101, AC-3 "deu" on 0x102, teletext on 0x103.
inline constexpr SimService kSdTeletext{"1:0:1:2853:3F3:1:C00000:0:0:0:", 0x2853};
// MPEG-2 and MP2 only.
inline constexpr SimService kSdPlain{"1:0:1:283C:3F2:85:C00000:0:0:0:", 0x283C};
// Radio: MP2 only.
inline constexpr SimService kRadio{"1:0:2:36A6:459:85:C00000:0:0:0:", 0x36A6};

// The "Technik" bouquet: one service per stream kind of real broadcasts.
// All HD type with H.264 video on 0x1A4 unless noted; audio on 0x1AE (0x1AF).
// E-AC-3 "fra" as private data (0x06) with descriptor 0x7A, MP2 "deu" on 0x1AF,
// teletext "fra" on 0x42C (pages 100, 888).
inline constexpr SimService kEac3{"1:0:19:7001:3EF:1:C00000:0:0:0:", 0x7001};
// E-AC-3 "deu" as stream type 0x87.
inline constexpr SimService kEac3Type87{"1:0:19:7002:3EF:1:C00000:0:0:0:", 0x7002};
// AAC in LOAS/LATM "deu", stream type 0x11.
inline constexpr SimService kAacLatm{"1:0:19:7003:3EF:1:C00000:0:0:0:", 0x7003};
// AAC ADTS "deu", stream type 0x0F.
inline constexpr SimService kAacAdts{"1:0:19:7004:3EF:1:C00000:0:0:0:", 0x7004};
// HEVC video (0x24), MP2 "deu".
inline constexpr SimService kHevc{"1:0:19:7005:3EF:1:C00000:0:0:0:", 0x7005};
// MP2 "deu"; CA descriptors in the PMT, every ES packet scrambled (0b10), payload garbled.
inline constexpr SimService kScrambled{"1:0:19:7006:3EF:1:C00000:0:0:0:", 0x7006};
// MP2 "deu"; the PMT announces PCR PID 0x1FF0, which carries no packets.
inline constexpr SimService kNoPcr{"1:0:19:7007:3EF:1:C00000:0:0:0:", 0x7007};
// MPEG-2 SD video, MP2 "deu" on 0x1AE, MP2 "eng" on 0x1AF; every 10 s the PMT's
// version goes up and it announces {video, 0x1AE} and {video, 0x1AE, 0x1AF} in turn.
inline constexpr SimService kPmtChange{"1:0:19:7008:3EF:1:C00000:0:0:0:", 0x7008};

// A recording of the data set (MPEG-2 SD, about 20 s), as "/file?file=" serves it.
inline constexpr const char* kRecordingPath = "/hdd/movie/20250505 0146 - SRF 1 HD - Nachtmagazin.ts";
