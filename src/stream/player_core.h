// Everything one player's threads share: the elements, the facts of the stream,
// the settings it plays with and the flags and handles the GUI thread hands over.
// Made and owned by Player; GStreamer's callbacks get it as their user data. Each
// group says which lock or thread owns it.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include <gst/gst.h>
#include <wx/string.h>

#include "stream/playback_pipeline.h"
#include "stream/stream_event.h"
#include "stream/stream_info.h"
#include "stream/stream_settings.h"
#include "stream/ts_census.h"

class wxEvtHandler;
struct SeekRequest;

// The census of a stream's first packets and the programme facts it is judged by.
struct CensusState {
    TsCensus packets;
    ProgrammeFacts facts;
    bool haveFacts = false;
    int programme = -1; // the programme whose table gave the facts
};

struct PlayerCore {
    // The fixed elements are written by Init and Shutdown on the GUI thread while no
    // streaming thread runs (and "Source" by SetSource, while the pipeline is
    // stopped), and only read in between (from any thread). The dynamic
    // ones are written only with chainMutex held.
    PlaybackPipeline elements;
    // Held across GStreamer calls while chains are built or torn down: by streaming
    // threads, and by the GUI thread when a stop makes the demuxer remove its pads or
    // when a live control touches an element. The bus handlers never take it.
    mutable std::recursive_mutex chainMutex;

    // Under infoMutex, which is never held across a GStreamer call.
    StreamInfo info;
    mutable std::mutex infoMutex;

    // The settings of the stream being played, under settingsMutex: replaced by the
    // GUI thread at each start, single fields changed there by the live controls;
    // streaming threads take a copy when they build a chain.
    StreamSettings settings;
    mutable std::mutex settingsMutex;

    // Under censusMutex: fed by the probe in front of the demuxer and given the
    // programme's facts by the bus's sync handler (both on the demuxer's input
    // thread); started anew by each start. The probe's id is 0 once it is gone.
    CensusState census;
    std::mutex censusMutex;
    std::atomic<gulong> censusProbe{0};
    // The source's PCR PID carries no packets: its streams start with the demuxer
    // ignoring the PCR. Set by the census, cleared by the GUI thread for a new source.
    std::atomic<bool> ignorePcr{false};

    // Set by the GUI thread, read by streaming threads.
    std::atomic<bool> muted{false};
    std::atomic<bool> clockVisible{false};
    std::atomic<int> videoMode{0};
    std::array<std::atomic<guintptr>, 4> windowHandles{}; // X11 ids per video mode

    // The "new-sample" handler of "TeletextSink", under teletextMutex.
    std::mutex teletextMutex;
    GCallback teletextHandler = nullptr;
    gpointer teletextData = nullptr;

    // Where events go and the generation they carry: set by the GUI thread, read anywhere.
    std::atomic<wxEvtHandler*> eventTarget{nullptr};
    std::atomic<long> generation{0};

    // GUI thread only.
    guint busWatch = 0;
    bool hasSource = false;
    std::string sourceKey; // address and programme of the source set last
    wxString recordingPath;
    std::shared_ptr<SeekRequest> pendingSeek;

    // Posting, from any thread.
    void Post(StreamEventData data);
    void Log(int level, std::string text);
    void Problem(int level, std::string source, std::string message, std::string debug);

    StreamSettings CurrentSettings() const;
    StreamInfo SnapshotInfo() const;
    void ClearInfo();
    // The pipeline's current state; NULL without a pipeline.
    GstState State() const;
    // Asks the pipeline for a state without blocking the caller. The request is
    // dropped when the stream has been stopped by the time it is carried out.
    void SetStateAsync(GstState state);
    // From now on, requests of the current generation are those of a stopped stream.
    void EndStreamRequests();
};
