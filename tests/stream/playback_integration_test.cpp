// Headless playback of simulator streams: pads, chains, counts, choices,
// the sink counter and the tear-down back to the ten fixed elements.
#include <gtest/gtest.h>

#include "chain_element_watch.h"
#include "element_properties.h"
#include "sim_playback_fixture.h"
#include "test_settings.h"

namespace {

GstPadProbeReturn Hold(GstPad*, GstPadProbeInfo*, gpointer) {
    return GST_PAD_PROBE_OK;
}

// Where the first picture and PLAYING stand among the events the harness saw (-1: never).
int FirstPictureIndex(const EngineHarness& h) {
    for (size_t i = 0; i < h.events.size(); ++i)
        if (const auto* data = h.events[i].event.As<stream_event::FirstData>(); data && data->picture)
            return static_cast<int>(i);
    return -1;
}

int PlayingIndex(const EngineHarness& h) {
    for (size_t i = 0; i < h.events.size(); ++i)
        if (const auto* playing = h.events[i].event.As<stream_event::Playing>(); playing && playing->playing)
            return static_cast<int>(i);
    return -1;
}

guint64 QueueTime(const Player& player) {
    guint64 time = 0;
    g_object_get(player.Elements().multiQueue, "max-size-time", &time, nullptr);
    return time;
}

class PlaybackTest : public SimPlaybackTest {
protected:
    static void StopAndExpectTornDown(EngineHarness& h) {
        Player& player = h.player;
        const ChainElementWatch chains(player);
        EXPECT_GT(chains.Count(), 0u);
        player.Stop();
        EXPECT_TRUE(h.Pump([&] { return h.CountPlaying(false) > 0; }, 5000));
        EXPECT_TRUE(h.Pump([&] { return chains.Alive().empty(); }, 5000))
            << "still alive: " << chains.Alive();
        EXPECT_EQ(player.ElementCount(), 10);
        const PlaybackPipeline& p = player.Elements();
        EXPECT_EQ(p.multiQueue, nullptr);
        EXPECT_EQ(p.videoSink, nullptr);
        EXPECT_EQ(p.audioInputSelector, nullptr);
        EXPECT_EQ(p.teletextSink, nullptr);
        const StreamInfo info = player.SnapshotInfo();
        EXPECT_EQ(info.linked, 0);
        EXPECT_EQ(info.expected, 0);
        EXPECT_EQ(info.audioCount, 0);
        EXPECT_EQ(info.sinkChains, 0);
        EXPECT_EQ(info.teletextPid, 0);
    }
};

} // namespace

TEST_F(PlaybackTest, FixedPipelineBeforeFirstPlay) {
    EXPECT_EQ(player().ElementCount(), 10);
    for (const char* name : {"Source", "SourceQueue", "SourceIdentity", "Tee", "TeeQueue1", "TeeQueue2",
                             "Valve", "FileSink", "Demuxer"}) {
        GstElement* e = gst_bin_get_by_name(GST_BIN(player().Elements().pipeline), name);
        EXPECT_NE(e, nullptr) << name;
        if (e)
            gst_object_unref(e);
    }
    gchar* location = nullptr;
    g_object_get(player().Elements().fileSink, "location", &location, nullptr);
    EXPECT_STREQ(location, "/dev/null");
    g_free(location);
}

TEST_F(PlaybackTest, HdChannelWithTwoAudioTracksAndTeletext) {
    EngineHarness h(player());
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
    // The teletext queue does not open the gate: the first picture is shown (prerolled)
    // while the picture and sound queues fill, and PLAYING follows.
    const int firstPicture = FirstPictureIndex(h);
    EXPECT_GE(firstPicture, 0);
    EXPECT_LT(firstPicture, PlayingIndex(h));
    EXPECT_GE(info.bufferPercent, TestSettings().general.StreamBuffer);
    EXPECT_EQ(info.expected, 4);
    EXPECT_EQ(info.sinkChains, 3); // video, audio output, teletext
    EXPECT_EQ(info.sinksPlaying, info.sinkChains + 1);
    EXPECT_EQ(info.teletextPid, 0x103);
    EXPECT_EQ(info.teletext.language, "deu");
    EXPECT_EQ(info.teletext.charset, 4);
    EXPECT_EQ(info.teletext.initialPage, 0x100);
    EXPECT_FALSE(info.video.mpeg2);

    ASSERT_EQ(h.view.audioChoices.size(), 2u);
    EXPECT_EQ(h.view.audioChoices[1], "Audiospur 2 (0x0102, AC-3, eng)");
    EXPECT_EQ(h.view.videoChoices.at(0), "Videospur 1 (0x0100, H264)");
    EXPECT_TRUE(h.view.tools[StreamTool::Teletext]);
    EXPECT_EQ(h.view.selectedAudio, -1); // German MP2 on the lowest PID is already first
    EXPECT_FALSE(h.view.timers.count(StreamTimer::Timeout));
    StopAndExpectTornDown(h);
    EXPECT_EQ(h.Count<stream_event::VideoRemoved>(), 1);
    EXPECT_EQ(h.Count<stream_event::AudioRemoved>(), 1);
}

