// Streams that never start, break off or stall: retries, resync and the
// multiqueue underrun path, with shortened timer intervals.
#include "sim_playback_fixture.h"

namespace {

SupervisorIntervals Shortened(int timeoutMs = 5000) {
    SupervisorIntervals i;
    i.timeoutMs = timeoutMs;
    i.settleMs = 1000;
    i.resyncPauseMs = 0;
    return i;
}

using StreamFaultTest = SimPlaybackTest;

} // namespace

TEST_F(StreamFaultTest, NeverStartingStreamIsRetriedFiveTimesThenAbandoned) {
    ASSERT_TRUE(sim_->SetFault("stream=never"));
    EngineHarness h(Shortened(400));
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
    EXPECT_EQ(h.Count(kStreamPlaying, 1), 0);
    EXPECT_EQ(PipelineElementCount(), 10);
}

TEST_F(StreamFaultTest, BrokenOffStreamIsReconnectedAndPlaysAgain) {
    ASSERT_TRUE(sim_->SetFault("stream=stop&after=3"));
    EngineHarness h(Shortened());
    LogCapture log;
    ASSERT_TRUE(PlayUntilPlaying(h, kSdPlain));
    ASSERT_TRUE(h.Pump([&] { return h.Count(kStreamResync) > 0; }, 15000));
    ASSERT_TRUE(sim_->Reset());
    ASSERT_TRUE(h.Pump([&] { return h.Count(kStreamPlaying, 1) >= 2; }, 20000));
    EXPECT_GE(h.resyncTicks, 1);
    EXPECT_TRUE(log.Contains("Streaming unterbrochen, resync") ||
                log.Contains("Streaming abgebrochen, reconnect"));
    EXPECT_EQ(h.Count(kStreamPlaying, 0), h.resyncTicks); // each resync stopped a playing stream
}

TEST_F(StreamFaultTest, StallRunsTheUnderrunPathOnce) {
    ASSERT_TRUE(sim_->SetFault("stream=stall&after=3"));
    EngineHarness h(Shortened());
    LogCapture log;
    ASSERT_TRUE(PlayUntilPlaying(h, kSdPlain));
    ASSERT_TRUE(sim_->Reset()); // the reconnect gets a healthy stream
    ASSERT_TRUE(h.Pump([&] { return h.resyncTicks > 0; }, 15000));
    // A drained queue while PLAYING is the only end of stream a stalled connection gives.
    EXPECT_EQ(h.Count(kStreamResync), 1);
    EXPECT_EQ(h.LogCountStartingWith("ERR"), 0);
    EXPECT_TRUE(log.Contains("Streaming unterbrochen, resync"));
    EXPECT_TRUE(h.Pump([&] { return h.Count(kStreamPlaying, 1) >= 2; }, 20000));
}
