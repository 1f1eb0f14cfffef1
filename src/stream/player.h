// One playback engine: a pipeline with its fixed front and the chains GStreamer's
// threads build behind the demuxer, the facts of the stream it plays and the bus
// handled on the GUI thread. MyApp makes it and hands it by reference to the windows
// and the supervisor; several players may play at once (picture-in-picture).
// Unless said otherwise, the functions belong to the GUI thread.
//
// Its implementation is split by concern: player.cpp (set-up, source, start/stop),
// player_seek.cpp, and the callbacks in pad_added.cpp, pad_removed.cpp and bus.cpp.
// Recording, screenshots and the live controls are free functions over a Player
// (recording.h, screenshot.h, audio_controls.h).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include <gst/gst.h>
#include <wx/string.h>

#include "stream/player_core.h"

class wxEvtHandler;
class wxWindow;

// Where the next stream comes from. User and password go to the HTTP source as
// properties (answered only to the server's challenge), never into the address:
// GStreamer's error texts quote the address, and those end up in the log.
struct StreamSource {
    wxString url;      // http(s)://..., or a local transport-stream file (path or file: URI)
    int programme = 0; // 0 or less: the demuxer chooses
    wxString user;
    wxString password;
};

class Player {
public:
    Player() = default;
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Sets GStreamer's environment and reads its plug-in registry on a thread of its
    // own (a first start scans every plug-in, half a second and more), so that Init
    // finds it ready. On the GUI thread, once, before any player's Init.
    static void PrepareInBackground(const std::string& gstDebugLevel);
    // Prepares GStreamer, checks the plug-ins the settings name and builds the fixed
    // pipeline. On missing plug-ins shows the error over parent and returns false.
    bool Init(const StreamSettings& settings, wxWindow* parent = nullptr);
    // Frees the pipeline (after which Init may run again).
    void Shutdown();
    bool Initialised() const { return core_.elements.pipeline != nullptr; }

    // The handler that receives every StreamEvent (the main window; a test double in
    // tests); nullptr drops them.
    void SetEventTarget(wxEvtHandler* target) { core_.eventTarget = target; }
    wxEvtHandler* EventTarget() const { return core_.eventTarget; }
    // The generation of the stream being played (see StreamEvent); any thread.
    long Generation() const { return core_.generation; }

    // A file needs the pipeline stopped (its source element is swapped); a new source
    // forgets that the last one needed its PCR ignored.
    bool SetSource(const StreamSource& source);
    // Whether a source was set: without one there is nothing to play.
    bool HasSource() const { return core_.hasSource; }
    // From NULL or READY: takes the settings of the new stream and goes to PAUSED;
    // the bus goes on to PLAYING once the pads are linked and the queue is filled.
    GstStateChangeReturn Start(const StreamSettings& settings);
    GstStateChangeReturn Pause();
    GstStateChangeReturn Resume();
    // Takes the pipeline and each fixed element to NULL; the demuxer then removes its
    // pads, which tears the chains down, and forgets the stream's timeline. What the
    // stream still reported is handled in its generation, then the next one begins.
    void Stop();
    // The pipeline's current state (NULL before Init); any thread.
    GstState State() const;
    bool IsPlaying() const { return State() == GST_STATE_PLAYING; }
    // Elements of the pipeline: the bin and its children (ten when no chain exists).
    int ElementCount() const;

    // Position and duration of a playing recording in nanoseconds; false while unknown.
    bool QueryPosition(std::int64_t& position, std::int64_t& duration) const;
    // Seeks a recording: to the key frame before the target (skip buttons), or exactly
    // to it (the progress gauge). Returns at once; the seek reaches the pipeline once
    // no thread is inside the demuxer, and SeekDone reports it. A seek asked for while
    // one waits replaces its target.
    bool Seek(std::int64_t target, bool keyUnit);
    bool SeekPending() const { return core_.pendingSeek != nullptr; }

    // Video windows: the X11 window ids are taken on the GUI thread beforehand.
    void SetVideoWindowHandle(int mode, guintptr handle);
    int VideoMode() const { return core_.videoMode; }
    // Stores the mode and hands its window to the video sink (0 for unknown modes).
    void AttachVideoWindow(int mode);

    // Handler for "new-sample" of "TeletextSink", connected whenever it is built.
    void SetTeletextSampleHandler(GCallback handler, gpointer data);

    // Live values that chains built later take on as well.
    void SetMuted(bool muted) { core_.muted = muted; }
    bool IsMuted() const { return core_.muted; }
    void SetClockVisible(bool visible) { core_.clockVisible = visible; }
    bool IsClockVisible() const { return core_.clockVisible; }
    template <typename F> void ChangeSettings(F change) {
        std::lock_guard lock(core_.settingsMutex);
        change(core_.settings);
    }

    // The settings the current (or last) stream started with, with the live changes.
    StreamSettings CurrentSettings() const { return core_.CurrentSettings(); }
    // A consistent copy of the stream facts; any thread.
    StreamInfo SnapshotInfo() const { return core_.SnapshotInfo(); }
    // The throughput statistics start again with the next buffer.
    void RequestStatisticsReset();

    // Runs f on the element while the chain that holds it cannot be torn down; false
    // when the element does not exist.
    template <typename F> bool WithElement(GstElement* PlaybackPipeline::*member, F f) {
        std::lock_guard lock(core_.chainMutex);
        GstElement* element = core_.elements.*member;
        if (element)
            f(element);
        return element != nullptr;
    }
    // The elements, for reading: the fixed ones at any time, the dynamic ones under
    // ChainMutex().
    const PlaybackPipeline& Elements() const { return core_.elements; }
    std::recursive_mutex& ChainMutex() { return core_.chainMutex; }

    // For the engine's own files (recording, screenshots, live controls).
    PlayerCore& Core() { return core_; }
    const PlayerCore& Core() const { return core_; }

private:
    void ConnectCallbacks();
    void CancelSeek();
    void DrainBus();

    PlayerCore core_;
};

// One plug-in feature the engine needs: any of these factories will do.
using StreamingFeature = std::vector<std::string>;
// Everything the settings' sinks, the fixed pipeline and the chains of every
// playable codec need, in check order.
std::vector<StreamingFeature> StreamingFeatures(const StreamSettings& settings);
// The names of missing plug-in features (the first alternative of each), in check order.
std::vector<wxString> MissingStreamingFeatures(const StreamSettings& settings);
wxString MissingPluginsMessage(const std::vector<wxString>& missing);
