// MyLogFrame: the window that every logged line of the program reaches. Created
// hidden at start; closing only hides it. Classifying and filtering the lines by
// level come with the log window's own work.
#pragma once

#include <wx/frame.h>

class wxCloseEvent;
class wxLog;

class MyLogFrame : public wxFrame {
public:
    MyLogFrame();
    ~MyLogFrame() override;

private:
    void OnClose(wxCloseEvent& event);
    void OnKeyCommand(wxCommandEvent& event);

    wxLog* logTarget = nullptr;
};
