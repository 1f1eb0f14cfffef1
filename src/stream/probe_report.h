// What tessaro-probe prints: one line per track the engine linked and one result
// line, so that users and support can see why a channel has no sound or picture.
// Pure text and rules; the run itself is probe_session.h.
#pragma once

#include <string>
#include <vector>

struct ProbeTrack {
    enum class Kind { Video, Audio, Teletext, Subtitle };
    Kind kind = Kind::Video;
    std::string codec;    // ProbeCodecName of the demuxer pad's caps (unused for teletext)
    std::string language; // ISO 639-2, empty when unknown
    int pid = 0;
    std::vector<int> pages; // teletext: magazine << 8 | page, as the programme table lists them
};

enum class ProbeResult { Playing, Scrambled, NoData, NoPicture, NoProgramme, Error };

// What a run saw, as the result is decided from it.
struct ProbeFacts {
    bool scrambled = false;
    bool playing = false; // every sink reached PLAYING
    bool picture = false; // a decoded picture reached its sink
    bool sound = false;
    bool videoTrack = false; // a video chain was built
    bool anyTrack = false;
    std::string error; // the first error an element reported; empty: none
};

struct ProbeOutcome {
    std::vector<ProbeTrack> tracks;
    ProbeResult result = ProbeResult::NoProgramme;
    std::string error;
    int firstPictureMs = -1; // from the start; -1: none
    int playingMs = -1;
    long frames = 0; // pictures the video sink rendered
    int reconnects = 0;
};

// Playing needs PLAYING and the first picture (the first sound without a video
// track); sound alone on a TV service is no-picture; nothing decoded is no-data
// when tracks were linked, the error when an element reported one, else no-programme.
ProbeResult ClassifyProbe(const ProbeFacts& facts);

// "h264", "mpeg2", "hevc", "mpeg", "mp2", "ac-3", "e-ac-3", "aac", "aac-latm", "dvb",
// ... from a caps text ("audio/x-eac3, framed=(boolean)true"); the media type
// itself for anything else.
std::string ProbeCodecName(const std::string& caps);

// "track audio e-ac-3 lang=fra pid=0x01AE", "track teletext lang=fra pid=0x042C pages=888,889".
std::string TrackLine(const ProbeTrack& track);
// "result=playing first_picture_ms=950 playing_ms=1320 frames=412 reconnects=0";
// unknown times are "-"; an error is "result=error:<text>" on one line.
std::string ResultLine(const ProbeOutcome& outcome);
// 0 only for playing.
int ProbeExitCode(const ProbeOutcome& outcome);
