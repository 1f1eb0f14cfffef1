// Tear-down of the chains behind a removed demuxer pad, and the audio tags.
#include "stream/chain_util.h"
#include "stream/engine_handlers.h"
#include "stream/gst_helpers.h"
#include "stream/player_core.h"

namespace {

bool RemoveTeletext(PlayerCore& core, GstPad* pad) {
    GstPad* queuePad = nullptr;
    {
        std::lock_guard lock(core.infoMutex);
        StreamInfo& info = core.info;
        if (!pad || info.teletextPad != pad)
            return false;
        queuePad = info.teletextQueuePad;
        info.teletextPad = nullptr;
        info.teletextQueuePad = nullptr;
        info.teletextPid = 0;
        --info.sinkChains;
        --info.linked;
    }
    core.Log(kLogInfo, "-Pad (TTXT)");
    DropElement(core.elements.pipeline, core.elements.teletextSink);
    ReleaseRequestPad(core.elements.multiQueue, queuePad);
    return true;
}

bool RemoveVideo(PlayerCore& core, GstPad* pad) {
    VideoFacts video;
    {
        std::lock_guard lock(core.infoMutex);
        StreamInfo& info = core.info;
        if (!pad || info.video.pad != pad)
            return false;
        video = info.video;
        info.video = VideoFacts{};
        --info.sinkChains;
        --info.linked;
    }
    core.Log(kLogInfo, std::string("-Pad (") + KindTag(video.kind) + ")");
    DropVideoElements(core);
    ReleaseRequestPad(core.elements.multiQueue, video.queuePad);
    core.Post(stream_event::VideoRemoved{});
    return true;
}

bool RemoveAudioTracks(PlayerCore& core, GstPad* pad) {
    bool matched = false;
    for (int i = 0; i < StreamInfo::kTrackSlots; ++i) {
        AudioTrackSlot slot;
        {
            std::lock_guard lock(core.infoMutex);
            AudioTrackSlot& s = core.info.audio[i];
            if (!pad || s.pad != pad)
                continue;
            slot = s;
            s.pad = nullptr;
            s.parser = s.decoder = s.convert = s.resample = nullptr;
            s.queuePad = s.selectorPad = nullptr;
            --core.info.linked;
        }
        matched = true;
        core.Log(kLogInfo, std::string("-Pad (") + KindTag(slot.kind) + ")");
        DropAudioTrackElements(core, slot);
        ReleaseRequestPad(core.elements.multiQueue, slot.queuePad);
    }
    return matched;
}

bool RemoveSubtitleTracks(PlayerCore& core, GstPad* pad) {
    bool matched = false;
    for (int i = 0; i < StreamInfo::kTrackSlots; ++i) {
        SubtitleTrackSlot slot;
        {
            std::lock_guard lock(core.infoMutex);
            SubtitleTrackSlot& s = core.info.subtitles[i];
            if (!pad || s.pad != pad)
                continue;
            slot = s;
            s.pad = nullptr;
            s.queuePad = s.selectorPad = nullptr;
        }
        matched = true;
        core.Log(kLogInfo, "-Pad (SUBT)");
        ReleaseRequestPad(core.elements.subtitleInputSelector, slot.selectorPad);
        ReleaseRequestPad(core.elements.multiQueue, slot.queuePad);
    }
    return matched;
}

} // namespace

void RemoveUnusedAudioOutput(PlayerCore& core) {
    PlaybackPipeline& p = core.elements;
    if (!p.audioInputSelector || AnySinkPadLinked(p.audioInputSelector))
        return;
    GstElement** chain[] = {&p.audioSink, &p.audioQueue, &p.volume,
                            &p.equalizer, &p.audioRate,  &p.audioInputSelector};
    for (GstElement** e : chain)
        DropElement(p.pipeline, *e);
    {
        std::lock_guard lock(core.infoMutex);
        --core.info.sinkChains;
    }
    core.Post(stream_event::AudioRemoved{});
}

