#include <gtest/gtest.h>

#include "webif/query_output.h"
#include "webif/service_list.h"
#include "webif/service_sort.h"

namespace {

std::string Service(const std::string& ref, const std::string& name) {
    return "<e2service><e2servicereference>" + ref + "</e2servicereference><e2servicename>" + name +
           "</e2servicename></e2service>";
}
std::string Bouquet(const std::string& ref, const std::string& name, const std::string& services) {
    return "<e2bouquet><e2servicereference>" + ref + "</e2servicereference><e2servicename>" + name +
           "</e2servicename><e2servicelist>" + services + "</e2servicelist></e2bouquet>";
}
std::string List(const std::string& bouquets) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<e2servicelistrecursive>" + bouquets +
           "</e2servicelistrecursive>";
}

const std::string kArd = "1:0:1:445D:453:1:C00000:0:0:0:";
const std::string kZdf = "1:0:19:2B66:3F3:1:C00000:0:0:0:";
const std::string kArte = "1:0:1:283D:3FB:1:C00000:0:0:0:";
const std::string kMarker = "1:64:1:0:0:0:0:0:0:0::Nachrichten";
const std::string kBr3 = "1:0:2:6F:3:1:C00000:0:0:0:";

struct ListCase {
    const char* name;
    int kind;
    std::string answer;
    bool accepted;
    std::vector<std::string> lines; // FormatServiceLines
};

class ServiceListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(ServiceListTest, FoldersServicesAndPositionCodes) {
    const ListCase& c = GetParam();
    ServiceListModel m;
    EXPECT_EQ(AppendServiceList(m, c.kind, wxString::FromUTF8(c.answer), ""), c.accepted);
    std::vector<std::string> got;
    for (const wxString& l : FormatServiceLines(m, c.kind))
        got.push_back(std::string(l.utf8_str()));
    EXPECT_EQ(got, c.lines);
}

const ListCase kLists[] = {
    {"tv_bouquets_with_marker_and_blanks",
     1,
     List(Bouquet("1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"userbouquet.fav.tv\" ORDER BY bouquet", "Favoriten",
                  Service(kArd, "Das Erste") + Service(kMarker, "Nachrichten") + Service(kZdf, "ZDF HD")) +
          Bouquet("1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"userbouquet.kids.tv\"", "Kinder &amp; Familie",
                  Service(kArte, "arte"))),
     true,
     {"folder\tFavoriten\t1:7:1:0:0:0:0:0:0:0:FROM%20BOUQUET%20\"userbouquet.fav.tv\"%20ORDER%20BY%20bouquet",
      "1.1.1.1\tDas Erste\t" + kArd, "marker\tNachrichten", "1.1.1.3\tZDF HD\t" + kZdf,
      "folder\tKinder & Familie\t1:7:1:0:0:0:0:0:0:0:FROM%20BOUQUET%20\"userbouquet.kids.tv\"",
      "1.1.2.1\tarte\t" + kArte}},
    {"radio_bouquets",
     3,
     List(Bouquet("1:7:2:0:0:0:0:0:0:0:r", "Radio", Service(kBr3, "Bayern 3"))),
     true,
     {"folder\tRadio\t1:7:2:0:0:0:0:0:0:0:r", "2.1.1.1\tBayern 3\t" + kBr3}},
    {"tv_providers_with_shared_service",
     0,
     List(Bouquet("1:7:1:0:0:0:0:0:0:0:p1", "ARD", Service(kArd, "Das Erste") + Service(kArte, "arte")) +
          Bouquet("1:7:1:0:0:0:0:0:0:0:p2", "ZDFvision", Service(kZdf, "ZDF HD") + Service(kArte, "arte"))),
     true,
     {"folder\tARD\t1:7:1:0:0:0:0:0:0:0:p1", "1.2.1.1\tDas Erste\t" + kArd, "1.2.1.2\tarte\t" + kArte,
      "folder\tZDFvision\t1:7:1:0:0:0:0:0:0:0:p2", "1.2.2.1\tZDF HD\t" + kZdf, "1.2.2.2\tarte\t" + kArte,
      "folder\tSender\t", "1.3.1\tDas Erste\t" + kArd, "1.3.2\tZDF HD\t" + kZdf, "1.3.3\tarte\t" + kArte,
      "1.3.4\tarte\t" + kArte}},
    {"foreign_child_in_list",
     1,
     List("<e2bouquet><e2servicereference>b</e2servicereference><e2servicename>B</e2servicename>"
          "<e2servicelist>" +
          Service(kArd, "Das Erste") + "<e2note>x</e2note>" + Service(kZdf, "ZDF HD") +
          "</e2servicelist><e2unknown/></e2bouquet><e2other/>"),
     true,
     {"folder\tB\tb", "1.1.1.1\tDas Erste\t" + kArd, "1.1.1.2\tZDF HD\t" + kZdf}},
    {"service_without_reference_or_name_skipped",
     1,
     List(Bouquet("b", "B",
                  "<e2service><e2servicename>ohne</e2servicename></e2service>"
                  "<e2service><e2servicereference>" +
                      kArd + "</e2servicereference></e2service>" + Service(kZdf, "ZDF HD"))),
     true,
     {"folder\tB\tb", "1.1.1.1\tZDF HD\t" + kZdf}},
    {"list_before_name_gets_a_folder",
     1,
     List("<e2bouquet><e2servicereference>b</e2servicereference><e2servicelist>" +
          Service(kArd, "Das Erste") + "</e2servicelist></e2bouquet>"),
     true,
     {"folder\t\tb", "1.1.1.1\tDas Erste\t" + kArd}},
    {"empty_bouquet", 1, List(Bouquet("b", "Leer", "")), true, {"folder\tLeer\tb"}},
    {"wrong_root",
     1,
     "<e2servicelist>" + Bouquet("b", "B", Service(kArd, "A")) + "</e2servicelist>",
     false,
     {}},
    {"truncated", 1, List(Bouquet("b", "B", Service(kArd, "A"))).substr(0, 150), false, {}},
    {"empty", 1, "", false, {}},
};
INSTANTIATE_TEST_SUITE_P(Answers, ServiceListTest, ::testing::ValuesIn(kLists),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ServiceListModelTest, ItemDataOfFoldersAndServices) {
    ServiceListModel m;
    ASSERT_TRUE(
        AppendServiceList(m, 2, wxString::FromUTF8(List(Bouquet("p r", "Prov", Service(kBr3, "B3")))), ""));
    const ChannelFolder& f = m.radio.providers.at(0);
    EXPECT_EQ(f.data.kind, kKindFolder);
    EXPECT_EQ(f.data.sRef, "p%20r");
    EXPECT_EQ(f.data.positionCode, "");
    EXPECT_EQ(f.data.bouquetName, "Prov");
    EXPECT_EQ(f.menuIndex, -1); // radio never gets menus
    const ChannelItemData& s = f.entries.at(0).data;
    EXPECT_EQ(s.kind, kKindRadio);
    EXPECT_EQ(s.bouquetName, "Prov");
    EXPECT_EQ(m.radio.sender.at(0).data.positionCode, "2.3.1");
    EXPECT_TRUE(m.menus.empty());
}

