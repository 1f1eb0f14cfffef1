// Program and data directories; both end with the path separator.
#pragma once

#include <wx/string.h>

struct AppPaths {
    wxString programDir; // directory of the running executable ("lng", "hlp", "pic", "plugins" below it)
    wxString dataDir;    // ~/.tessaro/ : settings, logs, caches, downloads
};

// Process-wide directories, filled by InitPaths() at start.
AppPaths& Paths();

// Fills Paths() from the running executable and $HOME.
void InitPaths();
