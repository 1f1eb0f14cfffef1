// The on-disk copies of the provider lists: read with byte-order-mark detection,
// written as UTF-8 through a temporary file so a crash never leaves half a file.
#pragma once

#include <string>

#include <wx/string.h>

// Decodes a file's bytes: UTF-8, UTF-16 LE or BE by their byte-order mark, else UTF-8
// (ISO-8859-1 when that is invalid). Line breaks are dropped, joining the lines.
wxString DecodeCacheText(const std::string& bytes);

bool ReadProviderCache(const wxString& path, wxString& text);
bool WriteProviderCache(const wxString& path, const wxString& text);
