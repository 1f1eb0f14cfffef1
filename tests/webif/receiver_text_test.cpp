#include <gtest/gtest.h>

#include "core/settings.h"
#include "webif/receiver_client.h"
#include "webif/web_commands.h"

namespace {

TEST(BuildWebAddressTest, SchemeHostPortNoCredentials) {
    ReceiverProfile p{"Box", "192.168.1.5", "root", "geheim", 80, 8001, 0};
    EXPECT_EQ(BuildWebAddress(p, "powerstate?newstate=-1"),
              "http://192.168.1.5:80/web/powerstate?newstate=-1");
    p.Https = 1;
    p.WPort = 443;
    EXPECT_EQ(BuildWebAddress(p, "getcurrent"), "https://192.168.1.5:443/web/getcurrent");
    EXPECT_EQ(BuildWebAddress(p, "x").find("geheim"), std::string::npos);
    // Long commands go out whole: a cut one would ask for something else.
    const std::string longCommand = "epgsearch?search=" + std::string(3000, 'a');
    EXPECT_EQ(BuildWebAddress(p, longCommand).size(),
              std::string("https://192.168.1.5:443/web/").size() + 3017);
}

struct StatusCase {
    long status;
    bool ok;
    const char* messageStart;
};

class EvaluateWebStatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(EvaluateWebStatusTest, ResultAndStartupMessage) {
    const StatusCase& c = GetParam();
    const WebStatusOutcome o = EvaluateWebStatus(c.status, "http://h:80/web/x");
    EXPECT_EQ(o.ok, c.ok);
    EXPECT_TRUE(o.message.StartsWith(wxString::FromUTF8(c.messageStart))) << o.message;
    EXPECT_EQ(o.message.empty(), c.ok);
}

const StatusCase kStatuses[] = {
    {200, true, ""},
    {204, true, ""},
    {401, false,
     "Der Zugriff auf das WebInterface wurde verweigert!\n\nBitte Benutzer und Kennwort überprüfen...\n"},
    {404, false, "Die angeforderte Seite\n\nhttp://h:80/web/x\n\nwurde nicht gefunden!"},
    {500, false, "Der Zugriff wurde mit Fehlercode HTTP 500 abgewiesen!"},
    {302, false, "Der Zugriff wurde mit Fehlercode HTTP 302 abgewiesen!"},
    {0, false, "Der Zugriff wurde mit Fehlercode HTTP 0 abgewiesen!"},
};
INSTANTIATE_TEST_SUITE_P(Statuses, EvaluateWebStatusTest, ::testing::ValuesIn(kStatuses));

TEST(NetErrorTest, TwoDigitCodeAndConnectionMessage) {
    EXPECT_EQ(NetErrorLine(7, "Failed to connect"), "NET ERR #07 (Failed to connect)");
    EXPECT_EQ(NetErrorLine(28, "Timeout"), "NET ERR #28 (Timeout)");
    ReceiverProfile p{"Box", "box.local", "root", "geheim", 8443, 8001, 1};
    const wxString m = ConnectionFailedMessage(p, "refused", "/home/u/.tessaro/tessaro.cfg");
    EXPECT_TRUE(m.StartsWith("Die Verbindung zu \"https://box.local:8443\" konnte nicht hergestellt werden!"))
        << m;
    EXPECT_TRUE(m.Contains("Fehlerursache: \"refused\"")) << m;
    EXPECT_TRUE(m.Contains("\t\"/home/u/.tessaro/tessaro.cfg\"\n")) << m;
    EXPECT_FALSE(m.Contains("geheim"));
}

struct ProxyCase {
    const char* name;
    bool mode;
    const char* host;
    long port;
    const char* user;
    const char* pass;
    const char* expected;
};

class ProxyAddressTest : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(ProxyAddressTest, OnlyWhenOnAndComplete) {
    const ProxyCase& c = GetParam();
    AppSettings s;
    s.proxy = {c.host, c.port, c.user, c.pass, c.mode};
    EXPECT_EQ(ProxyAddress(s), c.expected);
}

const ProxyCase kProxies[] = {
    {"on_complete", true, "proxy.lan", 3128, "u", "p", "proxy.lan:3128"},
    {"off", false, "proxy.lan", 3128, "u", "p", ""},
    {"no_password", true, "proxy.lan", 3128, "u", "", ""},
    {"no_user", true, "proxy.lan", 3128, "", "p", ""},
    {"no_port", true, "proxy.lan", 0, "u", "p", ""},
    {"no_host", true, "", 3128, "u", "p", ""},
};
INSTANTIATE_TEST_SUITE_P(Proxies, ProxyAddressTest, ::testing::ValuesIn(kProxies),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeAnswerBodyTest, Utf8OrLatin1) {
    EXPECT_EQ(DecodeAnswerBody("Gr\xC3\xB6\xC3\x9F"
                               "e"),
              wxString::FromUTF8("Größe"));
    EXPECT_EQ(DecodeAnswerBody("Gr\xF6\xDF"
                               "e"),
              wxString::FromUTF8("Größe"));
    EXPECT_EQ(DecodeAnswerBody(""), "");
}

// A reference with "&", "#", "?" or a blank must reach the receiver as one value.
TEST(WebCommandsTest, ReferencesAndTextsAreEscaped) {
    const wxString ref = "1:0:1:A:B:1:0:0:0:0:a&b#c?d e";
    const std::string escaped = "1%3A0%3A1%3AA%3AB%3A1%3A0%3A0%3A0%3A0%3Aa%26b%23c%3Fd%20e";
    EXPECT_EQ(NowNextCommand(ref, true), "epgservicenow?sRef=" + escaped);
    EXPECT_EQ(NowNextCommand(ref, false), "epgservicenext?sRef=" + escaped);
    EXPECT_EQ(SubServicesCommand(ref), "streamsubservices?sRef=" + escaped);
    EXPECT_EQ(SimilarEventsCommand(ref, "7&x=1"), "epgsimilar?sRef=" + escaped + "&eventid=7%26x%3D1");
    EXPECT_EQ(ZapCommand(ref), "zap?sRef=" + escaped);
    EXPECT_EQ(ServicePlayableCommand(ref), "serviceplayable?sRef=" + escaped);
}

} // namespace
