// The GUI-thread half of the streaming engine: what each StreamEvent means
// (choices, tools, logs, default audio track), the play/pause command and the
// watchdog timers that retry, resynchronise and hide the on-screen text.
#pragma once

#include <wx/string.h>

#include "stream/stream_event.h"
#include "stream/stream_info.h"
#include "stream/stream_view.h"

struct SupervisorIntervals {
    int timeoutMs = 5000;     // timer 3
    int padsOverlayMs = 5000; // timer 4 after "Pads done"
    int resyncMs = 500;       // timer 6
    int settleMs = 3000;      // waiting for the pipeline's state after a stop
    int resyncPauseMs = 250;  // between the two resync pictures
    int maxRetries = 5;
};

// Index of the audio slot to play by default: the lowest PID, among the
// tracks whose language starts with audioLanguage when any does.
int ChooseDefaultAudioTrack(const StreamInfo& info, const wxString& audioLanguage);

// "Audiospur %d (0x%.4X, %s)" / "Videospur ..." for a StreamEvent value.
wxString AudioChoiceLabel(int number, int value);
wxString VideoChoiceLabel(int number, int value);

// "GSTR %s: %s => %s" from "ERR [source#message#debug]".
wxString ProblemLogLine(const wxString& text);

class StreamSupervisor {
public:
    explicit StreamSupervisor(StreamView& view, SupervisorIntervals intervals = {});

    void OnStreamEvent(const StreamEvent& event);
    void OnStreamEvent(int id, int value, const wxString& text);

    // Play/pause command ("ID_TOOL_PLAY_PAUSE").
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
    void OnAudioAdded(int value);
    void OnVideoAdded(int value);
    void UpdateBoxLabel();
    void OnPlaying();
    void OnStopped();
    void OnPadsDone();
    void OnStatistics();
    void OnLog(int level, const wxString& text);
    void ChooseAudioTrack();
    void LeaveVideoMode();
    bool WaitForSettledState();

    StreamView& view_;
    SupervisorIntervals intervals_;
    int retryCount_ = 0;
    int bufferPercent_ = 0;
    bool pipWasActive_ = false;
};
