// ReceiverClient against the receiver simulator on 127.0.0.1: statuses, dump, transport
// errors, proxy, the body limit, stalls and the asynchronous lanes.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <wx/utils.h>

#include "local_http_peer.h"
#include "sim_webif_fixture.h"
#include "webif/service_list.h"

namespace {

class ReceiverClientTest : public SimWebifTest {
protected:
    std::string Dump() const {
        std::ifstream in(std::string((dir_ + "tessaro.dbg").utf8_str()), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::string Address(const std::string& command) const {
        return "http://127.0.0.1:" + std::to_string(sim_->webPort()) + "/web/" + command;
    }
    // True once the simulator has seen a request for `command` (the client is busy with it).
    bool SimulatorSaw(const std::string& command) const {
        for (int i = 0; i < 600; ++i) {
            if (sim_->SimGet("/sim/state").find("/web/" + command) != std::string::npos)
                return true;
            wxMilliSleep(100);
        }
        return false;
    }
};

struct StatusRow {
    const char* name;
    const char* fault; // for deviceinfo, empty: none
    const char* pass;
    bool ok;
    const char* bodyPart;
    const char* messageStart; // start-up message
};

class ReceiverClientStatusTest : public ReceiverClientTest,
                                 public ::testing::WithParamInterface<StatusRow> {};

TEST_P(ReceiverClientStatusTest, ResultBodyAndStartupMessage) {
    const StatusRow& r = GetParam();
    if (*r.fault) {
        ASSERT_TRUE(sim_->SetFault(std::string("cmd=deviceinfo&") + r.fault));
    }
    settings_.profiles[0].Pass = r.pass;
    const WebReply reply = MakeClient(Connection())->Get("deviceinfo");
    EXPECT_EQ(reply.Ok(), r.ok);
    EXPECT_TRUE(reply.TransferOk());
    EXPECT_TRUE(reply.body.Contains(r.bodyPart)) << reply.body;
    if (reply.status == 204) {
        EXPECT_TRUE(reply.body.empty());
    }
    EXPECT_TRUE(log_.messages.empty()); // the transport never opens a message box
    EXPECT_TRUE(log_.Contains(wxString::Format("HTTP %s", wxString(r.name).AfterLast('_')))) << r.name;
    const wxString message = StartupFailureMessage(reply, settings_.profiles[0], dir_ + "tessaro.cfg");
    EXPECT_TRUE(message.StartsWith(wxString::FromUTF8(r.messageStart))) << message;
    EXPECT_EQ(message.empty(), r.ok);
}

const StatusRow kStatusRows[] = {
    {"ok_200", "", "tunerpwd", true, "<e2deviceinfo>", ""},
    {"nocontent_204", "status=204", "tunerpwd", true, "", ""},
    {"denied_401", "", "falsch", false, "", "Der Zugriff auf das WebInterface wurde verweigert!"},
    {"missing_404", "status=404", "tunerpwd", false, "404", "Die angeforderte Seite\n\nhttp://127.0.0.1:"},
    {"error_500", "status=500", "tunerpwd", false, "Injected fault",
     "Der Zugriff wurde mit Fehlercode HTTP 500"},
};
INSTANTIATE_TEST_SUITE_P(Statuses, ReceiverClientStatusTest, ::testing::ValuesIn(kStatusRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReceiverClientTest, DebugDumpHasHeadersAndRawBodiesButNoPassword) {
    const auto client = MakeClient(Connection(true));
    const WebReply first = client->Get("deviceinfo");
    ASSERT_TRUE(first.Ok());
    ASSERT_TRUE(sim_->SetFault("cmd=getcurrent&status=500"));
    EXPECT_FALSE(client->Get("getcurrent").Ok());
    const std::string dump = Dump();
    EXPECT_EQ(
        dump.find("\n##### " + Address("deviceinfo") + " #####\n\n" + std::string(first.body.utf8_str())),
        0u);
    EXPECT_NE(dump.find("\n##### " + Address("getcurrent") + " #####\n\n<html>"), std::string::npos);
    EXPECT_EQ(dump.find("tunerpwd"), std::string::npos);
    for (const wxString& l : log_.lines)
        EXPECT_FALSE(l.Contains("tunerpwd")) << l;
}

TEST_F(ReceiverClientTest, ConnectionRefusedLogsNetErr07) {
    int freePort = 0;
    {
        LocalHttpPeer closed("");
        freePort = closed.port();
    }
    settings_.profiles[0].WPort = freePort;
    const WebReply reply = MakeClient(Connection())->Get("deviceinfo");
    EXPECT_FALSE(reply.TransferOk());
    EXPECT_EQ(reply.curlCode, 7);
    EXPECT_TRUE(reply.body.empty());
    EXPECT_TRUE(log_.Contains("NET ERR #07 (")) << (log_.lines.empty() ? wxString() : log_.lines.back());
    const wxString message = StartupFailureMessage(reply, settings_.profiles[0], dir_ + "tessaro.cfg");
    EXPECT_TRUE(message.StartsWith(wxString::Format(
        "Die Verbindung zu \"http://127.0.0.1:%d\" konnte nicht hergestellt werden!", freePort)));
    EXPECT_TRUE(message.Contains(dir_ + "tessaro.cfg"));
}

TEST_F(ReceiverClientTest, HttpsWithSelfSignedCertificate) {
    E2SimProcess tls;
    E2SimProcess::Config config;
    config.https = true;
    ASSERT_TRUE(tls.Start(config));
    settings_.profiles[0].Https = 1;
    settings_.profiles[0].WPort = tls.webPort();
    const WebReply reply = MakeClient(Connection())->Get("deviceinfo");
    ASSERT_TRUE(reply.Ok());
    EXPECT_TRUE(reply.body.Contains("<e2deviceinfo>"));
    EXPECT_TRUE(log_.Contains(wxString::Format("https://127.0.0.1:%d/web/deviceinfo", tls.webPort())));
}

std::string ProxyAnswer() {
    const std::string body = "<e2deviceinfo>p</e2deviceinfo>";
    return "HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

TEST_F(ReceiverClientTest, ProxyUsedOnlyWhenOnAndComplete) {
    LocalHttpPeer proxy(ProxyAnswer());
    settings_.proxy = {"127.0.0.1", proxy.port(), "puser", "ppass", false};
    ASSERT_TRUE(MakeClient(Connection())->Get("deviceinfo").Ok());
    settings_.proxy.Mode = true;
    settings_.proxy.Pass = ""; // incomplete: not used
    ASSERT_TRUE(MakeClient(Connection())->Get("deviceinfo").Ok());
    EXPECT_TRUE(proxy.Requests().empty());

    settings_.proxy.Pass = "ppass";
    const WebReply reply = MakeClient(Connection())->Get("deviceinfo");
    ASSERT_TRUE(reply.Ok());
    EXPECT_TRUE(reply.body.StartsWith("<e2deviceinfo>p"));
    const auto requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("GET " + Address("deviceinfo") + " HTTP/1.0\r\n", 0), 0u) << requests[0];
    EXPECT_NE(requests[0].find("Proxy-Authorization: Basic cHVzZXI6cHBhc3M="), std::string::npos)
        << requests[0];
}

TEST_F(ReceiverClientTest, EnvironmentProxyIsIgnored) {
    LocalHttpPeer proxy(ProxyAnswer());
    const std::string env = "http://127.0.0.1:" + std::to_string(proxy.port());
    setenv("http_proxy", env.c_str(), 1);
    const bool ok = client_->Get("deviceinfo").Ok();
    unsetenv("http_proxy");
    EXPECT_TRUE(ok);
    EXPECT_TRUE(proxy.Requests().empty());
}

TEST_F(ReceiverClientTest, EndlessAnswerStopsAtTheLimitAndFails) {
    ASSERT_TRUE(sim_->SetFault("cmd=getallservices&endless=1"));
    ReceiverConnection c = Connection();
    c.maxBodyBytes = 1u << 20;
    const WebReply reply = MakeClient(c)->Get(ServiceListCommand(1));
    EXPECT_FALSE(reply.Ok());
    EXPECT_EQ(reply.curlCode, 23); // the write callback refused the rest
    EXPECT_TRUE(reply.tooLarge);
    EXPECT_TRUE(reply.body.empty());
    EXPECT_TRUE(reply.error.Contains("1048576")) << reply.error;
    EXPECT_EQ(StartupFailureMessage(reply, settings_.profiles[0], dir_ + "tessaro.cfg"), reply.error);
    EXPECT_TRUE(log_.Contains("NET ERR #23 (")) << (log_.lines.empty() ? wxString() : log_.lines.back());
}

TEST_F(ReceiverClientTest, ReceiverThatNeverAnswersFailsAtTheStallLimit) {
    ASSERT_TRUE(sim_->SetFault("cmd=deviceinfo&hang=1"));
    ReceiverConnection c = Connection();
    c.stallTimeoutS = 2;
    const WebReply reply = MakeClient(c)->Get("deviceinfo");
    EXPECT_FALSE(reply.TransferOk());
    EXPECT_EQ(reply.curlCode, 28);
    EXPECT_TRUE(log_.Contains("NET ERR #28 (")) << (log_.lines.empty() ? wxString() : log_.lines.back());
}

TEST_F(ReceiverClientTest, RepliesArriveInLaneOrderAndExpiredOnesAreDropped) {
    ASSERT_TRUE(sim_->SetFault("cmd=getallservices&delay_ms=2000"));
    std::vector<std::string> order;
    auto note = [&](const WebReply& r) {
        EXPECT_TRUE(r.Ok()) << r.command;
        order.push_back(r.command.substr(0, r.command.find('?')));
    };
    ReplyLifetime window;
    auto gone = std::make_unique<ReplyLifetime>();
    client_->Request(ServiceListCommand(1), window.Token(), note, RequestLane::Bulk);
    client_->Request("deviceinfo", window.Token(), note);
    client_->Request("getcurrent", gone->Token(), note);
    client_->Request("powerstate?newstate=-1", window.Token(), note);
    EXPECT_EQ(client_->Pending(), 4);
    gone.reset(); // its window closed before the reply arrived
    EXPECT_EQ(posted_.Drain(4), 4u);
    EXPECT_EQ(client_->Pending(), 0);
    // The control lane kept its order and did not wait for the slow list.
    EXPECT_EQ(order, (std::vector<std::string>{"deviceinfo", "powerstate", "getallservices"}));
}

TEST_F(ReceiverClientTest, DestroyingTheClientCancelsAHungRequest) {
    ASSERT_TRUE(sim_->SetFault("cmd=getcurrent&hang=1"));
    ReceiverConnection c = Connection();
    c.stallTimeoutS = 3600; // only cancellation can end this transfer within the test's time
    auto client = MakeClient(c);
    ReplyLifetime window;
    bool delivered = false;
    client->Request("getcurrent", window.Token(), [&](const WebReply&) { delivered = true; });
    client->Request("deviceinfo", window.Token(), [&](const WebReply&) { delivered = true; });
    ASSERT_TRUE(SimulatorSaw("getcurrent"));
    client.reset();
    posted_.Drain(0);
    EXPECT_FALSE(delivered);
    EXPECT_FALSE(log_.Contains("NET ERR")); // shutting down is nobody's error
}

} // namespace
