#include "core/registry.h"

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/utils.h>

wxString GStreamerCacheDir() {
    wxString dir;
    if (wxGetEnv("XDG_CACHE_HOME", &dir) && !dir.empty())
        return dir;
    return wxGetHomeDir() + wxFILE_SEP_PATH + ".cache";
}

bool DeleteGStreamerRegistry(const wxString& cacheDir, wxString& message, MessageIcon& icon) {
    const wxString dir = wxFileName::DirName(cacheDir + wxFILE_SEP_PATH + "gstreamer-1.0").GetPath();
    wxArrayString files;
    if (wxDir::Exists(dir))
        wxDir::GetAllFiles(dir, &files, "registry.*.bin", wxDIR_FILES | wxDIR_HIDDEN);
    // Success only when something was there and all of it is gone: a registry left
    // behind would be used again unchanged.
    bool ok = !files.empty();
    for (const wxString& file : files)
        ok = wxRemoveFile(file) && ok;
    if (ok) {
        message = _(L"Die GStreamer-Registry wurde gelöscht und wird nun neu erstellt.");
        icon = MessageIcon::Information;
    } else {
        message = _(L"Die GStreamer-Registry konnte nicht gelöscht werden!");
        icon = MessageIcon::Exclamation;
    }
    return ok;
}
