// The GUI-thread meaning of stream events, the default audio track and the
// timeout/resync timers, driven without a pipeline.
#include <gtest/gtest.h>

#include "core/settings.h"
#include "fake_stream_view.h"
#include "stream/stream_supervisor.h"

namespace {

SupervisorIntervals Fast() {
    SupervisorIntervals i;
    i.settleMs = 0;
    i.resyncPauseMs = 0;
    return i;
}

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
    EXPECT_EQ(AudioChoiceLabel(2, 0xC9 << 16 | 4), "Audiospur 2 (0x00C9, AC-3)");
    EXPECT_EQ(AudioChoiceLabel(1, 0x101 << 16 | 3), "Audiospur 1 (0x0101, MPEG)");
    EXPECT_EQ(VideoChoiceLabel(1, 0x100 << 16 | 2), "Videospur 1 (0x0100, H264)");
    EXPECT_EQ(ProblemLogLine("ERR [Source#Could not connect#soup.c(12): no route]"),
              "GSTR ERR [Source: Could not connect => soup.c(12): no route]");
    // A message containing '#' itself stays whole between the first and last '#'.
    EXPECT_EQ(ProblemLogLine("WRN [Demuxer#bad #3 packet#dbg]"), "GSTR WRN [Demuxer: bad #3 packet => dbg]");
    EXPECT_EQ(ProblemLogLine("no separators"), "GSTR no separators:  => ");
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

TEST(StreamSupervisorEvents, ChoicesFollowAddedAndRemovedTracks) {
    FakeStreamView view;
    StreamSupervisor sup(view, Fast());
    sup.OnStreamEvent(kStreamVideoAdded, 0x100 << 16 | 1, "");
    sup.OnStreamEvent(kStreamAudioAdded, 0x101 << 16 | 3, "");
    sup.OnStreamEvent(kStreamAudioAdded, 0xC9 << 16 | 4, "");
    ASSERT_EQ(view.audioChoices.size(), 2u);
    EXPECT_EQ(view.audioChoices[1], "Audiospur 2 (0x00C9, AC-3)");
    EXPECT_EQ(view.videoChoices.at(0), "Videospur 1 (0x0100, MPEG)");
    EXPECT_EQ(view.boxLabel, " AV-Optionen [ 2 Audio | 1 Video ] ");
    sup.OnStreamEvent(kStreamAudioRemoved, 0, "");
    EXPECT_TRUE(view.audioChoices.empty());
    EXPECT_EQ(view.boxLabel, " AV-Optionen [ 0 Audio | 1 Video ] ");
    sup.OnStreamEvent(kStreamSubtitlesAdded, 0, "");
    EXPECT_TRUE(view.subtitleMenu);
    sup.OnStreamEvent(kStreamSubtitlesRemoved, 0, "");
    EXPECT_FALSE(view.subtitleMenu);
}

TEST(StreamSupervisorEvents, PlayingEnablesToolsByKindAndStoppedDisablesAll) {
    FakeStreamView view;
    StreamSupervisor sup(view, Fast());
    view.itemType = 2; // radio: no picture tools
    sup.OnStreamEvent(kStreamPlaying, 1, "");
    EXPECT_TRUE(view.tools[StreamTool::Record]);
    EXPECT_TRUE(view.tools[StreamTool::Volume]);
    EXPECT_EQ(view.tools.count(StreamTool::Fullscreen), 0u);
    EXPECT_TRUE(view.pauseBitmap);
    EXPECT_TRUE(view.HasStatus("Streaming gestartet"));
    view.itemType = 1;
    view.pipActive = true;
    view.desktopFound = false;
    sup.OnStreamEvent(kStreamPlaying, 1, "");
    EXPECT_TRUE(view.tools[StreamTool::Fullscreen]);
    EXPECT_EQ(view.tools.count(StreamTool::Wallpaper), 0u);
    EXPECT_EQ(view.tools.count(StreamTool::Teletext), 0u); // no teletext PID known
    sup.OnStreamEvent(kStreamPlaying, 0, "");
    for (const auto& [tool, enabled] : view.tools)
        EXPECT_FALSE(enabled);
    EXPECT_FALSE(view.pauseBitmap);
    EXPECT_TRUE(view.HasStatus("Streaming beendet"));
}

TEST(StreamSupervisorEvents, ErrorLogSetsStatusAndDebugLinesOnlyWhenVerbose) {
    FakeStreamView view;
    StreamSupervisor sup(view, Fast());
    LogCapture log;
    sup.OnStreamEvent(kStreamLog, kLogError, "ERR [Source#boom#dbg]");
    EXPECT_TRUE(view.HasStatus("Streaming fehlgeschlagen"));
    EXPECT_TRUE(log.Contains("GSTR ERR [Source: boom => dbg]"));
    sup.OnStreamEvent(kStreamLog, kLogDebug, "Pads done");
    EXPECT_FALSE(log.Contains("Pads done"));
    sup.OnStreamEvent(kStreamLog, kLogInfo, "+Pad (MPGV)");
    EXPECT_TRUE(log.Contains("+Pad (MPGV)"));
}

TEST(StreamSupervisorTimers, SixthTimeoutAbortsAndResetsTheCounter) {
    FakeStreamView view;
    StreamSupervisor sup(view, Fast());
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

TEST(StreamSupervisorTimers, PadsDoneResetsRetriesAndStopsTheTimeout) {
    FakeStreamView view;
    StreamSupervisor sup(view, Fast());
    sup.OnTimeoutTimer();
    sup.OnTimeoutTimer();
    ASSERT_TRUE(view.timers.count(StreamTimer::Timeout));
    sup.OnStreamEvent(kStreamPadsDone, 0, "");
    EXPECT_EQ(sup.retryCount(), 0);
    EXPECT_FALSE(view.timers.count(StreamTimer::Timeout));
}

TEST(StreamSupervisorTimers, EndOfStreamSchedulesResyncThatRestartsLiveAndStopsRecordings) {
    FakeStreamView view;
    StreamSupervisor sup(view, Fast());
    sup.OnStreamEvent(kStreamResync, 0, "");
    EXPECT_EQ(view.lastInterval[StreamTimer::Resync], 500);
    LogCapture log;
    sup.OnResyncTimer();
    EXPECT_EQ(view.syncStops, 1);
    EXPECT_TRUE(log.Contains("Streaming abgebrochen, reconnect"));
    EXPECT_EQ(view.commands.back(), "play");
    EXPECT_EQ(view.images, (std::vector<wxString>{"IMG_RESYNC1", "IMG_RESYNC2"}));
    view.commands.clear();
    view.itemType = 3;
    sup.OnResyncTimer();
    EXPECT_EQ(view.commands, (std::deque<std::string>{"stop"}));
    EXPECT_EQ(view.syncStops, 1);
}
