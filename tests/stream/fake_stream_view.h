// A StreamView double that records what the engine asks of the main window,
// with fake timers and posted commands that a polling loop runs.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include <wx/log.h>

#include "stream/player.h"
#include "stream/stream_view.h"

class FakeStreamView : public StreamView {
public:
    using Clock = std::chrono::steady_clock;

    std::vector<wxString> audioChoices, videoChoices, statusTexts, images;
    wxString boxLabel;
    std::map<StreamTool, bool> tools;
    bool pauseBitmap = false;
    bool subtitleMenu = false;
    int selectedAudio = -1;
    int itemType = 1;
    bool desktopFound = true;
    bool receiverChoseAudio = false;
    bool pipActive = false;
    int pipRestarts = 0;
    int subserviceQueries = 0;
    int syncStops = 0; // stops the supervisor made itself (resync)
    int returnsToMain = 0;
    std::map<StreamTimer, Clock::time_point> timers; // running one-shot timers
    std::map<StreamTimer, int> timerStarts;
    std::map<StreamTimer, int> lastInterval;
    std::deque<std::string> commands; // "stop", "play"
    int throughputReports = 0;
    Player* player = nullptr; // stopped by StopStreaming when set

    void AppendAudioChoice(const wxString& label, int) override { audioChoices.push_back(label); }
    void AppendVideoChoice(const wxString& label, int) override { videoChoices.push_back(label); }
    int AudioChoiceCount() const override { return static_cast<int>(audioChoices.size()); }
    int VideoChoiceCount() const override { return static_cast<int>(videoChoices.size()); }
    void ClearAudioChoice() override { audioChoices.clear(); }
    void ClearVideoChoice() override { videoChoices.clear(); }
    void SelectAudioChoice(int index) override { selectedAudio = index; }
    void SetAvBoxLabel(const wxString& label) override { boxLabel = label; }
    void EnableSubtitleMenu(bool enable) override { subtitleMenu = enable; }
    void EnableTool(StreamTool tool, bool enable) override { tools[tool] = enable; }
    void ShowPauseBitmap(bool pause) override { pauseBitmap = pause; }
    void SetStatusText(const wxString& text) override { statusTexts.push_back(text); }
    void RefreshVideoPanel() override {}
    void DrawVideoImage(const wxString& bitmap, bool) override { images.push_back(bitmap); }
    void ReturnVideoToMainWindow() override { ++returnsToMain; }
    bool DesktopWindowFound() const override { return desktopFound; }
    void StartTimer(StreamTimer timer, int ms) override {
        timers[timer] = Clock::now() + std::chrono::milliseconds(ms);
        ++timerStarts[timer];
        lastInterval[timer] = ms;
    }
    void StopTimer(StreamTimer timer) override { timers.erase(timer); }
    void PostStopCommand() override { commands.push_back("stop"); }
    void PostPlayPauseCommand() override { commands.push_back("play"); }
    void StopStreaming() override {
        ++syncStops;
        StopCommand();
    }
    // As the main window's stop command: the start and resync timers stop with the stream.
    void StopCommand() {
        timers.erase(StreamTimer::Timeout);
        timers.erase(StreamTimer::Resync);
        if (player)
            player->Stop();
    }
    int CurrentItemType() const override { return itemType; }
    wxString OverlayText() const override { return "Kanal\n\nJetzt\nDanach"; }
    void QuerySubservices() override { ++subserviceQueries; }
    void AskReceiverAudioTrack(std::function<void()> notChosen) override {
        if (!receiverChoseAudio)
            notChosen();
    }
    bool PipActive() const override { return pipActive; }
    void RestartPip() override { ++pipRestarts; }
    void ShowThroughput(int, int, int, int) override { ++throughputReports; }
    void ShowDownloadProgress(int, const wxString&) override {}

    bool HasStatus(const wxString& text) const {
        for (const auto& s : statusTexts)
            if (s == text)
                return true;
        return false;
    }
};

// Collects log lines written on the GUI thread.
class LogCapture : public wxLog {
public:
    LogCapture() : previous_(wxLog::SetActiveTarget(this)) {}
    ~LogCapture() override { wxLog::SetActiveTarget(previous_); }
    std::vector<wxString> lines;
    bool Contains(const wxString& text) const {
        for (const auto& l : lines)
            if (l.Contains(text))
                return true;
        return false;
    }

protected:
    void DoLogRecord(wxLogLevel, const wxString& msg, const wxLogRecordInfo&) override {
        lines.push_back(msg);
    }

private:
    wxLog* previous_;
};
