#include "core/paths.h"

#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

AppPaths& Paths() {
    static AppPaths paths;
    return paths;
}

void InitPaths() {
    wxFileName exe(wxStandardPaths::Get().GetExecutablePath());
    Paths().programDir = exe.GetPath(wxPATH_GET_VOLUME | wxPATH_GET_SEPARATOR);
    Paths().dataDir = wxGetHomeDir() + wxFILE_SEP_PATH + ".tessaro" + wxFILE_SEP_PATH;
}
