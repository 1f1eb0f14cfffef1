// MyVideoFrame: the standalone video window (start mode 1). Created hidden at start;
// closing only hides it. Video output and its commands come with the video windows.
#pragma once

#include <wx/frame.h>

class wxCloseEvent;
struct AppSettings;

class MyVideoFrame : public wxFrame {
public:
    explicit MyVideoFrame(const AppSettings& settings);

    wxWindow* videoPanel = nullptr;

private:
    void OnClose(wxCloseEvent& event);
};
