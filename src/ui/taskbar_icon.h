// MyTaskBarIcon: the tray icon of the desktop video mode. Created once at start and
// shown only while the video is on the desktop.
#pragma once

#include <wx/taskbar.h>

class MyTaskBarIcon : public wxTaskBarIcon {
public:
    MyTaskBarIcon() = default;

protected:
    wxMenu* CreatePopupMenu() override;
};
