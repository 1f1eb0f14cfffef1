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
// MPEG-2, MP2 "deu" on 0x101, AC-3 "deu" on 0x102, teletext on 0x103.
inline constexpr SimService kSdTeletext{"1:0:1:2853:3F3:1:C00000:0:0:0:", 0x2853};
// MPEG-2 and MP2 only.
inline constexpr SimService kSdPlain{"1:0:1:283C:3F2:85:C00000:0:0:0:", 0x283C};
// Radio: MP2 only.
inline constexpr SimService kRadio{"1:0:2:36A6:459:85:C00000:0:0:0:", 0x36A6};

// A recording of the data set (MPEG-2 SD, about 20 s), as "/file?file=" serves it.
inline constexpr const char* kRecordingPath = "/hdd/movie/20250505 0146 - SRF 1 HD - Nachtmagazin.ts";
