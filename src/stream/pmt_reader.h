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

// Teletext national character set index (0-12) for a three-letter language code.
int NationalCharsetIndex(const std::string& language);
