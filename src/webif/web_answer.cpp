#include "webif/web_answer.h"

#include <algorithm>
#include <string>

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/xml/xml.h>

wxString AnswerElement::Name() const {
    return node_ ? node_->GetName() : wxString();
}

wxString AnswerElement::Text() const {
    if (!node_)
        return {};
    for (const wxXmlNode* c = node_->GetChildren(); c; c = c->GetNext()) {
        if (c->GetType() == wxXML_TEXT_NODE || c->GetType() == wxXML_CDATA_SECTION_NODE)
            return c->GetContent();
    }
    return {};
}

std::vector<AnswerElement> AnswerElement::Children() const {
    std::vector<AnswerElement> out;
    for (const wxXmlNode* c = node_ ? node_->GetChildren() : nullptr; c; c = c->GetNext()) {
        if (c->GetType() == wxXML_ELEMENT_NODE)
            out.emplace_back(c);
    }
    return out;
}

std::vector<AnswerElement> AnswerElement::Children(const wxString& name) const {
    std::vector<AnswerElement> out;
    for (const wxXmlNode* c = node_ ? node_->GetChildren() : nullptr; c; c = c->GetNext()) {
        if (c->GetType() == wxXML_ELEMENT_NODE && c->GetName() == name)
            out.emplace_back(c);
    }
    return out;
}

AnswerElement AnswerElement::Child(const wxString& name) const {
    for (const wxXmlNode* c = node_ ? node_->GetChildren() : nullptr; c; c = c->GetNext()) {
        if (c->GetType() == wxXML_ELEMENT_NODE && c->GetName() == name)
            return AnswerElement(c);
    }
    return {};
}

wxString AnswerElement::ChildText(const wxString& name) const {
    return Child(name).Text();
}

ParsedAnswer::ParsedAnswer() = default;
ParsedAnswer::~ParsedAnswer() = default;
ParsedAnswer::ParsedAnswer(ParsedAnswer&&) noexcept = default;
ParsedAnswer& ParsedAnswer::operator=(ParsedAnswer&&) noexcept = default;

bool ParsedAnswer::IsWellFormed() const {
    return doc_ && doc_->IsOk() && doc_->GetRoot();
}

namespace {

// Skips from `i` (at '<') past the end of a construct that does not nest; returns
// npos when the text ends first.
size_t SkipSpecial(const std::string& s, size_t i) {
    auto skipTo = [&](const char* end, size_t from) {
        size_t p = s.find(end, from);
        return p == std::string::npos ? p : p + std::char_traits<char>::length(end);
    };
    if (s.compare(i, 4, "<!--") == 0)
        return skipTo("-->", i + 4);
    if (s.compare(i, 9, "<![CDATA[") == 0)
        return skipTo("]]>", i + 9);
    if (s.compare(i, 2, "<?") == 0)
        return skipTo("?>", i + 2);
    return skipTo(">", i + 2); // <!DOCTYPE ...> and the like
}

// Returns the position after the tag's '>' and whether it closes itself.
size_t SkipTag(const std::string& s, size_t i, bool& selfClosing) {
    char quote = 0;
    for (size_t p = i + 1; p < s.size(); ++p) {
        char c = s[p];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            selfClosing = s[p - 1] == '/';
            return p + 1;
        }
    }
    return std::string::npos;
}

} // namespace

int XmlNestingDepth(const std::string& s, int limit) {
    int depth = 0;
    int deepest = 0;
    size_t i = s.find('<');
    while (i != std::string::npos && i + 1 < s.size()) {
        char next = s[i + 1];
        size_t after;
        if (next == '!' || next == '?') {
            after = SkipSpecial(s, i);
        } else {
            bool selfClosing = false;
            after = SkipTag(s, i, selfClosing);
            if (next == '/')
                --depth;
            else if (!selfClosing && ++depth > deepest)
                deepest = depth;
            if (deepest > limit)
                return deepest;
        }
        if (after == std::string::npos)
            break;
        i = s.find('<', after);
    }
    return deepest;
}

size_t LongestRunWithoutTag(const std::string& s) {
    size_t longest = 0;
    size_t from = 0;
    for (size_t p = s.find('<'); from < s.size(); p = s.find('<', from)) {
        const size_t end = p == std::string::npos ? s.size() : p;
        longest = std::max(longest, end - from);
        from = end + 1;
    }
    return longest;
}

namespace {
bool WithinLimits(const std::string& bytes) {
    return !bytes.empty() && bytes.size() <= kMaxAnswerBytes &&
           LongestRunWithoutTag(bytes) <= kMaxAnswerTextRun &&
           XmlNestingDepth(bytes, kMaxAnswerDepth) <= kMaxAnswerDepth;
}
} // namespace

ParsedAnswer ParseWebAnswer(const wxString& text, const wxString& expectedRoot) {
    ParsedAnswer answer;
    answer.doc_ = std::make_unique<wxXmlDocument>();
    const wxScopedCharBuffer utf8 = text.utf8_str();
    std::string bytes(utf8.data(), utf8.length());
    if (!WithinLimits(bytes))
        return answer;
    wxMemoryInputStream in(bytes.data(), bytes.size());
    wxLogNull quiet; // a malformed answer is an ordinary outcome, not a log error
    if (!answer.doc_->Load(in, "UTF-8") || !answer.doc_->GetRoot())
        return answer;
    if (answer.doc_->GetRoot()->GetName() == expectedRoot)
        answer.root_ = AnswerElement(answer.doc_->GetRoot());
    return answer;
}

namespace {
bool ParseDigits(const wxString& text, bool allowSign, long long max, long long& value) {
    wxString t = text;
    t.Trim(true).Trim(false);
    size_t i = 0;
    bool negative = false;
    if (allowSign && !t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        i = 1;
    }
    if (i >= t.length())
        return false;
    long long v = 0;
    for (; i < t.length(); ++i) {
        wxUniChar c = t[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c.GetValue() - '0');
        if (v > max)
            return false;
    }
    value = negative ? -v : v;
    return true;
}
} // namespace

long AnswerToLong(const wxString& text) {
    long long v = 0;
    return ParseDigits(text, true, 0x7fffffffffffffffLL / 10 - 1, v) ? static_cast<long>(v) : 0;
}

bool AnswerToULong(const wxString& text, unsigned long& value) {
    long long v = 0;
    if (!ParseDigits(text, false, 0x7fffffffffffffffLL / 10 - 1, v))
        return false;
    value = static_cast<unsigned long>(v);
    return true;
}

unsigned long AnswerToULong(const wxString& text) {
    unsigned long v = 0;
    return AnswerToULong(text, v) ? v : 0;
}
