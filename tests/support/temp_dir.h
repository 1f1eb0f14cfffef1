// A fresh directory below /tmp for one test, removed with everything in it afterwards.
#pragma once

#include <string>

#include <wx/string.h>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // With a trailing separator, like the program's data directory.
    wxString Path() const { return path_ + "/"; }
    wxString File(const wxString& name) const { return Path() + name; }

private:
    wxString path_;
};

std::string ReadAll(const wxString& path);
void WriteAll(const wxString& path, const std::string& bytes);
