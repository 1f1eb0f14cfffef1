#include "webif/url_escape.h"

namespace {
bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}
} // namespace

std::string UrlEscapeBytes(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char c : bytes) {
        if (IsUnreserved(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0f];
        }
    }
    return out;
}

std::string UrlEscape(const wxString& text) {
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return UrlEscapeBytes(std::string(utf8.data(), utf8.length()));
}

std::string UrlEscape8Bit(const wxString& text) {
    std::string bytes;
    bytes.reserve(text.length());
    for (wxUniChar c : text) {
        unsigned long v = c.GetValue();
        bytes += v < 0x100 ? static_cast<char>(v) : '?';
    }
    return UrlEscapeBytes(bytes);
}
