#include "stream/stream_supervisor.h"

#include <thread>

#include <wx/intl.h>
#include <wx/log.h>

#include "core/options.h"
#include "core/settings.h"
#include "stream/pipeline.h"

namespace {

const char* ChangeResultName(GstStateChangeReturn result) {
    switch (result) {
    case GST_STATE_CHANGE_FAILURE:
        return "GST_STATE_CHANGE_FAILURE";
    case GST_STATE_CHANGE_SUCCESS:
        return "GST_STATE_CHANGE_SUCCESS";
    case GST_STATE_CHANGE_ASYNC:
        return "GST_STATE_CHANGE_ASYNC";
    default:
        return "GST_STATE_NO_PREROLL";
    }
}

bool LanguageMatches(const std::string& code, const wxString& wanted) {
    return code.size() >= 2 && wxString::FromUTF8(code.substr(0, 2).c_str()).IsSameAs(wanted.Left(2), false);
}

} // namespace

int ChooseDefaultAudioTrack(const StreamInfo& info, const wxString& audioLanguage) {
    const int count = std::min(info.audioCount, StreamInfo::kTrackSlots);
    bool anyMatch = false;
    if (!audioLanguage.empty())
        for (int i = 0; i < count; ++i)
            anyMatch = anyMatch || LanguageMatches(info.audio[i].language, audioLanguage);
    int best = 0;
    int bestPid = 0xFFFF;
    for (int i = 0; i < count; ++i) {
        const AudioTrackSlot& slot = info.audio[i];
        if (anyMatch && !LanguageMatches(slot.language, audioLanguage))
            continue;
        if (slot.pid < bestPid) {
            bestPid = slot.pid;
            best = i;
        }
    }
    return best;
}

wxString AudioChoiceLabel(int number, int value) {
    return wxString::Format(_("Audiospur %d (0x%.4X, %s)"), number, value >> 16,
                            (value & 0xFFFF) == 3 ? "MPEG" : "AC-3");
}

wxString VideoChoiceLabel(int number, int value) {
    return wxString::Format(_("Videospur %d (0x%.4X, %s)"), number, value >> 16,
                            (value & 0xFFFF) == 1 ? "MPEG" : "H264");
}

wxString ProblemLogLine(const wxString& text) {
    const int first = text.Find('#');
    const int last = text.Find('#', true);
    if (first == wxNOT_FOUND)
        return wxString::Format("GSTR %s: %s => %s", text, "", "");
    return wxString::Format("GSTR %s: %s => %s", text.Left(first), text.Mid(first + 1, last - first - 1),
                            text.Mid(last + 1));
}

StreamSupervisor::StreamSupervisor(StreamView& view, SupervisorIntervals intervals)
    : view_(view), intervals_(intervals) {}

void StreamSupervisor::OnStreamEvent(const StreamEvent& event) {
    OnStreamEvent(event.GetId(), event.GetInt(), event.GetString());
}

void StreamSupervisor::OnStreamEvent(int id, int value, const wxString& text) {
    switch (id) {
    case kStreamAudioAdded:
        OnAudioAdded(value);
        break;
    case kStreamVideoAdded:
        OnVideoAdded(value);
        break;
    case kStreamAudioRemoved:
        view_.ClearAudioChoice();
        UpdateBoxLabel();
        break;
    case kStreamVideoRemoved:
        view_.ClearVideoChoice();
        UpdateBoxLabel();
        break;
    case kStreamSubtitlesAdded:
        view_.EnableSubtitleMenu(true);
        break;
    case kStreamSubtitlesRemoved:
        view_.EnableSubtitleMenu(false);
        break;
    case kStreamPlaying:
        value ? OnPlaying() : OnStopped();
        break;
    case kStreamResync:
        view_.StartTimer(StreamTimer::Resync, intervals_.resyncMs);
        break;
    case kStreamStatistics:
        OnStatistics();
        break;
    case kStreamDownloadProgress:
        view_.ShowDownloadProgress(value, text);
        break;
    case kStreamLog:
        OnLog(value, text);
        break;
    case kStreamPadsDone:
        OnPadsDone();
        break;
    default:
        break;
    }
}

