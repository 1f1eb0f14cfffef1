// The start-up sequence's rules and order, driven through a recording host.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/log.h>

#include "ui/startup_sequence.h"

namespace {

struct VersionRow {
    const char* text;
    int major, minor, patch;
    bool tooOld;
};

class WebIfVersionTest : public ::testing::TestWithParam<VersionRow> {};

TEST_P(WebIfVersionTest, ParsesLeadingDigitsAndAppliesTheMinimum) {
    const VersionRow& row = GetParam();
    const WebIfVersion v = ParseWebIfVersion(row.text);
    EXPECT_EQ(v.major, row.major);
    EXPECT_EQ(v.minor, row.minor);
    EXPECT_EQ(v.patch, row.patch);
    EXPECT_EQ(WebIfTooOld(v), row.tooOld);
}

INSTANTIATE_TEST_SUITE_P(Versions, WebIfVersionTest,
                         ::testing::Values(VersionRow{"1.6.1", 1, 6, 1, true},
                                           VersionRow{"1.6.2", 1, 6, 2, false},
                                           VersionRow{"1.7", 1, 7, 0, false}, VersionRow{"2", 2, 0, 0, false},
                                           VersionRow{"1.6.1-rc2", 1, 6, 1, true},
                                           VersionRow{"OWIF 1.4.9", 0, 4, 9, true},
                                           VersionRow{"", 0, 0, 0, true}, VersionRow{"1..9", 1, 0, 9, true},
                                           // Huge parts must not overflow into a small, "old" code.
                                           VersionRow{"99999999999999.0.0", 999999999, 0, 0, false}));

TEST(DeviceInfo, LogsNameAndVersionAndWarnsOnlyForOldWebInterfaces) {
    const DeviceInfoCheck old = CheckDeviceInfo("<e2deviceinfo><e2webifversion>1.6.1</e2webifversion>"
                                                "<e2devicename>dm800se</e2devicename></e2deviceinfo>");
    EXPECT_TRUE(old.recognised);
    EXPECT_EQ(old.logLine, "DM800SE [ WebIF 1.6.1 ]");
    EXPECT_EQ(old.warning, "WebIF Version 1.6.1 zu alt, mindestens Version 1.6.2 erforderlich");

    const DeviceInfoCheck fresh = CheckDeviceInfo(
        "<e2deviceinfo><e2webifversion>1.6.2</e2webifversion><e2devicename>x</e2devicename></e2deviceinfo>");
    EXPECT_TRUE(fresh.warning.empty());

    // Another root is accepted without any check.
    const DeviceInfoCheck other =
        CheckDeviceInfo("<e2simplexmlresult><e2state>True</e2state></e2simplexmlresult>");
    EXPECT_FALSE(other.recognised);
    EXPECT_TRUE(other.warning.empty());
    EXPECT_FALSE(CheckDeviceInfo("<e2deviceinfo><unclosed>").recognised);
}

TEST(SplashGauge, RangeFollowsTheStepsThatWillRun) {
    EXPECT_EQ(SplashGaugeRange(6, false, false, false), 7);
    EXPECT_EQ(SplashGaugeRange(6, true, false, false), 5);
    EXPECT_EQ(SplashGaugeRange(6, false, true, true), 9);
    EXPECT_EQ(SplashGaugeRange(6, true, true, false), 6);
}

TEST(ItemType, ReferencePrefixDecidesAndUnknownKeepsThePrevious) {
    EXPECT_EQ(ItemTypeOfReference("1:0:0:0:0:0:0:0:0:0:/hdd/movie/a.ts", 1), 3);
    EXPECT_EQ(ItemTypeOfReference("1:0:19:283D:3FB:1:C00000:0:0:0:", 2), 1);
    EXPECT_EQ(ItemTypeOfReference("1:0:2:6D66:437:1:C00000:0:0:0:", 1), 2);
    EXPECT_EQ(ItemTypeOfReference("4097:0:1:1:1:1:0:0:0:0:", 2), 2);
    EXPECT_EQ(ItemTypeOfReference("", 0), 0);
}

// Records every action; requests and queries fail where a test asks them to, which
// sets the abort flag as the transport does during start-up.
class FakeHost : public StartupHost {
public:
    std::vector<std::string> calls;
    std::map<std::string, bool> failing; // call name -> fails
    bool standby = false;
    bool streamingOk = true;
    bool abort = false;
    wxString deviceInfo = "<e2deviceinfo><e2webifversion>1.9.0</e2webifversion>"
                          "<e2devicename>sim</e2devicename></e2deviceinfo>";
    ReceiverState state;
    int steps = 0;

