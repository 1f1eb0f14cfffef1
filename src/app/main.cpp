#include <clocale>
#include <cstdlib>

#include <wx/app.h>

#include "app/app.h"
#include "core/catalog.h"

int main(int argc, char** argv) {
    // The video sinks draw into X11 windows, so GDK must not pick Wayland.
    setenv("GDK_BACKEND", "x11", 1);
    std::setlocale(LC_ALL, "");
    EnsureUtf8CharacterSet();
    wxApp::SetInstance(new MyApp);
    return wxEntry(argc, argv);
}
