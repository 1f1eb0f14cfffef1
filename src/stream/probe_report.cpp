#include "stream/probe_report.h"

#include <cstdio>
#include <map>

namespace {

// The media type and the fields of the first structure of a caps text.
struct CapsText {
    std::string type;
    std::map<std::string, std::string> fields; // name -> value without its "(type)"
};

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

CapsText ParseCaps(const std::string& caps) {
    CapsText out;
    const std::string first = caps.substr(0, caps.find(';'));
    std::size_t at = first.find(',');
    out.type = Trimmed(first.substr(0, at));
    while (at != std::string::npos) {
        const std::size_t next = first.find(',', at + 1);
        const std::string field = first.substr(at + 1, next == std::string::npos ? next : next - at - 1);
        const std::size_t eq = field.find('=');
        if (eq != std::string::npos) {
            std::string value = Trimmed(field.substr(eq + 1));
            if (!value.empty() && value[0] == '(')
                value = value.substr(value.find(')') + 1);
            out.fields[Trimmed(field.substr(0, eq))] = value;
        }
        at = next;
    }
    return out;
}

std::string Field(const CapsText& caps, const std::string& name) {
    const auto it = caps.fields.find(name);
    return it == caps.fields.end() ? std::string() : it->second;
}

std::string MpegAudioName(const CapsText& caps) {
    const std::string version = Field(caps, "mpegversion");
    if (version == "2" || version == "4")
        return Field(caps, "stream-format") == "loas" ? "aac-latm" : "aac";
    const std::string layer = Field(caps, "layer");
    return layer.empty() ? "mpeg" : "mp" + layer;
}

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

std::string CodecName(const std::string& caps) {
    const CapsText c = ParseCaps(caps);
    if (c.type == "video/mpeg") {
        const std::string version = Field(c, "mpegversion");
        return "mpeg" + (version.empty() ? std::string("2") : version);
    }
    static const std::map<std::string, std::string> names = {{"video/x-h264", "h264"},
                                                             {"video/x-h265", "hevc"},
                                                             {"audio/x-ac3", "ac-3"},
                                                             {"audio/x-eac3", "e-ac-3"},
                                                             {"audio/x-dts", "dts"},
                                                             {"subpicture/x-dvb", "dvb"},
                                                             {"application/x-teletext", "teletext"}};
    if (c.type == "audio/mpeg")
        return MpegAudioName(c);
    const auto it = names.find(c.type);
    return it != names.end() ? it->second : c.type;
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