void StreamSupervisor::OnAudioAdded(int value) {
    view_.AppendAudioChoice(AudioChoiceLabel(view_.AudioChoiceCount() + 1, value), value >> 16);
    UpdateBoxLabel();
}

void StreamSupervisor::OnVideoAdded(int value) {
    view_.AppendVideoChoice(VideoChoiceLabel(view_.VideoChoiceCount() + 1, value), value >> 16);
    UpdateBoxLabel();
}

void StreamSupervisor::UpdateBoxLabel() {
    view_.SetAvBoxLabel(wxString::Format(_(" AV-Optionen [ %d Audio | %d Video ] "), view_.AudioChoiceCount(),
                                         view_.VideoChoiceCount()));
}

void StreamSupervisor::OnPlaying() {
    const bool radio = view_.CurrentItemType() == 2;
    const StreamInfo info = SnapshotStreamInfo();
    for (StreamTool tool : {StreamTool::Record, StreamTool::Volume, StreamTool::StreamInfo})
        view_.EnableTool(tool, true);
    if (!radio) {
        view_.EnableTool(StreamTool::Fullscreen, true);
        view_.EnableTool(StreamTool::Standalone, true);
        if (view_.DesktopWindowFound())
            view_.EnableTool(StreamTool::Wallpaper, true);
        if (info.teletextPid != 0)
            view_.EnableTool(StreamTool::Teletext, true);
        view_.EnableTool(StreamTool::Screenshot, true);
    }
    view_.ShowPauseBitmap(true);
    view_.SetStatusText(_("Streaming gestartet"));
    const bool tvControl = Settings().general.TVControl != 0;
    if (view_.CurrentItemType() == 1 && tvControl)
        view_.QuerySubservices();
    if (tvControl)
        view_.AskReceiverAudioTrack([this] { ChooseAudioTrack(); });
    else
        ChooseAudioTrack();
    if (pipWasActive_) {
        pipWasActive_ = false;
        view_.RestartPip();
    }
}

void StreamSupervisor::ChooseAudioTrack() {
    const int index = ChooseDefaultAudioTrack(SnapshotStreamInfo(), Settings().general.AudioLanguage);
    if (index != 0 && index < view_.AudioChoiceCount())
        view_.SelectAudioChoice(index);
}

void StreamSupervisor::OnStopped() {
    for (StreamTool tool :
         {StreamTool::Record, StreamTool::Fullscreen, StreamTool::Standalone, StreamTool::Wallpaper,
          StreamTool::Volume, StreamTool::Teletext, StreamTool::StreamInfo, StreamTool::Screenshot})
        view_.EnableTool(tool, false);
    view_.ShowPauseBitmap(false);
    view_.SetStatusText(_("Streaming beendet"));
    view_.RefreshVideoPanel();
    bufferPercent_ = 0;
}

void StreamSupervisor::OnPadsDone() {
    retryCount_ = 0;
    view_.StopTimer(StreamTimer::Timeout);
    if (VideoMode() == 0)
        return;
    std::lock_guard lock(ChainMutex());
    if (GstElement* overlay = Pipeline().textOverlay) {
        g_object_set(overlay, "text", static_cast<const char*>(view_.OverlayText().utf8_str()), "color",
                     0xff00ff00u, "halignment", 1, "valignment", 1, "silent", FALSE, nullptr);
        view_.StartTimer(StreamTimer::Overlay, intervals_.padsOverlayMs);
    }
}

void StreamSupervisor::OnStatistics() {
    const StreamInfo info = SnapshotStreamInfo();
    const ThroughputStats& s = info.stats;
    bufferPercent_ = info.bufferPercent;
    const auto minimum = s.minimum == ULLONG_MAX ? s.lastCount : s.minimum;
    view_.ShowThroughput(static_cast<int>(minimum / 128),
                         static_cast<int>((s.previousCount + s.lastCount) / 256),
                         static_cast<int>(s.maximum / 128), bufferPercent_);
}

