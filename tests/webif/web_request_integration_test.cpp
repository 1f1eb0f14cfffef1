// WebRequest against the receiver simulator on 127.0.0.1.
#include <gtest/gtest.h>

#include <fstream>

#include <wx/filefn.h>
#include <wx/filename.h>

#include "local_http_peer.h"
#include "sim_webif_fixture.h"
#include "webif/web_request.h"

namespace {

class WebRequestIntegrationTest : public SimWebifTest {
protected:
    std::string Dump() const {
        std::ifstream in(std::string((dir_ + "tessaro.dbg").utf8_str()), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::string Address(const std::string& command) const {
        return "http://127.0.0.1:" + std::to_string(sim_->webPort()) + "/web/" + command;
    }
};

struct StatusRow {
    const char* name;
    const char* fault; // for deviceinfo, empty: none
    const char* pass;
    bool ok;
    const char* answerPart;
    const char* messageStart; // in start-up reporting
};

class WebRequestStatusTest : public WebRequestIntegrationTest,
                             public ::testing::WithParamInterface<StatusRow> {};

TEST_P(WebRequestStatusTest, ResultAnswerAndStartupReport) {
    const StatusRow& r = GetParam();
    if (*r.fault) {
        ASSERT_TRUE(sim_->SetFault(std::string("cmd=deviceinfo&") + r.fault));
    }
    settings_.profiles[0].Pass = r.pass;
    EXPECT_EQ(WebRequest("deviceinfo"), r.ok);
    EXPECT_TRUE(WebAnswer().Contains(r.answerPart)) << WebAnswer();
    EXPECT_TRUE(log_.messages.empty()); // silent outside start-up
    EXPECT_TRUE(log_.Contains(wxString::Format("HTTP %s", wxString(r.name).AfterLast('_')))) << r.name;

    Web().startupReporting = true;
    EXPECT_EQ(WebRequest("deviceinfo"), r.ok);
    EXPECT_EQ(Web().startupAbort, !r.ok);
    if (r.ok) {
        EXPECT_TRUE(log_.messages.empty());
    } else {
        ASSERT_EQ(log_.messages.size(), 1u);
        EXPECT_TRUE(log_.messages[0].StartsWith(wxString::FromUTF8(r.messageStart))) << log_.messages[0];
    }
}

const StatusRow kStatusRows[] = {
    {"ok_200", "", "tunerpwd", true, "<e2deviceinfo>", ""},
    {"nocontent_204", "status=204", "tunerpwd", true, "", ""},
    {"denied_401", "", "falsch", false, "", "Der Zugriff auf das WebInterface wurde verweigert!"},
    {"missing_404", "status=404", "tunerpwd", false, "404", "Die angeforderte Seite\n\nhttp://127.0.0.1:"},
    {"error_500", "status=500", "tunerpwd", false, "Injected fault",
     "Der Zugriff wurde mit Fehlercode HTTP 500"},
};
INSTANTIATE_TEST_SUITE_P(Statuses, WebRequestStatusTest, ::testing::ValuesIn(kStatusRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WebRequestIntegrationTest, NoContentLeavesTheAnswerEmpty) {
    ASSERT_TRUE(sim_->SetFault("cmd=deviceinfo&status=204"));
    ASSERT_TRUE(WebRequest("deviceinfo"));
    EXPECT_TRUE(WebAnswer().empty());
}

TEST_F(WebRequestIntegrationTest, DebugDumpHasHeadersAndRawBodiesButNoPassword) {
    Web().debugDump = true;
    ASSERT_TRUE(WebRequest("deviceinfo"));
    const std::string first = std::string(WebAnswer().utf8_str());
    ASSERT_TRUE(sim_->SetFault("cmd=getcurrent&status=500"));
    EXPECT_FALSE(WebRequest("getcurrent"));
    const std::string dump = Dump();
    EXPECT_EQ(dump.find("\n##### " + Address("deviceinfo") + " #####\n\n" + first), 0u);
    EXPECT_NE(dump.find("\n##### " + Address("getcurrent") + " #####\n\n<html>"), std::string::npos);
    EXPECT_EQ(dump.find("tunerpwd"), std::string::npos);
    for (const wxString& l : log_.lines)
        EXPECT_FALSE(l.Contains("tunerpwd")) << l;
}

TEST_F(WebRequestIntegrationTest, ConnectionRefusedLogsNetErr07) {
    int freePort = 0;
    {
        LocalHttpPeer closed("");
        freePort = closed.port();
    }
    settings_.profiles[0].WPort = freePort;
    Web().startupReporting = true;
    EXPECT_FALSE(WebRequest("deviceinfo"));
    EXPECT_TRUE(WebAnswer().empty());
    EXPECT_TRUE(Web().startupAbort);
    EXPECT_TRUE(log_.Contains("NET ERR #07 (")) << (log_.lines.empty() ? wxString() : log_.lines.back());
    ASSERT_EQ(log_.messages.size(), 1u);
    EXPECT_TRUE(log_.messages[0].StartsWith(wxString::Format(
        "Die Verbindung zu \"http://127.0.0.1:%d\" konnte nicht hergestellt werden!", freePort)));
    EXPECT_TRUE(log_.messages[0].Contains(dir_ + "tessaro.cfg"));
}

TEST_F(WebRequestIntegrationTest, HttpsWithSelfSignedCertificate) {
    E2SimProcess tls;
    E2SimProcess::Config config;
    config.https = true;
    ASSERT_TRUE(tls.Start(config));
    settings_.profiles[0].Https = 1;
    settings_.profiles[0].WPort = tls.webPort();
    ASSERT_TRUE(WebRequest("deviceinfo"));
    EXPECT_TRUE(WebAnswer().Contains("<e2deviceinfo>"));
    EXPECT_TRUE(log_.Contains(wxString::Format("https://127.0.0.1:%d/web/deviceinfo", tls.webPort())));
}

std::string ProxyAnswer() {
    const std::string body = "<e2deviceinfo>p</e2deviceinfo>";
    return "HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

TEST_F(WebRequestIntegrationTest, ProxyUsedOnlyWhenOnAndComplete) {
    LocalHttpPeer proxy(ProxyAnswer());
    settings_.proxy = {"127.0.0.1", proxy.port(), "puser", "ppass", false};
    ASSERT_TRUE(WebRequest("deviceinfo"));
    settings_.proxy.Mode = true;
    settings_.proxy.Pass = ""; // incomplete: not used
    ASSERT_TRUE(WebRequest("deviceinfo"));
    EXPECT_TRUE(proxy.Requests().empty());

    settings_.proxy.Pass = "ppass";
    ASSERT_TRUE(WebRequest("deviceinfo"));
    EXPECT_TRUE(WebAnswer().StartsWith("<e2deviceinfo>p"));
    const auto requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("GET " + Address("deviceinfo") + " HTTP/1.0\r\n", 0), 0u) << requests[0];
    EXPECT_NE(requests[0].find("Proxy-Authorization: Basic cHVzZXI6cHBhc3M="), std::string::npos)
        << requests[0];
}

TEST_F(WebRequestIntegrationTest, EnvironmentProxyIsIgnored) {
    LocalHttpPeer proxy(ProxyAnswer());
    const std::string env = "http://127.0.0.1:" + std::to_string(proxy.port());
    setenv("http_proxy", env.c_str(), 1);
    const bool ok = WebRequest("deviceinfo");
    unsetenv("http_proxy");
    EXPECT_TRUE(ok);
    EXPECT_TRUE(proxy.Requests().empty());
}

} // namespace