TEST(ServiceListModelTest, BouquetMenusHelpTextsMarkersAndTheLimit) {
    std::string bouquets =
        Bouquet("b0", "Leer", "") +
        Bouquet("b1", "Fav", Service(kArd, "Das Erste") + Service(kMarker, "M") + Service(kZdf, "ZDF HD"));
    for (int i = 2; i < 101; ++i)
        bouquets += Bouquet("b" + std::to_string(i), "B" + std::to_string(i), Service(kArd, "A"));
    ServiceListModel m;
    ASSERT_TRUE(AppendServiceList(m, 1, wxString::FromUTF8(List(bouquets)), ""));
    EXPECT_EQ(m.tv.bouquets.size(), 101u);
    EXPECT_EQ(m.LastBouquetIndex(), 99);
    EXPECT_EQ(m.tv.bouquets[99].menuIndex, 99);
    EXPECT_EQ(m.tv.bouquets[100].menuIndex, -1); // the 101st: in the tree, no menu
    EXPECT_TRUE(m.menus[0].entries.empty());     // placeholder only
    const BouquetMenu& fav = m.menus[1];
    EXPECT_EQ(fav.name, "Fav");
    EXPECT_EQ(fav.folderIndex, 1u);
    ASSERT_EQ(fav.entries.size(), 3u);
    EXPECT_EQ(fav.entries[0].help, "1:0");
    EXPECT_FALSE(fav.entries[0].marker);
    EXPECT_EQ(fav.entries[1].help, "1:1");
    EXPECT_TRUE(fav.entries[1].marker);
    EXPECT_EQ(fav.entries[2].help, "1:2");
    // A reload of the same round appends no further menus beyond 100.
    ASSERT_TRUE(AppendServiceList(m, 1, wxString::FromUTF8(List(Bouquet("x", "X", ""))), ""));
    EXPECT_EQ(m.LastBouquetIndex(), 99);
}

