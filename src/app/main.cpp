#include <cstdlib>

#include <wx/app.h>

#include "app/app.h"

int main(int argc, char** argv) {
    // The video sinks draw into X11 windows, so GDK must not pick Wayland.
    setenv("GDK_BACKEND", "x11", 1);
    wxApp::SetInstance(new MyApp);
    return wxEntry(argc, argv);
}
