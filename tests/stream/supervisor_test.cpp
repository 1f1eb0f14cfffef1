// The GUI-thread meaning of stream events, the default audio track and the
// timeout/resync timers, driven without a pipeline.
#include <chrono>

#include <gtest/gtest.h>

#include "fake_stream_view.h"
#include "stream/player.h"
#include "stream/stream_supervisor.h"
#include "test_settings.h"

namespace {

using namespace stream_event;

SupervisorIntervals Fast() {
    SupervisorIntervals i;
    i.resyncPauseMs = 0;
    return i;
}

StreamEvent Event(StreamEventData data, long generation = 0) {
    return StreamEvent{generation, std::move(data)};
}

// The supervisor's side alone: a player without a pipeline.
class SupervisorTest : public testing::Test {
protected:
    Player player;
    FakeStreamView view;
    StreamSupervisor sup{player, view, TestSettings(), TestOptions(), Fast()};
};

StreamInfo TracksInfo(std::vector<std::pair<int, std::string>> tracks) {
    StreamInfo info;
    for (size_t i = 0; i < tracks.size(); ++i) {
        info.audio[i].pid = tracks[i].first;
        info.audio[i].language = tracks[i].second;
    }
    info.audioCount = static_cast<int>(tracks.size());
    return info;
}

} // namespace

TEST(StreamTexts, ChoiceLabelsAndProblemLines) {
    EXPECT_EQ(AudioChoiceLabel(2, 0xC9, kKindAc3), "Audiospur 2 (0x00C9, AC-3)");
    EXPECT_EQ(AudioChoiceLabel(1, 0x101, kKindMpegAudio), "Audiospur 1 (0x0101, MPEG)");
    EXPECT_EQ(AudioChoiceLabel(1, 0x1AE, kKindEac3, "fra"), "Audiospur 1 (0x01AE, E-AC-3, fra)");
    EXPECT_EQ(AudioChoiceLabel(3, 0x1AE, kKindAacLatm, "deu"), "Audiospur 3 (0x01AE, AAC-LATM, deu)");
    EXPECT_EQ(VideoChoiceLabel(1, 0x100, kKindH264), "Videospur 1 (0x0100, H264)");
    EXPECT_EQ(VideoChoiceLabel(1, 0x1A4, kKindHevc), "Videospur 1 (0x01A4, HEVC)");
    EXPECT_EQ(ProblemLogLine({kLogError, "Source", "Could not connect", "soup.c(12): no route"}),
              "GSTR ERR [Source: Could not connect => soup.c(12): no route]");
    // Separators inside the texts are the texts' own.
    const Problem hashes{kLogWarning, "Demuxer", "bad #3 packet", "a#b"};
    EXPECT_EQ(ProblemLogLine(hashes), "GSTR WRN [Demuxer: bad #3 packet => a#b]");
    EXPECT_EQ(ProblemText(hashes), "WRN [Demuxer#bad #3 packet#a#b]");
}

TEST(DefaultAudioTrack, LowestPidAmongLanguageMatches) {
    EXPECT_EQ(ChooseDefaultAudioTrack(TracksInfo({{0x102, "eng"}, {0x101, "deu"}}), "DE"), 1);
    EXPECT_EQ(ChooseDefaultAudioTrack(TracksInfo({{0x101, "deu"}, {0x102, "eng"}}), "en"), 1);
    // No match: lowest PID of all; untagged tracks never match.
    EXPECT_EQ(ChooseDefaultAudioTrack(TracksInfo({{0x105, ""}, {0x103, "fra"}}), "DE"), 1);
    EXPECT_EQ(ChooseDefaultAudioTrack(TracksInfo({{0x105, "deu"}, {0x103, ""}}), ""), 1);
    // Ties: the first wins.
    EXPECT_EQ(ChooseDefaultAudioTrack(TracksInfo({{0x101, "deu"}, {0x101, "deu"}}), "DE"), 0);
    EXPECT_EQ(ChooseDefaultAudioTrack(StreamInfo{}, "DE"), 0);
}

