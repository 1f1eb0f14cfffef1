// What the streaming engine needs from the main window on the GUI thread:
// choices, tools, status text, video-panel pictures, timers and commands.
// The main window implements it; tests use a recording double.
#pragma once

#include <functional>

#include <wx/string.h>

enum class StreamTool { Record, Volume, StreamInfo, Fullscreen, Standalone, Wallpaper, Teletext, Screenshot };

// Ids as the main window registers its timers.
enum class StreamTimer { Timeout = 3, Overlay = 4, Resync = 6 };

class StreamView {
public:
    virtual ~StreamView() = default;

    // "ID_CHOICE_AUDIO" / "ID_CHOICE_VIDEO": append enables the choice and selects item 0.
    virtual void AppendAudioChoice(const wxString& label, int pid) = 0;
    virtual void AppendVideoChoice(const wxString& label, int pid) = 0;
    virtual int AudioChoiceCount() const = 0;
    virtual int VideoChoiceCount() const = 0;
    // Clears and disables the choice.
    virtual void ClearAudioChoice() = 0;
    virtual void ClearVideoChoice() = 0;
    // Selects the entry and processes its selection event at once (switches the track).
    virtual void SelectAudioChoice(int index) = 0;
    virtual void SetAvBoxLabel(const wxString& label) = 0;
    // "ID_MENU_SUBTITLE"; disabling also checks "ID_MENUITEM_SUBTITLE_OFF".
    virtual void EnableSubtitleMenu(bool enable) = 0;

    virtual void EnableTool(StreamTool tool, bool enable) = 0;
    // "IMG_PAUSE" (true) or "IMG_PLAY" on "ID_TOOL_PLAY_PAUSE".
    virtual void ShowPauseBitmap(bool pause) = 0;
    virtual void SetStatusText(const wxString& text) = 0; // status bar field 0
    virtual void RefreshVideoPanel() = 0;
    // Draws a resource bitmap centred in the main panel or the current video window.
    virtual void DrawVideoImage(const wxString& bitmap, bool mainPanel) = 0;
    virtual void ReturnVideoToMainWindow() = 0;
    virtual bool DesktopWindowFound() const = 0;

    virtual void StartTimer(StreamTimer timer, int milliseconds) = 0; // one-shot
    virtual void StopTimer(StreamTimer timer) = 0;

    // Posted commands run after the current handler returns; StopStreaming runs now
    // (and stops timers 3 and 6, as the stop command does).
    virtual void PostStopCommand() = 0;
    virtual void PostPlayPauseCommand() = 0;
    virtual void StopStreaming() = 0;

    virtual int CurrentItemType() const = 0; // 1 TV, 2 radio, 3 recording
    // currentServiceName + "\n\n" + nowEventText + "\n" + nextEventText
    virtual wxString OverlayText() const = 0;
    // Receiver-side work when playing starts: the sub-services, and (with TV control)
    // the receiver's audio track; `notChosen` runs when the receiver chose none.
    // Both answer later, on the GUI thread.
    virtual void QuerySubservices() = 0;
    virtual void AskReceiverAudioTrack(std::function<void()> notChosen) = 0;
    virtual bool PipActive() const = 0;
    virtual void RestartPip() = 0;

    // Stream-info dialog fields: kbit/s values and the buffer percentage.
    virtual void ShowThroughput(int minKbit, int midKbit, int maxKbit, int bufferPercent) = 0;
    virtual void ShowDownloadProgress(int value, const wxString& text) = 0;
};
