#include "stream/pmt_reader.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

namespace {

constexpr int kTagCa = 0x09;
constexpr int kTagTeletext = 0x56;
constexpr int kTagSubtitling = 0x59;
constexpr int kTagAc3 = 0x6A;
constexpr int kTagEac3 = 0x7A;
constexpr int kTagDts = 0x7B;
constexpr int kTagAac = 0x7C;
constexpr std::size_t kMaxSubtitleEntries = 64;
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

// Returns the kind the stream counts as (0: not counted).
int ReadPrivateStream(const PmtStreamEntry& s, PmtSummary& out) {
    for (const auto& d : s.descriptors) {
        if (d.size() < 2)
            continue;
        switch (d[0]) {
        case kTagAc3:
            out.logLines.push_back("AC-3 found\n");
            return kKindAc3;
        case kTagTeletext:
            out.logLines.push_back("TTXT found\n");
            out.hasTeletext = true;
            out.teletext = ReadTeletext(d);
            return kKindTeletext;
        case kTagSubtitling:
            out.logLines.push_back("SUBT found\n");
            if (PayloadSize(d) >= 4 && s.pid != 0 && out.subtitles.size() < kMaxSubtitleEntries)
                out.subtitles.push_back({s.pid, d[5], Language(d)});
            return kKindSubtitles;
        default:
            break;
        }
    }
    return kKindNone;
}

} // namespace

PmtSummary ReadPmt(const std::vector<PmtStreamEntry>& streams) {
    PmtSummary out;
    for (const auto& s : streams) {
        switch (s.streamType) {
        case 0x02:
            out.logLines.push_back("MPGV found\n");
            ++out.expected;
            break;
        case 0x03:
        case 0x04:
            out.logLines.push_back("MPGA found\n");
            ++out.expected;
            break;
        case 0x1B:
            out.logLines.push_back("H264 found\n");
            ++out.expected;
            break;
        case 0x81: // AC-3 as ATSC signals it (GStreamer's own muxer writes this)
            out.logLines.push_back("AC-3 found\n");
            ++out.expected;
            break;
        case 0x06: {
            // A stream counts once even when it carries several known descriptors.
            const int kind = ReadPrivateStream(s, out);
            if (kind == kKindAc3 || kind == kKindTeletext)
                ++out.expected;
            break;
        }
        default:
            break;
        }
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
