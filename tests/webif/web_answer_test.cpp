#include <gtest/gtest.h>

#include "webif/web_answer.h"

namespace {

struct AnswerCase {
    const char* name;
    const char* text;
    const char* root;
    bool wellFormed;
    bool rootMatches;
    const char* firstChildText; // text of the first "a" child, when the root matches
};

class ParseWebAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(ParseWebAnswerTest, RootCheckAndText) {
    const AnswerCase& c = GetParam();
    const ParsedAnswer doc = ParseWebAnswer(wxString::FromUTF8(c.text), c.root);
    EXPECT_EQ(doc.IsWellFormed(), c.wellFormed);
    EXPECT_EQ(doc.Root().IsValid(), c.rootMatches);
    EXPECT_EQ(doc.Root().ChildText("a"), wxString::FromUTF8(c.firstChildText));
}

const AnswerCase kAnswerCases[] = {
    {"plain", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r><a>x</a><a>y</a></r>", "r", true, true, "x"},
    {"wrong_root", "<other><a>x</a></other>", "r", true, false, ""},
    {"root_name_case", "<R><a>x</a></R>", "r", true, false, ""},
    {"truncated", "<r><a>x</a><a>y", "r", false, false, ""},
    {"empty", "", "r", false, false, ""},
    {"whitespace_only", "  \n ", "r", false, false, ""},
    {"html_error_page", "<html><body><h1>500</h1></body></html>", "r", true, false, ""},
    {"no_text_child", "<r><a/></r>", "r", true, true, ""},
    {"empty_element", "<r><a></a></r>", "r", true, true, ""},
    {"cdata", "<r><a><![CDATA[1 < 2]]></a></r>", "r", true, true, "1 < 2"},
    {"entities", "<r><a>Tom &amp; Jerry</a></r>", "r", true, true, "Tom & Jerry"},
    {"umlaut", "<r><a>Ärger über Öl</a></r>", "r", true, true, "Ärger über Öl"},
    {"first_text_after_element", "<r><a><b>in</b>after</a></r>", "r", true, true, "after"},
    {"undeclared_entity", "<r><a>&nbsp;</a></r>", "r", false, false, ""},
    {"two_roots", "<r><a>x</a></r><r/>", "r", false, false, ""},
};

INSTANTIATE_TEST_SUITE_P(Answers, ParseWebAnswerTest, ::testing::ValuesIn(kAnswerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AnswerElementTest, ChildrenByNameSkipForeignElementsInOrder) {
    const ParsedAnswer doc = ParseWebAnswer("<r><s>1</s><x>no</x><s>2</s><!-- c --><s>3</s></r>", "r");
    std::vector<wxString> texts;
    for (const AnswerElement& s : doc.Root().Children("s"))
        texts.push_back(s.Text());
    EXPECT_EQ(texts, (std::vector<wxString>{"1", "2", "3"}));
    EXPECT_EQ(doc.Root().Children().size(), 4u);
    EXPECT_FALSE(doc.Root().Child("missing").IsValid());
    EXPECT_EQ(doc.Root().Child("missing").ChildText("deeper"), "");
}

struct NumberCase {
    const char* text;
    long asLong;
    unsigned long asULong;
    bool present;
};

class AnswerNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(AnswerNumberTest, FailedConversionGivesZero) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(AnswerToLong(c.text), c.asLong);
    EXPECT_EQ(AnswerToULong(c.text), c.asULong);
    unsigned long v = 99;
    EXPECT_EQ(AnswerToULong(c.text, v), c.present);
}

const NumberCase kNumbers[] = {
    {"1700000000", 1700000000, 1700000000, true},
    {" 42\n", 42, 42, true},
    {"-5", -5, 0, false},
    {"None", 0, 0, false},
    {"", 0, 0, false},
    {"12abc", 0, 0, false},
    {"0x10", 0, 0, false},
    {"99999999999999999999999", 0, 0, false},
};
INSTANTIATE_TEST_SUITE_P(Numbers, AnswerNumberTest, ::testing::ValuesIn(kNumbers));

TEST(XmlNestingDepthTest, CountsElementsNotMarkup) {
    EXPECT_EQ(XmlNestingDepth("<a><b><c/></b></a>", 100), 2);
    EXPECT_EQ(XmlNestingDepth("<?xml version='1.0'?><!-- <x><y><z> --><a t='>'><![CDATA[<q><q>]]></a>", 100),
              1);
    std::string deep;
    for (int i = 0; i < 1000; ++i)
        deep += "<a>";
    EXPECT_GT(XmlNestingDepth(deep, 10), 10);
    EXPECT_EQ(LongestRunWithoutTag("abc<d>efgh</d>"), 6u); // "d>efgh"
    EXPECT_EQ(LongestRunWithoutTag(""), 0u);
}

} // namespace
