// Reading the programme map table of the played service: how many streams to
// expect, their kinds and languages, and what the teletext and subtitle
// descriptors say. Pure logic on
// descriptor bytes, so malformed tables from the network can be tested.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stream/stream_info.h"

struct PmtStreamEntry {
    int streamType = 0;
    int pid = 0;
    // Each descriptor as received: tag, length, payload (length may lie).
    std::vector<std::vector<std::uint8_t>> descriptors;
};

// A stream of a kind the engine knows, with the language its descriptors name.
struct PmtTrack {
    int pid = 0;
    int kind = kKindNone; // StreamKind
    std::string language; // as received (ISO 639-2), empty when none
};

struct PmtSummary {
    int expected = 0;
    std::vector<PmtTrack> tracks;
    std::vector<std::string> logLines; // "MPGV found\n", ...
    bool hasTeletext = false;
    TeletextInfo teletext;
    std::vector<PmtSubtitleEntry> subtitles;
};

PmtSummary ReadPmt(const std::vector<PmtStreamEntry>& streams);

// What decides whether the programme can be decoded at all: its clock reference and
// the streams that carry picture or sound (teletext and subtitles are often sent in
// the clear on encrypted services, so they say nothing).
struct ProgrammeFacts {
    int pcrPid = 0x1FFF; // 0x1FFF: the programme announces no clock reference
    std::vector<int> audioVideoPids;
    bool caDescriptor = false; // at programme level or on any stream
};

using Descriptor = std::vector<std::uint8_t>;
ProgrammeFacts ReadProgrammeFacts(int pcrPid, const std::vector<Descriptor>& programmeDescriptors,
                                  const std::vector<PmtStreamEntry>& streams);

// Teletext national character set index (0-12) for a three-letter language code.
int NationalCharsetIndex(const std::string& language);
