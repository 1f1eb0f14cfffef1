#include <gtest/gtest.h>

#include <fstream>

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include "webif/provider_cache.h"
#include "webif/service_list.h"

namespace {

class ProviderCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = wxFileName::CreateTempFileName("webifcache");
        wxRemoveFile(dir_);
        ASSERT_TRUE(wxMkdir(dir_));
        dir_ += "/";
    }
    void TearDown() override { wxFileName::Rmdir(dir_, wxPATH_RMDIR_RECURSIVE); }
    void WriteBytes(const wxString& name, const std::string& bytes) {
        std::ofstream(std::string((dir_ + name).utf8_str()), std::ios::binary) << bytes;
    }
    wxString dir_;
};

std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii)
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

const char* const kList =
    "<e2servicelistrecursive>\r\n<e2bouquet><e2servicereference>p</e2servicereference>\n"
    "<e2servicename>P</e2servicename><e2servicelist><e2service><e2servicereference>"
    "1:0:1:1:1:1:0:0:0:0:</e2servicereference><e2servicename>Eins</e2servicename>"
    "</e2service></e2servicelist></e2bouquet></e2servicelistrecursive>\n";

struct BomCase {
    const char* name;
    std::string bytes;
};
class CacheEncodingTest : public ProviderCacheTest, public ::testing::WithParamInterface<BomCase> {};

TEST_P(CacheEncodingTest, LoadsWithoutNetwork) {
    WriteBytes("tv-provider-4.xml", GetParam().bytes);
    ServiceListModel m;
    ASSERT_TRUE(AppendCachedServiceList(m, 0, ServiceListCachePath(0, dir_, 4), "1:0:1:1:1:1:0:0:0:0:"));
    ASSERT_EQ(m.tv.providers.size(), 1u);
    EXPECT_EQ(m.tv.providers[0].entries.at(0).label, "Eins");
    EXPECT_TRUE(m.current.found);
}
INSTANTIATE_TEST_SUITE_P(Boms, CacheEncodingTest,
                         ::testing::Values(BomCase{"plain", kList},
                                           BomCase{"utf8_bom", "\xEF\xBB\xBF" + std::string(kList)},
                                           BomCase{"utf16le", Utf16(kList, false)},
                                           BomCase{"utf16be", Utf16(kList, true)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProviderCacheTest, WriteIsUtf8AndReplacesTheOldFile) {
    const wxString path = dir_ + "ra-provider-0.xml";
    WriteBytes("ra-provider-0.xml", "old content that is longer than the new one");
    ASSERT_TRUE(WriteProviderCache(path, wxString::FromUTF8("<a>Größe</a>")));
    std::ifstream in(std::string(path.utf8_str()), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "<a>Gr\xC3\xB6\xC3\x9F"
                     "e</a>");
    EXPECT_FALSE(wxFileExists(path + ".tmp"));
    wxString text;
    ASSERT_TRUE(ReadProviderCache(path, text));
    EXPECT_EQ(text, wxString::FromUTF8("<a>Größe</a>"));
    EXPECT_FALSE(WriteProviderCache(dir_ + "missing-dir/x.xml", "x"));
    EXPECT_FALSE(ReadProviderCache(dir_ + "none.xml", text));
}

TEST(DecodeCacheTextTest, LinesJoinedAndSurrogatesCombined) {
    EXPECT_EQ(DecodeCacheText("a\r\nb\nc"), "abc");
    // U+1F600 as a UTF-16 LE surrogate pair.
    EXPECT_EQ(DecodeCacheText(std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6)), wxString(wxUniChar(0x1F600)));
}

} // namespace
