#include <gtest/gtest.h>

#include <cstdlib>

#include "webif/plain_state_view.h"
#include "webif/state_queries.h"

namespace {

// Central European time without relying on installed zone files.
class LocalTimeEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
};
const auto* const kTimeEnv = ::testing::AddGlobalTestEnvironment(new LocalTimeEnvironment);

constexpr std::time_t kStart = 1700000000; // 14.11.2023 23:13:20 local (CET)

struct StandbyCase {
    const char* answer;
    bool readable;
    bool standby;
};
class StandbyTest : public ::testing::TestWithParam<StandbyCase> {};
TEST_P(StandbyTest, CaseSensitiveTruePrefix) {
    bool standby = false;
    EXPECT_EQ(ParseStandby(GetParam().answer, standby), GetParam().readable) << GetParam().answer;
    EXPECT_EQ(standby, GetParam().standby) << GetParam().answer;
}
const StandbyCase kStandby[] = {
    {"<e2powerstate><e2instandby>true</e2instandby></e2powerstate>", true, true},
    {"<e2powerstate><e2instandby>true\n\t</e2instandby></e2powerstate>", true, true},
    {"<e2powerstate><e2instandby>trueish</e2instandby></e2powerstate>", true, true},
    {"<e2powerstate><e2instandby>True</e2instandby></e2powerstate>", true, false},
    {"<e2powerstate><e2instandby>false</e2instandby></e2powerstate>", true, false},
    {"<e2powerstate><e2instandby/></e2powerstate>", true, false},
    {"<e2powerstate></e2powerstate>", true, false},
    {"<e2simplexmlresult><e2instandby>true</e2instandby></e2simplexmlresult>", false, false},
    {"<e2powerstate><e2instandby>true</e2instandby>", false, false},
    {"", false, false},
};
INSTANTIATE_TEST_SUITE_P(Answers, StandbyTest, ::testing::ValuesIn(kStandby));

struct CurrentCase {
    const char* name;
    const char* answer;
    const char* ref;
    const char* serviceName;
    int type;
};
class CurrentServiceTest : public ::testing::TestWithParam<CurrentCase> {};
TEST_P(CurrentServiceTest, FillsFields) {
    const CurrentCase& c = GetParam();
    ReceiverState s{"old:ref", "Alt", 9, "", ""};
    const bool unreadable = std::string(c.name) == "wrong_root" || std::string(c.name) == "truncated";
    EXPECT_EQ(ApplyCurrentService(wxString::FromUTF8(c.answer), s), !unreadable);
    EXPECT_EQ(s.currentServiceRef, c.ref);
    EXPECT_EQ(s.currentServiceName, wxString::FromUTF8(c.serviceName));
    EXPECT_EQ(s.currentItemType, c.type);
}
#define CUR(body) "<e2currentserviceinformation><e2service>" body "</e2service></e2currentserviceinformation>"
const CurrentCase kCurrent[] = {
    {"tv",
     CUR("<e2servicereference>1:0:1:445D:453:1:C00000:0:0:0:</e2servicereference><e2servicename>Das "
         "Erste</e2servicename>"),
     "1:0:1:445D:453:1:C00000:0:0:0:", "Das Erste", 1},
    {"hd_is_tv", CUR("<e2servicereference>1:0:19:2B66:3F3:1:C00000:0:0:0:</e2servicereference>"),
     "1:0:19:2B66:3F3:1:C00000:0:0:0:", "Alt", 1},
    {"radio",
     CUR("<e2servicereference>1:0:2:6F:3:1:C00000:0:0:0:</e2servicereference><e2servicename>"
         "Bayern 3</e2servicename>"),
     "1:0:2:6F:3:1:C00000:0:0:0:", "Bayern 3", 2},
    {"recording_name_cut",
     CUR("<e2servicereference>1:0:0:0:0:0:0:0:0:0:/hdd/movie/a.ts::Film</e2servicereference>"),
     "1:0:0:0:0:0:0:0:0:0:/hdd/movie/a.ts:", "Alt", 3},
    {"na_keeps_ref", CUR("<e2servicereference>N/A</e2servicereference><e2servicename>N/A</e2servicename>"),
     "old:ref", "N/A", 9},
    {"other_kind", CUR("<e2servicereference>4097:0:1:0:0:0:0:0:0:0:http%3a//x</e2servicereference>"),
     "4097:0:1:0:0:0:0:0:0:0:http%3a//x", "Alt", 9},
    {"wrong_root",
     "<e2servicelist><e2service><e2servicereference>1:0:1:1</e2servicereference></e2service>"
     "</e2servicelist>",
     "old:ref", "Alt", 9},
    {"missing_elements", CUR(""), "old:ref", "Alt", 9},
    {"truncated", "<e2currentserviceinformation><e2service><e2servicereference>1:0:1:1", "old:ref", "Alt", 9},
};
INSTANTIATE_TEST_SUITE_P(Answers, CurrentServiceTest, ::testing::ValuesIn(kCurrent),
                         [](const auto& info) { return std::string(info.param.name); });

