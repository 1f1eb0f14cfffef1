// The parsed command line; the application object owns it.
#pragma once

#include <wx/string.h>

struct StartOptions {
    bool verbose = false;
    bool debugDump = false;
    bool configMode = false;
    bool fallbackVideo = false;
    bool skipReceiverState = false;
    int profileIndex = 0;
    int startMode = 0; // 0 main window, 1 standalone video window, 2 fullscreen, 3 desktop
    wxString gstDebugLevel;
    wxString startServiceRef;
};
