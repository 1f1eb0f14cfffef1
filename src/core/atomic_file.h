// Whole-file reading and crash-safe replacement of small files (the settings file).
#pragma once

#include <string>

#include <wx/string.h>

// Reads the whole file as text: UTF-8, or Latin-1 when the bytes are no valid UTF-8
// (so that a hand-edited file in another encoding keeps its values). False when the
// file cannot be read.
bool ReadTextFile(const wxString& path, wxString& text);

// Writes bytes to a new file beside `path`, flushes it to the disk and renames it
// over `path`. On any failure the temporary file is removed, `path` is untouched and
// the result is false. An existing file's permissions are kept.
bool ReplaceFileAtomically(const wxString& path, const std::string& bytes);
