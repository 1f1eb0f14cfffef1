// Tear-down of the chains behind a removed demuxer pad, and the audio tags.
#include <wx/string.h>

#include "stream/chain_util.h"
#include "stream/engine_handlers.h"
#include "stream/pipeline.h"
#include "stream/stream_event.h"
#include "stream/stream_info.h"

namespace {

bool RemoveTeletext(GstPad* pad) {
    GstPad* queuePad = nullptr;
    {
        std::lock_guard lock(InfoMutex());
        StreamInfo& info = Info();
        if (!pad || info.teletextPad != pad)
            return false;
        queuePad = info.teletextQueuePad;
        info.teletextPad = nullptr;
        info.teletextQueuePad = nullptr;
        info.teletextPid = 0;
        --info.sinkChains;
        --info.linked;
    }
    PostStreamLog(kLogInfo, "-Pad (TTXT)");
    DropElement(Pipeline().teletextSink);
    ReleaseRequestPad(Pipeline().multiQueue, queuePad);
    return true;
}

bool RemoveVideo(GstPad* pad) {
    VideoFacts video;
    {
        std::lock_guard lock(InfoMutex());
        StreamInfo& info = Info();
        if (!pad || info.video.pad != pad)
            return false;
        video = info.video;
        info.video = VideoFacts{};
        --info.sinkChains;
        --info.linked;
    }
    PostStreamLog(kLogInfo, video.mpeg2 ? "-Pad (MPGV)" : "-Pad (H264)");
    PlaybackPipeline& p = Pipeline();
    DropVideoElements(p);
    ReleaseRequestPad(p.multiQueue, video.queuePad);
    PostStreamEvent(kStreamVideoRemoved);
    return true;
}

bool RemoveAudioTracks(GstPad* pad) {
    bool matched = false;
    for (int i = 0; i < StreamInfo::kTrackSlots; ++i) {
        AudioTrackSlot slot;
        {
            std::lock_guard lock(InfoMutex());
            AudioTrackSlot& s = Info().audio[i];
            if (!pad || s.pad != pad)
                continue;
            slot = s;
            s.pad = nullptr;
            s.parser = s.decoder = s.convert = s.resample = nullptr;
            s.queuePad = s.selectorPad = nullptr;
            --Info().linked;
        }
        matched = true;
        PostStreamLog(kLogInfo, slot.ac3 ? "-Pad (AC-3)" : "-Pad (MPGA)");
        DropAudioTrackElements(slot);
        ReleaseRequestPad(Pipeline().multiQueue, slot.queuePad);
    }
    return matched;
}

bool RemoveSubtitleTracks(GstPad* pad) {
    bool matched = false;
    for (int i = 0; i < StreamInfo::kTrackSlots; ++i) {
        SubtitleTrackSlot slot;
        {
            std::lock_guard lock(InfoMutex());
            SubtitleTrackSlot& s = Info().subtitles[i];
            if (!pad || s.pad != pad)
                continue;
            slot = s;
            s.pad = nullptr;
            s.queuePad = s.selectorPad = nullptr;
        }
        matched = true;
        PostStreamLog(kLogInfo, "-Pad (SUBT)");
        ReleaseRequestPad(Pipeline().subtitleInputSelector, slot.selectorPad);
        ReleaseRequestPad(Pipeline().multiQueue, slot.queuePad);
    }
    return matched;
}

void RemoveUnusedAudioOutput() {
    PlaybackPipeline& p = Pipeline();
    if (!p.audioInputSelector || AnySinkPadLinked(p.audioInputSelector))
        return;
    GstElement** chain[] = {&p.audioSink, &p.audioQueue, &p.volume,
                            &p.equalizer, &p.audioRate,  &p.audioInputSelector};
    for (GstElement** e : chain)
        DropElement(*e);
    {
        std::lock_guard lock(InfoMutex());
        --Info().sinkChains;
    }
    PostStreamEvent(kStreamAudioRemoved);
}

void RemoveUnusedSubtitleSelector() {
    PlaybackPipeline& p = Pipeline();
    if (!p.subtitleInputSelector || AnySinkPadLinked(p.subtitleInputSelector))
        return;
    if (p.subtitleOverlay) {
        g_object_set(p.subtitleOverlay, "enable", FALSE, nullptr);
        gst_element_unlink(p.subtitleInputSelector, p.subtitleOverlay);
    }
    DropElement(p.subtitleInputSelector);
    PostStreamEvent(kStreamSubtitlesRemoved);
}

void RemoveUnusedMultiQueue() {
    PlaybackPipeline& p = Pipeline();
    if (!p.multiQueue || AnySinkPadLinked(p.multiQueue))
        return;
    DropElement(p.multiQueue);
    ClearStreamInfo();
}

} // namespace

void OnPadRemoved(GstElement*, GstPad* pad, gpointer) {
    std::lock_guard chains(ChainMutex());
    if (!RemoveTeletext(pad) && !RemoveVideo(pad)) {
        const bool audio = RemoveAudioTracks(pad);
        const bool subtitles = RemoveSubtitleTracks(pad);
        if (!audio && !subtitles) {
            PostStreamLog(kLogInfo, "-Pad (UNKN)");
            return;
        }
        RemoveUnusedAudioOutput();
        RemoveUnusedSubtitleSelector();
    }
    RemoveUnusedMultiQueue();
}

void HandleAudioTags(GstPad* pad, const GstTagList* tags) {
    if (!pad || !tags)
        return;
    GstObject* owner = gst_pad_get_parent(pad);
    const bool fromDemuxer = owner && GST_ELEMENT(owner) == Pipeline().demuxer;
    gchar* codec = nullptr;
    gchar* language = nullptr;
    gchar* mode = nullptr;
    guint bitrate = 0;
    const bool hasCodec = gst_tag_list_get_string(tags, GST_TAG_AUDIO_CODEC, &codec);
    const bool hasLanguage = gst_tag_list_get_string(tags, GST_TAG_LANGUAGE_CODE, &language);
    const bool hasMode = gst_tag_list_get_string(tags, "mode", &mode);
    const bool hasBitrate = gst_tag_list_get_uint(tags, GST_TAG_BITRATE, &bitrate);
    {
        std::lock_guard lock(InfoMutex());
        for (auto& slot : Info().audio) {
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
                slot.language = language;
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