namespace {

void RemoveUnusedSubtitleSelector(PlayerCore& core) {
    PlaybackPipeline& p = core.elements;
    if (!p.subtitleInputSelector || AnySinkPadLinked(p.subtitleInputSelector))
        return;
    if (p.subtitleOverlay) {
        g_object_set(p.subtitleOverlay, "enable", FALSE, nullptr);
        gst_element_unlink(p.subtitleInputSelector, p.subtitleOverlay);
    }
    DropElement(p.pipeline, p.subtitleInputSelector);
    core.Post(stream_event::SubtitlesRemoved{});
}

void RemoveUnusedMultiQueue(PlayerCore& core) {
    PlaybackPipeline& p = core.elements;
    if (!p.multiQueue || AnySinkPadLinked(p.multiQueue))
        return;
    DropElement(p.pipeline, p.multiQueue);
    // Every pad is gone: the next ones begin a new record. The count of playing sinks
    // stays, as their leaving PLAYING reaches the bus watch only afterwards.
    std::lock_guard lock(core.infoMutex);
    const int sinksPlaying = core.info.sinksPlaying;
    core.info = StreamInfo{};
    core.info.sinksPlaying = sinksPlaying;
}

} // namespace

void RetireVideoChain(PlayerCore& core, GstPad* oldPad) {
    if (!RemoveVideo(core, oldPad))
        return;
    std::lock_guard lock(core.infoMutex);
    core.info.retiredPads.push_back(oldPad);
}

void OnPadRemoved(GstElement*, GstPad* pad, gpointer data) {
    PlayerCore& core = *static_cast<PlayerCore*>(data);
    std::lock_guard chains(core.chainMutex);
    if (ForgetRetiredPad(core, pad)) {
        core.Log(kLogInfo, "-Pad (earlier programme version)");
        return;
    }
    if (!RemoveTeletext(core, pad) && !RemoveVideo(core, pad)) {
        const bool audio = RemoveAudioTracks(core, pad);
        const bool subtitles = RemoveSubtitleTracks(core, pad);
        if (!audio && !subtitles) {
            core.Log(kLogInfo, "-Pad (UNKN)");
            return;
        }
        RemoveUnusedAudioOutput(core);
        RemoveUnusedSubtitleSelector(core);
    }
    RemoveUnusedMultiQueue(core);
}

void HandleAudioTags(PlayerCore& core, GstPad* pad, const GstTagList* tags) {
    if (!pad || !tags)
        return;
    GstObject* owner = gst_pad_get_parent(pad);
    const bool fromDemuxer = owner && GST_ELEMENT(owner) == core.elements.demuxer;
    gchar* codec = nullptr;
    gchar* language = nullptr;
    gchar* mode = nullptr;
    guint bitrate = 0;
    const bool hasCodec = gst_tag_list_get_string(tags, GST_TAG_AUDIO_CODEC, &codec);
    const bool hasLanguage = gst_tag_list_get_string(tags, GST_TAG_LANGUAGE_CODE, &language);
    const bool hasMode = gst_tag_list_get_string(tags, "mode", &mode);
    const bool hasBitrate = gst_tag_list_get_uint(tags, GST_TAG_BITRATE, &bitrate);
    {
        std::lock_guard lock(core.infoMutex);
        for (auto& slot : core.info.audio) {
            const bool match =
                fromDemuxer
                    ? slot.pad == pad
                    : (owner && (slot.decoder == GST_ELEMENT(owner) || slot.parser == GST_ELEMENT(owner)));
            if (!match || (!slot.pad && !slot.decoder))
                continue;
            if (hasCodec)
                slot.codec = codec;
            if (hasBitrate)
                slot.bitrate = bitrate;
            if (hasLanguage)
                slot.language = ThreeLetterLanguage(language);
            if (hasMode)
                slot.codec = mode;
        }
    }
    g_free(codec);
    g_free(language);
    g_free(mode);
    if (owner)
        gst_object_unref(owner);
}