TEST_F(PlaybackTest, AudioLanguagePicksTheMatchingTrack) {
    TestSettings().general.AudioLanguage = "en";
    EngineHarness h(player());
    ASSERT_TRUE(PlayUntilPlaying(h, kHdFull));
    EXPECT_EQ(h.view.selectedAudio, 1);
    const StreamInfo info = player().SnapshotInfo();
    EXPECT_EQ(info.audio[1].language.substr(0, 2), "en"); // GStreamer shortens ISO 639-2 codes
    EXPECT_TRUE(info.audio[1].ac3);
    StopAndExpectTornDown(h);
}

TEST_F(PlaybackTest, SdChannelWithTwoAudioTracksAndTeletext) {
    EngineHarness h(player());
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
    EXPECT_EQ(h.view.audioChoices[1], "Audiospur 2 (0x0102, AC-3, deu)");
    EXPECT_EQ(h.view.videoChoices.at(0), "Videospur 1 (0x0100, MPEG)");
    EXPECT_TRUE(h.Pump([] { return player().SnapshotInfo().video.width > 0; }, 5000));
    const StreamInfo info = player().SnapshotInfo();
    EXPECT_TRUE(info.video.mpeg2);
    EXPECT_EQ(info.video.width, 352);
    EXPECT_EQ(info.video.height, 288);
    EXPECT_EQ(info.teletext.charset, 4);
    EXPECT_GT(info.audio[0].rate, 0);
    StopAndExpectTornDown(h);
}

