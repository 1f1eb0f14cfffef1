// The main window's record and screenshot tools: a recording of the running
// stream and a picture of it into GENERAL/RecDir. Binds itself to the tools.
#pragma once

class wxCommandEvent;
class wxFrame;
class wxToolBar;

class RecordControls {
public:
    explicit RecordControls(wxFrame& frame);
    ~RecordControls();
    RecordControls(const RecordControls&) = delete;
    RecordControls& operator=(const RecordControls&) = delete;

private:
    void OnRecord(wxCommandEvent& event);
    void OnScreenshot(wxCommandEvent& event);
    void StartRecordingTool();
    void SetRecordTool(bool on);

    wxFrame& frame_;
    wxToolBar* toolBar_;
};
