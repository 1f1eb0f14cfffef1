// The one-way channel from a player to the main window: typed events, posted from
// any thread (GStreamer's streaming threads, the bus watch) to a handler on the GUI
// thread as the payload of an EVT_STREAM wxThreadEvent.
#pragma once

#include <string>
#include <variant>

#include <wx/event.h>

enum StreamLogLevel { kLogInfo = 0, kLogWarning = 1, kLogError = 2, kLogDebug = 3 };

namespace stream_event {

// A decoder chain was built for the track; kind as StreamKind. The language is the
// one the demuxer read for the track (ISO 639-2), empty when it announced none.
struct AudioAdded {
    int pid = 0;
    int kind = 0;
    std::string language;
};
struct VideoAdded {
    int pid = 0;
    int kind = 0;
};
struct AudioRemoved {}; // the audio output chain was removed
struct VideoRemoved {};
struct SubtitlesAdded {}; // DVB subtitles exist
struct SubtitlesRemoved {};
// All counted sinks reached PLAYING (true), or all left it (false).
struct Playing {
    bool playing = false;
};
// The GUI-thread half of "Pads done": timer 3 stops, the overlay shows the programme.
struct PadsDone {};
// The first decoded picture (picture) or sound reached its sink: the stream plays.
struct FirstData {
    bool picture = false;
};
// The programme's picture and sound arrive scrambled: nothing will ever be decoded.
struct Scrambled {};
// The announced PCR PID carries no packets: the stream is to start again with the
// demuxer ignoring the clock reference (the player keeps that for this source).
struct PcrMissing {};
// End of stream or an error: the stream is to be resynchronised.
struct Resync {};
struct Statistics {}; // throughput statistics updated
struct DownloadProgress {
    int value = 0;
    std::string text;
};
// A line of the engine's own ("+Pad (MPGV)", "Pads done"); UTF-8.
struct LogLine {
    int level = kLogInfo;
    std::string text;
};
// An error, warning or information of an element: where it comes from, GStreamer's
// message and its debug text; UTF-8.
struct Problem {
    int level = kLogError;
    std::string source;
    std::string message;
    std::string debug;
};
// An asynchronous seek reached the pipeline; ok is GStreamer's answer to it.
struct SeekDone {
    bool ok = false;
};

} // namespace stream_event

using StreamEventData =
    std::variant<stream_event::AudioAdded, stream_event::VideoAdded, stream_event::AudioRemoved,
                 stream_event::VideoRemoved, stream_event::SubtitlesAdded, stream_event::SubtitlesRemoved,
                 stream_event::Playing, stream_event::PadsDone, stream_event::FirstData,
                 stream_event::Scrambled, stream_event::PcrMissing, stream_event::Resync,
                 stream_event::Statistics, stream_event::DownloadProgress, stream_event::LogLine,
                 stream_event::Problem, stream_event::SeekDone>;

// Every stop of a player starts a new generation; events carry the one they were
// posted in, so that an error of a stream that was already stopped cannot schedule a
// resync of the next one.
struct StreamEvent {
    long generation = 0;
    StreamEventData data;

    template <typename T> const T* As() const { return std::get_if<T>(&data); }
};

wxDECLARE_EVENT(EVT_STREAM, wxThreadEvent);

// Queues the event to target (nothing without one); usable from any thread.
void PostStreamEvent(wxEvtHandler* target, StreamEvent event);
// The event an EVT_STREAM wxThreadEvent carries.
StreamEvent StreamEventOf(const wxThreadEvent& event);

// "ERR", "WRN" or "INF" for a problem's level.
const char* ProblemPrefix(int level);
// "ERR [source#message#debug]": the text as it stands in the log for an information.
std::string ProblemText(const stream_event::Problem& problem);
