// The main window's record and screenshot tools: a recording of the running
// stream and a picture of it into GENERAL/RecDir. Binds itself to the tools.
#pragma once

class wxCommandEvent;
class wxFrame;
class wxToolBar;
struct AppSettings;
class Player;

class RecordControls {
public:
    RecordControls(wxFrame& frame, Player& player, const AppSettings& settings);
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
    const AppSettings& settings_;
    wxToolBar* toolBar_;
};
