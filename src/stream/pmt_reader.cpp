#include "stream/pmt_reader.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

namespace {

constexpr int kTagCa = 0x09;
constexpr int kTagLanguage = 0x0A;
constexpr int kTagTeletext = 0x56;
constexpr int kTagSubtitling = 0x59;
constexpr int kTagAc3 = 0x6A;
constexpr int kTagEac3 = 0x7A;
constexpr int kTagDts = 0x7B;
constexpr int kTagAac = 0x7C;
constexpr std::size_t kMaxSubtitleEntries = 64;
constexpr std::size_t kMaxTracks = 64;
constexpr std::size_t kTeletextEntrySize = 5;

// Payload bytes actually present: the smaller of the announced and received length.
std::size_t PayloadSize(const std::vector<std::uint8_t>& d) {
    if (d.size() < 2)
        return 0;
    return std::min<std::size_t>(d[1], d.size() - 2);
}

std::string Language(const std::vector<std::uint8_t>& d) {
    std::string lang;
    for (int i = 2; i <= 4; ++i) {
        const unsigned char c = d[i];
        lang += std::isprint(c) ? static_cast<char>(c) : '?';
    }
    return lang;
}

TeletextInfo ReadTeletext(const std::vector<std::uint8_t>& d) {
    TeletextInfo info;
    if (PayloadSize(d) < 5)
        return info; // no first entry: defaults
    info.language = Language(d);
    info.charset = NationalCharsetIndex(info.language);
    if ((d[5] >> 3) == 1)
        info.initialPage = ((d[5] & 7) << 8) | d[6];
    for (std::size_t at = 2; at + kTeletextEntrySize <= 2 + PayloadSize(d); at += kTeletextEntrySize) {
        const int magazine = d[at + 3] & 7;
        info.pages.push_back(((magazine == 0 ? 8 : magazine) << 8) | d[at + 4]);
    }
    return info;
}

// The kind of a private-data stream by its first known descriptor; fills the
// teletext and subtitle facts on the way.
int ReadPrivateStream(const PmtStreamEntry& s, PmtSummary& out) {
    for (const auto& d : s.descriptors) {
        if (d.size() < 2)
            continue;
        switch (d[0]) {
        case kTagAc3:
            return kKindAc3;
        case kTagEac3:
            return kKindEac3;
        case kTagTeletext:
            out.hasTeletext = true;
            out.teletext = ReadTeletext(d);
            return kKindTeletext;
        case kTagSubtitling:
            if (PayloadSize(d) >= 4 && s.pid != 0 && out.subtitles.size() < kMaxSubtitleEntries)
                out.subtitles.push_back({s.pid, d[5], Language(d)});
            return kKindSubtitles;
        default:
            break;
        }
    }
    return kKindNone;
}

int StreamKindOf(const PmtStreamEntry& s, PmtSummary& out) {
    switch (s.streamType) {
    case 0x01:
    case 0x02:
        return kKindMpeg2;
    case 0x03:
    case 0x04:
        return kKindMpegAudio;
    case 0x0F:
        return kKindAac;
    case 0x11:
        return kKindAacLatm;
    case 0x1B:
        return kKindH264;
    case 0x24:
        return kKindHevc;
    case 0x81: // AC-3 as ATSC signals it (GStreamer's own muxer writes this)
        return kKindAc3;
    case 0x87: // E-AC-3 as ATSC signals it
        return kKindEac3;
    case 0x06:
        return ReadPrivateStream(s, out);
    default:
        return kKindNone;
    }
}

// The ISO 639 language descriptor's first language, else the teletext or
// subtitling descriptor's.
std::string StreamLanguage(const PmtStreamEntry& s) {
    for (const int tag : {kTagLanguage, kTagTeletext, kTagSubtitling})
        for (const auto& d : s.descriptors)
            if (d.size() >= 2 && d[0] == tag && PayloadSize(d) >= 3)
                return Language(d);
    return {};
}

} // namespace

PmtSummary ReadPmt(const std::vector<PmtStreamEntry>& streams) {
    PmtSummary out;
    for (const auto& s : streams) {
        // A stream counts once even when it carries several known descriptors.
        const int kind = StreamKindOf(s, out);
        if (kind == kKindNone)
            continue;
        out.logLines.push_back(std::string(KindTag(kind)) + " found\n");
        if (IsCountedKind(kind))
            ++out.expected;
        if (out.tracks.size() < kMaxTracks)
            out.tracks.push_back({s.pid, kind, StreamLanguage(s)});
    }
    return out;
}

namespace {

bool HasDescriptor(const PmtStreamEntry& s, std::initializer_list<int> tags) {
    for (const auto& d : s.descriptors)
        if (!d.empty() && std::find(tags.begin(), tags.end(), d[0]) != tags.end())
            return true;
    return false;
}

bool CarriesPictureOrSound(const PmtStreamEntry& s) {
    switch (s.streamType) {
    case 0x01: // MPEG-1 video
    case 0x02: // MPEG-2 video
    case 0x03: // MPEG-1 audio
    case 0x04: // MPEG-2 audio
    case 0x0F: // AAC (ADTS)
    case 0x10: // MPEG-4 video
    case 0x11: // AAC (LATM)
    case 0x1B: // H.264
    case 0x24: // HEVC
    case 0x81: // AC-3 (ATSC)
    case 0x87: // E-AC-3 (ATSC)
        return true;
    case 0x06:
        return HasDescriptor(s, {kTagAc3, kTagEac3, kTagDts, kTagAac});
    default:
        return false;
    }
}

bool IsCaDescriptor(const Descriptor& d) {
    return !d.empty() && d[0] == kTagCa;
}

} // namespace

ProgrammeFacts ReadProgrammeFacts(int pcrPid, const std::vector<Descriptor>& programmeDescriptors,
                                  const std::vector<PmtStreamEntry>& streams) {
    ProgrammeFacts facts;
    facts.pcrPid = pcrPid & 0x1FFF;
    facts.caDescriptor =
        std::any_of(programmeDescriptors.begin(), programmeDescriptors.end(), IsCaDescriptor);
    for (const auto& s : streams) {
        if (CarriesPictureOrSound(s))
            facts.audioVideoPids.push_back(s.pid & 0x1FFF);
        facts.caDescriptor = facts.caDescriptor || HasDescriptor(s, {kTagCa});
    }
    return facts;
}

int NationalCharsetIndex(const std::string& language) {
    static const struct {
        const char* code;
        int index;
    } table[] = {{"cze", 0},  {"ces", 0},  {"slo", 0},  {"slk", 0},  {"eng", 1},  {"est", 2},
                 {"fre", 3},  {"fra", 3},  {"ger", 4},  {"deu", 4},  {"ita", 5},  {"lav", 6},
                 {"lit", 6},  {"pol", 7},  {"por", 8},  {"spa", 8},  {"rum", 9},  {"ron", 9},
                 {"srp", 10}, {"hrv", 10}, {"slv", 10}, {"swe", 11}, {"fin", 11}, {"tur", 12}};
    std::string lower;
    for (char c : language.substr(0, 3))
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& row : table)
        if (lower == row.code)
            return row.index;
    return 1;
}