TEST(ServiceListModelTest, CurrentServiceMatchedAtFirstOccurrenceOfTheRound) {
    ServiceListModel m;
    const wxString bouquets =
        wxString::FromUTF8(List(Bouquet("b", "Fav", Service(kArd, "A") + Service(kZdf, "Z"))));
    const wxString providers =
        wxString::FromUTF8(List(Bouquet("p", "ZDFvision", Service(kArte, "arte") + Service(kZdf, "Z"))));
    AppendServiceList(m, 1, bouquets, kZdf);
    AppendServiceList(m, 0, providers, kZdf);
    ASSERT_TRUE(m.current.found);
    EXPECT_EQ(m.current.kind, 1);
    EXPECT_EQ(m.current.folderIndex, 0u);
    EXPECT_EQ(m.current.entryIndex, 1u);
    EXPECT_EQ(m.current.playModeLabel, " Wiedergabemodus [ TV ] ");
    // Case matters; and a new round (reset) finds it in the providers.
    m.current = CurrentServiceMatch();
    AppendServiceList(m, 0, providers, wxString(kZdf).Lower());
    EXPECT_FALSE(m.current.found);
    AppendServiceList(m, 0, providers, kZdf);
    EXPECT_EQ(m.current.kind, 0);
    EXPECT_EQ(m.current.folderIndex, 2u); // the third provider folder loaded
    AppendServiceList(m, 3, wxString::FromUTF8(List(Bouquet("r", "R", Service(kBr3, "B3")))), kBr3);
    EXPECT_EQ(m.current.kind, 0); // still the first match
}

TEST(ServiceListModelTest, RepeatedProviderLoadAppendsAndRenumbersSender) {
    ServiceListModel m;
    const wxString providers =
        wxString::FromUTF8(List(Bouquet("p", "P", Service(kZdf, "ZDF") + Service(kArd, "Das Erste"))));
    AppendServiceList(m, 0, providers, "");
    AppendServiceList(m, 0, providers, "");
    EXPECT_EQ(m.tv.providers.size(), 2u);
    ASSERT_EQ(m.tv.sender.size(), 4u);
    std::vector<wxString> codes;
    for (const ChannelEntry& e : m.tv.sender)
        codes.push_back(e.label + "=" + e.data.positionCode);
    EXPECT_EQ(codes, (std::vector<wxString>{"Das Erste=1.3.1", "Das Erste=1.3.2", "ZDF=1.3.3", "ZDF=1.3.4"}));
}

TEST(ServiceListCommandTest, VerbatimCommands) {
    EXPECT_EQ(ServiceListCommand(0), "getallservices?sRef=1:7:1:0:0:0:0:0:0:0:(type%20==%201)%20||%20(type%"
                                     "20==%2017)%20||%20(type%20==%20195)"
                                     "%20||%20(type%20==%2025)%20FROM%20PROVIDERS%20ORDER%20BY%20name");
    EXPECT_EQ(ServiceListCommand(1),
              "getallservices?sRef=1:7:1:0:0:0:0:0:0:0:(type%20==%201)%20||%20(type%20==%2017)%20||%20(type%"
              "20==%20195)"
              "%20||%20(type%20==%2025)FROM%20BOUQUET%20\"bouquets.tv\"%20ORDER%20BY%20bouquet");
    EXPECT_EQ(
        ServiceListCommand(2),
        "getallservices?sRef=1:7:2:0:0:0:0:0:0:0:(type%20==%202)%20FROM%20PROVIDERS%20ORDER%20BY%20name");
    EXPECT_EQ(ServiceListCommand(3),
              "getallservices?sRef=1:7:2:0:0:0:0:0:0:0:(type%20==%202)FROM%20BOUQUET%20"
              "\"bouquets.radio\"%20ORDER%20BY%20bouquet");
    EXPECT_EQ(ServiceListCommand(4), "");
    EXPECT_EQ(ProviderCacheName(0, 3), "tv-provider-3.xml");
    EXPECT_EQ(ProviderCacheName(2, 0), "ra-provider-0.xml");
}

struct CompareCase {
    const char* name;
    TreeSortKey a, b;
    bool sender;
    int mode;
    int expected;
};
class CompareTreeItemsTest : public ::testing::TestWithParam<CompareCase> {};
TEST_P(CompareTreeItemsTest, Rules) {
    const CompareCase& c = GetParam();
    EXPECT_EQ(CompareTreeItems(c.a, c.b, c.sender, c.mode), c.expected);
}
const CompareCase kCompare[] = {
    {"sender_codepoint_upper_first", {"arte"}, {"ZDF"}, true, 0, 1},
    {"sender_umlaut_after_z", {wxString::FromUTF8("Ärger")}, {"Zoo"}, true, 0, 1},
    {"sender_ignores_sortmode", {"a", true, 5}, {"b", true, 1}, true, 3, -1},
    {"equal", {"x"}, {"x"}, true, 0, 0},
    {"rec_mode0", {"a", true, 5}, {"b", true, 1}, false, 0, -1},
    {"rec_mode1", {"a", true, 5}, {"b", true, 1}, false, 1, 1},
    {"rec_mode2", {"a", true, 5}, {"b", true, 1}, false, 2, 1},
    {"rec_mode2_equal_dates", {"a", true, 5}, {"b", true, 5}, false, 2, 0},
    {"rec_mode3", {"a", true, 5}, {"b", true, 1}, false, 3, -1},
    {"no_data_labels", {"b", false, 1}, {"a", true, 5}, false, 3, 1},
};
INSTANTIATE_TEST_SUITE_P(Items, CompareTreeItemsTest, ::testing::ValuesIn(kCompare),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