struct NowCase {
    const char* name;
    const char* start;
    const char* duration;
    const char* title;
    std::time_t clock;
    const char* startText;
    const char* titleText;
    const char* remaining;
    const char* eventText;
    int gaugeRange, gaugeValue;
};
class NowPanelTest : public ::testing::TestWithParam<NowCase> {};
TEST_P(NowPanelTest, Texts) {
    const NowCase& c = GetParam();
    const wxString answer = wxString::Format(
        "<e2eventlist><e2event><e2eventstart>%s</e2eventstart><e2eventduration>%s</e2eventduration>"
        "<e2eventtitle>%s</e2eventtitle><e2eventservicename>ZDF</e2eventservicename></e2event></e2eventlist>",
        c.start, c.duration, wxString::FromUTF8(c.title));
    EpgEventInfo e;
    ASSERT_TRUE(ParseLastEvent(answer, e));
    const NowPanel p = FormatNowEvent(e, c.clock);
    EXPECT_EQ(p.boxLabel, " Programminfo [ ZDF ] ");
    EXPECT_EQ(p.start, c.startText);
    EXPECT_EQ(p.title, wxString::FromUTF8(c.titleText));
    EXPECT_EQ(p.remaining, c.remaining);
    EXPECT_EQ(p.eventText, wxString::FromUTF8(c.eventText));
    EXPECT_EQ(p.gaugeRange, c.gaugeRange);
    EXPECT_EQ(p.gaugeValue, c.gaugeValue);
}
const NowCase kNow[] = {
    {"running", "1700000000", "3600", "heute", kStart + 600, "23:13", "heute", "+50 min", "heute (+50 min)",
     60, 10},
    {"ampersand", "1700000000", "3600", "Tom &amp; Jerry", kStart, "23:13", "Tom && Jerry", "+60 min",
     "Tom & Jerry (+60 min)", 60, 0},
    {"over", "1700000000", "600", "alt", kStart + 900, "23:13", "alt", "+-5 min", "alt (+-5 min)", 10, 10},
    {"no_duration", "1700000000", "None", "x", kStart, "23:13", "x", "000 min", "x (000 min)", 0, 0},
    {"no_start", "None", "3600", "x", kStart, "00:00", "x", "000 min", "x (000 min)", 60, 0},
    {"no_title", "1700000000", "60", "None", kStart, "23:13", "keine Beschreibung vorhanden", "+1 min",
     "keine Beschreibung vorhanden (+1 min)", 1, 0},
    {"empty_title", "", "", "", kStart, "00:00", "keine Beschreibung vorhanden", "000 min",
     "keine Beschreibung vorhanden (000 min)", 0, 0},
};
INSTANTIATE_TEST_SUITE_P(Events, NowPanelTest, ::testing::ValuesIn(kNow),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NextPanelTest, LastEventWinsAndDurationInMinutes) {
    EpgEventInfo e;
    ASSERT_TRUE(
        ParseLastEvent("<e2eventlist><e2event><e2eventtitle>erst</e2eventtitle></e2event><e2event>"
                       "<e2eventstart>1700003600</e2eventstart><e2eventduration>5399</e2eventduration>"
                       "<e2eventtitle>A &amp; B</e2eventtitle></e2event></e2eventlist>",
                       e));
    const NextPanel p = FormatNextEvent(e);
    EXPECT_EQ(p.start, "00:13");
    EXPECT_EQ(p.title, "A && B");
    EXPECT_EQ(p.duration, "89 min");
    EXPECT_EQ(p.eventText, "A & B (89 min)");
    EXPECT_FALSE(ParseLastEvent("<e2eventlist/>", e));
    EXPECT_FALSE(ParseLastEvent("<e2simplexmlresult><e2event/></e2simplexmlresult>", e));

    // A list without events is an answer (nothing shown); a cut one is not.
    PlainStateView view;
    EXPECT_TRUE(ApplyNowNext("<e2eventlist/>", view, false, kStart));
    EXPECT_TRUE(view.staticTexts[5].empty());
    EXPECT_FALSE(ApplyNowNext("<e2eventlist><e2event><e2eventtitle>x</e2eventtitle>", view, false, kStart));
    EXPECT_TRUE(view.staticTexts[5].empty());
}

