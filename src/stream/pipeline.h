// The process-wide playback pipeline: GStreamer set-up, the fixed front
// (HTTP source, buffering, tee into demuxer and recording branch) and the
// references of the chains built behind the demuxer's pads.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include <gst/gst.h>
#include <wx/string.h>

class wxWindow;

struct PlaybackPipeline {
    // Fixed part, built by InitStreaming.
    GstElement* pipeline = nullptr;       // "Tessaro"
    GstElement* source = nullptr;         // "Source"
    GstElement* sourceQueue = nullptr;    // "SourceQueue"
    GstElement* sourceIdentity = nullptr; // "SourceIdentity"
    GstElement* tee = nullptr;            // "Tee"
    GstElement* teeQueue1 = nullptr;      // "TeeQueue1"
    GstElement* teeQueue2 = nullptr;      // "TeeQueue2"
    GstElement* valve = nullptr;          // "Valve"
    GstElement* fileSink = nullptr;       // "FileSink"
    GstElement* demuxer = nullptr;        // "Demuxer"

    // Dynamic part, null while absent.
    GstElement* multiQueue = nullptr;
    GstElement* videoParser = nullptr; // "VideoParser" in front of the decoder
    GstElement* videoDecoder = nullptr;
    GstElement* decoderQueue = nullptr;
    GstElement* deInterlace = nullptr;
    GstElement* videoRate = nullptr;
    GstElement* videoScale = nullptr;
    GstElement* videoBalance = nullptr;
    GstElement* subtitleOverlay = nullptr;
    GstElement* clockOverlay = nullptr;
    GstElement* textOverlay = nullptr;
    GstElement* colorSpace = nullptr;
    GstElement* videoQueue = nullptr;
    GstElement* videoSink = nullptr;
    GstElement* audioInputSelector = nullptr;
    GstElement* audioRate = nullptr;
    GstElement* equalizer = nullptr;
    GstElement* volume = nullptr;
    GstElement* audioQueue = nullptr;
    GstElement* audioSink = nullptr;
    GstElement* teletextSink = nullptr;
    GstElement* subtitleInputSelector = nullptr;
};

PlaybackPipeline& Pipeline();

// Guards the dynamic references while chains are built or torn down. Held
// across GStreamer calls, so the bus handler never takes it.
std::recursive_mutex& ChainMutex();

// Main-window facts the streaming side reads (set on the GUI thread).
void SetMuted(bool muted);
bool IsMuted();
void SetClockVisible(bool visible);
bool IsClockVisible();

// Prepares GStreamer, checks the plug-ins and builds the fixed pipeline. On
// missing plug-ins shows the error over parent and returns false.
bool InitStreaming(wxWindow* parent = nullptr);
// The names of missing plug-in features, in check order.
std::vector<wxString> MissingStreamingFeatures();
wxString MissingPluginsMessage(const std::vector<wxString>& missing);
// Frees the pipeline at program end (after which InitStreaming may run again).
void ShutdownStreaming();

// Sets the stream URL and the programme to play (0: let the demuxer choose).
bool SetStreamSource(const wxString& url, int programNumber);
// Takes the pipeline and each fixed element to NULL; the demuxer then removes
// its pads, which tears the chains down, and forgets the stream's timeline.
void StopPipeline();
// The pipeline's current state (NULL before InitStreaming); safe from any thread.
GstState CurrentPipelineState();
// Elements of the pipeline: the bin and its children (ten when no chain exists).
int PipelineElementCount();

// Position and duration of a playing recording in nanoseconds; false while unknown.
bool QueryStreamPosition(std::int64_t& position, std::int64_t& duration);
// Seeks a recording: to the key frame before the target (skip buttons), or
// exactly to it (the progress gauge).
bool SeekStream(std::int64_t target, bool keyUnit);

// Video windows: the X11 window ids are taken on the GUI thread beforehand.
void SetVideoWindowHandle(int mode, guintptr handle);
int VideoMode();
// Stores mode and hands its window to the video sink (0 for unknown modes).
// The overload with a sink is used from the bus handler for the sink asking.
void AttachVideoWindow(int mode);
void AttachVideoWindowTo(GstElement* sink, int mode);

// "underrun" of "MultiQueue": a drained buffer while PLAYING becomes an end of stream.
void RaiseEosOnUnderrun(GstElement* multiQueue, gpointer data);

// Handler for "new-sample" of "TeletextSink", connected whenever it is built.
void SetTeletextSampleHandler(GCallback handler, gpointer data);
void TeletextSampleHandler(GCallback* handler, gpointer* data);

// Asks the pipeline for a state from a streaming thread without blocking it.
void SetPipelineStateAsync(GstState state);
