#include "stream/player.h"

#include <cstring>
#include <mutex>
#include <thread>

#include <gst/mpegts/mpegts.h>
#include <gst/video/videooverlay.h>
#include <wx/intl.h>
#include <wx/utils.h>

#include "core/message.h"
#include "core/options.h"
#include "core/paths.h"
#include "stream/engine_handlers.h"
#include "stream/gst_helpers.h"
#include "stream/stream_kind.h"

namespace {

void AddFeature(std::vector<StreamingFeature>& list, StreamingFeature feature) {
    for (const auto& known : list)
        if (known == feature)
            return;
    list.push_back(std::move(feature));
}

bool FeatureInstalled(const char* name) {
    return gst_registry_check_feature_version(gst_registry_get(), name, 1, 0, 0);
}

// GStreamer reads its environment once, in gst_init; a second player's set-up must
// not write it while the first one's threads run.
void SetGStreamerEnvironment(const std::string& debugLevel) {
    static std::once_flag set;
    std::call_once(set, [&] {
        wxSetEnv("GST_DEBUG_NO_COLOR", "1");
        wxSetEnv("GST_DEBUG", wxString::FromUTF8(debugLevel.c_str()));
        wxSetEnv("GST_PLUGIN_PATH", Paths().programDir + "plugins");
    });
}

// Whoever comes second waits for the first: the start-up's early thread or a player.
void InitGStreamer() {
    static std::once_flag done;
    std::call_once(done, [] {
        gst_init(nullptr, nullptr);
        gst_mpegts_initialize();
    });
}

void PrepareGStreamer(const StreamSettings& settings) {
    SetGStreamerEnvironment(settings.gstDebugLevel);
    InitGStreamer();
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
    if (HasProperty(p.source, "timeout"))
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

void ApplySourceSettings(GstElement* source, const StreamSettings& settings) {
    if (!HasProperty(source, "proxy"))
        return; // a file
    const SourceProxy& proxy = settings.proxy;
    // Without a proxy of our own the source must not keep one from an earlier stream.
    g_object_set(source, "proxy", proxy.use ? proxy.address.c_str() : nullptr, "proxy-id",
                 proxy.use ? proxy.user.c_str() : nullptr, "proxy-pw",
                 proxy.use ? proxy.pass.c_str() : nullptr, nullptr);
}

// A local transport-stream file (a path or a file: URI) is read by "filesrc"; the
// path, or an empty text when the address is not local.
std::string LocalFilePath(const wxString& url) {
    const std::string text(url.utf8_str());
    if (text.rfind("file:", 0) == 0) {
        gchar* path = g_filename_from_uri(text.c_str(), nullptr, nullptr);
        std::string result = path ? path : "";
        g_free(path);
        return result;
    }
    return text.find("://") == std::string::npos ? text : std::string();
}

// Swaps "Source" for one of the other factory, in the stopped pipeline.
bool UseSourceFactory(PlaybackPipeline& p, const char* factory) {
    GstElementFactory* current = gst_element_get_factory(p.source);
    if (current && std::strcmp(GST_OBJECT_NAME(current), factory) == 0)
        return true;
    GstElement* source = gst_element_factory_make(factory, "Source");
    if (!source)
        return false;
    gst_element_set_state(p.source, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(p.pipeline), p.source);
    p.source = source;
    gst_bin_add(GST_BIN(p.pipeline), source);
    SetFixedProperties(p);
    return gst_element_link(source, p.sourceQueue);
}

} // namespace

Player::~Player() {
    Shutdown();
}

std::vector<StreamingFeature> StreamingFeatures(const StreamSettings& settings) {
    std::vector<StreamingFeature> list = {{settings.videoSink}, {settings.audioSink},
                                          {"audioconvert"},     {"audioresample"},
                                          {"audiorate"},        {"appsink"},
                                          {"capsfilter"},       {"clockoverlay"},
                                          {"deinterlace"},      {"equalizer-3bands"},
                                          {"videoconvert"},     {"filesink"},
                                          {"identity"},         {"input-selector"},
                                          {"tsdemux"},          {"multiqueue"},
                                          {"queue2"},           {"souphttpsrc"},
                                          {"dvbsuboverlay"},    {"tee"},
                                          {"textoverlay"},      {"valve"},
                                          {"videobalance"},     {"videobox"},
                                          {"videoscale"},       {"videorate"},
                                          {"compositor"},       {"volume"}};
    for (const int kind : DecodedKinds()) {
        const ChainFactories chain = ChainFactoriesOf(kind);
        AddFeature(list, {chain.parser});
        AddFeature(list, StreamingFeature(chain.decoders.begin(), chain.decoders.end()));
    }
    return list;
}

std::vector<wxString> MissingStreamingFeatures(const StreamSettings& settings) {
    std::vector<wxString> missing;
    for (const auto& alternatives : StreamingFeatures(settings)) {
        bool installed = false;
        for (const auto& name : alternatives)
            installed = installed || FeatureInstalled(name.c_str());
        if (!installed && !alternatives.empty())
            missing.push_back(wxString::FromUTF8(alternatives.front().c_str()));
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

void Player::PrepareInBackground(const std::string& gstDebugLevel) {
    SetGStreamerEnvironment(gstDebugLevel);
    std::thread([] { InitGStreamer(); }).detach();
}

bool Player::Init(const StreamSettings& settings, wxWindow* parent) {
    if (Initialised())
        return true;
    PrepareGStreamer(settings);
    core_.ClearInfo();
    {
        std::lock_guard lock(core_.settingsMutex);
        core_.settings = settings;
    }
    const auto missing = MissingStreamingFeatures(settings);
    if (!missing.empty()) {
        ShowMessage(MissingPluginsMessage(missing), MessageIcon::Error, parent);
        return false;
    }
    PlaybackPipeline& p = core_.elements;
    if (!CreateFixedElements(p) || !LinkFixedChains(p)) {
        ShowMessage(_("Die Wiedergabe-Pipeline konnte nicht erstellt werden."), MessageIcon::Error, parent);
        Shutdown();
        return false;
    }
    SetFixedProperties(p);
    ConnectCallbacks();
    IsolateRecordingBranch(p);
    return true;
}

void Player::ConnectCallbacks() {
    PlaybackPipeline& p = core_.elements;
    PlayerCore* core = &core_;
    g_signal_connect(p.demuxer, "pad-added", G_CALLBACK(OnPadAdded), core);
    g_signal_connect(p.demuxer, "pad-removed", G_CALLBACK(OnPadRemoved), core);
    g_signal_connect(p.demuxer, "no-more-pads", G_CALLBACK(OnNoMorePads), core);
    g_signal_connect(p.sourceIdentity, "handoff", G_CALLBACK(OnSourceHandoff), core);
    // The bus is read on the GUI thread, and keeps what the sinks report while the
    // pipeline goes to NULL: Stop hands it on in the stopped stream's generation.
    gst_pipeline_set_auto_flush_bus(GST_PIPELINE(p.pipeline), FALSE);
    GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(p.pipeline));
    gst_bus_set_sync_handler(bus, OnBusSync, core, nullptr);
    core_.busWatch = gst_bus_add_watch(bus, OnBusWatch, core);
    gst_object_unref(bus);
}

void Player::Shutdown() {
    CancelSeek();
    PlaybackPipeline& p = core_.elements;
    if (p.pipeline) {
        gst_element_set_state(p.pipeline, GST_STATE_NULL);
        GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(p.pipeline));
        if (core_.busWatch)
            g_source_remove(core_.busWatch);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_bus_set_flushing(bus, TRUE); // what is left holds elements
        gst_object_unref(bus);
        gst_object_unref(p.pipeline);
    }
    core_.busWatch = 0;
    core_.hasSource = false;
    {
        std::lock_guard lock(core_.chainMutex);
        p = PlaybackPipeline{};
    }
    core_.ClearInfo();
}

bool Player::SetSource(const StreamSource& source) {
    PlaybackPipeline& p = core_.elements;
    if (!p.pipeline)
        return false;
    const std::string key = std::string(source.url.utf8_str()) + "#" + std::to_string(source.programme);
    if (key != core_.sourceKey)
        core_.ignorePcr = false; // found out anew for each service
    core_.sourceKey = key;
    g_object_set(p.demuxer, "program-number", source.programme > 0 ? source.programme : -1, nullptr);
    const std::string file = LocalFilePath(source.url);
    if (!file.empty()) {
        if (State() != GST_STATE_NULL || !UseSourceFactory(p, "filesrc"))
            return false;
        g_object_set(p.source, "location", file.c_str(), nullptr);
        core_.hasSource = true;
        return true;
    }
    if (State() != GST_STATE_NULL ? !HasProperty(p.source, "proxy") : !UseSourceFactory(p, "souphttpsrc"))
        return false;
    const wxScopedCharBuffer user = source.user.utf8_str();
    const wxScopedCharBuffer password = source.password.utf8_str();
    g_object_set(p.source, "location", static_cast<const char*>(source.url.utf8_str()), "user-id",
                 source.user.empty() ? nullptr : user.data(), "user-pw",
                 source.password.empty() ? nullptr : password.data(), nullptr);
    core_.hasSource = !source.url.empty();
    return true;
}

GstStateChangeReturn Player::Start(const StreamSettings& settings) {
    PlaybackPipeline& p = core_.elements;
    if (!p.pipeline)
        return GST_STATE_CHANGE_FAILURE;
    {
        std::lock_guard lock(core_.settingsMutex);
        core_.settings = settings;
    }
    ApplySourceSettings(p.source, settings);
    g_object_set(p.demuxer, "ignore-pcr", core_.ignorePcr.load(), nullptr);
    StartCensus(core_);
    return gst_element_set_state(p.pipeline, GST_STATE_PAUSED);
}

GstStateChangeReturn Player::Pause() {
    if (!core_.elements.pipeline)
        return GST_STATE_CHANGE_FAILURE;
    return gst_element_set_state(core_.elements.pipeline, GST_STATE_PAUSED);
}

GstStateChangeReturn Player::Resume() {
    if (!core_.elements.pipeline)
        return GST_STATE_CHANGE_FAILURE;
    return gst_element_set_state(core_.elements.pipeline, GST_STATE_PLAYING);
}

void Player::Stop() {
    PlaybackPipeline& p = core_.elements;
    if (!p.pipeline)
        return;
    CancelSeek();
    core_.EndStreamRequests();
    gst_element_set_state(p.pipeline, GST_STATE_NULL);
    GstElement* order[] = {p.source,  p.sourceQueue, p.sourceIdentity, p.tee,     p.teeQueue1,
                           p.demuxer, p.teeQueue2,   p.valve,          p.fileSink};
    for (GstElement* e : order)
        gst_element_set_state(e, GST_STATE_NULL);
    StopCensus(core_);
    ForgetDemuxedTimeline(p.demuxer);
    // No streaming thread runs any more: what the bus holds is all the stopped stream
    // said (the sinks leaving PLAYING among it), handed on in its generation.
    DrainBus();
    core_.ClearInfo();
    ++core_.generation;
}

void Player::DrainBus() {
    GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(core_.elements.pipeline));
    while (GstMessage* message = gst_bus_pop(bus)) {
        OnBusWatch(bus, message, &core_);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
}

GstState Player::State() const {
    return core_.State();
}

int Player::ElementCount() const {
    GstElement* pipeline = core_.elements.pipeline;
    if (!pipeline)
        return 0;
    GST_OBJECT_LOCK(pipeline);
    const int n = GST_BIN_NUMCHILDREN(pipeline);
    GST_OBJECT_UNLOCK(pipeline);
    return n + 1; // the pipeline bin itself is the first of the ten
}

bool Player::QueryPosition(std::int64_t& position, std::int64_t& duration) const {
    GstElement* pipeline = core_.elements.pipeline;
    if (!pipeline)
        return false;
    // Asked of the picture (or sound), not of the whole pipeline: the file sink
    // of the recording branch counts bytes, not time.
    GstElement* sink = nullptr;
    {
        std::lock_guard lock(core_.chainMutex);
        sink = core_.elements.videoSink ? core_.elements.videoSink : core_.elements.audioSink;
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

void Player::SetVideoWindowHandle(int mode, guintptr handle) {
    if (mode >= 0 && mode < static_cast<int>(core_.windowHandles.size()))
        core_.windowHandles[mode] = handle;
}

void Player::AttachVideoWindow(int mode) {
    std::lock_guard lock(core_.chainMutex);
    AttachVideoWindowTo(core_, core_.elements.videoSink, mode);
}

void Player::SetTeletextSampleHandler(GCallback handler, gpointer data) {
    std::lock_guard lock(core_.teletextMutex);
    core_.teletextHandler = handler;
    core_.teletextData = data;
}

void Player::RequestStatisticsReset() {
    std::lock_guard lock(core_.infoMutex);
    core_.info.stats.resetRequested = true;
}
