#include "stream/probe_report.h"

#include <cctype>
#include <cstdio>

#include "stream/stream_kind.h"

namespace {

const char* KindWord(ProbeTrack::Kind kind) {
    switch (kind) {
    case ProbeTrack::Kind::Video:
        return "video";
    case ProbeTrack::Kind::Audio:
        return "audio";
    case ProbeTrack::Kind::Teletext:
        return "teletext";
    case ProbeTrack::Kind::Subtitle:
        break;
    }
    return "subtitle";
}

const char* ResultWord(ProbeResult result) {
    switch (result) {
    case ProbeResult::Playing:
        return "playing";
    case ProbeResult::Scrambled:
        return "scrambled";
    case ProbeResult::NoData:
        return "no-data";
    case ProbeResult::NoPicture:
        return "no-picture";
    case ProbeResult::NoProgramme:
        return "no-programme";
    case ProbeResult::Error:
        break;
    }
    return "error";
}

std::string Millis(int ms) {
    return ms < 0 ? std::string("-") : std::to_string(ms);
}

std::string Hex(const char* format, int value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

ProbeResult ClassifyProbe(const ProbeFacts& f) {
    if (f.scrambled)
        return ProbeResult::Scrambled;
    if (f.playing && (f.picture || (!f.videoTrack && f.sound)))
        return ProbeResult::Playing;
    if (f.videoTrack && f.sound && !f.picture)
        return ProbeResult::NoPicture;
    if (f.picture || f.sound)
        return ProbeResult::NoData; // decoded, but too little came to start playing
    if (!f.error.empty())
        return ProbeResult::Error;
    return f.anyTrack ? ProbeResult::NoData : ProbeResult::NoProgramme;
}

std::string ProbeCodecName(const std::string& caps) {
    const int kind = KindFromCaps(caps);
    if (kind == kKindMpeg2) {
        const std::string version = CapsField(caps, "mpegversion");
        return "mpeg" + (version.empty() ? std::string("2") : version);
    }
    if (kind == kKindMpegAudio) {
        const std::string layer = CapsField(caps, "layer");
        return layer.empty() ? "mpeg" : "mp" + layer;
    }
    if (kind == kKindSubtitles)
        return "dvb";
    if (kind == kKindTeletext)
        return "teletext";
    std::string name = CodecName(kind);
    if (name.empty())
        return CapsMediaType(caps); // a stream the engine does not play, named as it came
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::string TrackLine(const ProbeTrack& t) {
    std::string line = std::string("track ") + KindWord(t.kind);
    if (t.kind != ProbeTrack::Kind::Teletext && !t.codec.empty())
        line += " " + t.codec;
    if (!t.language.empty())
        line += " lang=" + t.language;
    line += " pid=" + Hex("0x%04X", t.pid);
    for (std::size_t i = 0; i < t.pages.size(); ++i)
        line += (i == 0 ? " pages=" : ",") + Hex("%X", t.pages[i]);
    return line;
}

std::string ResultLine(const ProbeOutcome& o) {
    if (o.result == ProbeResult::Error) {
        std::string text = o.error;
        for (char& c : text)
            if (c == '\n' || c == '\r')
                c = ' ';
        return "result=error:" + text;
    }
    return std::string("result=") + ResultWord(o.result) + " first_picture_ms=" + Millis(o.firstPictureMs) +
           " playing_ms=" + Millis(o.playingMs) + " frames=" + std::to_string(o.frames) +
           " reconnects=" + std::to_string(o.reconnects);
}

int ProbeExitCode(const ProbeOutcome& o) {
    return o.result == ProbeResult::Playing ? 0 : 1;
}