TEST(DefaultSubtitles, LowestPidAmongLanguageMatchesOfTheLinkedStreams) {
    StreamInfo info;
    GstPad* const pad = reinterpret_cast<GstPad*>(&info); // identity only
    info.subtitles[0] = {0x106, pad, "eng", 0x10};
    info.subtitles[1] = {0x105, pad, "deu", 0x20};
    info.subtitles[2] = {0x104, nullptr, "deu", 0x10}; // its pad is gone
    info.subtitles[3] = {0x107, pad, "deu", 0x10};
    info.subtitleCount = 4;
    EXPECT_EQ(ChooseDefaultSubtitles(info, "DE"), 0x105);
    EXPECT_EQ(ChooseDefaultSubtitles(info, "fr"), 0x105); // no match: lowest linked PID
    EXPECT_EQ(ChooseDefaultSubtitles(info, "en"), 0x106);
    EXPECT_EQ(ChooseDefaultSubtitles(StreamInfo{}, "DE"), 0);
}

TEST(ProblemLimiter, OneLinePerKindAndWindowThenTheCount) {
    using namespace std::chrono_literals;
    const LogRateLimiter::Clock::time_point t0{};
    LogRateLimiter limiter(60s);
    const std::string continuity =
        ProblemKind("WRN", "Demuxer", "CONTINUITY: Mismatch packet 3, stream 5 (pid 0x01ae)");
    EXPECT_EQ(continuity, "WRN Demuxer: CONTINUITY: Mismatch packet #, stream # (pid #)");
    EXPECT_EQ(ProblemKind("WRN", "Demuxer", "CONTINUITY: Mismatch packet 14, stream 0 (pid 0x0042)"),
              continuity);
    EXPECT_EQ(ProblemKind("INF", "mp2dec", "H.264 frame 7"), "INF mp2dec: H.# frame #");
    const std::string other = ProblemKind("WRN", "VideoDecoder", "decoding error");
    EXPECT_TRUE(limiter.Admit(continuity, t0));
    EXPECT_TRUE(limiter.Admit(other, t0 + 1s));
    for (int i = 0; i < 119; ++i)
        EXPECT_FALSE(limiter.Admit(continuity, t0 + 100ms * i));
    EXPECT_TRUE(limiter.Expired(t0 + 59s).empty());
    // The window passed: its count once, the quiet kind's window closes without a line.
    const auto expired = limiter.Expired(t0 + 61s);
    ASSERT_EQ(expired.size(), 1u);
    EXPECT_EQ(expired[0].kind, continuity);
    EXPECT_EQ(expired[0].count, 119);
    EXPECT_TRUE(limiter.Expired(t0 + 200s).empty());
    EXPECT_TRUE(limiter.Admit(continuity, t0 + 201s));
    EXPECT_FALSE(limiter.Admit(continuity, t0 + 202s));
    // At the end of the stream the counts are given before their window passed.
    const auto rest = limiter.TakeAll();
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].count, 1);
    EXPECT_TRUE(limiter.TakeAll().empty());
}

using StreamSupervisorEvents = SupervisorTest;
using StreamSupervisorTimers = SupervisorTest;

TEST_F(StreamSupervisorEvents, ChoicesFollowAddedAndRemovedTracks) {
    sup.OnStreamEvent(Event(VideoAdded{0x100, kKindMpeg2}));
    sup.OnStreamEvent(Event(AudioAdded{0x101, kKindMpegAudio, ""}));
    sup.OnStreamEvent(Event(AudioAdded{0xC9, kKindAc3, "eng"}));
    ASSERT_EQ(view.audioChoices.size(), 2u);
    EXPECT_EQ(view.audioChoices[1], "Audiospur 2 (0x00C9, AC-3, eng)");
    EXPECT_EQ(view.videoChoices.at(0), "Videospur 1 (0x0100, MPEG)");
    EXPECT_EQ(view.boxLabel, " AV-Optionen [ 2 Audio | 1 Video ] ");
    sup.OnStreamEvent(Event(AudioRemoved{}));
    EXPECT_TRUE(view.audioChoices.empty());
    EXPECT_EQ(view.boxLabel, " AV-Optionen [ 0 Audio | 1 Video ] ");
    sup.OnStreamEvent(Event(SubtitlesAdded{}));
    EXPECT_TRUE(view.subtitleMenu);
    sup.OnStreamEvent(Event(SubtitlesRemoved{}));
    EXPECT_FALSE(view.subtitleMenu);
}

