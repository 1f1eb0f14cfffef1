// tessaro-probe's run against the simulator: the tracks and the result it reports
// for a service that plays, and for a source that cannot be read at all.
#include <gtest/gtest.h>

#include "sim_playback_fixture.h"
#include "stream/probe_session.h"
#include "test_settings.h"

namespace {

using ProbeTest = SimPlaybackTest;

ProbeRequest Request(const wxString& url, int seconds) {
    ProbeRequest r;
    r.source.url = url;
    r.seconds = seconds;
    return r;
}

} // namespace

TEST_F(ProbeTest, PlayingServiceListsItsTracksWithLanguagesAndPages) {
    const wxString url = wxString::Format("http://127.0.0.1:%d/%s", sim_->streamPort(), kHdFull.ref);
    const ProbeOutcome o = RunProbe(player(), TestSettings(), TestOptions(), Request(url, 4));
    std::vector<std::string> lines;
    for (const ProbeTrack& t : o.tracks)
        lines.push_back(TrackLine(t));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"track video h264 pid=0x0100", "track audio mpeg lang=deu pid=0x0101",
                                        "track audio ac-3 lang=eng pid=0x0102",
                                        "track teletext lang=deu pid=0x0103 pages=100,888"}));
    EXPECT_EQ(o.result, ProbeResult::Playing) << ResultLine(o);
    EXPECT_GE(o.firstPictureMs, 0);
    EXPECT_GE(o.playingMs, o.firstPictureMs);
    EXPECT_GT(o.frames, 0);
    EXPECT_EQ(o.reconnects, 0);
    EXPECT_EQ(player().ElementCount(), 10); // the run stops what it started
}

TEST_F(ProbeTest, ScrambledServiceAndUnreadableFileGiveTheirResults) {
    const wxString url = wxString::Format("http://127.0.0.1:%d/%s", sim_->streamPort(), kScrambled.ref);
    EXPECT_EQ(RunProbe(player(), TestSettings(), TestOptions(), Request(url, 10)).result,
              ProbeResult::Scrambled);
    const ProbeOutcome o =
        RunProbe(player(), TestSettings(), TestOptions(), Request("/nonexistent/tessaro-probe.ts", 2));
    EXPECT_EQ(o.result, ProbeResult::Error);
    EXPECT_FALSE(o.error.empty());
    EXPECT_EQ(ProbeExitCode(o), 1);
    // The player reads from the network again for the next service.
    EngineHarness h(player());
    EXPECT_TRUE(PlayUntilPlaying(h, kSdPlain));
}
