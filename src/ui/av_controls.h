// The main window's audio and video controls: volume gauge and wheel, mute
// (middle button), the audio and video track choices, the live menu items of
// deinterlacing, clock and subtitles, and the record/screenshot tools. Binds
// itself to the frame's controls by resource name.
#pragma once

#include "stream/audio_controls.h"
#include "ui/record_controls.h"

class MyMainFrame;
class wxCommandEvent;
class wxGauge;
class wxMenu;
class wxMenuEvent;
class wxMouseEvent;
class wxWindow;

class MainAvControls : public AvControlsHost {
public:
    explicit MainAvControls(MyMainFrame& frame);
    ~MainAvControls() override;
    MainAvControls(const MainAvControls&) = delete;
    MainAvControls& operator=(const MainAvControls&) = delete;

    AvControls& Controls() { return controls_; }
    void ToggleMute();
    // One volume step per wheel notch, down for a negative rotation.
    void VolumeStep(int rotation);
    // Fills the menu bar's "Untertitel" submenu from the playing stream (done
    // whenever a menu opens).
    void RefreshSubtitleMenu();
    // The first of the ids the subtitle entries take.
    int FirstSubtitleId() const { return firstSubtitleId_; }

    // AvControlsHost
    void ShowVolume(int value) override;
    void StartOverlayTimer(int milliseconds) override;
    void StopOverlayTimer() override;
    void SelectReceiverAudioTrack(const wxString& receiverId) override;
    void PlaySubService(const wxString& serviceRef) override;
    int StoredVolume() const override;
    void StoreVolume(int volume) override;
    bool TvControl() const override;

private:
    void BindControls(bool bind);
    void OnGaugeMouse(wxMouseEvent& event);
    void OnMiddleDown(wxMouseEvent& event);
    void OnWheel(wxMouseEvent& event);
    void OnAudioChoice(wxCommandEvent& event);
    void OnVideoChoice(wxCommandEvent& event);
    void OnDeinterlace(wxCommandEvent& event);
    void OnClock(wxCommandEvent& event);
    void OnSubtitleOff(wxCommandEvent& event);
    void OnSubtitleEntry(wxCommandEvent& event);
    void OnMenuOpen(wxMenuEvent& event);
    wxMenu* SubtitleMenu() const;

    MyMainFrame& frame_;
    wxGauge* gauge_;
    wxWindow* videoPanel_;
    int firstSubtitleId_;
    AvControls controls_;
    RecordControls record_;
};
