// Per-stream bookkeeping shared by the streaming threads and the GUI thread:
// counts, track tables, video/teletext facts and throughput statistics. Each
// player keeps one record under its own lock (PlayerCore).
#pragma once

#include <array>
#include <chrono>
#include <climits>
#include <string>
#include <vector>

#include <gst/gst.h>

#include "stream/stream_kind.h"

struct AudioTrackSlot {
    int pid = 0;
    GstPad* pad = nullptr; // demuxer pad (identity only, not referenced)
    int channels = 0;
    int rate = 0;
    unsigned bitrate = 0;
    std::string codec;
    std::string language; // ISO 639-2, from the demuxer or the PMT
    int kind = kKindNone; // StreamKind
    bool ac3 = false;
    GstElement* parser = nullptr; // the demuxer hands out unparsed elementary streams
    GstElement* decoder = nullptr;
    GstElement* convert = nullptr;
    GstElement* resample = nullptr;
    GstPad* queuePad = nullptr;    // request sink pad of "MultiQueue"
    GstPad* selectorPad = nullptr; // request sink pad of "AudioInputSelector"
};

struct SubtitleTrackSlot {
    int pid = 0;
    GstPad* pad = nullptr;
    std::string language;
    int type = 0;
    GstPad* queuePad = nullptr;
    GstPad* selectorPad = nullptr;
};

struct PmtSubtitleEntry {
    int pid = 0;
    int type = 0;
    std::string language;
};

struct TeletextInfo {
    std::string language;
    int initialPage = 0x100;
    int charset = 1; // national character set index 0-12
    // Every page the descriptor announces, as magazine << 8 | page (0x888: page 888).
    std::vector<int> pages;
};

struct VideoFacts {
    int pid = 0;
    GstPad* pad = nullptr;
    GstPad* queuePad = nullptr;
    int kind = kKindNone; // StreamKind
    bool mpeg2 = false;
    std::string format;
    int width = 0;
    int height = 0;
    int parNum = 1, parDen = 1;
    int fpsNum = 0, fpsDen = 1;
    bool interlaced = false;
};

struct ThroughputStats {
    unsigned long long accumulator = 0;
    unsigned long long lastCount = 0;
    unsigned long long previousCount = 0;
    unsigned long long minimum = ULLONG_MAX; // all bits set while unset
    unsigned long long maximum = 0;
    std::chrono::steady_clock::time_point lastReport{};
    bool resetRequested = false;
};

struct StreamInfo {
    static constexpr int kTrackSlots = 26;
    // The last slot takes every further track and is never counted.
    static constexpr int kCountedTracks = kTrackSlots - 1;

    int expected = 0;
    int linked = 0;
    int sinksPlaying = 0;
    int sinkChains = 0;
    bool bufferingPending = false;
    bool padsDone = false; // "no-more-pads" handled once per stream
    int bufferPercent = 0; // of the picture and sound queues, as last measured
    // The first decoded picture / sound reached its sink (stream_event::FirstData).
    bool pictureSeen = false;
    bool soundSeen = false;

    std::array<AudioTrackSlot, kTrackSlots> audio{};
    int audioCount = 0;
    std::array<SubtitleTrackSlot, kTrackSlots> subtitles{};
    int subtitleCount = 0;
    std::vector<PmtSubtitleEntry> pmtSubtitles;

    VideoFacts video;

    int teletextPid = 0;
    GstPad* teletextPad = nullptr;
    GstPad* teletextQueuePad = nullptr;
    TeletextInfo teletext;

    // Demuxer pads of an earlier programme version whose chains a pad of the new
    // version took over; they go without taking anything with them.
    std::vector<GstPad*> retiredPads;

    ThroughputStats stats;
};
