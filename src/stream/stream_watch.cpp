// Probes that watch a stream without changing it: the census of the first packets
// in front of the demuxer (scrambling, a PCR PID without packets), the first
// decoded picture and sound at their sinks, and the fill of the picture and sound
// queues that opens the gate to PLAYING. They run on streaming threads; what they
// find goes out as StreamEvents (and buffering messages, handled by the bus watch).
#include <cstdio>
#include <string>
#include <vector>

#include "stream/buffer_level.h"
#include "stream/engine_handlers.h"
#include "stream/player_core.h"

namespace {

// Past this many packets without a verdict (no programme table for the wanted
// programme, a track too sparse to judge) the census stops costing anything.
constexpr std::uint64_t kCensusPacketLimit = 200000;

std::string Hex(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

// Ends the census from its own probe: the id goes back to 0 so that Stop does not
// remove the probe a second time.
GstPadProbeReturn EndCensus(PlayerCore& core) {
    core.censusProbe = 0;
    return GST_PAD_PROBE_REMOVE;
}

GstPadProbeReturn OnDemuxerInput(GstPad*, GstPadProbeInfo* info, gpointer data) {
    PlayerCore& core = *static_cast<PlayerCore*>(data);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    GstMapInfo map;
    if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ))
        return GST_PAD_PROBE_OK;
    CensusVerdict verdict;
    ProgrammeFacts facts;
    bool giveUp = false;
    {
        std::lock_guard lock(core.censusMutex);
        CensusState& c = core.census;
        c.packets.Feed(map.data, map.size);
        if (c.haveFacts) {
            verdict = JudgeCensus(c.packets, c.facts, !core.ignorePcr);
            facts = c.facts;
        }
        giveUp = c.packets.Packets() > kCensusPacketLimit;
    }
    gst_buffer_unmap(buffer, &map);
    if (verdict.scrambled == Verdict::Yes) {
        core.Log(kLogInfo, std::string("Scrambled") + (facts.caDescriptor ? " (CA descriptor)" : ""));
        core.Post(stream_event::Scrambled{});
        return EndCensus(core);
    }
    if (verdict.pcrMissing == Verdict::Yes) {
        core.ignorePcr = true;
        core.Log(kLogInfo, "PCR PID " + Hex(facts.pcrPid) + " without packets");
        core.Post(stream_event::PcrMissing{});
        return EndCensus(core);
    }
    return verdict.Decided() || giveUp ? EndCensus(core) : GST_PAD_PROBE_OK;
}

GstPadProbeReturn FirstBuffer(PlayerCore& core, bool picture) {
    bool first = false;
    {
        std::lock_guard lock(core.infoMutex);
        bool& seen = picture ? core.info.pictureSeen : core.info.soundSeen;
        first = !seen;
        seen = true;
    }
    if (first)
        core.Post(stream_event::FirstData{picture});
    return GST_PAD_PROBE_REMOVE;
}

GstPadProbeReturn OnFirstPicture(GstPad*, GstPadProbeInfo*, gpointer data) {
    return FirstBuffer(*static_cast<PlayerCore*>(data), true);
}

GstPadProbeReturn OnFirstSound(GstPad*, GstPadProbeInfo*, gpointer data) {
    return FirstBuffer(*static_cast<PlayerCore*>(data), false);
}

guint64 QueuedTime(gpointer queueOrPad) {
    guint64 time = 0;
    g_object_get(queueOrPad, "current-level-time", &time, nullptr);
    return time;
}

// What one of the chain's own queues holds; found by name, as the chain lock must
// not be taken on a streaming thread (a stop holds it while it waits for them).
guint64 ChainQueueTime(GstElement* pipeline, const char* name) {
    GstElement* queue = pipeline ? gst_bin_get_by_name(GST_BIN(pipeline), name) : nullptr;
    if (!queue)
        return 0;
    const guint64 time = QueuedTime(queue);
    gst_object_unref(queue);
    return time;
}

