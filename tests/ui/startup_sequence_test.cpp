// The start-up sequence's rules and order, driven through a recording host.
#include <map>
#include <optional>
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

// Records every action and answers at once; requests fail where a test asks them to.
class FakeHost : public StartupHost {
public:
    std::vector<std::string> calls;
    std::map<std::string, bool> failing; // call name -> fails
    bool standby = false;
    bool streamingOk = true;
    std::optional<bool> completed;
    ReceiverState state;
    int steps = 0;

    WebReply Reply(const std::string& name, const wxString& body) {
        calls.push_back(name);
        WebReply reply;
        reply.command = name;
        reply.status = failing.count(name) && failing[name] ? 500 : 200;
        reply.body = body;
        return reply;
    }
    void Step(const wxString& text, Continue next) override {
        ++steps;
        calls.push_back("step:" + text.utf8_string());
        next();
    }
    void Request(const std::string& command, ReplyDone done) override {
        wxString body;
        if (command == "deviceinfo")
            body = "<e2deviceinfo><e2webifversion>1.9.0</e2webifversion><e2devicename>sim</e2devicename>"
                   "</e2deviceinfo>";
        else if (command == "powerstate?newstate=-1")
            body = wxString::Format("<e2powerstate><e2instandby>%s</e2instandby></e2powerstate>",
                                    standby ? "true" : "false");
        else if (command == "getcurrent")
            body = "<e2currentserviceinformation><e2service><e2servicereference>1:0:1:A:B:C:D:0:0:0:"
                   "</e2servicereference></e2service></e2currentserviceinformation>";
        done(Reply(command, body));
    }
    void ReportFailure(const WebReply& reply) override { calls.push_back("report:" + reply.command); }
    void InitFontCache() override { calls.push_back("fontcache"); }
    void SetReceiverInStandby(bool on) override { calls.push_back(on ? "inStandby=1" : "inStandby=0"); }
    ReceiverState& State() override { return state; }
    void LoadServiceList(int kind, bool reset, ListDone done) override {
        const WebReply reply = Reply("list" + std::to_string(kind) + (reset ? "r" : ""), "");
        done(reply.Ok() ? nullptr : &reply);
    }
    bool InitStreaming() override {
        calls.push_back("streaming");
        return streamingOk;
    }
    void ShowStartMode(int mode) override { calls.push_back("mode" + std::to_string(mode)); }
    void SelectAndPlayCurrent() override { calls.push_back("play:" + state.currentServiceRef.utf8_string()); }
    void Finished(bool ok) override { completed = ok; }

    bool Run(const StartupConfig& config) {
        StartupSequence sequence(*this, config);
        sequence.Start();
        return completed.value_or(false);
    }
};

class StartupSequenceTest : public ::testing::Test {
protected:
    wxLogNull quiet;
    FakeHost host;
    StartupConfig config;
};

TEST_F(StartupSequenceTest, AwakeReceiverRunsEveryStepInOrder) {
    config.startMode = 0;
    ASSERT_TRUE(host.Run(config));
    const std::vector<std::string> expected = {"deviceinfo",
                                               "step:Fontcache überprüfen...",
                                               "fontcache",
                                               "step:Standby-Status ermitteln...",
                                               "powerstate?newstate=-1",
                                               "inStandby=0",
                                               "step:aktuellen Service ermitteln...",
                                               "getcurrent",
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
    ASSERT_TRUE(host.Run(config));
    const std::vector<std::string> head(host.calls.begin(), host.calls.begin() + 10);
    const std::vector<std::string> expected = {"deviceinfo",
                                               "step:Fontcache überprüfen...",
                                               "fontcache",
                                               "step:Standby-Status ermitteln...",
                                               "powerstate?newstate=-1",
                                               "inStandby=1",
                                               "powerstate?newstate=0",
                                               "step:aktuellen Service ermitteln...",
                                               "getcurrent",
                                               "powerstate?newstate=0"};
    EXPECT_EQ(head, expected);
    EXPECT_EQ(host.calls[10], "step:TV-Bouquets laden...");
}

TEST_F(StartupSequenceTest, SkippedReceiverStateUsesTheStartServiceAndProvidersFollowBouquets) {
    config.skipReceiverState = true;
    config.startServiceRef = "1:0:2:6D66:437:1:C00000:0:0:0:";
    config.tvProviders = config.raProviders = true;
    config.startMode = 3;
    ASSERT_TRUE(host.Run(config));
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
    for (const char* failing : {"deviceinfo", "powerstate?newstate=-1", "getcurrent", "list1r", "list3",
                                "list0", "list2", "powerstate?newstate=0"}) {
        FakeHost h;
        h.standby = true;
        h.failing[failing] = true;
        StartupConfig c;
        c.tvProviders = c.raProviders = true;
        EXPECT_FALSE(h.Run(c)) << failing;
        // The standby answer is stored before the failure is reported; nothing else follows.
        std::vector<std::string> tail = {failing};
        if (std::string(failing) == "powerstate?newstate=-1")
            tail.push_back("inStandby=0");
        tail.push_back("report:" + std::string(failing));
        ASSERT_GE(h.calls.size(), tail.size());
        EXPECT_EQ(std::vector<std::string>(h.calls.end() - tail.size(), h.calls.end()), tail)
            << "nothing may run after the failure of " << failing;
    }
    host.streamingOk = false;
    EXPECT_FALSE(host.Run(config));
    EXPECT_EQ(host.calls.back(), "streaming");
}

} // namespace