TEST_F(StreamSupervisorEvents, PlayingEnablesToolsByKindAndStoppedDisablesAll) {
    view.itemType = 2; // radio: no picture tools
    sup.OnStreamEvent(Event(Playing{true}));
    EXPECT_TRUE(view.tools[StreamTool::Record]);
    EXPECT_TRUE(view.tools[StreamTool::Volume]);
    EXPECT_EQ(view.tools.count(StreamTool::Fullscreen), 0u);
    EXPECT_TRUE(view.pauseBitmap);
    EXPECT_TRUE(view.HasStatus("Streaming gestartet"));
    view.itemType = 1;
    view.pipActive = true;
    view.desktopFound = false;
    sup.OnStreamEvent(Event(Playing{true}));
    EXPECT_TRUE(view.tools[StreamTool::Fullscreen]);
    EXPECT_EQ(view.tools.count(StreamTool::Wallpaper), 0u);
    EXPECT_EQ(view.tools.count(StreamTool::Teletext), 0u); // no teletext PID known
    sup.OnStreamEvent(Event(Playing{false}));
    for (const auto& [tool, enabled] : view.tools)
        EXPECT_FALSE(enabled);
    EXPECT_FALSE(view.pauseBitmap);
    EXPECT_TRUE(view.HasStatus("Streaming beendet"));
}

TEST_F(StreamSupervisorEvents, ErrorLogSetsStatusAndDebugLinesOnlyWhenVerbose) {
    LogCapture log;
    sup.OnStreamEvent(Event(Problem{kLogError, "Source", "boom", "dbg"}));
    EXPECT_TRUE(view.HasStatus("Streaming fehlgeschlagen"));
    EXPECT_TRUE(log.Contains("GSTR ERR [Source: boom => dbg]"));
    sup.OnStreamEvent(Event(Problem{kLogInfo, "Demuxer", "note", ""}));
    EXPECT_TRUE(log.Contains("INF [Demuxer#note#]"));
    sup.OnStreamEvent(Event(LogLine{kLogDebug, "Pads done"}));
    EXPECT_FALSE(log.Contains("Pads done"));
    sup.OnStreamEvent(Event(LogLine{kLogInfo, "+Pad (MPGV)"}));
    EXPECT_TRUE(log.Contains("+Pad (MPGV)"));
}

TEST_F(StreamSupervisorEvents, RepeatedWarningsAreCountedAndTheCountLoggedAtTheEnd) {
    LogCapture log;
    for (int i = 0; i < 40; ++i)
        sup.OnStreamEvent(Event(
            Problem{kLogWarning, "Demuxer", wxString::Format("CONTINUITY: packet %d", i).ToStdString(), ""}));
    sup.OnStreamEvent(Event(Problem{kLogError, "Demuxer", "CONTINUITY: packet 41", ""}));
    sup.OnStreamEvent(Event(Problem{kLogError, "Demuxer", "CONTINUITY: packet 42", ""}));
    EXPECT_EQ(log.lines.size(), 3u); // errors are never held back
    sup.OnStreamEvent(Event(Playing{false}));
    EXPECT_TRUE(log.Contains("GSTR [WRN Demuxer: CONTINUITY: packet #] 39 weitere Meldungen dieser Art nicht "
                             "protokolliert"));
}

TEST_F(StreamSupervisorTimers, SixthTimeoutAbortsAndResetsTheCounter) {
    LogCapture log;
    for (int i = 1; i <= 5; ++i) {
        sup.OnTimeoutTimer();
        EXPECT_EQ(sup.retryCount(), i);
    }
    EXPECT_TRUE(view.HasStatus("Streaming fehlgeschlagen, Versuch #5"));
    EXPECT_EQ(view.timerStarts[StreamTimer::Timeout], 5);
    sup.OnTimeoutTimer();
    EXPECT_EQ(sup.retryCount(), 0);
    EXPECT_TRUE(view.HasStatus("Streaming fehlgeschlagen, Abbruch"));
    EXPECT_TRUE(log.Contains("GSTR Timeout, abort"));
    EXPECT_EQ(view.images.back(), "IMG_ABORT");
    EXPECT_EQ(view.timerStarts[StreamTimer::Timeout], 5); // no seventh attempt
    // Six stops and five restarts were asked for.
    EXPECT_EQ(std::count(view.commands.begin(), view.commands.end(), "stop"), 6);
    EXPECT_EQ(std::count(view.commands.begin(), view.commands.end(), "play"), 5);
}

