// Receiver-state queries, service-list loading and tessaro-query against the simulator.
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

#include <wx/filefn.h>
#include <wx/filename.h>

#include "sim_webif_fixture.h"
#include "webif/plain_state_view.h"
#include "webif/service_list.h"
#include "webif/state_queries.h"
#include "webif/web_request.h"

namespace {

size_t CountOccurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1))
        ++n;
    return n;
}

class QueriesIntegrationTest : public SimWebifTest {
protected:
    std::string Requests() const { return sim_->SimGet("/sim/state"); }
};

TEST_F(QueriesIntegrationTest, CurrentServiceAndNowNextFillTheView) {
    PlainStateView view;
    ASSERT_TRUE(QueryCurrentService(view));
    EXPECT_TRUE(view.state.currentServiceRef.StartsWith("1:0:"));
    EXPECT_NE(sim_->SimGet("/sim/state").find(std::string(view.state.currentServiceRef.utf8_str())),
              std::string::npos);
    EXPECT_EQ(view.state.currentItemType, 1);
    ASSERT_TRUE(QueryNowNext(view, true));
    ASSERT_TRUE(QueryNowNext(view, false));
    EXPECT_TRUE(view.boxLabels[ReceiverStateView::kProgramInfoBox].StartsWith(" Programminfo [ "));
    EXPECT_TRUE(view.staticTexts[3].EndsWith(" min"));
    EXPECT_FALSE(view.state.nowEventText.empty());
    EXPECT_FALSE(view.state.nextEventText.empty());
    EXPECT_FALSE(QueryStandby());
}

TEST_F(QueriesIntegrationTest, AudioTracksRetryAfterThreeEmptyAnswers) {
    ASSERT_TRUE(sim_->SetFault("cmd=getaudiotracks&empty=3"));
    PlainStateView view;
    std::vector<int> pauses;
    const int tracks = QueryAudioTracks(view, [&](int ms) { pauses.push_back(ms); });
    EXPECT_GT(tracks, 0);
    EXPECT_EQ(pauses, (std::vector<int>{1000, 1000, 1000}));
    EXPECT_EQ(view.boxLabels[ReceiverStateView::kAvBox], " AV-Optionen [ 0 Audio | 0 Video ] ");
}

TEST_F(QueriesIntegrationTest, AudioTracksGiveUpAfterFiveEmptyAnswers) {
    ASSERT_TRUE(sim_->SetFault("cmd=getaudiotracks&empty=5"));
    PlainStateView view;
    int pauses = 0;
    EXPECT_EQ(QueryAudioTracks(view, [&](int) { ++pauses; }), 0);
    EXPECT_EQ(pauses, 4);
    EXPECT_EQ(CountOccurrences(Requests(), "getaudiotracks"), 5u);
}

TEST_F(QueriesIntegrationTest, ProviderCacheMakesTheSecondLoadSilent) {
    ServiceListModel first;
    ASSERT_TRUE(LoadServiceList(first, 0, true, "", dir_, 0));
    ASSERT_FALSE(first.tv.providers.empty());
    EXPECT_TRUE(wxFileExists(dir_ + "tv-provider-0.xml"));
    EXPECT_EQ(CountOccurrences(Requests(), "PROVIDERS"), 1u);

    ServiceListModel second;
    ASSERT_TRUE(LoadServiceList(second, 0, true, "", dir_, 0));
    EXPECT_EQ(CountOccurrences(Requests(), "PROVIDERS"), 1u);
    ASSERT_EQ(second.tv.providers.size(), first.tv.providers.size());
    EXPECT_EQ(second.tv.sender.size(), first.tv.sender.size());
    EXPECT_EQ(second.tv.sender.back().data.positionCode, first.tv.sender.back().data.positionCode);
}

TEST_F(QueriesIntegrationTest, BrokenProviderAnswerIsNotCached) {
    ASSERT_TRUE(sim_->SetFault("cmd=getallservices&wrongroot=1"));
    ServiceListModel m;
    EXPECT_FALSE(LoadServiceList(m, 2, true, "", dir_, 0));
    EXPECT_FALSE(wxFileExists(dir_ + "ra-provider-0.xml"));
    EXPECT_TRUE(m.radio.providers.empty());
}

TEST_F(QueriesIntegrationTest, BouquetsMatchTheCurrentServiceAndGetMenus) {
    PlainStateView view;
    ASSERT_TRUE(QueryCurrentService(view));
    ServiceListModel m;
    ASSERT_TRUE(LoadServiceList(m, 1, true, view.state.currentServiceRef, dir_, 0));
    ASSERT_TRUE(LoadServiceList(m, 3, false, view.state.currentServiceRef, dir_, 0));
    EXPECT_FALSE(m.tv.bouquets.empty());
    EXPECT_FALSE(m.radio.bouquets.empty());
    EXPECT_EQ(m.LastBouquetIndex() + 1, static_cast<int>(std::min<size_t>(m.tv.bouquets.size(), 100)));
    ASSERT_TRUE(m.current.found);
    EXPECT_EQ(m.current.kind, 1);
    EXPECT_EQ(m.tv.bouquets[m.current.folderIndex].entries[m.current.entryIndex].data.sRef,
              view.state.currentServiceRef);
}

struct CliRow {
    const char* name;
    const char* args;
    int exitCode;
    const char* outputPart;
};

class QueryToolTest : public QueriesIntegrationTest, public ::testing::WithParamInterface<CliRow> {};

TEST_P(QueryToolTest, ExitCodeAndOutput) {
    const CliRow& r = GetParam();
    const std::string cmd = std::string(TESSARO_QUERY_EXECUTABLE) + " --host 127.0.0.1 --port " +
                            (std::string(r.name) == "refused" ? "1" : std::to_string(sim_->webPort())) +
                            " --user root --pass tunerpwd " + r.args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_TRUE(p);
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    const int status = pclose(p);
    EXPECT_EQ(WEXITSTATUS(status), r.exitCode) << out;
    EXPECT_NE(out.find(r.outputPart), std::string::npos) << out;
}

const CliRow kCliRows[] = {
    {"standby", "standby", 0, "standby\tfalse"},
    {"current", "current", 0, "type\t1"},
    {"bouquets", "services tv", 0, "\n1.1.1.2\t"},
    {"providers", "services tv-providers", 0, "1.3.1\t"},
    {"radio", "services radio", 0, "\n2.1.1.2\t"},
    {"deviceinfo", "deviceinfo", 0, "\t"},
    {"nownext", "nownext", 0, "next\t"},
    {"refused", "standby", 1, "NET ERR #07 ("},
    {"bad_list", "services satellites", 2, "usage:"},
    {"no_command", "", 2, "usage:"},
    {"unknown", "reboot", 2, "usage:"},
};
INSTANTIATE_TEST_SUITE_P(Commands, QueryToolTest, ::testing::ValuesIn(kCliRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
