// Recordings over HTTP: after a seek (skip buttons and progress gauge) the
// picture goes on, so the position passes the target and keeps advancing.
#include <memory>

#include <gtest/gtest.h>

#include "sim_playback_fixture.h"

namespace {

constexpr std::int64_t kSec = GST_SECOND;

class RecordingSeekTest : public SimPlaybackTest {
protected:
    void SetUp() override {
        SimPlaybackTest::SetUp();
        h_ = std::make_unique<EngineHarness>(player());
        h_->view.itemType = 3;
        gchar* path = g_uri_escape_string(kRecordingPath, "/", FALSE);
        // The web port asks for the password, which the source gives apart from the address.
        source_.url = wxString::Format("http://127.0.0.1:%d/file?file=%s", sim_->webPort(), path);
        source_.user = sim_->config().user;
        source_.password = sim_->config().pass;
        g_free(path);
        ASSERT_TRUE(h_->PlaySource(source_));
        ASSERT_TRUE(h_->Pump([&] { return h_->CountPlaying(true) >= 1; }, kPlayWaitMs));
    }
    void TearDown() override {
        player().Stop();
        h_->Pump([&] { return h_->CountPlaying(false) > 0; }, 5000);
        h_.reset();
        SimPlaybackTest::TearDown();
    }

    static std::int64_t Position() {
        std::int64_t position = -1, duration = 0;
        return player().QueryPosition(position, duration) ? position : -1;
    }

    // The demuxer estimates from the bit rate seen so far where the target lies
    // in the file and starts a few seconds before it (a key-unit seek at the key
    // frame there). A frozen picture leaves the pipeline waiting in PAUSED, with
    // the position unknown or standing still.
    void ExpectPlaybackGoesOnAfterSeek(std::int64_t target, bool keyUnit) {
        const std::int64_t before = Position();
        ASSERT_TRUE(Seek(target, keyUnit)) << "the seek as a whole succeeds";
        if (target < before) {
            EXPECT_TRUE(h_->Pump([&] { return Position() >= 0 && Position() < target + 2 * kSec; }, 5000))
                << "went back from " << before / double(kSec) << " s to " << Position() / double(kSec);
        }
        EXPECT_TRUE(h_->Pump([&] { return Position() >= target + kSec; }, 12000))
            << "playback stopped after the seek to " << target / kSec << " s at "
            << Position() / double(kSec);
        const std::int64_t later = Position();
        EXPECT_TRUE(h_->Pump([&] { return Position() >= later + kSec; }, 5000)) << "and keeps going";
        GstState state = GST_STATE_NULL;
        gst_element_get_state(player().Elements().pipeline, &state, nullptr, 0);
        EXPECT_EQ(state, GST_STATE_PLAYING);
    }

    // The seek returns at once and reaches the pipeline from the main loop.
    bool Seek(std::int64_t target, bool keyUnit) {
        const int done = h_->Count<stream_event::SeekDone>();
        if (!player().Seek(target, keyUnit) ||
            !h_->Pump([&] { return h_->Count<stream_event::SeekDone>() > done; }, 5000))
            return false;
        for (auto e = h_->events.rbegin(); e != h_->events.rend(); ++e)
            if (const auto* seek = e->event.As<stream_event::SeekDone>())
                return seek->ok;
        return false;
    }

    StreamSource source_;
    std::unique_ptr<EngineHarness> h_;
};

} // namespace

TEST_F(RecordingSeekTest, SkipForwardToAKeyFrame) {
    ASSERT_TRUE(h_->Pump([] { return Position() >= kSec; }, 10000));
    ExpectPlaybackGoesOnAfterSeek(8 * kSec, true);
}

TEST_F(RecordingSeekTest, GaugeSeekForwardAndBack) {
    ASSERT_TRUE(h_->Pump([] { return Position() >= kSec; }, 10000));
    ExpectPlaybackGoesOnAfterSeek(10 * kSec, false);
    ExpectPlaybackGoesOnAfterSeek(4 * kSec, false);
}

TEST_F(RecordingSeekTest, SeekWhilePausedShowsTheTargetAndPlaysOnWhenResumed) {
    // Paused, the multiqueue stays full and the demuxer's thread waits inside
    // it: the seek must neither hang on it nor lose the demuxer's segment.
    ASSERT_TRUE(h_->Pump([] { return Position() >= kSec; }, 10000));
    ASSERT_TRUE(h_->Pump([] { return player().State() == GST_STATE_PLAYING; }, 5000));
    ASSERT_TRUE(h_->supervisor.StartStreaming());
    ASSERT_TRUE(h_->Pump([] { return player().State() == GST_STATE_PAUSED; }, 5000))
        << "a pause waits for every sink to preroll";
    const std::int64_t target = 12 * kSec;
    ASSERT_TRUE(Seek(target, false));
    // The key frame the demuxer starts from lies up to a few seconds before the target.
    EXPECT_TRUE(
        h_->Pump([&] { return Position() >= target - 4 * kSec && Position() <= target + kSec; }, 12000))
        << "the paused picture shows " << Position() / double(kSec) << " s";
    ASSERT_TRUE(h_->supervisor.StartStreaming());
    EXPECT_TRUE(h_->Pump([&] { return Position() >= target + kSec; }, 12000))
        << "resumed at " << Position() / double(kSec) << " s";
}

TEST_F(RecordingSeekTest, EndOfTheRecordingIsReported) {
    // The end of a recording is how the program returns the video to the main
    // window: every sink, the closed recording branch's file sink included,
    // must see the end of the stream, and an unread teletext page must not
    // hold it back.
    EXPECT_TRUE(h_->Pump([&] { return h_->Count<stream_event::Resync>() > 0; }, 30000))
        << Position() / double(kSec);
}

TEST_F(RecordingSeekTest, AnEndedRecordingPlaysAgainWithItsLengthAndSeeks) {
    // The program's own stop after the end, as the main window sees it.
    ASSERT_TRUE(h_->Pump([&] { return h_->Count<stream_event::Resync>() > 0; }, 30000));
    ASSERT_TRUE(h_->Pump([] { return player().State() == GST_STATE_NULL; }, 10000));
    const int playingBefore = h_->CountPlaying(true);
    ASSERT_TRUE(h_->PlaySource(source_));
    ASSERT_TRUE(h_->Pump([&] { return h_->CountPlaying(true) > playingBefore; }, kPlayWaitMs));
    EXPECT_TRUE(h_->Pump([] { return Position() >= 0; }, 5000)) << "position and length known again";
    ExpectPlaybackGoesOnAfterSeek(12 * kSec, false);
}
