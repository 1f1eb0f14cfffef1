#include "stream/player_core.h"

#include "stream/handoff.h"

void PlayerCore::Post(StreamEventData data) {
    PostStreamEvent(eventTarget, StreamEvent{generation, std::move(data)});
}

void PlayerCore::Log(int level, std::string text) {
    Post(stream_event::LogLine{level, std::move(text)});
}

void PlayerCore::Problem(int level, std::string source, std::string message, std::string debug) {
    Post(stream_event::Problem{level, std::move(source), std::move(message), std::move(debug)});
}

StreamSettings PlayerCore::CurrentSettings() const {
    std::lock_guard lock(settingsMutex);
    return settings;
}

StreamInfo PlayerCore::SnapshotInfo() const {
    std::lock_guard lock(infoMutex);
    return info;
}

void PlayerCore::ClearInfo() {
    std::lock_guard lock(infoMutex);
    info = StreamInfo{};
}

GstState PlayerCore::State() const {
    GstElement* pipeline = elements.pipeline;
    if (!pipeline)
        return GST_STATE_NULL;
    GST_OBJECT_LOCK(pipeline);
    const GstState state = GST_STATE(pipeline);
    GST_OBJECT_UNLOCK(pipeline);
    return state;
}

namespace {

// The generation whose requests the pipeline still carries out, kept on the pipeline
// itself: a request runs on GStreamer's thread pool and may come after the player.
GQuark LiveGeneration() {
    static const GQuark quark = g_quark_from_static_string("tessaro-live-generation");
    return quark;
}

struct StateRequest {
    long generation;
    GstState state;
};

void ApplyStateAsync(GstElement* element, gpointer data) {
    TakeOver(data);
    const auto* request = static_cast<const StateRequest*>(data);
    const auto live =
        static_cast<long>(GPOINTER_TO_SIZE(g_object_get_qdata(G_OBJECT(element), LiveGeneration())));
    if (request->generation == live)
        gst_element_set_state(element, request->state);
}

void ForgetStateRequest(gpointer data) {
    delete static_cast<StateRequest*>(data);
}

} // namespace

void PlayerCore::SetStateAsync(GstState state) {
    if (!elements.pipeline)
        return;
    auto* request = new StateRequest{generation, state};
    HandOver(request);
    gst_element_call_async(elements.pipeline, ApplyStateAsync, request, ForgetStateRequest);
}

void PlayerCore::EndStreamRequests() {
    if (elements.pipeline)
        g_object_set_qdata(G_OBJECT(elements.pipeline), LiveGeneration(), GSIZE_TO_POINTER(generation + 1));
}