    bool Fail(const std::string& name) {
        calls.push_back(name);
        if (failing.count(name) && failing[name]) {
            abort = true;
            return true;
        }
        return false;
    }
    void Step(const wxString& text) override {
        ++steps;
        calls.push_back("step:" + text.utf8_string());
    }
    bool Request(const std::string& command) override { return !Fail(command); }
    wxString Answer() const override { return deviceInfo; }
    bool AbortFlag() const override { return abort; }
    void InitFontCache() override { calls.push_back("fontcache"); }
    bool QueryStandby() override { return !Fail("standby?") && standby; }
    bool QueryCurrentService() override {
        if (Fail("current?"))
            return false;
        state.currentServiceRef = "1:0:1:A:B:C:D:0:0:0:";
        return true;
    }
    void SetReceiverInStandby(bool on) override { calls.push_back(on ? "inStandby=1" : "inStandby=0"); }
    ReceiverState& State() override { return state; }
    void LoadServiceList(int kind, bool reset) override {
        Fail("list" + std::to_string(kind) + (reset ? "r" : ""));
    }
    bool InitStreaming() override {
        calls.push_back("streaming");
        return streamingOk;
    }
    void ShowStartMode(int mode) override { calls.push_back("mode" + std::to_string(mode)); }
    void SelectAndPlayCurrent() override { calls.push_back("play:" + state.currentServiceRef.utf8_string()); }
};

class StartupSequenceTest : public ::testing::Test {
protected:
    wxLogNull quiet;
    FakeHost host;
    StartupConfig config;
};

TEST_F(StartupSequenceTest, AwakeReceiverRunsEveryStepInOrder) {
    config.startMode = 0;
    ASSERT_TRUE(RunStartupSequence(host, config));
    const std::vector<std::string> expected = {"deviceinfo",
                                               "step:Fontcache überprüfen...",
                                               "fontcache",
                                               "step:Standby-Status ermitteln...",
                                               "standby?",
                                               "inStandby=0",
                                               "step:aktuellen Service ermitteln...",
                                               "current?",
                                               "step:TV-Bouquets laden...",
                                               "list1r",
                                               "step:RA-Bouquets laden...",
                                               "list3",
                                               "step:GStreamer initialisieren...",
                                               "streaming",
                                               "step:Tessaro starten...",
                                               "mode0",
                                               "play:1:0:1:A:B:C:D:0:0:0:"};
    EXPECT_EQ(host.calls, expected);
    // The gauge range for this configuration fits the visible steps exactly.
    EXPECT_EQ(host.steps, SplashGaugeRange(6, false, false, false));
}

TEST_F(StartupSequenceTest, ReceiverInStandbyIsWokenAskedAndPutBackBeforeTheLists) {
    host.standby = true;
    ASSERT_TRUE(RunStartupSequence(host, config));
    const std::vector<std::string> head(host.calls.begin(), host.calls.begin() + 10);
    const std::vector<std::string> expected = {"deviceinfo",
                                               "step:Fontcache überprüfen...",
                                               "fontcache",
                                               "step:Standby-Status ermitteln...",
                                               "standby?",
                                               "inStandby=1",
                                               "powerstate?newstate=0",
                                               "step:aktuellen Service ermitteln...",
                                               "current?",
                                               "powerstate?newstate=0"};
    EXPECT_EQ(head, expected);
    EXPECT_EQ(host.calls[10], "step:TV-Bouquets laden...");
}

TEST_F(StartupSequenceTest, SkippedReceiverStateUsesTheStartServiceAndProvidersFollowBouquets) {
    config.skipReceiverState = true;
    config.startServiceRef = "1:0:2:6D66:437:1:C00000:0:0:0:";
    config.tvProviders = config.raProviders = true;
    config.startMode = 3;
    ASSERT_TRUE(RunStartupSequence(host, config));
    const std::vector<std::string> expected = {
        "deviceinfo", "step:Fontcache überprüfen...", "fontcache", "step:TV-Bouquets laden...",
        "list1r",     "step:RA-Bouquets laden...",    "list3",     "step:TV-Anbieter laden...",
        "list0",      "step:RA-Anbieter laden...",    "list2",     "step:GStreamer initialisieren...",
        "streaming",  "step:Tessaro starten...",      "mode3",     "play:1:0:2:6D66:437:1:C00000:0:0:0:"};
    EXPECT_EQ(host.calls, expected);
    EXPECT_EQ(host.state.currentItemType, 2);
    EXPECT_EQ(host.steps, SplashGaugeRange(6, true, true, true));
}

TEST_F(StartupSequenceTest, AnyFailedRequestEndsTheStartUpBeforeTheWindowsShow) {
    for (const char* failing : {"deviceinfo", "standby?", "current?", "list1r", "list3", "list0", "list2",
                                "powerstate?newstate=0"}) {
        FakeHost h;
        h.standby = true;
        h.failing[failing] = true;
        StartupConfig c;
        c.tvProviders = c.raProviders = true;
        EXPECT_FALSE(RunStartupSequence(h, c)) << failing;
        // The standby answer is stored before the abort check; nothing follows it.
        const std::string last = std::string(failing) == "standby?" ? "inStandby=0" : failing;
        EXPECT_EQ(h.calls.back(), last) << "nothing may run after the failure of " << failing;
    }
    host.streamingOk = false;
    EXPECT_FALSE(RunStartupSequence(host, config));
    EXPECT_EQ(host.calls.back(), "streaming");
}

} // namespace
