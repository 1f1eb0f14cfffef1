// The main window's record and screenshot tools: a recording of the running
// stream and a picture of it into GENERAL/RecDir. Binds itself to the tools.
#pragma once

class wxCommandEvent;
class wxFrame;
class wxToolBar;
class Player;

class RecordControls {
public:
    RecordControls(wxFrame& frame, Player& player);
    ~RecordControls();
    RecordControls(const RecordControls&) = delete;
    RecordControls& operator=(const RecordControls&) = delete;

private:
    void OnRecord(wxCommandEvent& event);
    void OnScreenshot(wxCommandEvent& event);
    void StartRecordingTool();
    void SetRecordTool(bool on);

    wxFrame& frame_;
    Player& player_;
    wxToolBar* toolBar_;
};