void StreamSupervisor::OnLog(int level, const wxString& text) {
    switch (level) {
    case kLogError:
        view_.SetStatusText(_("Streaming fehlgeschlagen"));
        wxLogError("%s", ProblemLogLine(text));
        break;
    case kLogWarning:
        wxLogWarning("%s", ProblemLogLine(text));
        break;
    case kLogInfo:
        wxLogMessage("%s", text);
        break;
    default:
        if (Options().verbose)
            wxLogVerbose("Verbose: GSTR %s", text);
        break;
    }
}

bool StreamSupervisor::StartStreaming() {
    GstElement* pipeline = Pipeline().pipeline;
    if (!pipeline)
        return false;
    GstStateChangeReturn result;
    switch (CurrentPipelineState()) {
    case GST_STATE_PAUSED:
        result = gst_element_set_state(pipeline, GST_STATE_PLAYING);
        break;
    case GST_STATE_PLAYING:
        if (view_.CurrentItemType() != 3) {
            view_.PostStopCommand(); // live streams are stopped, not paused
            return true;
        }
        result = gst_element_set_state(pipeline, GST_STATE_PAUSED);
        break;
    default:
        result = gst_element_set_state(pipeline, GST_STATE_PAUSED);
        view_.StartTimer(StreamTimer::Timeout, intervals_.timeoutMs);
        break;
    }
    if (Options().verbose)
        wxLogVerbose("Verbose: GSTR %s", ChangeResultName(result));
    return result != GST_STATE_CHANGE_FAILURE;
}

void StreamSupervisor::LeaveVideoMode() {
    if (VideoMode() != 0) {
        view_.ReturnVideoToMainWindow();
        AttachVideoWindow(0);
    }
}

bool StreamSupervisor::WaitForSettledState() {
    GstElement* pipeline = Pipeline().pipeline;
    if (!pipeline)
        return false;
    const GstClockTime timeout = static_cast<GstClockTime>(intervals_.settleMs) * GST_MSECOND;
    return gst_element_get_state(pipeline, nullptr, nullptr, timeout) != GST_STATE_CHANGE_ASYNC;
}

void StreamSupervisor::OnTimeoutTimer() {
    ++retryCount_;
    view_.PostStopCommand();
    if (retryCount_ > intervals_.maxRetries) {
        retryCount_ = 0;
        LeaveVideoMode();
        view_.SetStatusText(_("Streaming fehlgeschlagen, Abbruch"));
        wxLogError("GSTR Timeout, abort");
        view_.DrawVideoImage("IMG_ABORT", true);
        return;
    }
    view_.DrawVideoImage("IMG_TIMEOUT", false);
    WaitForSettledState();
    view_.PostPlayPauseCommand();
    view_.StartTimer(StreamTimer::Timeout, intervals_.timeoutMs);
    view_.SetStatusText(wxString::Format(_("Streaming fehlgeschlagen, Versuch #%d"), retryCount_));
    wxLogError("GSTR Timeout, retry #%d", retryCount_);
}

void StreamSupervisor::OnOverlayTimer() {
    std::lock_guard lock(ChainMutex());
    if (GstElement* overlay = Pipeline().textOverlay)
        g_object_set(overlay, "silent", TRUE, nullptr);
}

void StreamSupervisor::OnResyncTimer() {
    if (view_.CurrentItemType() == 3) { // the recording has ended
        LeaveVideoMode();
        view_.PostStopCommand();
        return;
    }
    pipWasActive_ = view_.PipActive();
    if (CurrentPipelineState() == GST_STATE_PLAYING)
        wxLogWarning(_("Streaming unterbrochen, resync"));
    else
        wxLogWarning(_("Streaming abgebrochen, reconnect"));
    view_.StopStreaming();
    WaitForSettledState();
    view_.DrawVideoImage("IMG_RESYNC1", false);
    view_.LetEventsRun();
    std::this_thread::sleep_for(std::chrono::milliseconds(intervals_.resyncPauseMs));
    view_.DrawVideoImage("IMG_RESYNC2", false);
    view_.PostPlayPauseCommand();
}