// The time each picture and sound stream has buffered: its multiqueue input, and
// behind it the decoded pictures waiting in "DecoderQueue" and "VideoQueue" (a
// second of them and more) or the sound in "AudioQueue".
std::vector<StreamFill> QueuedTimes(PlayerCore& core, guint64 limit) {
    std::vector<GstPad*> pads;
    bool video = false;
    {
        std::lock_guard lock(core.infoMutex);
        // A pad in the record is still held by it: it is released only after it was cleared.
        if (core.info.video.queuePad) {
            pads.push_back(GST_PAD(gst_object_ref(core.info.video.queuePad)));
            video = true;
        }
        for (const auto& slot : core.info.audio)
            if (slot.queuePad)
                pads.push_back(GST_PAD(gst_object_ref(slot.queuePad)));
    }
    GstElement* pipeline = core.elements.pipeline;
    const guint64 decoded =
        video ? ChainQueueTime(pipeline, "DecoderQueue") + ChainQueueTime(pipeline, "VideoQueue") : 0;
    const guint64 sound = pads.size() > (video ? 1u : 0u) ? ChainQueueTime(pipeline, "AudioQueue") : 0;
    std::vector<StreamFill> fills;
    for (std::size_t i = 0; i < pads.size(); ++i) {
        const guint64 queued = QueuedTime(pads[i]);
        fills.push_back({queued + (video && i == 0 ? decoded : sound), queued >= limit});
        gst_object_unref(pads[i]);
    }
    return fills;
}

GstPadProbeReturn OnQueueInput(GstPad* pad, GstPadProbeInfo*, gpointer data) {
    PlayerCore& core = *static_cast<PlayerCore*>(data);
    GstElement* multiQueue = gst_pad_get_parent_element(pad);
    if (!multiQueue)
        return GST_PAD_PROBE_OK;
    guint64 limit = 0;
    g_object_get(multiQueue, "max-size-time", &limit, nullptr);
    const int percent = BufferPercent(QueuedTimes(core, limit), limit);
    bool post = false;
    {
        std::lock_guard lock(core.infoMutex);
        StreamInfo& info = core.info;
        // Only while the gate waits does the bus hear of it: before "Pads done" opens
        // it from the level itself, afterwards the level is only shown.
        post = info.bufferingPending && percent != info.bufferPercent;
        info.bufferPercent = percent;
    }
    if (post)
        gst_element_post_message(multiQueue, gst_message_new_buffering(GST_OBJECT(multiQueue), percent));
    gst_object_unref(multiQueue);
    return GST_PAD_PROBE_OK;
}

} // namespace

void StartCensus(PlayerCore& core) {
    GstElement* demuxer = core.elements.demuxer;
    if (!demuxer)
        return;
    StopCensus(core); // a start from READY follows no stop: one census at a time
    {
        std::lock_guard lock(core.censusMutex);
        core.census = CensusState{};
    }
    if (GstPad* pad = gst_element_get_static_pad(demuxer, "sink")) {
        core.censusProbe = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, OnDemuxerInput, &core, nullptr);
        gst_object_unref(pad);
    }
}

void StopCensus(PlayerCore& core) {
    const gulong probe = core.censusProbe.exchange(0);
    if (!probe || !core.elements.demuxer)
        return;
    if (GstPad* pad = gst_element_get_static_pad(core.elements.demuxer, "sink")) {
        gst_pad_remove_probe(pad, probe);
        gst_object_unref(pad);
    }
}

void NoteProgrammeFacts(PlayerCore& core, int programme, int wanted, ProgrammeFacts facts) {
    std::lock_guard lock(core.censusMutex);
    CensusState& c = core.census;
    // Without a wanted programme the demuxer plays the first one: so does the census.
    const int mine = wanted >= 0 ? wanted : (c.programme >= 0 ? c.programme : programme);
    if (programme != mine)
        return;
    c.programme = programme;
    c.facts = std::move(facts);
    c.haveFacts = true;
}

void WatchFirstData(PlayerCore& core, GstElement* sink, bool picture) {
    GstPad* pad = sink ? gst_element_get_static_pad(sink, "sink") : nullptr;
    if (!pad)
        return;
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, picture ? OnFirstPicture : OnFirstSound, &core,
                      nullptr);
    gst_object_unref(pad);
}

void WatchQueueLevel(PlayerCore& core, GstPad* queuePad) {
    if (queuePad)
        gst_pad_add_probe(queuePad, GST_PAD_PROBE_TYPE_BUFFER, OnQueueInput, &core, nullptr);
}
