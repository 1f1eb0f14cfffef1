#include <gtest/gtest.h>

#include "webif/url_escape.h"

namespace {

struct EscapeCase {
    const char* utf8Input;
    const char* utf8Escaped;
    const char* latin1Escaped;
};

class UrlEscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(UrlEscapeTest, BothVariants) {
    const EscapeCase& c = GetParam();
    const wxString text = wxString::FromUTF8(c.utf8Input);
    EXPECT_EQ(UrlEscape(text), c.utf8Escaped);
    EXPECT_EQ(UrlEscape8Bit(text), c.latin1Escaped);
}

const EscapeCase kCases[] = {
    {"AZaz09-._~", "AZaz09-._~", "AZaz09-._~"},
    {"1:0:19:2B66:3F3:1:C00000:0:0:0:", "1%3A0%3A19%3A2B66%3A3F3%3A1%3AC00000%3A0%3A0%3A0%3A",
     "1%3A0%3A19%3A2B66%3A3F3%3A1%3AC00000%3A0%3A0%3A0%3A"},
    {"a b&c=d/e?f+g%", "a%20b%26c%3Dd%2Fe%3Ff%2Bg%25", "a%20b%26c%3Dd%2Fe%3Ff%2Bg%25"},
    {"Größe", "Gr%C3%B6%C3%9Fe", "Gr%F6%DFe"},
    {"€", "%E2%82%AC", "%3F"}, // no 8-bit form: "?"
    {"", "", ""},
};
INSTANTIATE_TEST_SUITE_P(Texts, UrlEscapeTest, ::testing::ValuesIn(kCases));

TEST(UrlEscapeTest, LongTextIsNotCut) {
    // A cut escape ("%2") would change the command the receiver executes.
    const wxString text(wxUniChar('/'), 2000);
    EXPECT_EQ(UrlEscape(text).size(), 6000u);
}

} // namespace
