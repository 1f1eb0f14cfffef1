// Headless playback of simulator streams: pads, chains, counts, choices,
// the sink counter and the tear-down back to the ten fixed elements.
#include <gtest/gtest.h>

#include "chain_element_watch.h"
#include "sim_playback_fixture.h"

namespace {

class PlaybackTest : public SimPlaybackTest {
protected:
    static void StopAndExpectTornDown(EngineHarness& h) {
        const ChainElementWatch chains;
        EXPECT_GT(chains.Count(), 0u);
        StopPipeline();
        EXPECT_TRUE(h.Pump([&] { return h.Count(kStreamPlaying, 0) > 0; }, 5000));
        EXPECT_TRUE(h.Pump([&] { return chains.Alive().empty(); }, 5000))
            << "still alive: " << chains.Alive();
        EXPECT_EQ(PipelineElementCount(), 10);
        const PlaybackPipeline& p = Pipeline();
        EXPECT_EQ(p.multiQueue, nullptr);
        EXPECT_EQ(p.videoSink, nullptr);
        EXPECT_EQ(p.audioInputSelector, nullptr);
        EXPECT_EQ(p.teletextSink, nullptr);
        const StreamInfo info = SnapshotStreamInfo();
        EXPECT_EQ(info.linked, 0);
        EXPECT_EQ(info.expected, 0);
        EXPECT_EQ(info.audioCount, 0);
        EXPECT_EQ(info.sinkChains, 0);
        EXPECT_EQ(info.teletextPid, 0);
    }
};

} // namespace

TEST_F(PlaybackTest, FixedPipelineBeforeFirstPlay) {
    EXPECT_EQ(PipelineElementCount(), 10);
    for (const char* name : {"Source", "SourceQueue", "SourceIdentity", "Tee", "TeeQueue1", "TeeQueue2",
                             "Valve", "FileSink", "Demuxer"}) {
        GstElement* e = gst_bin_get_by_name(GST_BIN(Pipeline().pipeline), name);
        EXPECT_NE(e, nullptr) << name;
        if (e)
            gst_object_unref(e);
    }
    gchar* location = nullptr;
    g_object_get(Pipeline().fileSink, "location", &location, nullptr);
    EXPECT_STREQ(location, "/dev/null");
    g_free(location);
}

TEST_F(PlaybackTest, HdChannelWithTwoAudioTracksAndTeletext) {
    EngineHarness h;
    ASSERT_TRUE(PlayUntilPlaying(h, kHdFull));
    for (const char* pad : {"+Pad (H264)", "+Pad (MPGA)", "+Pad (AC-3)", "+Pad (TTXT)"})
        EXPECT_TRUE(h.Logged(pad)) << pad;
    // "Pads done" once, and not before three of the four streams were linked.
    const int padsDone = h.LogIndex("Pads done");
    ASSERT_GE(padsDone, 0);
    EXPECT_EQ(h.LogCountStartingWith("Pads done"), 1);
    const int threeLinked = h.LogIndexStartingWith("Streams: 3 / ");
    ASSERT_GE(threeLinked, 0);
    EXPECT_LT(threeLinked, padsDone);

    ASSERT_EQ(h.infoWhenPlaying.size(), 1u);
    const StreamInfo& info = h.infoWhenPlaying[0];
    EXPECT_EQ(info.expected, 4);
    EXPECT_EQ(info.sinkChains, 3); // video, audio output, teletext
    EXPECT_EQ(info.sinksPlaying, info.sinkChains + 1);
    EXPECT_EQ(info.teletextPid, 0x103);
    EXPECT_EQ(info.teletext.language, "deu");
    EXPECT_EQ(info.teletext.charset, 4);
    EXPECT_EQ(info.teletext.initialPage, 0x100);
    EXPECT_FALSE(info.video.mpeg2);

    ASSERT_EQ(h.view.audioChoices.size(), 2u);
    EXPECT_EQ(h.view.audioChoices[1], "Audiospur 2 (0x0102, AC-3)");
    EXPECT_EQ(h.view.videoChoices.at(0), "Videospur 1 (0x0100, H264)");
    EXPECT_TRUE(h.view.tools[StreamTool::Teletext]);
    EXPECT_EQ(h.view.selectedAudio, -1); // German MP2 on the lowest PID is already first
    EXPECT_FALSE(h.view.timers.count(StreamTimer::Timeout));
    StopAndExpectTornDown(h);
    EXPECT_EQ(h.Count(kStreamVideoRemoved), 1);
    EXPECT_EQ(h.Count(kStreamAudioRemoved), 1);
}

TEST_F(PlaybackTest, AudioLanguagePicksTheMatchingTrack) {
    Settings().general.AudioLanguage = "en";
    EngineHarness h;
    ASSERT_TRUE(PlayUntilPlaying(h, kHdFull));
    EXPECT_EQ(h.view.selectedAudio, 1);
    const StreamInfo info = SnapshotStreamInfo();
    EXPECT_EQ(info.audio[1].language.substr(0, 2), "en"); // GStreamer shortens ISO 639-2 codes
    EXPECT_TRUE(info.audio[1].ac3);
    StopAndExpectTornDown(h);
}

