#include "stream/pipeline.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>

#include <gst/mpegts/mpegts.h>
#include <gst/video/videooverlay.h>
#include <wx/intl.h>
#include <wx/utils.h>

#include "core/message.h"
#include "core/options.h"
#include "core/paths.h"
#include "core/settings.h"
#include "stream/engine_handlers.h"
#include "stream/gst_helpers.h"
#include "stream/stream_event.h"
#include "stream/stream_info.h"

namespace {

PlaybackPipeline g_pipeline;
std::recursive_mutex g_chainMutex;
std::atomic<bool> g_muted{false};
std::atomic<bool> g_clockVisible{false};
std::atomic<int> g_videoMode{0};
std::atomic<guintptr> g_windowHandles[4] = {0, 0, 0, 0};
std::atomic<GCallback> g_teletextHandler{nullptr};
std::atomic<gpointer> g_teletextData{nullptr};

struct Feature {
    std::string name;
    const char* alternative;
};

std::vector<Feature> FeatureList() {
    const auto& g = Settings().general;
    return {{std::string(g.VideoSink.utf8_str()), nullptr},
            {std::string(g.AudioSink.utf8_str()), nullptr},
            {"a52dec", "avdec_ac3"},
            {"audioconvert", nullptr},
            {"audioresample", nullptr},
            {"audiorate", nullptr},
            {"appsink", nullptr},
            {"capsfilter", nullptr},
            {"clockoverlay", nullptr},
            {"deinterlace", nullptr},
            {"equalizer-3bands", nullptr},
            {"avdec_h264", nullptr},
            {"videoconvert", nullptr},
            {"filesink", nullptr},
            {"identity", nullptr},
            {"input-selector", nullptr},
            {"mpg123audiodec", "avdec_mp2float"},
            {"tsdemux", nullptr},
            {"mpeg2dec", "avdec_mpeg2video"},
            {"multiqueue", nullptr},
            {"queue2", nullptr},
            {"souphttpsrc", nullptr},
            {"dvbsuboverlay", nullptr},
            {"tee", nullptr},
            {"textoverlay", nullptr},
            {"valve", nullptr},
            {"videobalance", nullptr},
            {"videobox", nullptr},
            {"videoscale", nullptr},
            {"videorate", nullptr},
            {"compositor", nullptr},
            {"volume", nullptr},
            {"mpegvideoparse", nullptr},
            {"h264parse", nullptr},
            {"mpegaudioparse", nullptr},
            {"ac3parse", nullptr}};
}

bool FeatureInstalled(const char* name) {
    return gst_registry_check_feature_version(gst_registry_get(), name, 1, 0, 0);
}

void SetEnvironment() {
    wxSetEnv("GST_DEBUG_NO_COLOR", "1");
    wxSetEnv("GST_DEBUG", Options().gstDebugLevel);
    wxSetEnv("GST_PLUGIN_PATH", Paths().programDir + "plugins");
}

GstElement* Unbounded(const char* name) {
    GstElement* q = gst_element_factory_make("queue2", name);
    if (q)
        g_object_set(q, "max-size-buffers", 0u, "max-size-bytes", 0u, nullptr);
    return q;
}

bool CreateFixedElements(PlaybackPipeline& p) {
    p.pipeline = gst_pipeline_new("Tessaro");
    p.source = gst_element_factory_make("souphttpsrc", "Source");
    p.sourceQueue = Unbounded("SourceQueue");
    p.sourceIdentity = gst_element_factory_make("identity", "SourceIdentity");
    p.tee = gst_element_factory_make("tee", "Tee");
    p.teeQueue1 = Unbounded("TeeQueue1");
    p.teeQueue2 = Unbounded("TeeQueue2");
    p.valve = gst_element_factory_make("valve", "Valve");
    p.fileSink = gst_element_factory_make("filesink", "FileSink");
    p.demuxer = gst_element_factory_make("tsdemux", "Demuxer");
    GstElement* all[] = {p.source,    p.sourceQueue, p.sourceIdentity, p.tee,    p.teeQueue1,
                         p.teeQueue2, p.valve,       p.fileSink,       p.demuxer};
    bool ok = p.pipeline != nullptr;
    for (GstElement* e : all) {
        if (!e)
            ok = false;
        else if (p.pipeline)
            gst_bin_add(GST_BIN(p.pipeline), e);
        else
            gst_object_unref(gst_object_ref_sink(e));
    }
    return ok;
}

void SetFixedProperties(PlaybackPipeline& p) {
    g_object_set(p.source, "timeout", 5u, nullptr);
    g_object_set(p.sourceIdentity, "signal-handoffs", FALSE, nullptr);
    // Closed, the valve still passes the end of the stream: the file sink is one
    // of the pipeline's sinks, and without its EOS the pipeline never reports
    // the end of a recording.
    g_object_set(p.valve, "drop", TRUE, "drop-mode", 1 /* forward-sticky-events */, nullptr);
    g_object_set(p.fileSink, "async", FALSE, "location", "/dev/null", nullptr);
}

bool LinkFixedChains(PlaybackPipeline& p) {
    return gst_element_link_many(p.source, p.sourceQueue, p.sourceIdentity, p.tee, nullptr) &&
           gst_element_link_many(p.tee, p.teeQueue1, p.demuxer, nullptr) &&
           gst_element_link_many(p.tee, p.teeQueue2, p.valve, p.fileSink, nullptr);
}

void ConnectSignals(PlaybackPipeline& p) {
    g_signal_connect(p.demuxer, "pad-added", G_CALLBACK(OnPadAdded), nullptr);
    g_signal_connect(p.demuxer, "pad-removed", G_CALLBACK(OnPadRemoved), nullptr);
    g_signal_connect(p.demuxer, "no-more-pads", G_CALLBACK(OnNoMorePads), nullptr);
    g_signal_connect(p.sourceIdentity, "handoff", G_CALLBACK(OnSourceHandoff), nullptr);
    GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(p.pipeline));
    gst_bus_set_sync_handler(bus, OnBusMessage, nullptr, nullptr);
    gst_object_unref(bus);
}

