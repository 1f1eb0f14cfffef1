// Programme updates: when the receiver announces a new version of the programme
// table, tsdemux adds a pad for every stream of the new version before it removes
// the pads of the old one (the version is the middle part of the pad name,
// "video_1_0100"). A new pad whose stream already plays takes over the old pad's
// multiqueue input: what is queued plays out, the new pad's data follows in the same
// queue, and the decoder chain behind it goes on without a reconnect.
#include <algorithm>
#include <vector>

#include "stream/chain_util.h"
#include "stream/engine_handlers.h"
#include "stream/gst_helpers.h"
#include "stream/player_core.h"

namespace {

// What the pad carries now, else what it can carry (a new reference; null if nothing).
GstCaps* PadCaps(GstPad* pad) {
    GstCaps* caps = gst_pad_get_current_caps(pad);
    return caps ? caps : gst_pad_query_caps(pad, nullptr);
}

bool SameKindOfData(GstPad* oldPad, GstPad* newPad) {
    GstCaps* a = PadCaps(oldPad);
    GstCaps* b = PadCaps(newPad);
    const bool same = a && b && gst_caps_can_intersect(a, b);
    if (a)
        gst_caps_unref(a);
    if (b)
        gst_caps_unref(b);
    return same;
}

bool CarriesVideo(GstPad* pad) {
    GstCaps* caps = PadCaps(pad);
    const bool video = caps && gst_caps_get_size(caps) > 0 &&
                       g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/");
    if (caps)
        gst_caps_unref(caps);
    return video;
}

bool OfEarlierVersion(GstPad* oldPad, GstPad* newPad) {
    return oldPad && PadGeneration(ObjectName(oldPad)) != PadGeneration(ObjectName(newPad));
}

// Moves the multiqueue input from the old pad to the new one; the old pad keeps its
// input when the new one cannot be linked.
bool MoveInput(GstPad* oldPad, GstPad* newPad, GstPad* queuePad) {
    if (!queuePad || !SameKindOfData(oldPad, newPad))
        return false;
    gst_pad_unlink(oldPad, queuePad);
    if (gst_pad_link(newPad, queuePad) == GST_PAD_LINK_OK)
        return true;
    gst_pad_link(oldPad, queuePad);
    return false;
}

// A pad of the record with the multiqueue input it feeds.
struct Feed {
    GstPad* pad = nullptr;
    GstPad* queuePad = nullptr;
};

// The streams of the record the new pad may continue: its kind, and for tracks its
// PID. Copied under infoMutex; the pads stay while the chain lock is held.
std::vector<Feed> Candidates(const StreamInfo& info, int kind, bool video, int pid) {
    std::vector<Feed> feeds;
    if (video) {
        feeds.push_back({info.video.pad, info.video.queuePad});
    } else if (kind == kKindTeletext) {
        feeds.push_back({info.teletextPad, info.teletextQueuePad});
    } else if (kind == kKindSubtitles) {
        for (const auto& slot : info.subtitles)
            if (slot.pid == pid)
                feeds.push_back({slot.pad, slot.queuePad});
    } else {
        for (const auto& slot : info.audio)
            if (slot.pid == pid)
                feeds.push_back({slot.pad, slot.queuePad});
    }
    return feeds;
}

// The old pad of the stream the new pad continues; none when it starts a stream of its own.
Feed FindPredecessor(const std::vector<Feed>& candidates, GstPad* pad) {
    for (const Feed& feed : candidates)
        if (OfEarlierVersion(feed.pad, pad))
            return feed;
    return {};
}

void HandOverInRecord(StreamInfo& info, GstPad* oldPad, GstPad* newPad) {
    if (info.video.pad == oldPad)
        info.video.pad = newPad;
    if (info.teletextPad == oldPad)
        info.teletextPad = newPad;
    for (auto& slot : info.audio)
        if (slot.pad == oldPad)
            slot.pad = newPad;
    for (auto& slot : info.subtitles)
        if (slot.pad == oldPad)
            slot.pad = newPad;
    info.retiredPads.push_back(oldPad);
}

} // namespace

bool TakeOverStream(PlayerCore& core, int kind, GstPad* pad) {
    const int pid = PidFromPadName(ObjectName(pad));
    const bool video = CarriesVideo(pad);
    std::vector<Feed> candidates;
    {
        std::lock_guard lock(core.infoMutex);
        candidates = Candidates(core.info, kind, video, pid);
    }
    const Feed old = FindPredecessor(candidates, pad);
    if (!old.pad)
        return false;
    if (!MoveInput(old.pad, pad, old.queuePad)) {
        // A different codec under the same name: the old chain cannot decode it.
        if (video)
            RetireVideoChain(core, old.pad);
        return false;
    }
    {
        std::lock_guard lock(core.infoMutex);
        HandOverInRecord(core.info, old.pad, pad);
    }
    core.Log(kLogInfo, "Programme update: " + ObjectName(pad) + " goes on from " + ObjectName(old.pad));
    return true;
}

bool ForgetRetiredPad(PlayerCore& core, GstPad* pad) {
    std::lock_guard lock(core.infoMutex);
    auto& retired = core.info.retiredPads;
    const auto it = std::find(retired.begin(), retired.end(), pad);
    if (it == retired.end())
        return false;
    retired.erase(it);
    return true;
}