const char* const kTracks =
    "<e2audiotracklist>"
    "<e2audiotrack><e2audiotrackdescription>Deutsch</e2audiotrackdescription>"
    "<e2audiotrackid>0</e2audiotrackid><e2audiotrackpid>101</e2audiotrackpid>"
    "<e2audiotrackactive>False</e2audiotrackactive></e2audiotrack>"
    "<e2audiotrack><e2audiotrackdescription>Englisch</e2audiotrackdescription>"
    "<e2audiotrackid>1</e2audiotrackid><e2audiotrackpid>102</e2audiotrackpid>"
    "<e2audiotrackactive>True</e2audiotrackactive></e2audiotrack>"
    "<e2audiotrack><e2audiotrackdescription>AC3</e2audiotrackdescription>"
    "<e2audiotrackid>2</e2audiotrackid><e2audiotrackpid>103</e2audiotrackpid>"
    "<e2audiotrackactive>False</e2audiotrackactive></e2audiotrack></e2audiotracklist>";

TEST(AudioTracksTest, MatchedByPidWhateverTheCountsActiveOneSelected) {
    std::vector<AudioTrack> tracks;
    ASSERT_TRUE(ParseAudioTracks(kTracks, tracks));
    ASSERT_EQ(tracks.size(), 3u);
    // Two of the receiver's three tracks, in another order, plus one it does not list.
    PlainChoice c;
    c.entries = {
        {"a", "103", "", true}, {"b", "102", "", true}, {"c", "999", "", true}, {"d", "", "", false}};
    EXPECT_TRUE(MatchAudioTracks(c, tracks));
    EXPECT_EQ(c.entries[0].label, "AC3");
    EXPECT_EQ(c.entries[0].receiverId, "2");
    EXPECT_EQ(c.entries[1].label, "Englisch");
    EXPECT_EQ(c.selection, 1);
    EXPECT_EQ(c.selectionEvents, std::vector<int>{1});
    // No receiver track with PID 999: the local entry stays as it was.
    EXPECT_EQ(c.entries[2].label, "c");
    EXPECT_EQ(c.entries[2].receiverId, "");

    // The receiver's active track is not among ours: labels still match, nothing is
    // selected and the caller chooses by language.
    PlainChoice other;
    other.entries = {{"a", "101", "", true}, {"e", "0x67", "", true}};
    EXPECT_FALSE(MatchAudioTracks(other, tracks));
    EXPECT_EQ(other.entries[0].label, "Deutsch");
    EXPECT_EQ(other.entries[1].label, "AC3"); // 0x67 is 103
    EXPECT_TRUE(other.selectionEvents.empty());
    EXPECT_EQ(TrackPid(" 427 "), 427);
    EXPECT_EQ(TrackPid("0x1AB"), 0x1AB);
    EXPECT_EQ(TrackPid("x"), -1);
    EXPECT_EQ(TrackPid("9000"), -1);
}

