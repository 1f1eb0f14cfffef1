// Chains built behind a new demuxer pad (streaming thread).
#include <cstring>

#include "stream/chain_util.h"
#include "stream/engine_handlers.h"
#include "stream/gst_helpers.h"
#include "stream/player_core.h"

namespace {

// One pad's chain is built from the settings of the stream it belongs to.
struct Build {
    PlayerCore& core;
    PlaybackPipeline& p;
    StreamSettings settings;
};

bool EnsureMultiQueue(Build& b) {
    PlaybackPipeline& p = b.p;
    if (p.multiQueue)
        return true;
    p.multiQueue = gst_element_factory_make("multiqueue", "MultiQueue");
    if (!p.multiQueue)
        return false;
    const guint64 bufferTime = static_cast<guint64>(b.settings.streamBufferTime) * GST_SECOND;
    // Sparse streams (teletext, subtitles) are kept in step by running time
    // instead of being bound by the time limit. Otherwise after a seek, whose
    // first data lies before the target, the teletext sink prerolls on an early
    // packet, its queue fills up and stops the demuxer before the audio reaches
    // the target: the audio sink never prerolls and the picture freezes.
    // Its own buffering messages take a sparse queue as full: the first teletext
    // packet would open the gate to PLAYING with nothing buffered. The picture and
    // sound queues are measured instead (WatchQueueLevel).
    g_object_set(p.multiQueue, "use-buffering", FALSE, "max-size-buffers", 0u, "max-size-bytes", 0u,
                 "max-size-time", bufferTime, "sync-by-running-time", TRUE, nullptr);
    g_signal_connect(p.multiQueue, "underrun", G_CALLBACK(RaiseEosOnUnderrun), &b.core);
    AddToBin(p.pipeline, {p.multiQueue});
    SyncWithPipeline({p.multiQueue});
    return true;
}

void OnVideoCaps(GstPad* pad, GParamSpec*, gpointer data) {
    PlayerCore& core = *static_cast<PlayerCore*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        return;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    VideoFacts v;
    if (const char* format = gst_structure_get_string(s, "format"))
        v.format = format;
    gst_structure_get_int(s, "width", &v.width);
    gst_structure_get_int(s, "height", &v.height);
    gst_structure_get_fraction(s, "pixel-aspect-ratio", &v.parNum, &v.parDen);
    gst_structure_get_fraction(s, "framerate", &v.fpsNum, &v.fpsDen);
    const char* mode = gst_structure_get_string(s, "interlace-mode");
    v.interlaced = mode && std::strcmp(mode, "progressive") != 0;
    gst_caps_unref(caps);
    std::lock_guard lock(core.infoMutex);
    VideoFacts& facts = core.info.video;
    v.pid = facts.pid;
    v.pad = facts.pad;
    v.queuePad = facts.queuePad;
    v.kind = facts.kind;
    v.mpeg2 = facts.mpeg2;
    facts = v;
}

void OnAudioCaps(GstPad* pad, GParamSpec*, gpointer data) {
    PlayerCore& core = *static_cast<PlayerCore*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        return;
    int channels = 0, rate = 0;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    gst_structure_get_int(s, "channels", &channels);
    gst_structure_get_int(s, "rate", &rate);
    gst_caps_unref(caps);
    GstObject* owner = gst_pad_get_parent(pad);
    std::lock_guard lock(core.infoMutex);
    for (auto& slot : core.info.audio)
        if (owner && slot.decoder == GST_ELEMENT(owner)) {
            slot.channels = channels;
            slot.rate = rate;
        }
    if (owner)
        gst_object_unref(owner);
}

GstPadProbeReturn OnAudioTagEvent(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (event && GST_EVENT_TYPE(event) == GST_EVENT_TAG) {
        GstTagList* tags = nullptr;
        gst_event_parse_tag(event, &tags);
        HandleAudioTags(*static_cast<PlayerCore*>(data), pad, tags);
    }
    return GST_PAD_PROBE_OK;
}

void SetVideoProperties(Build& b) {
    PlaybackPipeline& p = b.p;
    const StreamSettings& s = b.settings;
    g_object_set(p.deInterlace, "mode", s.deinterlacer ? 0 : 2, "method", s.deinterlacerMethod, "fields", 1,
                 nullptr);
    g_object_set(p.videoBalance, "brightness", s.brightness, "contrast", s.contrast, "saturation", s.colour,
                 nullptr);
    g_object_set(p.subtitleOverlay, "enable", s.subtitles ? TRUE : FALSE, nullptr);
    g_object_set(p.clockOverlay, "color", 0xff00ff00u, "time-format", "%H:%M", "silent",
                 !b.core.clockVisible.load(), nullptr);
    g_object_set(p.videoQueue, "max-size-buffers", 5u, "max-size-bytes", 0u, nullptr);
    g_object_set(p.decoderQueue, "max-size-buffers", 0u, "max-size-bytes", 0u, nullptr);
    SetIfExists(p.videoSink, "force-aspect-ratio", TRUE);
    SetIfExists(p.videoSink, "sync", TRUE);
}

// Sinks that convert themselves do not need "ColorSpace" in front.
bool SinkNeedsConverter(const std::string& sink) {
    return sink != "xvimagesink" && sink != "fakesink";
}

// The configured sink ("ximagesink" with the compatible video output), else the
// first of "ximagesink" and "autovideosink" that can open the display: an X server
// without the video extension must still show the picture. Sets `factory` to the
// sink that was made.
GstElement* MakeVideoSink(Build& b, std::string& factory) {
    const std::string wanted = b.settings.fallbackVideo ? "ximagesink" : b.settings.videoSink;
    for (const std::string& candidate : {wanted, std::string("ximagesink"), std::string("autovideosink")}) {
        GstElement* sink = gst_element_factory_make(candidate.c_str(), "VideoSink");
        if (sink && gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) {
            if (candidate != wanted)
                b.core.Problem(kLogWarning, "VideoSink", wanted + ": no video output", "using " + candidate);
            factory = candidate;
            return sink;
        }
        if (sink) {
            gst_element_set_state(sink, GST_STATE_NULL);
            gst_object_unref(gst_object_ref_sink(sink));
        }
    }
    return nullptr;
}

bool BuildVideoChain(Build& b, int kind, GstPad* mqSrc) {
    PlaybackPipeline& p = b.p;
    if (p.videoDecoder)
        return false; // one video chain; a second video pad stays unlinked
    std::string sinkName;
    p.videoSink = MakeVideoSink(b, sinkName);
    const ChainFactories factories = ChainFactoriesOf(kind);
    p.videoParser = gst_element_factory_make(factories.parser, "VideoParser");
    p.videoDecoder = MakeElement(factories.decoders, "VideoDecoder");
    p.decoderQueue = gst_element_factory_make("queue2", "DecoderQueue");
    p.deInterlace = gst_element_factory_make("deinterlace", "DeInterlace");
    p.videoRate = gst_element_factory_make("videorate", "VideoRate");
    p.videoScale = gst_element_factory_make("videoscale", "VideoScale");
    p.videoBalance = gst_element_factory_make("videobalance", "VideoBalance");
    p.subtitleOverlay = gst_element_factory_make("dvbsuboverlay", "SubtitleOverlay");
    p.clockOverlay = gst_element_factory_make("clockoverlay", "ClockOverlay");
    p.textOverlay = gst_element_factory_make("textoverlay", "TextOverlay");
    p.colorSpace =
        SinkNeedsConverter(sinkName) ? gst_element_factory_make("videoconvert", "ColorSpace") : nullptr;
    p.videoQueue = gst_element_factory_make("queue2", "VideoQueue");
    const bool created = p.videoParser && p.videoDecoder && p.decoderQueue && p.deInterlace && p.videoRate &&
                         p.videoScale && p.videoBalance && p.subtitleOverlay && p.clockOverlay &&
                         p.textOverlay && p.videoQueue && p.videoSink &&
                         (p.colorSpace || !SinkNeedsConverter(sinkName));
    if (!created) {
        GstElement** all[] = {&p.videoParser,  &p.videoDecoder, &p.decoderQueue, &p.deInterlace,
                              &p.videoRate,    &p.videoScale,   &p.videoBalance, &p.subtitleOverlay,
                              &p.clockOverlay, &p.textOverlay,  &p.colorSpace,   &p.videoQueue,
                              &p.videoSink};
        for (GstElement** e : all)
            if (*e) {
                gst_element_set_state(*e, GST_STATE_NULL); // the sink was opened already
                gst_object_unref(gst_object_ref_sink(*e));
                *e = nullptr;
            }
        return false;
    }
    SetVideoProperties(b);
    AddToBin(p.pipeline, {p.videoParser, p.videoDecoder, p.decoderQueue, p.deInterlace, p.videoRate,
                          p.videoScale, p.videoBalance, p.subtitleOverlay, p.clockOverlay, p.textOverlay,
                          p.colorSpace, p.videoQueue, p.videoSink});
    bool ok = gst_element_link_many(p.videoParser, p.videoDecoder, p.decoderQueue, p.deInterlace, p.videoRate,
                                    p.videoScale, p.videoBalance, p.subtitleOverlay, p.clockOverlay,
                                    p.textOverlay, nullptr);
    ok = ok && (p.colorSpace ? gst_element_link_many(p.textOverlay, p.colorSpace, p.videoQueue, nullptr)
                             : gst_element_link(p.textOverlay, p.videoQueue));
    ok = ok && gst_element_link(p.videoQueue, p.videoSink) && LinkPadTo(mqSrc, p.videoParser);
    if (!ok) {
        DropVideoElements(b.core);
        return false;
    }
    GstPad* decoderSrc = gst_element_get_static_pad(p.videoDecoder, "src");
    g_signal_connect(decoderSrc, "notify::caps", G_CALLBACK(OnVideoCaps), &b.core);
    gst_object_unref(decoderSrc);
    WatchFirstData(b.core, p.videoSink, true);
    SyncWithPipeline({p.videoParser, p.videoDecoder, p.decoderQueue, p.deInterlace, p.videoRate, p.videoScale,
                      p.videoBalance, p.subtitleOverlay, p.clockOverlay, p.textOverlay, p.colorSpace,
                      p.videoQueue, p.videoSink});
    return true;
}

// The configured sink when it can open its device, otherwise a "fakesink": a
// machine without sound still plays the picture, with a warning in the log.
GstElement* MakeAudioSink(PlayerCore& core, const std::string& factory) {
    GstElement* sink = gst_element_factory_make(factory.c_str(), "AudioSink");
    if (sink && gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE)
        return sink;
    if (sink) {
        gst_element_set_state(sink, GST_STATE_NULL);
        gst_object_unref(gst_object_ref_sink(sink));
    }
    core.Problem(kLogWarning, "AudioSink", factory + ": no audio output", "playing without sound");
    return gst_element_factory_make("fakesink", "AudioSink");
}

bool EnsureAudioOutput(Build& b) {
    PlaybackPipeline& p = b.p;
    if (p.audioInputSelector)
        return true;
    const StreamSettings& s = b.settings;
    p.audioInputSelector = gst_element_factory_make("input-selector", "AudioInputSelector");
    p.audioRate = gst_element_factory_make("audiorate", "AudioRate");
    p.equalizer = gst_element_factory_make("equalizer-3bands", "Equalizer");
    p.volume = gst_element_factory_make("volume", "Volume");
    p.audioQueue = gst_element_factory_make("queue2", "AudioQueue");
    p.audioSink = MakeAudioSink(b.core, s.audioSink);
    GstElement** all[] = {&p.audioSink, &p.audioQueue, &p.volume,
                          &p.equalizer, &p.audioRate,  &p.audioInputSelector};
    for (GstElement** e : all)
        if (!*e) {
            for (GstElement** f : all)
                if (*f)
                    gst_object_unref(gst_object_ref_sink(*f)), *f = nullptr;
            return false;
        }
    g_object_set(p.equalizer, "band0", s.lowBand, "band1", s.midBand, "band2", s.highBand, nullptr);
    g_object_set(p.volume, "volume", b.core.muted ? 0.0 : s.volume / 100.0, nullptr);
    g_object_set(p.audioQueue, "max-size-buffers", 5u, "max-size-bytes", 0u, nullptr);
    SetIfExists(p.audioSink, "sync", TRUE);
    AddToBin(p.pipeline,
             {p.audioInputSelector, p.audioRate, p.equalizer, p.volume, p.audioQueue, p.audioSink});
    if (!gst_element_link_many(p.audioInputSelector, p.audioRate, p.equalizer, p.volume, p.audioQueue,
                               p.audioSink, nullptr)) {
        for (GstElement** e : all)
            DropElement(p.pipeline, *e);
        return false;
    }
    WatchFirstData(b.core, p.audioSink, false);
    SyncWithPipeline({p.audioInputSelector, p.audioRate, p.equalizer, p.volume, p.audioQueue, p.audioSink});
    std::lock_guard lock(b.core.infoMutex);
    ++b.core.info.sinkChains;
    return true;
}

bool BuildAudioChain(Build& b, int kind, GstPad* mqSrc, AudioTrackSlot& slot) {
    slot.kind = kind;
    slot.ac3 = kind == kKindAc3;
    const ChainFactories factories = ChainFactoriesOf(kind);
    slot.parser = gst_element_factory_make(factories.parser, nullptr);
    slot.decoder = MakeElement(factories.decoders, nullptr);
    slot.convert = gst_element_factory_make("audioconvert", nullptr);
    slot.resample = gst_element_factory_make("audioresample", nullptr);
    if (!slot.parser || !slot.decoder || !slot.convert || !slot.resample || !EnsureAudioOutput(b)) {
        for (GstElement** e : {&slot.parser, &slot.decoder, &slot.convert, &slot.resample})
            if (*e)
                gst_object_unref(gst_object_ref_sink(*e)), *e = nullptr;
        return false;
    }
    if (slot.ac3 && HasProperty(slot.decoder, "mode"))
        g_object_set(slot.decoder, "mode", 7, "lfe", TRUE, nullptr);
    AddToBin(b.p.pipeline, {slot.parser, slot.decoder, slot.convert, slot.resample});
    slot.selectorPad = gst_element_request_pad_simple(b.p.audioInputSelector, "sink_%u");
    GstPad* resampleSrc = gst_element_get_static_pad(slot.resample, "src");
    bool ok = gst_element_link_many(slot.parser, slot.decoder, slot.convert, slot.resample, nullptr) &&
              slot.selectorPad && gst_pad_link(resampleSrc, slot.selectorPad) == GST_PAD_LINK_OK &&
              LinkPadTo(mqSrc, slot.parser);
    gst_object_unref(resampleSrc);
    if (!ok) {
        DropAudioTrackElements(b.core, slot);
        return false;
    }
    GstPad* decoderSrc = gst_element_get_static_pad(slot.decoder, "src");
    g_signal_connect(decoderSrc, "notify::caps", G_CALLBACK(OnAudioCaps), &b.core);
    gst_object_unref(decoderSrc);
    GstPad* decoderSink = gst_element_get_static_pad(slot.parser, "sink");
    gst_pad_add_probe(decoderSink, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnAudioTagEvent, &b.core, nullptr);
    gst_object_unref(decoderSink);
    SyncWithPipeline({slot.parser, slot.decoder, slot.convert, slot.resample});
    return true;
}

bool BuildTeletextSink(Build& b, GstPad* mqSrc) {
    PlaybackPipeline& p = b.p;
    if (p.teletextSink)
        return false;
    p.teletextSink = gst_element_factory_make("appsink", "TeletextSink");
    if (!p.teletextSink)
        return false;
    GstCaps* caps = gst_caps_from_string("application/x-teletext");
    // Not "wait-on-eos": an unread page must not hold back the end of a recording.
    // Not "async": the multiqueue releases the sparse teletext stream only as the
    // picture and sound advance, which they do only once every sink has prerolled;
    // a pause or a seek would wait for this sink for ever.
    g_object_set(p.teletextSink, "caps", caps, "sync", FALSE, "async", FALSE, "drop", TRUE, "max-buffers", 1u,
                 "wait-on-eos", FALSE, nullptr);
    gst_caps_unref(caps);
    GCallback handler = nullptr;
    gpointer data = nullptr;
    {
        std::lock_guard lock(b.core.teletextMutex);
        handler = b.core.teletextHandler;
        data = b.core.teletextData;
    }
    if (handler)
        g_signal_connect(p.teletextSink, "new-sample", handler, data);
    AddToBin(p.pipeline, {p.teletextSink});
    if (!LinkPadTo(mqSrc, p.teletextSink)) {
        DropElement(p.pipeline, p.teletextSink);
        return false;
    }
    SyncWithPipeline({p.teletextSink});
    return true;
}

GstPad* EnsureSubtitleSelector(PlaybackPipeline& p) {
    if (!p.subtitleInputSelector) {
        p.subtitleInputSelector = gst_element_factory_make("input-selector", "SubtitleInputSelector");
        if (!p.subtitleInputSelector)
            return nullptr;
        AddToBin(p.pipeline, {p.subtitleInputSelector});
        // Without a video chain there is no overlay: the subtitles stay without output.
        if (p.subtitleOverlay)
            gst_element_link_pads(p.subtitleInputSelector, "src", p.subtitleOverlay, "text_sink");
        SyncWithPipeline({p.subtitleInputSelector});
    }
    return gst_element_request_pad_simple(p.subtitleInputSelector, "sink_%u");
}

int NextSlot(int count) {
    return count < StreamInfo::kCountedTracks ? count : StreamInfo::kCountedTracks;
}

void LinkVideo(Build& b, int kind, int pid, GstPad* pad, GstPad* queuePad, GstPad* mqSrc) {
    if (!BuildVideoChain(b, kind, mqSrc)) {
        b.core.Problem(kLogError, "VideoDecoder", "video chain not built", "");
        ReleaseRequestPad(b.p.multiQueue, queuePad);
        return;
    }
    {
        std::lock_guard lock(b.core.infoMutex);
        StreamInfo& info = b.core.info;
        ++info.linked;
        ++info.sinkChains;
        info.video.pid = pid;
        info.video.pad = pad;
        info.video.queuePad = queuePad;
        info.video.kind = kind;
        info.video.mpeg2 = kind == kKindMpeg2;
    }
    WatchQueueLevel(b.core, queuePad);
    b.core.Post(stream_event::VideoAdded{pid, kind});
}

void LinkAudio(Build& b, int kind, int pid, GstPad* pad, GstPad* queuePad, GstPad* mqSrc) {
    int index;
    {
        std::lock_guard lock(b.core.infoMutex);
        index = NextSlot(b.core.info.audioCount);
    }
    AudioTrackSlot slot;
    slot.pid = pid;
    slot.pad = pad;
    slot.queuePad = queuePad;
    slot.language = PadLanguage(pad);
    if (!BuildAudioChain(b, kind, mqSrc, slot)) {
        b.core.Problem(kLogError, "AudioDecoder", "audio chain not built", "");
        ReleaseRequestPad(b.p.multiQueue, queuePad);
        RemoveUnusedAudioOutput(b.core);
        return;
    }
    {
        std::lock_guard lock(b.core.infoMutex);
        StreamInfo& info = b.core.info;
        ++info.linked;
        info.audio[index] = slot;
        if (info.audioCount < StreamInfo::kCountedTracks)
            ++info.audioCount;
    }
    WatchQueueLevel(b.core, queuePad);
    b.core.Post(stream_event::AudioAdded{pid, kind, slot.language});
}

void LinkTeletext(Build& b, int pid, GstPad* pad, GstPad* queuePad, GstPad* mqSrc) {
    if (!BuildTeletextSink(b, mqSrc)) {
        ReleaseRequestPad(b.p.multiQueue, queuePad);
        return;
    }
    std::lock_guard lock(b.core.infoMutex);
    StreamInfo& info = b.core.info;
    ++info.linked;
    ++info.sinkChains;
    info.teletextPid = pid;
    info.teletextPad = pad;
    info.teletextQueuePad = queuePad;
}

void LinkSubtitles(Build& b, int pid, GstPad* pad, GstPad* queuePad, GstPad* mqSrc) {
    const std::string language = PadLanguage(pad);
    GstPad* selectorPad = EnsureSubtitleSelector(b.p);
    if (selectorPad && gst_pad_link(mqSrc, selectorPad) == GST_PAD_LINK_OK && pid == b.settings.subtitlePid)
        g_object_set(b.p.subtitleInputSelector, "active-pad", selectorPad, nullptr);
    std::lock_guard lock(b.core.infoMutex);
    StreamInfo& info = b.core.info;
    SubtitleTrackSlot& slot = info.subtitles[NextSlot(info.subtitleCount)];
    // The PMT usually arrives after the pads and completes the slot then.
    slot = SubtitleTrackSlot{pid, pad, language, 0, queuePad, selectorPad};
    for (const auto& entry : info.pmtSubtitles)
        if (entry.pid == pid) {
            slot.type = entry.type;
            slot.language = entry.language;
        }
    if (info.subtitleCount < StreamInfo::kCountedTracks)
        ++info.subtitleCount;
}

void LinkStream(PlayerCore& core, int kind, GstPad* pad) {
    const int pid = PidFromPadName(ObjectName(pad));
    std::lock_guard chains(core.chainMutex);
    if (TakeOverStream(core, kind, pad))
        return;
    Build b{core, core.elements, core.CurrentSettings()};
    if (!EnsureMultiQueue(b))
        return;
    GstPad* mqSrc = nullptr;
    GstPad* queuePad = LinkThroughMultiQueue(b.p.multiQueue, pad, &mqSrc);
    if (!queuePad)
        return;
    if (IsVideoKind(kind))
        LinkVideo(b, kind, pid, pad, queuePad, mqSrc);
    else if (IsAudioKind(kind))
        LinkAudio(b, kind, pid, pad, queuePad, mqSrc);
    else if (kind == kKindTeletext)
        LinkTeletext(b, pid, pad, queuePad, mqSrc);
    else
        LinkSubtitles(b, pid, pad, queuePad, mqSrc);
    if (mqSrc)
        gst_object_unref(mqSrc);
}

} // namespace