// The recording branch only taps the stream. A seek from its sink would reach
// the HTTP source in time format, which it refuses, and the pipeline would
// report the whole seek as failed although the demuxer's branch carried it out.
GstPadProbeReturn DropRecordingBranchSeek(GstPad*, GstPadProbeInfo* info, gpointer) {
    const GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    return GST_EVENT_TYPE(event) == GST_EVENT_SEEK ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

void IsolateRecordingBranch(PlaybackPipeline& p) {
    if (GstPad* pad = gst_element_get_static_pad(p.teeQueue2, "sink")) {
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_UPSTREAM, DropRecordingBranchSeek, nullptr, nullptr);
        gst_object_unref(pad);
    }
}

// tsdemux in push mode takes on the seek's segment as soon as the seek
// arrives, before the flush from the source reaches it. A streaming thread
// still inside the demuxer (woken by the flush from a full multiqueue) then
// builds the new segment from a packet of the old position and sends it into
// the flushing pads, where it is lost: after the flush the demuxer sends data
// without a segment, no sink prerolls and the pipeline stays in PAUSED. So the
// seek reaches the demuxer only while its input is held in front of it and no
// thread is inside it.
class DemuxerInputHold {
public:
    explicit DemuxerInputHold(PlaybackPipeline& p) {
        pad_ = gst_element_get_static_pad(p.teeQueue1, "src");
        {
            std::lock_guard lock(g_chainMutex);
            if (p.multiQueue)
                multiQueue_ = GST_ELEMENT(gst_object_ref(p.multiQueue));
        }
        if (!pad_)
            return;
        hold_ = gst_pad_add_probe(pad_, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM, Hold, nullptr, nullptr);
        // Paused with a full multiqueue, the thread would wait inside the
        // demuxer for room that only playing makes.
        if (multiQueue_) {
            g_object_get(multiQueue_, "max-size-time", &queueTime_, nullptr);
            g_object_set(multiQueue_, "max-size-time", guint64{0}, nullptr);
        }
        auto state = std::make_shared<IdleState>();
        const gulong idle = gst_pad_add_probe(pad_, GST_PAD_PROBE_TYPE_IDLE, NoteIdle,
                                              new std::shared_ptr<IdleState>(state), ForgetIdleState);
        std::unique_lock lock(state->mutex);
        // Only a safety net: the demuxer cannot be held up once the queue has room.
        if (!state->cv.wait_for(lock, std::chrono::seconds(3), [&] { return state->idle; }) && idle)
            gst_pad_remove_probe(pad_, idle);
    }
    ~DemuxerInputHold() {
        if (multiQueue_) {
            g_object_set(multiQueue_, "max-size-time", queueTime_, nullptr);
            gst_object_unref(multiQueue_);
        }
        if (pad_) {
            if (hold_)
                gst_pad_remove_probe(pad_, hold_);
            gst_object_unref(pad_);
        }
    }
    DemuxerInputHold(const DemuxerInputHold&) = delete;
    DemuxerInputHold& operator=(const DemuxerInputHold&) = delete;

private:
    struct IdleState {
        std::mutex mutex;
        std::condition_variable cv;
        bool idle = false;
    };

