#include "temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <wx/dir.h>
#include <wx/filename.h>

TempDir::TempDir() {
    char name[] = "/tmp/tessaro-test-XXXXXX";
    if (::mkdtemp(name))
        path_ = name;
}

TempDir::~TempDir() {
    if (!path_.empty())
        wxFileName::Rmdir(path_, wxPATH_RMDIR_RECURSIVE);
}

std::string ReadAll(const wxString& path) {
    std::ifstream in(path.fn_str(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteAll(const wxString& path, const std::string& bytes) {
    std::ofstream out(path.fn_str(), std::ios::binary | std::ios::trunc);
    out << bytes;
}
