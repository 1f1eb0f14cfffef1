// The pure rules behind playing: addresses, position texts, seek arithmetic and
// the neighbour search of the previous/next buttons.
#include <gtest/gtest.h>
#include <wx/datetime.h>

#include "core/settings.h"
#include "ui/play_logic.h"

namespace {

constexpr std::int64_t kSec = 1000000000;

ReceiverProfile Profile() {
    ReceiverProfile p;
    p.Host = "box";
    p.User = "root";
    p.Pass = "pw";
    p.WPort = 80;
    p.SPort = 8001;
    return p;
}

TEST(PlayAddress, LiveUrlEscapesTheReference) {
    EXPECT_EQ(LiveStreamUrl(Profile(), ServiceRef("1:0:1:445D:453:1:C00000:0:0:0:")),
              "http://box:8001/1%3A0%3A1%3A445D%3A453%3A1%3AC00000%3A0%3A0%3A0%3A");
}

// The address ends up in GStreamer's error texts and so in the log: the credentials
// go to the source apart.
TEST(PlayAddress, RecordingUrlCarriesEscapedPathButNoCredentials) {
    EXPECT_EQ(RecordingStreamUrl(Profile(), "media/hdd/movie/x.ts"),
              "http://box:80/file?file=/media%2Fhdd%2Fmovie%2Fx.ts");
    ReceiverProfile secure = Profile();
    secure.Https = 1;
    secure.Pass = "a@b:c";
    EXPECT_EQ(RecordingStreamUrl(secure, "m y.ts"), "https://box:80/file?file=/m%20y.ts");
}

TEST(PlayRecordingInfo, LabelAndNameField) {
    wxDateTime local(5, wxDateTime::Mar, 2010, 20, 15, 7);
    const wxString begin = wxString::Format("%lld", static_cast<long long>(local.GetTicks()));
    const wxString label = RecordingInfoLabel(begin);
    EXPECT_EQ(label, " Programminfo [ Aufnahme vom 05.03.2010 um 20:15 ] ");
    EXPECT_EQ(BracketText(label), " Aufnahme vom 05.03.2010 um 20:15 ");
    EXPECT_EQ(BracketText("kein Feld"), "");
    EXPECT_EQ(BracketText("a ] b ["), "");
}

TEST(PlayPosition, TextsAndPercent) {
    EXPECT_EQ(PositionText(83 * kSec, 2 * 3600 * kSec + 5 * kSec), "0h:01m:23s / 2h:00m:05s");
    EXPECT_EQ(PositionText(-1, 20 * kSec), "99h:99m:99s / 0h:00m:20s");
    EXPECT_EQ(ProgressPercent(5 * kSec, 20 * kSec), 25);
    EXPECT_EQ(ProgressPercent(25 * kSec, 20 * kSec), 100); // estimate grew past the end
    EXPECT_EQ(ProgressPercent(5 * kSec, 0), 0);
}

TEST(PlayPosition, SeekTargetsStayInsideTheRecording) {
    EXPECT_EQ(GaugeSeekTarget(50, 200, 20 * kSec), 5 * kSec);
    EXPECT_EQ(GaugeSeekTarget(-10, 200, 20 * kSec), 0);         // dragged left of the gauge
    EXPECT_EQ(GaugeSeekTarget(300, 200, 20 * kSec), 20 * kSec); // and right of it
    EXPECT_EQ(GaugeSeekTarget(10, 0, 20 * kSec), -1);
    EXPECT_EQ(SkipTarget(10 * kSec, 60 * kSec, 15, false), 0);
    EXPECT_EQ(SkipTarget(50 * kSec, 60 * kSec, 15, true), 60 * kSec);
    EXPECT_EQ(SkipTarget(20 * kSec, 60 * kSec, 15, true), 35 * kSec);
}

std::vector<SiblingInfo> Bouquet(const std::string& layout) {
    // 'M' marker, 's' service, 'F' an entry with children
    std::vector<SiblingInfo> list;
    for (char c : layout)
        list.push_back({c == 'M', c == 'F'});
    return list;
}

TEST(PlayNeighbours, ServiceStepWrapsAndSkipsMarkers) {
    const auto list = Bouquet("MssMs");
    EXPECT_EQ(NeighbourService(list, 4, true), 1);  // last -> wraps, skips the leading marker
    EXPECT_EQ(NeighbourService(list, 1, false), 4); // first service -> wraps to the last
    EXPECT_EQ(NeighbourService(list, 2, true), 4);  // skips the marker in between
    EXPECT_EQ(NeighbourService(list, 4, false), 2);
    EXPECT_EQ(NeighbourService(Bouquet("sFs"), 0, true), 0); // an entry with children wraps
    EXPECT_EQ(NeighbourService(Bouquet("s"), 0, true), 0);
    // Markers only, or nothing: no endless skipping.
    EXPECT_EQ(NeighbourService(Bouquet("MMM"), 1, true), -1);
    EXPECT_EQ(NeighbourService({}, 0, true), -1);
}

TEST(PlayNeighbours, MarkerWalkWrapsAndStopsAfterOneRound) {
    const auto list = Bouquet("MssMs");
    EXPECT_EQ(NeighbourMarker(list, 1, true), 3);
    EXPECT_EQ(NeighbourMarker(list, 4, true), 0);
    EXPECT_EQ(NeighbourMarker(list, 2, false), 0);
    EXPECT_EQ(NeighbourMarker(list, 0, false), 3);
    // Without a marker the walk ends where it began: the first entry it selected.
    EXPECT_EQ(NeighbourMarker(Bouquet("sss"), 0, true), 1);
    EXPECT_EQ(NeighbourMarker(Bouquet("sFs"), 1, true), 2); // ends although the walk cycles without 2
}

} // namespace
