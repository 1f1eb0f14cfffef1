// Hostile answers fed to every parser: none may crash, hang or blow the stack.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "webif/plain_state_view.h"
#include "webif/provider_cache.h"
#include "webif/receiver_client.h"
#include "webif/service_list.h"
#include "webif/state_queries.h"
#include "webif/web_answer.h"

namespace {

using Parser = std::function<void(const wxString&)>;

std::vector<std::pair<const char*, Parser>> AllParsers() {
    return {
        {"standby",
         [](const wxString& a) {
             bool standby = false;
             ParseStandby(a, standby);
         }},
        {"current",
         [](const wxString& a) {
             ReceiverState s;
             ApplyCurrentService(a, s);
         }},
        {"event",
         [](const wxString& a) {
             EpgEventInfo e;
             if (ParseLastEvent(a, e)) {
                 FormatNowEvent(e, 0);
                 FormatNextEvent(e);
             }
         }},
        {"audio",
         [](const wxString& a) {
             std::vector<AudioTrack> t;
             ParseAudioTracks(a, t);
             PlainChoice c;
             c.entries.resize(t.size());
             MatchAudioTracks(c, t);
         }},
        {"subservices",
         [](const wxString& a) {
             std::vector<SubService> s;
             if (ParseSubServices(a, s)) {
                 PlainChoice c;
                 ApplySubServices(c, s, "1:0:1");
             }
         }},
        {"similar",
         [](const wxString& a) {
             wxString text;
             ParseSimilarEvents(a, text);
         }},
        {"services",
         [](const wxString& a) {
             ServiceListModel m;
             for (int kind = 0; kind < 4; ++kind)
                 AppendServiceList(m, kind, a, "1:0:1:1:1:1:1:0:0:0:");
         }},
    };
}

const char* const kGoodList =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><e2servicelistrecursive><e2bouquet>"
    "<e2servicereference>1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"x.tv\"</e2servicereference>"
    "<e2servicename>Favoriten</e2servicename><e2servicelist><e2service>"
    "<e2servicereference>1:0:19:1:1:1:1:0:0:0:</e2servicereference><e2servicename>Eins</e2servicename>"
    "</e2service><e2service><e2servicereference>1:64:1:0:0:0:0:0:0:0:</e2servicereference>"
    "<e2servicename>Marke</e2servicename></e2service></e2servicelist></e2bouquet></e2servicelistrecursive>";

void FeedAll(const wxString& answer) {
    for (auto& [name, parse] : AllParsers()) {
        SCOPED_TRACE(name);
        parse(answer);
    }
}

TEST(ParserRobustnessTest, EveryPrefixOfAGoodAnswer) {
    const std::string good = kGoodList;
    for (size_t n = 0; n <= good.size(); n += 7)
        FeedAll(wxString::FromUTF8(good.substr(0, n)));
    // A list cut anywhere is a failed load, not a shorter list.
    for (size_t n = 0; n < good.size(); n += 3) {
        ServiceListModel m;
        EXPECT_FALSE(AppendServiceList(m, 1, wxString::FromUTF8(good.substr(0, n)), "")) << n;
        EXPECT_TRUE(m.tv.bouquets.empty()) << n;
    }
}

TEST(ParserRobustnessTest, DeepNestingIsRejectedWithoutRecursion) {
    std::string deep;
    deep.reserve(100000 * 7 + 64);
    for (int i = 0; i < 100000; ++i)
        deep += "<e2b>";
    for (int i = 0; i < 100000; ++i)
        deep += "</e2b>";
    EXPECT_FALSE(ParseWebAnswer(deep, "e2b").IsWellFormed());
    FeedAll(deep);
}

TEST(ParserRobustnessTest, TwentyMegabyteTextIsRejectedQuickly) {
    // One giant text node would make the XML reader's piecewise appends quadratic.
    std::string huge = "<e2servicelistrecursive><e2bouquet><e2servicename>";
    huge.append(20u * 1024 * 1024, 'x');
    huge += "</e2servicename></e2bouquet></e2servicelistrecursive>";
    ServiceListModel m;
    EXPECT_FALSE(AppendServiceList(m, 1, wxString::FromUTF8(huge), ""));
    huge.resize(huge.size() - 10); // truncated as well
    FeedAll(wxString::FromUTF8(huge));
}

TEST(ParserRobustnessTest, TwentyMegabyteListOfOrdinaryElementsParses) {
    std::string huge = "<e2servicelistrecursive><e2bouquet><e2servicereference>b</e2servicereference>"
                       "<e2servicename>B</e2servicename><e2servicelist>";
    const std::string service = "<e2service><e2servicereference>1:0:1:1:1:1:0:0:0:0:</e2servicereference>"
                                "<e2servicename>Name</e2servicename></e2service>";
    const size_t count = 20u * 1024 * 1024 / service.size();
    for (size_t i = 0; i < count; ++i)
        huge += service;
    huge += "</e2servicelist></e2bouquet></e2servicelistrecursive>";
    ServiceListModel m;
    EXPECT_TRUE(AppendServiceList(m, 1, wxString::FromUTF8(huge), ""));
    ASSERT_EQ(m.tv.bouquets.size(), 1u);
    EXPECT_EQ(m.tv.bouquets[0].entries.size(), count);
}

TEST(ParserRobustnessTest, NonUtf8BytesAreReadAsLatin1) {
    // A receiver answering in ISO-8859-1 despite the UTF-8 declaration.
    const std::string latin1 = "<e2powerstate><e2instandby>true \xE4\xF6\xFC</e2instandby></e2powerstate>";
    const wxString text = DecodeAnswerBody(latin1);
    EXPECT_EQ(text, wxString::FromUTF8("<e2powerstate><e2instandby>true äöü</e2instandby></e2powerstate>"));
    bool standby = false;
    EXPECT_TRUE(ParseStandby(text, standby));
    EXPECT_TRUE(standby);
    FeedAll(DecodeAnswerBody("\xFF\xFE<\0r\0>\0"));
    FeedAll(DecodeCacheText(std::string("\xFE\xFF\xD8\x00", 4))); // lone surrogate
}

TEST(ParserRobustnessTest, RandomBytes) {
    std::mt19937 rng(4711);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        std::string s = round % 2 ? std::string(kGoodList) : std::string();
        for (int i = 0; i < 200; ++i)
            s.insert(s.empty() ? 0 : rng() % s.size(), 1, static_cast<char>(byte(rng)));
        FeedAll(DecodeAnswerBody(s));
    }
}

} // namespace
