// The one-way channel from GStreamer's streaming threads to the main window:
// a thread-safe command event posted with wxQueueEvent, plus the log helper.
#pragma once

#include <wx/event.h>
#include <wx/string.h>

// Carries id, an integer and a text; wxThreadEvent deep-copies its string, so
// posting it from any thread is safe.
using StreamEvent = wxThreadEvent;
wxDECLARE_EVENT(EVT_STREAM, StreamEvent);

enum StreamEventId {
    kStreamAudioAdded = 0,     // int: PID << 16 | kind (3 MPEG audio, 4 AC-3)
    kStreamVideoAdded = 1,     // int: PID << 16 | kind (1 MPEG-2, 2 H.264)
    kStreamAudioRemoved = 2,   // the audio output chain was removed
    kStreamVideoRemoved = 3,   // the video chain was removed
    kStreamSubtitlesAdded = 4, // DVB subtitles exist
    kStreamSubtitlesRemoved = 5,
    kStreamPlaying = 6,    // int: 1 all sinks playing, 0 all sinks paused
    kStreamResync = 7,     // end of stream or error: schedule a resync
    kStreamStatistics = 8, // throughput statistics updated
    kStreamDownloadProgress = 9,
    kStreamLog = 10,      // int: level 0-3, string: the text
    kStreamPadsDone = 11, // GUI-thread half of "Pads done" (timer 3, overlay)
};

enum StreamLogLevel { kLogInfo = 0, kLogWarning = 1, kLogError = 2, kLogDebug = 3 };

// The handler that receives every StreamEvent (the main window; a test double in
// tests). Set on the GUI thread before the pipeline plays; nullptr drops events.
void SetStreamEventTarget(wxEvtHandler* target);
wxEvtHandler* StreamEventTarget();

// Every stop of the pipeline starts a new generation; events carry the one they
// were posted in (as their extra long), so that an error of a stream that was
// already stopped cannot schedule a resync of the next one.
void NextStreamGeneration();
long StreamGeneration();

// Usable from any thread.
void PostStreamEvent(int id, int value = 0, const wxString& text = wxString());
void PostStreamLog(int level, const wxString& text);
