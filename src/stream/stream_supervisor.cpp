#include "stream/stream_supervisor.h"

#include <wx/intl.h>
#include <wx/log.h>

#include "core/options.h"
#include "core/settings.h"
#include "stream/audio_controls.h"
#include "stream/player.h"
#include "stream/stream_settings.h"

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

// What a stream reports about its own start and end: from a stream stopped
// meanwhile it must not restart, stop or time out the next one.
bool ControlsTheStream(const StreamEvent& event) {
    return event.As<stream_event::Resync>() || event.As<stream_event::PadsDone>() ||
           event.As<stream_event::FirstData>() || event.As<stream_event::Scrambled>() ||
           event.As<stream_event::PcrMissing>();
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

int ChooseDefaultSubtitles(const StreamInfo& info, const wxString& language) {
    const int count = std::min(info.subtitleCount, StreamInfo::kTrackSlots);
    int best = 0;
    bool bestMatches = false;
    for (int i = 0; i < count; ++i) {
        const SubtitleTrackSlot& slot = info.subtitles[i];
        if (!slot.pad)
            continue;
        const bool matches = !language.empty() && LanguageMatches(slot.language, language);
        if (best == 0 || (matches && !bestMatches) || (matches == bestMatches && slot.pid < best)) {
            best = slot.pid;
            bestMatches = matches;
        }
    }
    return best;
}

wxString AudioChoiceLabel(int number, int pid, int kind, const std::string& language) {
    if (language.empty())
        return wxString::Format(_("Audiospur %d (0x%.4X, %s)"), number, pid, CodecName(kind));
    return wxString::Format(_("Audiospur %d (0x%.4X, %s, %s)"), number, pid, CodecName(kind),
                            wxString::FromUTF8(language.c_str()));
}

wxString VideoChoiceLabel(int number, int pid, int kind) {
    return wxString::Format(_("Videospur %d (0x%.4X, %s)"), number, pid, CodecName(kind));
}

wxString ProblemLogLine(const stream_event::Problem& p) {
    return wxString::Format("GSTR %s [%s: %s => %s]", ProblemPrefix(p.level), wxString::FromUTF8(p.source),
                            wxString::FromUTF8(p.message), wxString::FromUTF8(p.debug));
}

StreamSupervisor::StreamSupervisor(Player& player, StreamView& view, const AppSettings& settings,
                                   const StartOptions& options, SupervisorIntervals intervals)
    : player_(player), view_(view), settings_(settings), options_(options), intervals_(intervals) {}

void StreamSupervisor::OnStreamEvent(const StreamEvent& event) {
    if (ControlsTheStream(event) && event.generation != player_.Generation())
        return;
    std::visit([this](const auto& e) { Handle(e); }, event.data);
}

void StreamSupervisor::Handle(const stream_event::AudioAdded& e) {
    view_.AppendAudioChoice(AudioChoiceLabel(view_.AudioChoiceCount() + 1, e.pid, e.kind, e.language), e.pid);
    UpdateBoxLabel();
}

void StreamSupervisor::Handle(const stream_event::VideoAdded& e) {
    view_.AppendVideoChoice(VideoChoiceLabel(view_.VideoChoiceCount() + 1, e.pid, e.kind), e.pid);
    UpdateBoxLabel();
}

void StreamSupervisor::Handle(const stream_event::AudioRemoved&) {
    view_.ClearAudioChoice();
    UpdateBoxLabel();
}

void StreamSupervisor::Handle(const stream_event::VideoRemoved&) {
    view_.ClearVideoChoice();
    UpdateBoxLabel();
}

void StreamSupervisor::Handle(const stream_event::SubtitlesAdded&) {
    view_.EnableSubtitleMenu(true);
}

void StreamSupervisor::Handle(const stream_event::SubtitlesRemoved&) {
    view_.EnableSubtitleMenu(false);
}

void StreamSupervisor::Handle(const stream_event::Playing& e) {
    e.playing ? OnPlaying() : OnStopped();
}

void StreamSupervisor::Handle(const stream_event::Resync&) {
    resyncStep_ = ResyncStep::Stop;
    view_.StartTimer(StreamTimer::Resync, intervals_.resyncMs);
}

void StreamSupervisor::Handle(const stream_event::DownloadProgress& e) {
    view_.ShowDownloadProgress(e.value, wxString::FromUTF8(e.text));
}

void StreamSupervisor::UpdateBoxLabel() {
    view_.SetAvBoxLabel(wxString::Format(_(" AV-Optionen [ %d Audio | %d Video ] "), view_.AudioChoiceCount(),
                                         view_.VideoChoiceCount()));
}

void StreamSupervisor::OnPlaying() {
    const bool radio = view_.CurrentItemType() == 2;
    const StreamInfo info = player_.SnapshotInfo();
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
    // As the stream started: TV control forced for one zap is switched off again by now.
    const StreamSettings settings = player_.CurrentSettings();
    if (view_.CurrentItemType() == 1 && settings.tvControl)
        view_.QuerySubservices();
    const wxString language = wxString::FromUTF8(settings.audioLanguage);
    if (const int subtitles = ChooseDefaultSubtitles(info, language);
        settings.subtitles && settings.subtitlePid == 0 && subtitles != 0)
        SelectSubtitles(player_, subtitles);
    if (settings.tvControl)
        view_.AskReceiverAudioTrack([this, language] { ChooseAudioTrack(language); });
    else
        ChooseAudioTrack(language);
    if (pipWasActive_) {
        pipWasActive_ = false;
        view_.RestartPip();
    }
}

void StreamSupervisor::ChooseAudioTrack(const wxString& audioLanguage) {
    const int index = ChooseDefaultAudioTrack(player_.SnapshotInfo(), audioLanguage);
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
    LogSuppressed(problemLimiter_.TakeAll());
}

void StreamSupervisor::Handle(const stream_event::PadsDone&) {
    // Linked pads are no proof that anything can be decoded (a scrambled service, a
    // clock reference that never comes): the start time-out begins again and waits
    // for the first picture or sound.
    if (!dataSeen_)
        view_.StartTimer(StreamTimer::Timeout, intervals_.timeoutMs);
    if (player_.VideoMode() == 0)
        return;
    const wxString text = view_.OverlayText();
    if (player_.WithElement(&PlaybackPipeline::textOverlay, [&](GstElement* overlay) {
            g_object_set(overlay, "text", static_cast<const char*>(text.utf8_str()), "color", 0xff00ff00u,
                         "halignment", 1, "valignment", 1, "silent", FALSE, nullptr);
        }))
        view_.StartTimer(StreamTimer::Overlay, intervals_.padsOverlayMs);
}

void StreamSupervisor::Handle(const stream_event::FirstData&) {
    if (dataSeen_)
        return;
    dataSeen_ = true;
    retryCount_ = 0;
    view_.StopTimer(StreamTimer::Timeout);
}

void StreamSupervisor::Handle(const stream_event::Scrambled&) {
    // No retry can help: the receiver has no card for it.
    view_.StopTimer(StreamTimer::Timeout);
    retryCount_ = 0;
    view_.PostStopCommand();
    LeaveVideoMode();
    view_.SetStatusText(_(L"Der Sender ist verschlüsselt."));
    wxLogError("GSTR Scrambled, abort");
    view_.DrawVideoImage("IMG_ABORT", true);
}

void StreamSupervisor::Handle(const stream_event::PcrMissing&) {
    // The player starts the same source again with the clock reference ignored; the
    // retry count stays, as for a resync.
    wxLogMessage("GSTR PCR missing, restart ignoring it");
    view_.StopStreaming();
    view_.PostPlayPauseCommand();
}

void StreamSupervisor::Handle(const stream_event::Statistics&) {
    const StreamInfo info = player_.SnapshotInfo();
    const ThroughputStats& s = info.stats;
    bufferPercent_ = info.bufferPercent;
    const auto minimum = s.minimum == ULLONG_MAX ? s.lastCount : s.minimum;
    view_.ShowThroughput(static_cast<int>(minimum / 128),
                         static_cast<int>((s.previousCount + s.lastCount) / 256),
                         static_cast<int>(s.maximum / 128), bufferPercent_);
}

void StreamSupervisor::Handle(const stream_event::LogLine& e) {
    const wxString text = wxString::FromUTF8(e.text);
    if (e.level == kLogDebug) {
        if (options_.verbose)
            wxLogVerbose("Verbose: GSTR %s", text);
        return;
    }
    wxLogMessage("%s", text);
}

void StreamSupervisor::Handle(const stream_event::Problem& e) {
    if (e.level == kLogError) {
        view_.SetStatusText(_("Streaming fehlgeschlagen"));
        wxLogError("%s", ProblemLogLine(e));
        return;
    }
    // Warnings and notes repeat by the dozen on a damaged stream.
    const auto now = LogRateLimiter::Clock::now();
    LogSuppressed(problemLimiter_.Expired(now));
    if (!problemLimiter_.Admit(ProblemKind(ProblemPrefix(e.level), e.source, e.message), now))
        return;
    if (e.level == kLogWarning)
        wxLogWarning("%s", ProblemLogLine(e));
    else
        wxLogMessage("%s", wxString::FromUTF8(ProblemText(e)));
}

void StreamSupervisor::LogSuppressed(const std::vector<LogRateLimiter::Suppressed>& lines) {
    for (const auto& line : lines)
        wxLogMessage("GSTR [%s] %s", wxString::FromUTF8(line.kind),
                     wxString::Format(_("%d weitere Meldungen dieser Art nicht protokolliert"), line.count));
}

bool StreamSupervisor::StartStreaming() {
    // Without a service (started with -n, or before the first zap) a start fails at
    // once, and the resync would try again for ever.
    if (!player_.Initialised() || !player_.HasSource())
        return false;
    GstStateChangeReturn result;
    switch (player_.State()) {
    case GST_STATE_PAUSED:
        result = player_.Resume();
        break;
    case GST_STATE_PLAYING:
        if (view_.CurrentItemType() != 3) {
            view_.PostStopCommand(); // live streams are stopped, not paused
            return true;
        }
        result = player_.Pause();
        break;
    default:
        dataSeen_ = false;
        result = player_.Start(StreamSettingsOf(settings_, options_));
        view_.StartTimer(StreamTimer::Timeout, intervals_.timeoutMs);
        break;
    }
    if (options_.verbose)
        wxLogVerbose("Verbose: GSTR %s", ChangeResultName(result));
    return result != GST_STATE_CHANGE_FAILURE;
}

void StreamSupervisor::LeaveVideoMode() {
    if (player_.VideoMode() != 0) {
        view_.ReturnVideoToMainWindow();
        player_.AttachVideoWindow(0);
    }
}

bool StreamSupervisor::CountRetry() {
    if (++retryCount_ <= intervals_.maxRetries)
        return true;
    retryCount_ = 0;
    LeaveVideoMode();
    view_.SetStatusText(_("Streaming fehlgeschlagen, Abbruch"));
    wxLogError("GSTR Timeout, abort");
    view_.DrawVideoImage("IMG_ABORT", true);
    return false;
}

void StreamSupervisor::OnTimeoutTimer() {
    // The stop runs before the restart: the restart finds the pipeline in NULL.
    view_.PostStopCommand();
    if (!CountRetry())
        return;
    view_.DrawVideoImage("IMG_TIMEOUT", false);
    view_.PostPlayPauseCommand();
    view_.StartTimer(StreamTimer::Timeout, intervals_.timeoutMs);
    view_.SetStatusText(wxString::Format(_("Streaming fehlgeschlagen, Versuch #%d"), retryCount_));
    wxLogError("GSTR Timeout, retry #%d", retryCount_);
}

void StreamSupervisor::OnOverlayTimer() {
    player_.WithElement(&PlaybackPipeline::textOverlay,
                        [](GstElement* overlay) { g_object_set(overlay, "silent", TRUE, nullptr); });
}

void StreamSupervisor::OnResyncTimer() {
    if (resyncStep_ == ResyncStep::Restart) {
        resyncStep_ = ResyncStep::Stop;
        view_.DrawVideoImage("IMG_RESYNC2", false);
        view_.PostPlayPauseCommand();
        return;
    }
    if (view_.CurrentItemType() == 3) { // the recording has ended
        LeaveVideoMode();
        view_.PostStopCommand();
        return;
    }
    pipWasActive_ = view_.PipActive();
    if (player_.State() == GST_STATE_PLAYING)
        wxLogWarning(_("Streaming unterbrochen, resync"));
    else
        wxLogWarning(_("Streaming abgebrochen, reconnect"));
    view_.StopStreaming();
    // A stream that fails at every start would otherwise be restarted for ever:
    // the first decoded picture or sound is what ends the count.
    if (!CountRetry())
        return;
    view_.DrawVideoImage("IMG_RESYNC1", false);
    resyncStep_ = ResyncStep::Restart;
    view_.StartTimer(StreamTimer::Resync, intervals_.resyncPauseMs);
}
