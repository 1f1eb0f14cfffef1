// Player::Seek: a seek waits, without blocking the GUI thread, until no thread
// is inside the demuxer.
//
// tsdemux in push mode takes on the seek's segment as soon as the seek arrives,
// before the flush from the source reaches it. A streaming thread still inside the
// demuxer (woken by the flush from a full multiqueue) then builds the new segment
// from a packet of the old position and sends it into the flushing pads, where it is
// lost: after the flush the demuxer sends data without a segment, no sink prerolls
// and the pipeline stays in PAUSED. So the seek reaches the demuxer only while its
// input is held in front of it and no thread is inside it: a blocking probe holds
// the input, an idle probe reports the demuxer free, and the GUI thread's main loop
// carries the seek out.
#include <atomic>
#include <memory>

#include "stream/handoff.h"
#include "stream/player.h"

// One seek waiting for the demuxer. The probe's thread only reads `reported`; the
// rest belongs to the GUI thread.
struct SeekRequest {
    PlayerCore* core = nullptr; // valid while not finished
    bool finished = false;      // carried out or cancelled
    std::int64_t target = 0;
    bool keyUnit = false;
    GstPad* pad = nullptr; // "TeeQueue1" src, the demuxer's input
    gulong hold = 0;
    gulong idle = 0;
    guint safetyNet = 0;
    GstElement* multiQueue = nullptr;
    guint64 queueTime = 0;
    std::atomic<bool> reported{false}; // the continuation is on its way
};

namespace {

using RequestRef = std::shared_ptr<SeekRequest>;

// Only a safety net: the demuxer cannot be held up once the queue has room.
constexpr guint kIdleWaitMs = 3000;

GstPadProbeReturn Hold(GstPad*, GstPadProbeInfo*, gpointer) {
    return GST_PAD_PROBE_OK;
}

// The user data of a GLib source or a probe: a reference of its own.
RequestRef* HandedOver(const RequestRef& request) {
    auto* ref = new RequestRef(request);
    HandOver(ref);
    return ref;
}

SeekRequest& TakenOver(gpointer data) {
    TakeOver(data);
    return **static_cast<RequestRef*>(data);
}

void ForgetRequest(gpointer data) {
    TakeOver(data);
    delete static_cast<RequestRef*>(data);
}

// Lets the demuxer's input go. The idle probe has removed itself once it reported.
void Release(SeekRequest& r, bool removeIdleProbe) {
    if (removeIdleProbe && r.idle)
        gst_pad_remove_probe(r.pad, r.idle);
    if (r.safetyNet)
        g_source_remove(r.safetyNet);
    if (r.multiQueue) {
        g_object_set(r.multiQueue, "max-size-time", r.queueTime, nullptr);
        gst_object_unref(r.multiQueue);
    }
    if (r.hold)
        gst_pad_remove_probe(r.pad, r.hold);
    gst_object_unref(r.pad);
    r.pad = nullptr;
    r.multiQueue = nullptr;
    r.hold = r.idle = 0;
    r.safetyNet = 0;
    r.finished = true;
}

bool SendSeek(GstElement* pipeline, std::int64_t target, bool keyUnit) {
    if (keyUnit)
        return gst_element_seek_simple(
            pipeline, GST_FORMAT_TIME,
            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SKIP),
            target);
    return gst_element_seek(pipeline, 1.0, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET, target,
                            GST_SEEK_TYPE_NONE, -1);
}

// GUI thread: the demuxer is free (or the wait gave up).
void CarryOut(SeekRequest& r, bool removeIdleProbe) {
    if (r.finished)
        return;
    PlayerCore& core = *r.core;
    const bool ok = SendSeek(core.elements.pipeline, r.target, r.keyUnit);
    Release(r, removeIdleProbe);
    core.pendingSeek.reset();
    core.Post(stream_event::SeekDone{ok});
}

gboolean ContinueSeek(gpointer data) {
    CarryOut(TakenOver(data), false);
    return G_SOURCE_REMOVE;
}

gboolean GiveUpWaiting(gpointer data) {
    SeekRequest& r = TakenOver(data);
    r.safetyNet = 0; // this source ends with the call
    if (!r.reported.exchange(true))
        CarryOut(r, true);
    return G_SOURCE_REMOVE;
}

// Any thread: the probe runs where the pad becomes idle, or at once when it is.
GstPadProbeReturn NoteIdle(GstPad*, GstPadProbeInfo*, gpointer data) {
    TakeOver(data);
    const RequestRef& request = *static_cast<RequestRef*>(data);
    if (!request->reported.exchange(true))
        g_idle_add_full(G_PRIORITY_DEFAULT, ContinueSeek, HandedOver(request), ForgetRequest);
    return GST_PAD_PROBE_REMOVE;
}

} // namespace

bool Player::Seek(std::int64_t target, bool keyUnit) {
    PlaybackPipeline& p = core_.elements;
    if (!p.pipeline || target < 0)
        return false;
    if (core_.pendingSeek) {
        core_.pendingSeek->target = target;
        core_.pendingSeek->keyUnit = keyUnit;
        return true;
    }
    GstPad* pad = gst_element_get_static_pad(p.teeQueue1, "src");
    if (!pad)
        return false;
    auto request = std::make_shared<SeekRequest>();
    request->core = &core_;
    request->target = target;
    request->keyUnit = keyUnit;
    request->pad = pad;
    core_.pendingSeek = request;
    request->hold = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM, Hold, nullptr, nullptr);
    {
        // Paused with a full multiqueue, the thread would wait inside the demuxer
        // for room that only playing makes.
        std::lock_guard lock(core_.chainMutex);
        if (p.multiQueue) {
            request->multiQueue = GST_ELEMENT(gst_object_ref(p.multiQueue));
            g_object_get(p.multiQueue, "max-size-time", &request->queueTime, nullptr);
            g_object_set(p.multiQueue, "max-size-time", guint64{0}, nullptr);
        }
    }
    request->safetyNet = g_timeout_add_full(G_PRIORITY_DEFAULT, kIdleWaitMs, GiveUpWaiting,
                                            HandedOver(request), ForgetRequest);
    request->idle =
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_IDLE, NoteIdle, HandedOver(request), ForgetRequest);
    return true;
}

void Player::CancelSeek() {
    if (RequestRef request = std::move(core_.pendingSeek))
        Release(*request, !request->reported);
}