void DropVideoElements(PlayerCore& core) {
    PlaybackPipeline& p = core.elements;
    // Downstream first: a prerolling sink holds the upstream threads until it leaves PAUSED.
    GstElement** chain[] = {&p.videoSink,    &p.videoQueue,      &p.colorSpace,   &p.textOverlay,
                            &p.clockOverlay, &p.subtitleOverlay, &p.videoBalance, &p.videoScale,
                            &p.videoRate,    &p.deInterlace,     &p.decoderQueue, &p.videoDecoder,
                            &p.videoParser};
    for (GstElement** e : chain)
        DropElement(p.pipeline, *e);
}

void DropAudioTrackElements(PlayerCore& core, AudioTrackSlot& slot) {
    PlaybackPipeline& p = core.elements;
    ReleaseRequestPad(p.audioInputSelector, slot.selectorPad);
    DropElement(p.pipeline, slot.resample);
    DropElement(p.pipeline, slot.convert);
    DropElement(p.pipeline, slot.decoder);
    DropElement(p.pipeline, slot.parser);
}

void OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
    PlayerCore& core = *static_cast<PlayerCore*>(data);
    const std::string caps = PadCapsText(pad);
    const int kind = KindFromCaps(caps);
    if (kind == kKindNone) {
        core.Log(kLogInfo, "+Pad (UNKN: " + caps.substr(0, 511) + ")");
        return;
    }
    core.Log(kLogInfo, std::string("+Pad (") + KindTag(kind) + ")");
    if (kind == kKindSubtitles)
        core.Post(stream_event::SubtitlesAdded{});
    LinkStream(core, kind, pad);
    int linked, expected;
    {
        std::lock_guard lock(core.infoMutex);
        linked = core.info.linked;
        expected = core.info.expected;
    }
    core.Log(kLogInfo, StreamsLine(linked, expected));
    CheckAllPadsLinked(core);
}
