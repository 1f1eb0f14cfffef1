// The main window as the streaming engine sees it (StreamView): choices, tools,
// status text, video-panel pictures, timers and posted commands, all on the GUI
// thread. A small helper owned by MyMainFrame, so that the engine's names do not
// mix with the frame's own.
#pragma once

#include <wx/timer.h>

#include "stream/stream_view.h"

class MyMainFrame;
class Player;

// Whether the pipeline is PAUSED or PLAYING (a stream is started).
bool PipelineStarted(const Player& player);

class MainStreamView : public StreamView {
public:
    explicit MainStreamView(MyMainFrame& frame);

    void AppendAudioChoice(const wxString& label, int pid) override;
    void AppendVideoChoice(const wxString& label, int pid) override;
    int AudioChoiceCount() const override;
    int VideoChoiceCount() const override;
    void ClearAudioChoice() override;
    void ClearVideoChoice() override;
    void SelectAudioChoice(int index) override;
    void SetAvBoxLabel(const wxString& label) override;
    void EnableSubtitleMenu(bool enable) override;

    void EnableTool(StreamTool tool, bool enable) override;
    void ShowPauseBitmap(bool pause) override;
    void SetStatusText(const wxString& text) override;
    void RefreshVideoPanel() override;
    void DrawVideoImage(const wxString& bitmap, bool mainPanel) override;
    void ReturnVideoToMainWindow() override;
    bool DesktopWindowFound() const override { return false; }

    void StartTimer(StreamTimer timer, int milliseconds) override;
    void StopTimer(StreamTimer timer) override;

    void PostStopCommand() override;
    void PostPlayPauseCommand() override;
    void StopStreaming() override;

    int CurrentItemType() const override;
    wxString OverlayText() const override;
    void QuerySubservices() override;
    void AskReceiverAudioTrack(std::function<void()> notChosen) override;
    // Picture-in-picture is not part of the program yet.
    bool PipActive() const override { return false; }
    void RestartPip() override {}

    void ShowThroughput(int minKbit, int midKbit, int maxKbit, int bufferPercent) override;
    void ShowDownloadProgress(int, const wxString&) override {}

private:
    void AskAudioTracks(std::function<void()> notChosen, int attempt, std::uint64_t zap);

    MyMainFrame& frame;
    // Between tries of an audio-track answer the receiver could not give yet.
    wxTimer retryTimer;
    std::function<void()> retry;
};