TEST_F(PlaybackTest, SdChannelWithTwoAudioTracksAndTeletext) {
    EngineHarness h;
    ASSERT_TRUE(PlayUntilPlaying(h, kSdTeletext));
    for (const char* pad : {"+Pad (MPGV)", "+Pad (MPGA)", "+Pad (AC-3)", "+Pad (TTXT)"})
        EXPECT_TRUE(h.Logged(pad)) << pad;
    const int padsDone = h.LogIndex("Pads done");
    ASSERT_GE(padsDone, 0);
    EXPECT_LT(h.LogIndexStartingWith("Streams: 3 / "), padsDone);
    ASSERT_EQ(h.infoWhenPlaying.size(), 1u);
    EXPECT_EQ(h.infoWhenPlaying[0].expected, 4);
    EXPECT_EQ(h.infoWhenPlaying[0].sinksPlaying, h.infoWhenPlaying[0].sinkChains + 1);
    ASSERT_EQ(h.view.audioChoices.size(), 2u);
    EXPECT_EQ(h.view.audioChoices[1], "Audiospur 2 (0x0102, AC-3)");
    EXPECT_EQ(h.view.videoChoices.at(0), "Videospur 1 (0x0100, MPEG)");
    EXPECT_TRUE(h.Pump([] { return SnapshotStreamInfo().video.width > 0; }, 5000));
    const StreamInfo info = SnapshotStreamInfo();
    EXPECT_TRUE(info.video.mpeg2);
    EXPECT_EQ(info.video.width, 352);
    EXPECT_EQ(info.video.height, 288);
    EXPECT_EQ(info.teletext.charset, 4);
    EXPECT_GT(info.audio[0].rate, 0);
    StopAndExpectTornDown(h);
}

TEST_F(PlaybackTest, RadioBuildsNoVideoChain) {
    EngineHarness h;
    h.view.itemType = 2;
    ASSERT_TRUE(PlayUntilPlaying(h, kRadio));
    EXPECT_EQ(Pipeline().videoDecoder, nullptr);
    EXPECT_EQ(Pipeline().videoSink, nullptr);
    EXPECT_TRUE(h.view.videoChoices.empty());
    EXPECT_EQ(h.view.audioChoices.size(), 1u);
    EXPECT_EQ(h.infoWhenPlaying.at(0).sinkChains, 1);
    EXPECT_EQ(h.view.tools.count(StreamTool::Fullscreen), 0u);
    StopAndExpectTornDown(h);
}

TEST_F(PlaybackTest, PlayPauseDuringALiveStreamStopsIt) {
    EngineHarness h;
    ASSERT_TRUE(PlayUntilPlaying(h, kSdPlain));
    // The sinks report before the pipeline bin itself has finished going to PLAYING.
    ASSERT_TRUE(h.Pump([] { return GST_STATE(Pipeline().pipeline) == GST_STATE_PLAYING; }, 5000));
    EXPECT_TRUE(h.supervisor.StartStreaming());
    ASSERT_FALSE(h.view.commands.empty());
    EXPECT_EQ(h.view.commands.back(), "stop");
    EXPECT_TRUE(h.Pump([&] { return h.Count(kStreamPlaying, 0) > 0; }, 5000));
    EXPECT_EQ(PipelineElementCount(), 10);
}

TEST_F(PlaybackTest, SubtitlesFeedTheOverlayAndGoWithTheirPad) {
    EngineHarness h;
    ASSERT_TRUE(PlayUntilPlaying(h, kHdSubtitles));
    EXPECT_TRUE(h.Logged("+Pad (SUBT)"));
    EXPECT_TRUE(h.view.subtitleMenu);
    ASSERT_NE(Pipeline().subtitleInputSelector, nullptr);
    GstPad* text = gst_element_get_static_pad(Pipeline().subtitleOverlay, "text_sink");
    EXPECT_TRUE(gst_pad_is_linked(text));
    gst_object_unref(text);
    const StreamInfo info = SnapshotStreamInfo();
    EXPECT_EQ(info.subtitleCount, 1);
    EXPECT_EQ(info.subtitles[0].pid, 0x104);
    EXPECT_EQ(info.subtitles[0].language, "deu");
    EXPECT_EQ(info.subtitles[0].type, 0x10);
    EXPECT_EQ(info.expected, 4); // subtitles are not counted
    StopAndExpectTornDown(h);
    EXPECT_EQ(Pipeline().subtitleInputSelector, nullptr);
    EXPECT_FALSE(h.view.subtitleMenu);
}

// A configured sink that cannot open its device (here a video4linux output without
// a device; on desktops typically "xvimagesink" on a server without XVideo) must not
// leave the user without a picture: the compatible X sink takes over, with a warning.
TEST_F(PlaybackTest, UnusableVideoSinkFallsBackToTheCompatibleOne) {
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server";
    const wxString configured = Settings().general.VideoSink;
    Settings().general.VideoSink = "v4l2sink";
    EngineHarness h;
    const bool playing = PlayUntilPlaying(h, kSdPlain);
    Settings().general.VideoSink = configured;
    ASSERT_TRUE(playing);
    EXPECT_GE(h.LogIndexStartingWith("WRN [VideoSink#v4l2sink"), 0);
    ASSERT_NE(Pipeline().videoSink, nullptr);
    GstElementFactory* factory = gst_element_get_factory(Pipeline().videoSink);
    EXPECT_STREQ(GST_OBJECT_NAME(factory), "ximagesink");
    StopAndExpectTornDown(h);
}