    static GstPadProbeReturn Hold(GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_OK; }
    static GstPadProbeReturn NoteIdle(GstPad*, GstPadProbeInfo*, gpointer data) {
        IdleState& state = **static_cast<std::shared_ptr<IdleState>*>(data);
        {
            std::lock_guard lock(state.mutex);
            state.idle = true;
        }
        state.cv.notify_all();
        return GST_PAD_PROBE_REMOVE;
    }
    static void ForgetIdleState(gpointer data) { delete static_cast<std::shared_ptr<IdleState>*>(data); }

    GstPad* pad_ = nullptr;
    GstElement* multiQueue_ = nullptr;
    guint64 queueTime_ = 0;
    gulong hold_ = 0;
};

// tsdemux keeps the PCR/byte-offset table of everything it demuxed across
// NULL; only a hard flush drops it. It takes a PCR at a byte offset the table
// covers as already known, whatever stream it comes from: a recording played
// again after it was demuxed to its end brings no new PCR at all, the demuxer
// never opens a group for it and cannot tell the length for the whole replay.
// With nothing upstream running and no pads behind it, the demuxer alone is
// brought to PAUSED just long enough to take the flush.
void ForgetDemuxedTimeline(GstElement* demuxer) {
    GstPad* pad = gst_element_get_static_pad(demuxer, "sink");
    if (!pad)
        return;
    if (gst_element_set_state(demuxer, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE) {
        gst_pad_send_event(pad, gst_event_new_flush_start());
        gst_pad_send_event(pad, gst_event_new_flush_stop(TRUE));
    }
    gst_element_set_state(demuxer, GST_STATE_NULL);
    gst_object_unref(pad);
}

void ApplyStateAsync(GstElement* element, gpointer data) {
    gst_element_set_state(element, static_cast<GstState>(GPOINTER_TO_INT(data)));
}

} // namespace

PlaybackPipeline& Pipeline() {
    return g_pipeline;
}

std::recursive_mutex& ChainMutex() {
    return g_chainMutex;
}

void SetMuted(bool muted) {
    g_muted = muted;
}
bool IsMuted() {
    return g_muted;
}
void SetClockVisible(bool visible) {
    g_clockVisible = visible;
}
bool IsClockVisible() {
    return g_clockVisible;
}

std::vector<wxString> MissingStreamingFeatures() {
    std::vector<wxString> missing;
    for (const auto& f : FeatureList()) {
        if (!FeatureInstalled(f.name.c_str()) && !(f.alternative && FeatureInstalled(f.alternative)))
            missing.push_back(wxString::FromUTF8(f.name.c_str()));
    }
    return missing;
}

wxString MissingPluginsMessage(const std::vector<wxString>& missing) {
    wxString text = _("Folgende Elemente konnten nicht geladen werden:\n\n");
    for (const auto& name : missing)
        text += "     - " + name + "\n";
    text += "\n";
    text += _(L"Bitte die GStreamer-Installation überprüfen...");
    return text;
}

bool InitStreaming(wxWindow* parent) {
    if (g_pipeline.pipeline)
        return true;
    SetEnvironment();
    ClearStreamInfo();
    gst_init(nullptr, nullptr);
    gst_mpegts_initialize();
    const auto missing = MissingStreamingFeatures();
    if (!missing.empty()) {
        ShowMessage(MissingPluginsMessage(missing), MessageIcon::Error, parent);
        return false;
    }
    PlaybackPipeline& p = g_pipeline;
    if (!CreateFixedElements(p) || !LinkFixedChains(p)) {
        ShowMessage(_("Die Wiedergabe-Pipeline konnte nicht erstellt werden."), MessageIcon::Error, parent);
        ShutdownStreaming();
        return false;
    }
    SetFixedProperties(p);
    ConnectSignals(p);
    IsolateRecordingBranch(p);
    return true;
}

void ShutdownStreaming() {
    if (g_pipeline.pipeline) {
        gst_element_set_state(g_pipeline.pipeline, GST_STATE_NULL);
        gst_object_unref(g_pipeline.pipeline);
    }
    g_pipeline = PlaybackPipeline{};
    ClearStreamInfo();
}

bool SetStreamSource(const wxString& url, int programNumber) {
    PlaybackPipeline& p = g_pipeline;
    if (!p.pipeline)
        return false;
    g_object_set(p.source, "location", static_cast<const char*>(url.utf8_str()), nullptr);
    g_object_set(p.demuxer, "program-number", programNumber > 0 ? programNumber : -1, nullptr);
    return true;
}

