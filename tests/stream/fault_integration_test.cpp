// Streams that never start, break off, stall or cannot be decoded: retries, resync,
// the multiqueue underrun path, scrambled and PCR-less services and programme
// updates, with shortened timer intervals.
#include "test_settings.h"
#include "sim_playback_fixture.h"
#include "stream/chain_util.h"
#include "stream/gst_helpers.h"

namespace {

int PadGenerationOf(GstPad* pad) {
    return pad ? PadGeneration(ObjectName(pad)) : -1;
}

SupervisorIntervals Shortened(int timeoutMs = 5000) {
    SupervisorIntervals i;
    i.timeoutMs = timeoutMs;
    i.resyncPauseMs = 0;
    return i;
}

using StreamFaultTest = SimPlaybackTest;

} // namespace

TEST_F(StreamFaultTest, NeverStartingStreamIsRetriedFiveTimesThenAbandoned) {
    ASSERT_TRUE(sim_->SetFault("stream=never"));
    EngineHarness h(player(), Shortened(400));
    LogCapture log;
    ASSERT_TRUE(h.Play(sim_->streamPort(), kSdPlain.ref, kSdPlain.programme));
    ASSERT_TRUE(h.Pump([&] { return h.view.HasStatus("Streaming fehlgeschlagen, Abbruch"); }, 20000));
    h.Pump([] { return false; }, 600); // nothing follows the abort
    EXPECT_EQ(h.timeoutTicks, 6);
    EXPECT_FALSE(h.view.timers.count(StreamTimer::Timeout));
    EXPECT_EQ(std::count(h.view.images.begin(), h.view.images.end(), "IMG_TIMEOUT"), 5);
    EXPECT_TRUE(h.view.HasStatus("Streaming fehlgeschlagen, Versuch #5"));
    EXPECT_TRUE(log.Contains("GSTR Timeout, abort"));
    EXPECT_EQ(h.supervisor.retryCount(), 0);
    EXPECT_EQ(h.CountPlaying(true), 0);
    EXPECT_EQ(player().ElementCount(), 10);
}

TEST_F(StreamFaultTest, BrokenOffStreamIsReconnectedAndPlaysAgain) {
    ASSERT_TRUE(sim_->SetFault("stream=stop&after=3"));
    EngineHarness h(player(), Shortened());
    LogCapture log;
    ASSERT_TRUE(PlayUntilPlaying(h, kSdPlain));
    ASSERT_TRUE(h.Pump([&] { return h.Count<stream_event::Resync>() > 0; }, 15000));
    ASSERT_TRUE(sim_->Reset());
    ASSERT_TRUE(h.Pump([&] { return h.CountPlaying(true) >= 2; }, 20000));
    EXPECT_GE(h.view.syncStops, 1);
    EXPECT_TRUE(log.Contains("Streaming unterbrochen, resync") ||
                log.Contains("Streaming abgebrochen, reconnect"));
    EXPECT_EQ(h.CountPlaying(false), h.view.syncStops); // each resync stopped a playing stream
}

TEST_F(StreamFaultTest, StallRunsTheUnderrunPathOnce) {
    ASSERT_TRUE(sim_->SetFault("stream=stall&after=3"));
    EngineHarness h(player(), Shortened());
    LogCapture log;
    ASSERT_TRUE(PlayUntilPlaying(h, kSdPlain));
    ASSERT_TRUE(sim_->Reset()); // the reconnect gets a healthy stream
    ASSERT_TRUE(h.Pump([&] { return h.resyncTicks > 0; }, 15000));
    // A drained queue while PLAYING is the only end of stream a stalled connection gives.
    EXPECT_EQ(h.Count<stream_event::Resync>(), 1);
    EXPECT_EQ(h.ProblemCount(kLogError), 0);
    EXPECT_TRUE(log.Contains("Streaming unterbrochen, resync"));
    EXPECT_TRUE(h.Pump([&] { return h.CountPlaying(true) >= 2; }, 20000));
}

// Started with -n, or before the first zap, Play/Pause has nothing to play: a start
// would fail at once, and the resync's stops would keep the retry count from ever
// reaching its limit.
TEST_F(StreamFaultTest, PlayPauseWithoutAServiceStartsNothing) {
    Player fresh;
    ASSERT_TRUE(fresh.Init(StreamSettingsOf(TestSettings(), TestOptions())));
    EngineHarness h(fresh, Shortened(400));
    EXPECT_FALSE(h.supervisor.StartStreaming());
    h.Pump([] { return false; }, 1000);
    EXPECT_TRUE(h.events.empty());
    EXPECT_TRUE(h.view.timers.empty());
    EXPECT_EQ(fresh.State(), GST_STATE_NULL);
}

