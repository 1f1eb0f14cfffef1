// Percent-escaping of references and texts for web-interface commands: every byte
// except ASCII letters, digits and "-", ".", "_", "~" becomes "%XX" (upper-case hex).
#pragma once

#include <string>

#include <wx/string.h>

// Escapes the UTF-8 form of the text.
std::string UrlEscape(const wxString& text);
// Escapes the 8-bit (ISO-8859-1) form; characters outside it become "?".
std::string UrlEscape8Bit(const wxString& text);
// Escapes raw bytes.
std::string UrlEscapeBytes(const std::string& bytes);
