// The GUI-thread half of the streaming engine: what each StreamEvent means
// (choices, tools, logs, default audio track), the play/pause command and the
// watchdog timers that retry, resynchronise and hide the on-screen text. One per
// player; it never waits for the pipeline.
#pragma once

#include <string>

#include <wx/string.h>

#include "stream/log_rate_limiter.h"
#include "stream/stream_event.h"
#include "stream/stream_info.h"
#include "stream/stream_view.h"

class Player;

struct SupervisorIntervals {
    int timeoutMs = 5000;     // timer 3
    int padsOverlayMs = 5000; // timer 4 after "Pads done"
    int resyncMs = 500;       // timer 6
    int resyncPauseMs = 250;  // timer 6 again, between the two resync pictures
    int maxRetries = 5;
};

// Index of the audio slot to play by default: the lowest PID, among the
// tracks whose language starts with audioLanguage when any does.
int ChooseDefaultAudioTrack(const StreamInfo& info, const wxString& audioLanguage);

// PID of the subtitle stream shown by default: the lowest among those whose language
// starts with `language` when any does, else the lowest of all; 0 without subtitles.
int ChooseDefaultSubtitles(const StreamInfo& info, const wxString& language);

// "Audiospur %d (0x%.4X, %s)" / "Videospur ..." for a track, with the codec of its
// StreamKind; an audio track's language follows the codec when it is known.
wxString AudioChoiceLabel(int number, int pid, int kind, const std::string& language = {});
wxString VideoChoiceLabel(int number, int pid, int kind);

// "GSTR ERR [source: message => debug]".
wxString ProblemLogLine(const stream_event::Problem& problem);

struct AppSettings;
struct StartOptions;

class StreamSupervisor {
public:
    // The settings and options are the live ones, read on the GUI thread: each stream
    // start takes its copy of them.
    StreamSupervisor(Player& player, StreamView& view, const AppSettings& settings,
                     const StartOptions& options, SupervisorIntervals intervals = {});

    // Events of a stream that was stopped meanwhile neither schedule a resync nor
    // touch the watchdog.
    void OnStreamEvent(const StreamEvent& event);

    // Play/pause command ("ID_TOOL_PLAY_PAUSE"); false without anything to play.
    bool StartStreaming();
    void OnTimeoutTimer(); // timer 3
    void OnOverlayTimer(); // timer 4
    void OnResyncTimer();  // timer 6

    int retryCount() const { return retryCount_; }
    // A new play request starts the watchdog's count from zero.
    void ResetRetryCount() { retryCount_ = 0; }
    int bufferPercent() const { return bufferPercent_; }
    const SupervisorIntervals& intervals() const { return intervals_; }

private:
    // The resync stops the stream, shows the first picture, pauses, then shows the
    // second and plays again: timer 6 runs twice.
    enum class ResyncStep { Stop, Restart };

    // One handler per event type.
    void Handle(const stream_event::AudioAdded& e);
    void Handle(const stream_event::VideoAdded& e);
    void Handle(const stream_event::AudioRemoved&);
    void Handle(const stream_event::VideoRemoved&);
    void Handle(const stream_event::SubtitlesAdded&);
    void Handle(const stream_event::SubtitlesRemoved&);
    void Handle(const stream_event::Playing& e);
    void Handle(const stream_event::PadsDone&);
    void Handle(const stream_event::FirstData&);
    void Handle(const stream_event::Scrambled&);
    void Handle(const stream_event::PcrMissing&);
    void Handle(const stream_event::Resync&);
    void Handle(const stream_event::Statistics&);
    void Handle(const stream_event::DownloadProgress& e);
    void Handle(const stream_event::LogLine& e);
    void Handle(const stream_event::Problem& e);
    void Handle(const stream_event::SeekDone&) {}

    void UpdateBoxLabel();
    void LogSuppressed(const std::vector<LogRateLimiter::Suppressed>& lines);
    void OnPlaying();
    void OnStopped();
    void ChooseAudioTrack(const wxString& audioLanguage);
    void LeaveVideoMode();
    // Counts a retry; past the limit gives up (false).
    bool CountRetry();

    Player& player_;
    StreamView& view_;
    const AppSettings& settings_;
    const StartOptions& options_;
    SupervisorIntervals intervals_;
    int retryCount_ = 0;
    // A decoded picture or sound reached its sink since the last start from NULL:
    // what ends the start time-out and the count of retries.
    bool dataSeen_ = false;
    int bufferPercent_ = 0;
    bool pipWasActive_ = false;
    ResyncStep resyncStep_ = ResyncStep::Stop;
    LogRateLimiter problemLimiter_;
};
