// The kinds of elementary stream the engine plays, told apart by the caps the
// demuxer gives a pad, and what each needs: parser, decoders, names for the log
// and the track labels. Pure text logic, so the mapping is tested without GStreamer.
#pragma once

#include <string>
#include <vector>

// The numbers are part of the event and track records: new kinds go at the end.
enum StreamKind {
    kKindNone = 0,
    kKindMpeg2 = 1,
    kKindH264 = 2,
    kKindMpegAudio = 3,
    kKindAc3 = 4,
    kKindTeletext = 5,
    kKindSubtitles = 6,
    kKindEac3 = 7,
    kKindAac = 8,     // AAC in ADTS frames
    kKindAacLatm = 9, // AAC in LATM/LOAS, as DVB-T2 services send it
    kKindHevc = 10,
};

// The kind of a pad from its caps text ("audio/mpeg, mpegversion=(int)4, ...");
// only the first structure counts. kKindNone for anything the engine does not play.
StreamKind KindFromCaps(const std::string& caps);

// The media type and one field ("(type)" and quotes removed; empty when absent) of
// the caps text's first structure.
std::string CapsMediaType(const std::string& caps);
std::string CapsField(const std::string& caps, const std::string& name);

bool IsVideoKind(int kind);
bool IsAudioKind(int kind);
// Video, audio and teletext make up the expected stream count; subtitles do not.
bool IsCountedKind(int kind);

// "+Pad (TAG)" / "-Pad (TAG)": four characters, "UNKN" for unknown kinds.
const char* KindTag(int kind);
// The codec as the track labels name it: "MPEG", "AC-3", "E-AC-3", "AAC",
// "AAC-LATM", "H264", "HEVC"; empty for kinds without a decoder.
const char* CodecName(int kind);

// The elements a playable kind's chain needs: its parser and the decoders it may
// use, the preferred one first.
struct ChainFactories {
    const char* parser = nullptr;
    std::vector<const char*> decoders;
};
ChainFactories ChainFactoriesOf(int kind);
// Every video and audio kind, in the order the plug-in check names them.
std::vector<int> DecodedKinds();
