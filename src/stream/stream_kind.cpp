#include "stream/stream_kind.h"

namespace {

// The first structure of a caps text: up to a ';' outside quotes.
std::string FirstStructure(const std::string& caps) {
    bool quoted = false;
    for (std::size_t i = 0; i < caps.size(); ++i) {
        if (caps[i] == '"' && (i == 0 || caps[i - 1] != '\\'))
            quoted = !quoted;
        else if (caps[i] == ';' && !quoted)
            return caps.substr(0, i);
    }
    return caps;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string MediaType(const std::string& structure) {
    return Trimmed(structure.substr(0, structure.find(',')));
}

// The value of "name=(type)value" in the structure, without type and quotes;
// empty when the field is absent.
std::string Field(const std::string& structure, const std::string& name) {
    const std::string key = name + "=";
    std::size_t pos = 0;
    while ((pos = structure.find(key, pos)) != std::string::npos) {
        const bool atStart = pos > 0 && (structure[pos - 1] == ' ' || structure[pos - 1] == ',');
        pos += key.size();
        if (!atStart)
            continue;
        if (pos < structure.size() && structure[pos] == '(') {
            const auto close = structure.find(')', pos);
            if (close == std::string::npos)
                return {};
            pos = close + 1;
        }
        std::string value = Trimmed(structure.substr(pos, structure.find(',', pos) - pos));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return {};
}

StreamKind MpegAudioKind(const std::string& structure) {
    const std::string version = Field(structure, "mpegversion");
    if (version.empty() || version == "1")
        return kKindMpegAudio;
    if (version != "2" && version != "4")
        return kKindNone;
    // AAC comes framed in ADTS, or in LATM inside LOAS, which an ADTS decoder cannot read.
    return Field(structure, "stream-format") == "loas" ? kKindAacLatm : kKindAac;
}

} // namespace

std::string CapsMediaType(const std::string& caps) {
    return MediaType(FirstStructure(caps));
}

std::string CapsField(const std::string& caps, const std::string& name) {
    return Field(FirstStructure(caps), name);
}

StreamKind KindFromCaps(const std::string& caps) {
    const std::string structure = FirstStructure(caps);
    const std::string type = MediaType(structure);
    if (type == "video/mpeg") {
        const std::string version = Field(structure, "mpegversion");
        return version.empty() || version == "1" || version == "2" ? kKindMpeg2 : kKindNone;
    }
    if (type == "video/x-h264")
        return kKindH264;
    if (type == "video/x-h265")
        return kKindHevc;
    if (type == "audio/mpeg")
        return MpegAudioKind(structure);
    if (type == "audio/x-ac3")
        return kKindAc3;
    if (type == "audio/x-eac3")
        return kKindEac3;
    if (type == "application/x-teletext")
        return kKindTeletext;
    if (type == "subpicture/x-dvb")
        return kKindSubtitles;
    return kKindNone;
}

bool IsVideoKind(int kind) {
    return kind == kKindMpeg2 || kind == kKindH264 || kind == kKindHevc;
}

bool IsAudioKind(int kind) {
    return kind == kKindMpegAudio || kind == kKindAc3 || kind == kKindEac3 || kind == kKindAac ||
           kind == kKindAacLatm;
}

bool IsCountedKind(int kind) {
    return IsVideoKind(kind) || IsAudioKind(kind) || kind == kKindTeletext;
}

const char* KindTag(int kind) {
    static const char* const tags[] = {"UNKN", "MPGV", "H264", "MPGA", "AC-3", "TTXT",
                                       "SUBT", "EAC3", "AAC",  "LATM", "HEVC"};
    return kind >= 0 && kind <= kKindHevc ? tags[kind] : tags[0];
}

const char* CodecName(int kind) {
    switch (kind) {
    case kKindMpeg2:
    case kKindMpegAudio:
        return "MPEG";
    case kKindH264:
        return "H264";
    case kKindHevc:
        return "HEVC";
    case kKindAc3:
        return "AC-3";
    case kKindEac3:
        return "E-AC-3";
    case kKindAac:
        return "AAC";
    case kKindAacLatm:
        return "AAC-LATM";
    default:
        return "";
    }
}

ChainFactories ChainFactoriesOf(int kind) {
    switch (kind) {
    case kKindMpeg2:
        return {"mpegvideoparse", {"mpeg2dec", "avdec_mpeg2video"}};
    case kKindH264:
        return {"h264parse", {"avdec_h264"}};
    case kKindHevc:
        return {"h265parse", {"avdec_h265", "libde265dec"}};
    case kKindMpegAudio:
        return {"mpegaudioparse", {"mpg123audiodec", "avdec_mp2float"}};
    case kKindAc3:
        return {"ac3parse", {"a52dec", "avdec_ac3"}};
    case kKindEac3:
        return {"ac3parse", {"avdec_eac3"}};
    case kKindAac:
        return {"aacparse", {"avdec_aac", "faad"}};
    case kKindAacLatm:
        return {"aacparse", {"avdec_aac_latm"}};
    default:
        return {};
    }
}

std::vector<int> DecodedKinds() {
    return {kKindMpeg2, kKindH264, kKindHevc, kKindMpegAudio, kKindAc3, kKindEac3, kKindAac, kKindAacLatm};
}
