// tessaro-probe's lines and result rules, as support reads them.
#include <gtest/gtest.h>

#include "stream/probe_report.h"

TEST(ProbeReport, TrackLinesInTheDocumentedFormat) {
    using Kind = ProbeTrack::Kind;
    EXPECT_EQ(TrackLine({Kind::Video, "h264", "", 0x1A4, {}}), "track video h264 pid=0x01A4");
    EXPECT_EQ(TrackLine({Kind::Audio, "e-ac-3", "fra", 0x1AE, {}}), "track audio e-ac-3 lang=fra pid=0x01AE");
    EXPECT_EQ(TrackLine({Kind::Teletext, "teletext", "fra", 0x42C, {0x888, 0x889}}),
              "track teletext lang=fra pid=0x042C pages=888,889");
    EXPECT_EQ(TrackLine({Kind::Subtitle, "dvb", "fra", 0x1B8, {}}), "track subtitle dvb lang=fra pid=0x01B8");
}

TEST(ProbeReport, ResultLineAndExitCode) {
    ProbeOutcome o;
    o.result = ProbeResult::Playing;
    o.firstPictureMs = 950;
    o.playingMs = 1320;
    o.frames = 412;
    EXPECT_EQ(ResultLine(o), "result=playing first_picture_ms=950 playing_ms=1320 frames=412 reconnects=0");
    EXPECT_EQ(ProbeExitCode(o), 0);
    o = ProbeOutcome{};
    o.result = ProbeResult::Scrambled;
    o.reconnects = 1;
    EXPECT_EQ(ResultLine(o), "result=scrambled first_picture_ms=- playing_ms=- frames=0 reconnects=1");
    EXPECT_EQ(ProbeExitCode(o), 1);
    o.result = ProbeResult::Error;
    o.error = "Could not connect:\nrefused";
    EXPECT_EQ(ResultLine(o), "result=error:Could not connect: refused");
    EXPECT_EQ(ProbeExitCode(o), 1);
}

TEST(ProbeReport, CodecNamesFromDemuxerCaps) {
    const std::pair<const char*, const char*> rows[] = {
        {"video/mpeg, mpegversion=(int)2, systemstream=(boolean)false", "mpeg2"},
        {"video/x-h264, stream-format=(string)byte-stream, alignment=(string)nal", "h264"},
        {"video/x-h265, stream-format=(string)byte-stream", "hevc"},
        {"audio/mpeg, mpegversion=(int)1", "mpeg"},
        {"audio/mpeg, mpegversion=(int)1, layer=(int)2", "mp2"},
        {"audio/mpeg, mpegversion=(int)2, stream-format=(string)adts", "aac"},
        {"audio/mpeg, mpegversion=(int)4, stream-format=(string)loas", "aac-latm"},
        {"audio/x-ac3", "ac-3"},
        {"audio/x-eac3, framed=(boolean)false", "e-ac-3"},
        {"subpicture/x-dvb", "dvb"},
        {"audio/x-private-foo, a=(int)1; audio/x-ac3", "audio/x-private-foo"},
        {"", ""}};
    for (const auto& [caps, name] : rows)
        EXPECT_EQ(ProbeCodecName(caps), name) << caps;
}

TEST(ProbeReport, ResultFromWhatTheRunSaw) {
    ProbeFacts f;
    EXPECT_EQ(ClassifyProbe(f), ProbeResult::NoProgramme);
    f.error = "Not Found";
    EXPECT_EQ(ClassifyProbe(f), ProbeResult::Error);
    f.anyTrack = f.videoTrack = true;
    EXPECT_EQ(ClassifyProbe(f), ProbeResult::Error); // linked, nothing decoded, and an element said why
    f.error.clear();
    EXPECT_EQ(ClassifyProbe(f), ProbeResult::NoData);
    f.sound = f.playing = true;
    EXPECT_EQ(ClassifyProbe(f), ProbeResult::NoPicture);
    f.picture = true;
    EXPECT_EQ(ClassifyProbe(f), ProbeResult::Playing);
    f.scrambled = true;
    EXPECT_EQ(ClassifyProbe(f), ProbeResult::Scrambled);
    ProbeFacts radio;
    radio.anyTrack = radio.sound = radio.playing = true;
    EXPECT_EQ(ClassifyProbe(radio), ProbeResult::Playing);
}