// Linked pads prove nothing (a scrambled service links every pad): the start time-out
// begins again at "Pads done", and only the first decoded picture or sound ends it
// and the count of retries. From a stream stopped meanwhile neither counts.
TEST_F(StreamSupervisorTimers, PadsDoneRestartsTheTimeoutAndFirstDataEndsIt) {
    sup.OnTimeoutTimer();
    sup.OnTimeoutTimer();
    view.timers.clear();
    sup.OnStreamEvent(Event(PadsDone{}));
    EXPECT_EQ(sup.retryCount(), 2);
    ASSERT_TRUE(view.timers.count(StreamTimer::Timeout));
    EXPECT_EQ(view.lastInterval[StreamTimer::Timeout], 5000);
    sup.OnStreamEvent(Event(FirstData{false}, player.Generation() - 1));
    EXPECT_TRUE(view.timers.count(StreamTimer::Timeout));
    sup.OnStreamEvent(Event(FirstData{true}));
    EXPECT_EQ(sup.retryCount(), 0);
    EXPECT_FALSE(view.timers.count(StreamTimer::Timeout));
    // A later "Pads done" (the pads of a programme update) starts no watchdog.
    sup.OnStreamEvent(Event(PadsDone{}));
    EXPECT_FALSE(view.timers.count(StreamTimer::Timeout));
}

TEST_F(StreamSupervisorTimers, ScrambledServiceStopsWithItsMessageInsteadOfRetries) {
    LogCapture log;
    sup.OnTimeoutTimer();
    view.commands.clear();
    sup.OnStreamEvent(Event(Scrambled{}));
    EXPECT_EQ(view.statusTexts.back(), wxString::FromUTF8("Der Sender ist verschlüsselt."));
    EXPECT_EQ(view.images.back(), "IMG_ABORT");
    EXPECT_EQ(view.commands, (std::deque<std::string>{"stop"}));
    EXPECT_FALSE(view.timers.count(StreamTimer::Timeout));
    EXPECT_EQ(sup.retryCount(), 0);
    EXPECT_TRUE(log.Contains("GSTR Scrambled, abort"));
}

TEST_F(StreamSupervisorTimers, MissingPcrRestartsAtOnceWithoutCountingARetry) {
    sup.OnTimeoutTimer();
    view.commands.clear();
    sup.OnStreamEvent(Event(PcrMissing{}));
    EXPECT_EQ(view.syncStops, 1);
    EXPECT_EQ(view.commands, (std::deque<std::string>{"play"}));
    EXPECT_EQ(sup.retryCount(), 1);
}

TEST_F(StreamSupervisorTimers, EndOfStreamSchedulesResyncThatRestartsLiveAndStopsRecordings) {
    sup.OnStreamEvent(Event(Resync{}));
    EXPECT_EQ(view.lastInterval[StreamTimer::Resync], 500);
    LogCapture log;
    sup.OnResyncTimer();
    EXPECT_EQ(view.syncStops, 1);
    EXPECT_TRUE(log.Contains("Streaming abgebrochen, reconnect"));
    // The pause between the pictures is the timer's second run, not a wait.
    EXPECT_EQ(view.images, (std::vector<wxString>{"IMG_RESYNC1"}));
    EXPECT_TRUE(view.commands.empty());
    ASSERT_TRUE(view.timers.count(StreamTimer::Resync));
    sup.OnResyncTimer();
    EXPECT_EQ(view.commands.back(), "play");
    EXPECT_EQ(view.images, (std::vector<wxString>{"IMG_RESYNC1", "IMG_RESYNC2"}));
    view.commands.clear();
    view.itemType = 3;
    sup.OnStreamEvent(Event(Resync{}));
    sup.OnResyncTimer();
    EXPECT_EQ(view.commands, (std::deque<std::string>{"stop"}));
    EXPECT_EQ(view.syncStops, 1);
    // An error of a stream stopped meanwhile schedules nothing.
    view.timers.clear();
    sup.OnStreamEvent(Event(Resync{}, player.Generation() - 1));
    EXPECT_FALSE(view.timers.count(StreamTimer::Resync));
}

// A stream that fails at every start (a service the receiver cannot stream) is
// restarted by the resync, whose stop ends the timeout timer: the resyncs count.
TEST_F(StreamSupervisorTimers, FailingStartsGiveUpAfterFiveResyncs) {
    LogCapture log;
    for (int i = 1; i <= 6; ++i) {
        sup.OnStreamEvent(Event(Resync{}));
        sup.OnResyncTimer();
        if (i <= 5)
            sup.OnResyncTimer();
    }
    EXPECT_EQ(std::count(view.commands.begin(), view.commands.end(), "play"), 5);
    EXPECT_TRUE(view.HasStatus("Streaming fehlgeschlagen, Abbruch"));
    EXPECT_EQ(view.images.back(), "IMG_ABORT");
    EXPECT_FALSE(view.timers.count(StreamTimer::Resync));
    EXPECT_EQ(sup.retryCount(), 0);
}
