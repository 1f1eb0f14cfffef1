// Reading the receiver's XML answers: one parse with a root check, then a light,
// read-only walk over elements by name. Every answer is read through this.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <wx/string.h>

class wxXmlDocument;
class wxXmlNode;

// A read-only view of one element; a default-constructed view is "absent".
class AnswerElement {
public:
    AnswerElement() = default;
    explicit AnswerElement(const wxXmlNode* node) : node_(node) {}

    bool IsValid() const { return node_ != nullptr; }
    wxString Name() const;
    // The first text (or CDATA) child; empty if there is none.
    wxString Text() const;
    // All element children in document order.
    std::vector<AnswerElement> Children() const;
    // Element children with this name, in document order.
    std::vector<AnswerElement> Children(const wxString& name) const;
    // The first child with this name, or an absent view.
    AnswerElement Child(const wxString& name) const;
    // Text of the first child with this name; empty when it is missing.
    wxString ChildText(const wxString& name) const;

private:
    const wxXmlNode* node_ = nullptr;
};

// One parsed answer. Move-only; the element views point into it.
class ParsedAnswer {
public:
    ParsedAnswer();
    ~ParsedAnswer();
    ParsedAnswer(ParsedAnswer&&) noexcept;
    ParsedAnswer& operator=(ParsedAnswer&&) noexcept;

    // True when the text was a well-formed document (it has a root element).
    bool IsWellFormed() const;
    // The root element if its name matched the expected one, else absent.
    AnswerElement Root() const { return root_; }

private:
    friend ParsedAnswer ParseWebAnswer(const wxString& text, const wxString& expectedRoot);
    std::unique_ptr<wxXmlDocument> doc_;
    AnswerElement root_;
};

// Parses an answer as UTF-8 XML. Malformed, truncated, oversized or too deeply nested
// input yields a document without root; a wrong root name yields an absent Root().
ParsedAnswer ParseWebAnswer(const wxString& text, const wxString& expectedRoot);

// Limits that keep hostile answers from exhausting memory or the stack.
inline constexpr size_t kMaxAnswerBytes = 64u * 1024u * 1024u;
inline constexpr int kMaxAnswerDepth = 256;
// The XML reader appends character data piecewise (quadratic in the length of one
// text), so a single run of text or markup is limited; real answers stay far below.
inline constexpr size_t kMaxAnswerTextRun = 1024u * 1024u;

// Deepest element nesting of an XML text, counted by a cheap tag scan (comments,
// CDATA, processing instructions and declarations are skipped); stops counting once
// `limit` is exceeded and returns a value above it.
int XmlNestingDepth(const std::string& utf8, int limit);

// Longest stretch of the text without a '<' (text, CDATA or markup run).
size_t LongestRunWithoutTag(const std::string& utf8);

// Decimal conversion as the answers need it: 0 when the text is not a number.
long AnswerToLong(const wxString& text);
unsigned long AnswerToULong(const wxString& text);
// Like AnswerToULong, but reports whether a number was present ("None", empty and
// garbage are missing).
bool AnswerToULong(const wxString& text, unsigned long& value);
