// Receiver-state queries, service-list loading and tessaro-query against the simulator.
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include "sim_webif_fixture.h"
#include "webif/plain_state_view.h"
#include "webif/service_list.h"
#include "webif/state_queries.h"

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
    ASSERT_TRUE(QueryCurrentService(*client_, view));
    EXPECT_TRUE(view.state.currentServiceRef.StartsWith("1:0:"));
    EXPECT_NE(sim_->SimGet("/sim/state").find(std::string(view.state.currentServiceRef.utf8_str())),
              std::string::npos);
    EXPECT_EQ(view.state.currentItemType, 1);
    ASSERT_TRUE(QueryNowNext(*client_, view, true));
    ASSERT_TRUE(QueryNowNext(*client_, view, false));
    EXPECT_TRUE(view.boxLabels[ReceiverStateView::kProgramInfoBox].StartsWith(" Programminfo [ "));
    EXPECT_TRUE(view.staticTexts[3].EndsWith(" min"));
    EXPECT_FALSE(view.state.nowEventText.empty());
    EXPECT_FALSE(view.state.nextEventText.empty());
    bool standby = true;
    ASSERT_TRUE(QueryStandby(*client_, standby));
    EXPECT_FALSE(standby);
}

TEST_F(QueriesIntegrationTest, UnreadableAnswersFailTheQuery) {
    PlainStateView view;
    for (const char* fault : {"truncate=60", "random=1", "wrongroot=1"}) {
        ASSERT_TRUE(sim_->SetFault(std::string("cmd=getcurrent&") + fault));
        const QueryOutcome outcome = QueryCurrentService(*client_, view);
        EXPECT_TRUE(outcome.reply.Ok()) << fault;
        EXPECT_FALSE(outcome) << fault;
        EXPECT_TRUE(view.state.currentServiceRef.empty()) << fault;
        ASSERT_TRUE(sim_->Reset());
    }
}

TEST_F(QueriesIntegrationTest, AudioTracksAskAgainUntilTheReceiverHasThem) {
    ASSERT_TRUE(sim_->SetFault("cmd=getaudiotracks&empty=3"));
    PlainStateView view;
    int count = 0;
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(QueryAudioTracks(*client_, view, count)) << i;
    ASSERT_TRUE(QueryAudioTracks(*client_, view, count));
    EXPECT_GT(count, 0);
    EXPECT_EQ(view.boxLabels[ReceiverStateView::kAvBox], " AV-Optionen [ 0 Audio | 0 Video ] ");
}

TEST_F(QueriesIntegrationTest, ProviderCacheMakesTheSecondLoadSilent) {
    ServiceListModel first;
    ASSERT_TRUE(LoadServiceList(*client_, first, 0, true, "", dir_, 0));
    ASSERT_FALSE(first.tv.providers.empty());
    EXPECT_TRUE(wxFileExists(dir_ + "tv-provider-0.xml"));
    EXPECT_EQ(CountOccurrences(Requests(), "PROVIDERS"), 1u);

    ServiceListModel second;
    ASSERT_TRUE(LoadServiceList(*client_, second, 0, true, "", dir_, 0));
    EXPECT_EQ(CountOccurrences(Requests(), "PROVIDERS"), 1u);
    ASSERT_EQ(second.tv.providers.size(), first.tv.providers.size());
    EXPECT_EQ(second.tv.sender.size(), first.tv.sender.size());
    EXPECT_EQ(second.tv.sender.back().data.positionCode, first.tv.sender.back().data.positionCode);
}

TEST_F(QueriesIntegrationTest, BrokenProviderAnswerIsNotCachedAndABrokenCacheIsRefetched) {
    ASSERT_TRUE(sim_->SetFault("cmd=getallservices&truncate=0"));
    ServiceListModel m;
    EXPECT_FALSE(LoadServiceList(*client_, m, 2, true, "", dir_, 0));
    EXPECT_FALSE(wxFileExists(dir_ + "ra-provider-0.xml"));
    EXPECT_TRUE(m.radio.providers.empty());

    ASSERT_TRUE(sim_->Reset());
    {
        wxFile cut(dir_ + "ra-provider-0.xml", wxFile::write);
        cut.Write("<e2servicelistrecursive><e2bouquet>");
    }
    ASSERT_TRUE(LoadServiceList(*client_, m, 2, true, "", dir_, 0));
    EXPECT_FALSE(m.radio.providers.empty());
    ServiceListModel cached;
    EXPECT_TRUE(AppendCachedServiceList(cached, 2, dir_ + "ra-provider-0.xml", ""));
}

TEST_F(QueriesIntegrationTest, BouquetsMatchTheCurrentServiceAndGetMenus) {
    PlainStateView view;
    ASSERT_TRUE(QueryCurrentService(*client_, view));
    ServiceListModel m;
    ASSERT_TRUE(LoadServiceList(*client_, m, 1, true, view.state.currentServiceRef, dir_, 0));
    ASSERT_TRUE(LoadServiceList(*client_, m, 3, false, view.state.currentServiceRef, dir_, 0));
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
    const char* fault = ""; // simulator fault set first
};

// Runs tessaro-query; returns its output (stdout and stderr) and exit status, and its
// peak resident memory in KiB.
struct ToolRun {
    std::string output;
    int exitCode = -1;
    long maxRssKiB = 0;
};

ToolRun RunQueryTool(const std::string& args) {
    ToolRun run;
    int out[2];
    if (pipe(out) != 0)
        return run;
    const std::string cmd = "exec " + std::string(TESSARO_QUERY_EXECUTABLE) + " " + args + " 2>&1";
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char buf[4096];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;)
        run.output.append(buf, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
        run.maxRssKiB = usage.ru_maxrss;
    }
    return run;
}

class QueryToolTest : public QueriesIntegrationTest, public ::testing::WithParamInterface<CliRow> {};

TEST_P(QueryToolTest, ExitCodeAndOutput) {
    const CliRow& r = GetParam();
    if (*r.fault) {
        ASSERT_TRUE(sim_->SetFault(r.fault));
    }
    const std::string port = std::string(r.name) == "refused" ? "1" : std::to_string(sim_->webPort());
    const ToolRun run =
        RunQueryTool("--host 127.0.0.1 --port " + port + " --user root --pass tunerpwd " + r.args);
    EXPECT_EQ(run.exitCode, r.exitCode) << run.output;
    EXPECT_NE(run.output.find(r.outputPart), std::string::npos) << run.output;
    // An answer that never ends costs at most the body limit, not all memory.
    EXPECT_LT(run.maxRssKiB, 300 * 1024) << r.name;
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
    {"endless", "services tv", 1, "NET ERR #23 (", "cmd=getallservices&endless=1"},
    {"random", "services tv", 1, "Die Antwort des Receivers ist unlesbar!", "cmd=getallservices&random=1"},
    {"truncated", "services tv", 1, "Die Antwort des Receivers ist unlesbar!",
     "cmd=getallservices&truncate=0"},
    {"hang", "services tv", 1, "NET ERR #28 (", "cmd=getallservices&hang=1"},
};
INSTANTIATE_TEST_SUITE_P(Commands, QueryToolTest, ::testing::ValuesIn(kCliRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
