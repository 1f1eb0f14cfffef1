// MyFullscreenFrame: the borderless window covering the primary display (start
// mode 2). Created hidden at start; closing only hides it.
#pragma once

#include <wx/frame.h>

class wxCloseEvent;

class MyFullscreenFrame : public wxFrame {
public:
    MyFullscreenFrame();

    wxWindow* videoPanel = nullptr;

private:
    void OnClose(wxCloseEvent& event);
};