// A service the receiver refuses fails at every start. Each resync's stop also ends
// the timeout timer, so the resyncs themselves must count towards the limit.
TEST_F(StreamFaultTest, ServiceFailingAtEveryStartIsAbandonedAfterFiveRetries) {
    EngineHarness h(player(), Shortened());
    LogCapture log;
    ASSERT_TRUE(h.Play(sim_->streamPort(), "1:0:1:DEAD:1:1:C00000:0:0:0:", 0xDEAD));
    ASSERT_TRUE(h.Pump([&] { return h.view.HasStatus("Streaming fehlgeschlagen, Abbruch"); }, 20000));
    h.Pump([] { return false; }, 1000); // nothing follows the abort
    EXPECT_EQ(h.view.syncStops, 6);
    EXPECT_EQ(std::count(h.view.images.begin(), h.view.images.end(), "IMG_RESYNC2"), 5);
    EXPECT_TRUE(h.view.timers.empty());
    EXPECT_GT(h.ProblemCount(kLogError), 0);
    EXPECT_EQ(h.CountPlaying(true), 0);
}

// A receiver without the card streams a scrambled service as it is: every pad is
// linked, nothing can ever be decoded. The packets say so before any time-out.
TEST_F(StreamFaultTest, ScrambledServiceStopsWithItsMessageAndNoRetry) {
    EngineHarness h(player(), Shortened(3000));
    ASSERT_TRUE(h.Play(sim_->streamPort(), kScrambled.ref, kScrambled.programme));
    ASSERT_TRUE(h.Pump([&] { return h.view.HasStatus(wxString::FromUTF8("Der Sender ist verschlüsselt.")); },
                       kPlayWaitMs));
    h.Pump([] { return false; }, 1000); // nothing follows
    EXPECT_EQ(h.Count<stream_event::Scrambled>(), 1);
    EXPECT_EQ(h.timeoutTicks, 0);
    EXPECT_EQ(h.resyncTicks, 0);
    EXPECT_TRUE(h.view.timers.empty());
    EXPECT_EQ(h.CountPlaying(true), 0);
    EXPECT_EQ(player().ElementCount(), 10);
}

// The PMT names PCR PID 0x1FF0, on which nothing is ever sent: the stream starts
// once more with the demuxer ignoring the PCR, then plays.
TEST_F(StreamFaultTest, ServiceWhosePcrPidCarriesNothingPlaysAfterOneRestart) {
    EngineHarness h(player(), Shortened());
    ASSERT_TRUE(PlayUntilPlaying(h, kNoPcr));
    EXPECT_EQ(h.Count<stream_event::PcrMissing>(), 1);
    EXPECT_EQ(h.view.syncStops, 1);
    EXPECT_EQ(h.timeoutTicks, 0);
    gboolean ignoring = FALSE;
    g_object_get(player().Elements().demuxer, "ignore-pcr", &ignoring, nullptr);
    EXPECT_TRUE(ignoring);
    // Another service finds out anew.
    h.view.StopCommand();
    ASSERT_TRUE(PlayUntilPlaying(h, kSdPlain, 2));
    g_object_get(player().Elements().demuxer, "ignore-pcr", &ignoring, nullptr);
    EXPECT_FALSE(ignoring);
}

// tsdemux announces a new PMT version with a complete new set of pads before it
// removes the old ones. The streams that go on keep their chains: no reconnect, the
// picture keeps coming, and the second audio track comes and goes with the table.
TEST_F(StreamFaultTest, ProgrammeUpdateKeepsTheChainsPlaying) {
    EngineHarness h(player(), Shortened());
    ASSERT_TRUE(PlayUntilPlaying(h, kPmtChange));
    GstElement* decoder = player().Elements().videoDecoder;
    // The table changes every 10 s.
    ASSERT_TRUE(h.Pump([&] { return h.LogCountStartingWith("Programme update: video") >= 2; }, 30000));
    h.Pump([] { return false; }, 500);
    EXPECT_EQ(player().Elements().videoDecoder, decoder);
    EXPECT_EQ(h.Count<stream_event::VideoRemoved>(), 0);
    EXPECT_EQ(h.Count<stream_event::Resync>(), 0);
    EXPECT_EQ(h.CountPlaying(false), 0);
    EXPECT_EQ(h.ProblemCount(kLogError), 0);
    EXPECT_EQ(h.view.syncStops, 0);
    EXPECT_TRUE(player().IsPlaying());
    const StreamInfo info = player().SnapshotInfo();
    EXPECT_GE(PadGenerationOf(info.video.pad), 2);
    EXPECT_TRUE(info.retiredPads.empty()); // every old pad went
    EXPECT_EQ(info.audio[0].pid, 0x1AE);
    EXPECT_NE(info.audio[0].pad, nullptr);
}