TEST(AudioTracksTest, MalformedAsksForRetry) {
    std::vector<AudioTrack> none;
    EXPECT_FALSE(ParseAudioTracks("", none));
    EXPECT_FALSE(ParseAudioTracks("<e2audiotracklist><e2audiotrack>", none));
    EXPECT_FALSE(ParseAudioTracks("<e2other/>", none)); // not a track list either
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(AvBoxLabel(2, 1), " AV-Optionen [ 2 Audio | 1 Video ] ");
}

TEST(SubServicesTest, DuplicatesReplacedNamesCleanedCurrentSelected) {
    const wxString answer = wxString::FromUTF8(
        "<e2servicelist>"
        "<e2service><e2servicereference>1:0:1:A:1:1:0:0:0:0:</e2servicereference><e2servicename>Haupt"
        "</e2servicename></e2service>"
        "<e2service><e2servicereference>1:0:2:B:1:1:0:0:0:0:</e2servicereference><e2servicename>Radio"
        "</e2servicename></e2service>"
        "<e2foreign/>"
        "<e2service><e2servicereference>1:0:1:C:1:1:0:0:0:0:</e2servicereference><e2servicename>\xC2\x86"
        "Sport\xC2\x87 1</e2servicename></e2service>"
        "<e2service><e2servicereference>1:0:1:C:1:1:0:0:0:0:extra</e2servicereference><e2servicename>"
        "</e2servicename></e2service>"
        "</e2servicelist>");
    std::vector<SubService> subs;
    ASSERT_TRUE(ParseSubServices(answer, subs));
    PlainChoice video;
    video.entries = {{"vorher", "1:0:1:Z", "", true}};
    ApplySubServices(video, subs, "1:0:1:C:1:1:0:0:0:0:");
    ASSERT_EQ(video.Count(), 2);
    EXPECT_EQ(video.entries[0].label, "Haupt");
    EXPECT_EQ(video.entries[1].label, "?"); // replaced "Sport 1", whose reference it contains
    EXPECT_EQ(video.entries[1].value, "1:0:1:C:1:1:0:0:0:0:extra");
    EXPECT_EQ(video.selection, 1);
    EXPECT_TRUE(video.enabled);

    std::vector<SubService> cleaned;
    ParseSubServices(answer, cleaned);
    EXPECT_EQ(cleaned[2].name, "Sport 1");
    std::vector<SubService> none;
    EXPECT_FALSE(ParseSubServices("<e2eventlist/>", none));
    PlainChoice empty;
    ApplySubServices(empty, none, "x");
    EXPECT_FALSE(empty.enabled);
}

TEST(SimilarEventsTest, OneLinePerEvent) {
    wxString text;
    ASSERT_TRUE(ParseSimilarEvents(
        "<e2eventlist><e2event><e2eventstart>1700000000</e2eventstart><e2eventservicename>ZDF"
        "</e2eventservicename></e2event><e2event><e2eventservicename>3sat</e2eventservicename>"
        "<e2eventstart>1700086400</e2eventstart></e2event></e2eventlist>",
        text));
    EXPECT_EQ(text, "\n14.11.2023 - 23:13 - ZDF3sat\n15.11.2023 - 23:13 - ");
    EXPECT_FALSE(ParseSimilarEvents("<e2simplexmlresult/>", text));
}

TEST(ServicePlayableTest, OnlyAnExplicitFalseMeansNoTuner) {
    bool playable = false;
    EXPECT_TRUE(ParseServicePlayable(
        "<e2serviceplayable><e2isplayable>True</e2isplayable></e2serviceplayable>", playable));
    EXPECT_TRUE(playable);
    EXPECT_TRUE(ParseServicePlayable(
        "<e2serviceplayable><e2isplayable>False</e2isplayable></e2serviceplayable>", playable));
    EXPECT_FALSE(playable);
    EXPECT_FALSE(ParseServicePlayable("<e2serviceplayable><e2isplayable>False", playable));
}

} // namespace