void StopPipeline() {
    PlaybackPipeline& p = g_pipeline;
    if (!p.pipeline)
        return;
    gst_element_set_state(p.pipeline, GST_STATE_NULL);
    GstElement* order[] = {p.source,  p.sourceQueue, p.sourceIdentity, p.tee,     p.teeQueue1,
                           p.demuxer, p.teeQueue2,   p.valve,          p.fileSink};
    for (GstElement* e : order)
        gst_element_set_state(e, GST_STATE_NULL);
    ForgetDemuxedTimeline(p.demuxer);
}

int PipelineElementCount() {
    if (!g_pipeline.pipeline)
        return 0;
    GST_OBJECT_LOCK(g_pipeline.pipeline);
    const int n = GST_BIN_NUMCHILDREN(g_pipeline.pipeline);
    GST_OBJECT_UNLOCK(g_pipeline.pipeline);
    return n + 1; // the pipeline bin itself is the first of the ten
}

bool QueryStreamPosition(std::int64_t& position, std::int64_t& duration) {
    GstElement* pipeline = g_pipeline.pipeline;
    if (!pipeline)
        return false;
    // Asked of the picture (or sound), not of the whole pipeline: the file sink
    // of the recording branch counts bytes, not time.
    GstElement* sink = nullptr;
    {
        std::lock_guard lock(g_chainMutex);
        sink = g_pipeline.videoSink ? g_pipeline.videoSink : g_pipeline.audioSink;
        if (sink)
            gst_object_ref(sink);
    }
    gint64 pos = -1, dur = -1;
    const bool ok = sink && gst_element_query_position(sink, GST_FORMAT_TIME, &pos) &&
                    gst_element_query_duration(pipeline, GST_FORMAT_TIME, &dur);
    if (sink)
        gst_object_unref(sink);
    if (!ok)
        return false;
    position = pos;
    duration = dur;
    return pos >= 0 && dur > 0;
}

bool SeekStream(std::int64_t target, bool keyUnit) {
    GstElement* pipeline = g_pipeline.pipeline;
    if (!pipeline || target < 0)
        return false;
    DemuxerInputHold hold(g_pipeline);
    if (keyUnit)
        return gst_element_seek_simple(
            pipeline, GST_FORMAT_TIME,
            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SKIP),
            target);
    return gst_element_seek(pipeline, 1.0, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET, target,
                            GST_SEEK_TYPE_NONE, -1);
}

void SetVideoWindowHandle(int mode, guintptr handle) {
    if (mode >= 0 && mode < 4)
        g_windowHandles[mode] = handle;
}

int VideoMode() {
    return g_videoMode;
}

void AttachVideoWindowTo(GstElement* sink, int mode) {
    g_videoMode = mode;
    const guintptr handle = (mode >= 0 && mode < 4) ? g_windowHandles[mode].load() : 0;
    if (!sink)
        return;
    GstElement* overlay = sink;
    if (!GST_IS_VIDEO_OVERLAY(sink) && GST_IS_BIN(sink))
        overlay = gst_bin_get_by_interface(GST_BIN(sink), GST_TYPE_VIDEO_OVERLAY);
    else
        gst_object_ref(overlay);
    if (!overlay)
        return;
    if (GST_IS_VIDEO_OVERLAY(overlay))
        gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(overlay), handle);
    gst_object_unref(overlay);
}

void AttachVideoWindow(int mode) {
    std::lock_guard lock(g_chainMutex);
    AttachVideoWindowTo(g_pipeline.videoSink, mode);
}

void RaiseEosOnUnderrun(GstElement*, gpointer) {
    PlaybackPipeline& p = g_pipeline;
    if (!p.pipeline)
        return;
    GST_OBJECT_LOCK(p.pipeline);
    const bool playing = GST_STATE(p.pipeline) == GST_STATE_PLAYING;
    GST_OBJECT_UNLOCK(p.pipeline);
    if (playing)
        gst_element_post_message(p.pipeline, gst_message_new_eos(GST_OBJECT(p.source)));
}

void SetTeletextSampleHandler(GCallback handler, gpointer data) {
    g_teletextData = data;
    g_teletextHandler = handler;
}

void TeletextSampleHandler(GCallback* handler, gpointer* data) {
    *handler = g_teletextHandler;
    *data = g_teletextData;
}

void SetPipelineStateAsync(GstState state) {
    if (g_pipeline.pipeline)
        gst_element_call_async(g_pipeline.pipeline, ApplyStateAsync, GINT_TO_POINTER(state), nullptr);
}

GstState CurrentPipelineState() {
    GstElement* pipeline = Pipeline().pipeline;
    if (!pipeline)
        return GST_STATE_NULL;
    GST_OBJECT_LOCK(pipeline);
    const GstState state = GST_STATE(pipeline);
    GST_OBJECT_UNLOCK(pipeline);
    return state;
}