// The codecs of real broadcasts, each on a service of its own: the pad's kind, the
// track labels with codec and language, decoded sound and picture, the expected count
// from the programme, and the language default among an E-AC-3 and an MP2 track.
TEST_F(PlaybackTest, BroadcastCodecsAreDecodedAndLabelled) {
    struct Case {
        const char* name;
        SimService service;
        std::vector<std::string> pads;
        std::vector<wxString> audio;
        wxString video;
        int selectedAudio;
    };
    const Case cases[] = {
        {"E-AC-3 0x7A",
         kEac3,
         {"+Pad (H264)", "+Pad (EAC3)", "+Pad (MPGA)", "+Pad (TTXT)", "Streams: 4 / 4"},
         {"Audiospur 1 (0x01AE, E-AC-3, fra)", "Audiospur 2 (0x01AF, MPEG, deu)"},
         "Videospur 1 (0x01A4, H264)",
         1},
        {"E-AC-3 0x87",
         kEac3Type87,
         {"+Pad (EAC3)", "Streams: 2 / 2"},
         {"Audiospur 1 (0x01AE, E-AC-3, deu)"},
         "Videospur 1 (0x01A4, H264)",
         -1},
        {"AAC-LATM",
         kAacLatm,
         {"+Pad (LATM)", "Streams: 2 / 2"},
         {"Audiospur 1 (0x01AE, AAC-LATM, deu)"},
         "Videospur 1 (0x01A4, H264)",
         -1},
        {"AAC ADTS",
         kAacAdts,
         {"+Pad (AAC)", "Streams: 2 / 2"},
         {"Audiospur 1 (0x01AE, AAC, deu)"},
         "Videospur 1 (0x01A4, H264)",
         -1},
        {"HEVC",
         kHevc,
         {"+Pad (HEVC)", "+Pad (MPGA)", "Streams: 2 / 2"},
         {"Audiospur 1 (0x01AE, MPEG, deu)"},
         "Videospur 1 (0x01A4, HEVC)",
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineHarness h(player());
        ASSERT_TRUE(PlayUntilPlaying(h, c.service));
        for (const std::string& line : c.pads)
            EXPECT_TRUE(h.Logged(line)) << line;
        EXPECT_FALSE(h.LogIndexStartingWith("+Pad (UNKN") >= 0);
        EXPECT_EQ(h.ProblemCount(kLogError), 0);
        EXPECT_EQ(h.view.audioChoices, c.audio);
        EXPECT_EQ(h.view.videoChoices, std::vector<wxString>{c.video});
        EXPECT_EQ(h.view.selectedAudio, c.selectedAudio);
        // Decoded: every decoder has negotiated its output.
        EXPECT_TRUE(h.Pump(
            [&] {
                const StreamInfo info = player().SnapshotInfo();
                bool sound = info.audioCount == static_cast<int>(c.audio.size());
                for (int i = 0; i < info.audioCount; ++i)
                    sound = sound && info.audio[i].rate > 0;
                return sound && info.video.width > 0;
            },
            5000));
        StopAndExpectTornDown(h);
    }
}

TEST_F(PlaybackTest, RadioBuildsNoVideoChain) {
    EngineHarness h(player());
    h.view.itemType = 2;
    ASSERT_TRUE(PlayUntilPlaying(h, kRadio));
    EXPECT_EQ(player().Elements().videoDecoder, nullptr);
    EXPECT_EQ(player().Elements().videoSink, nullptr);
    EXPECT_TRUE(h.view.videoChoices.empty());
    EXPECT_EQ(h.view.audioChoices.size(), 1u);
    EXPECT_EQ(h.infoWhenPlaying.at(0).sinkChains, 1);
    EXPECT_EQ(h.view.tools.count(StreamTool::Fullscreen), 0u);
    StopAndExpectTornDown(h);
}

TEST_F(PlaybackTest, PlayPauseDuringALiveStreamStopsIt) {
    EngineHarness h(player());
    ASSERT_TRUE(PlayUntilPlaying(h, kSdPlain));
    // The sinks report before the pipeline bin itself has finished going to PLAYING.
    ASSERT_TRUE(h.Pump([] { return GST_STATE(player().Elements().pipeline) == GST_STATE_PLAYING; }, 5000));
    EXPECT_TRUE(h.supervisor.StartStreaming());
    ASSERT_FALSE(h.view.commands.empty());
    EXPECT_EQ(h.view.commands.back(), "stop");
    EXPECT_TRUE(h.Pump([&] { return h.CountPlaying(false) > 0; }, 5000));
    EXPECT_EQ(player().ElementCount(), 10);
}

TEST_F(PlaybackTest, SubtitlesFeedTheOverlayAndGoWithTheirPad) {
    EngineHarness h(player());
    ASSERT_TRUE(PlayUntilPlaying(h, kHdSubtitles));
    EXPECT_TRUE(h.Logged("+Pad (SUBT)"));
    EXPECT_TRUE(h.view.subtitleMenu);
    ASSERT_NE(player().Elements().subtitleInputSelector, nullptr);
    GstPad* text = gst_element_get_static_pad(player().Elements().subtitleOverlay, "text_sink");
    EXPECT_TRUE(gst_pad_is_linked(text));
    gst_object_unref(text);
    const StreamInfo info = player().SnapshotInfo();
    EXPECT_EQ(info.subtitleCount, 1);
    EXPECT_EQ(info.subtitles[0].pid, 0x104);
    EXPECT_EQ(info.subtitles[0].language, "deu");
    EXPECT_EQ(info.subtitles[0].type, 0x10);
    EXPECT_EQ(info.expected, 4); // subtitles are not counted
    StopAndExpectTornDown(h);
    EXPECT_EQ(player().Elements().subtitleInputSelector, nullptr);
    EXPECT_FALSE(h.view.subtitleMenu);
}

// A configured sink that cannot open its device (here a video4linux output without
// a device; on desktops typically "xvimagesink" on a server without XVideo) must not
// leave the user without a picture: the compatible X sink takes over, with a warning.
TEST_F(PlaybackTest, UnusableVideoSinkFallsBackToTheCompatibleOne) {
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server";
    const wxString configured = TestSettings().general.VideoSink;
    TestSettings().general.VideoSink = "v4l2sink";
    EngineHarness h(player());
    const bool playing = PlayUntilPlaying(h, kSdPlain);
    TestSettings().general.VideoSink = configured;
    ASSERT_TRUE(playing);
    const stream_event::Problem* warning = h.ProblemFrom("VideoSink");
    ASSERT_NE(warning, nullptr);
    EXPECT_EQ(warning->level, kLogWarning);
    EXPECT_EQ(warning->message, "v4l2sink: no video output");
    ASSERT_NE(player().Elements().videoSink, nullptr);
    GstElementFactory* factory = gst_element_get_factory(player().Elements().videoSink);
    EXPECT_STREQ(GST_OBJECT_NAME(factory), "ximagesink");
    StopAndExpectTornDown(h);
}

// Picture-in-picture plays two streams at once: each player keeps its own pipeline,
// stream facts, events and generation, and stopping one leaves the other playing.
TEST_F(PlaybackTest, TwoPlayersPlayAtOnceAndStopApart) {
    Player second;
    ASSERT_TRUE(second.Init(StreamSettingsOf(TestSettings(), TestOptions())));
    EngineHarness full(player());
    EngineHarness pip(second);
    ASSERT_TRUE(full.Play(sim_->streamPort(), kSdPlain.ref, kSdPlain.programme));
    ASSERT_TRUE(pip.Play(sim_->streamPort(), kHdFull.ref, kHdFull.programme));
    ASSERT_TRUE(full.Pump(
        [&] {
            pip.Step();
            return full.CountPlaying(true) > 0 && pip.CountPlaying(true) > 0;
        },
        kPlayWaitMs));
    EXPECT_TRUE(full.Logged("+Pad (MPGV)"));
    EXPECT_FALSE(full.Logged("+Pad (H264)"));
    EXPECT_TRUE(pip.Logged("+Pad (H264)"));
    EXPECT_FALSE(pip.Logged("+Pad (MPGV)"));
    EXPECT_EQ(full.view.audioChoices.size(), 1u);
    EXPECT_EQ(pip.view.audioChoices.size(), 2u);
    EXPECT_TRUE(full.infoWhenPlaying.at(0).video.mpeg2);
    EXPECT_EQ(full.infoWhenPlaying.at(0).teletextPid, 0);
    EXPECT_FALSE(pip.infoWhenPlaying.at(0).video.mpeg2);
    EXPECT_EQ(pip.infoWhenPlaying.at(0).teletextPid, 0x103);

    const long pipGeneration = second.Generation();
    StopAndExpectTornDown(full);
    pip.Pump([] { return false; }, 1000);
    EXPECT_EQ(pip.CountPlaying(false), 0);
    EXPECT_TRUE(second.IsPlaying());
    EXPECT_EQ(second.Generation(), pipGeneration);
    EXPECT_GT(second.ElementCount(), 10);
    StopAndExpectTornDown(pip);
}

// The settings dialog writes the settings on the GUI thread while streaming threads
// build chains: a stream keeps the settings it started with, the next start takes
// the new ones.
TEST_F(PlaybackTest, SettingsChangedAfterTheStartApplyFromTheNextStart) {
    const AppSettings saved = TestSettings();
    TestSettings().avParameter.Brightness = -0.25;
    TestSettings().general.StreamBufferTime = 2;
    EngineHarness h(player());
    // The stream waits in front of the demuxer, so that every chain is built after the change.
    GstPad* input = gst_element_get_static_pad(player().Elements().sourceQueue, "src");
    const gulong hold = gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM, Hold, nullptr, nullptr);
    const bool started = h.Play(sim_->streamPort(), kSdPlain.ref, kSdPlain.programme);
    TestSettings().avParameter.Brightness = 0.5;
    TestSettings().general.StreamBufferTime = 4;
    gst_pad_remove_probe(input, hold);
    gst_object_unref(input);
    ASSERT_TRUE(started);
    ASSERT_TRUE(h.Pump([&] { return h.CountPlaying(true) > 0; }, kPlayWaitMs));
    EXPECT_DOUBLE_EQ(DoubleProperty(player().Elements().videoBalance, "brightness"), -0.25);
    EXPECT_EQ(QueueTime(player()), 2 * GST_SECOND);
    StopAndExpectTornDown(h);

    ASSERT_TRUE(PlayUntilPlaying(h, kSdPlain, 2));
    EXPECT_DOUBLE_EQ(DoubleProperty(player().Elements().videoBalance, "brightness"), 0.5);
    EXPECT_EQ(QueueTime(player()), 4 * GST_SECOND);
    StopAndExpectTornDown(h);
    TestSettings() = saved;
}
