// Chains built behind a new demuxer pad (streaming thread).
#include <cstring>

#include <wx/intl.h>

#include "core/options.h"
#include "core/settings.h"
#include "stream/chain_util.h"
#include "stream/engine_handlers.h"
#include "stream/gst_helpers.h"
#include "stream/pipeline.h"
#include "stream/stream_event.h"
#include "stream/stream_info.h"

namespace {

const char* KindTag(int kind) {
    static const char* tags[] = {"UNKN", "MPGV", "H264", "MPGA", "AC-3", "TTXT", "SUBT"};
    return (kind >= 0 && kind <= 6) ? tags[kind] : "UNKN";
}

int KindFromCaps(const std::string& caps) {
    if (caps.find("video/mpeg") != std::string::npos)
        return kKindMpeg2;
    if (caps.find("video/x-h264") != std::string::npos)
        return kKindH264;
    if (caps.find("audio/mpeg") != std::string::npos)
        return kKindMpegAudio;
    if (caps.find("audio/x-ac3") != std::string::npos)
        return kKindAc3;
    if (caps.find("application/x-teletext") != std::string::npos)
        return kKindTeletext;
    if (caps.find("subpicture/x-dvb") != std::string::npos)
        return kKindSubtitles;
    return kKindNone;
}

bool EnsureMultiQueue() {
    PlaybackPipeline& p = Pipeline();
    if (p.multiQueue)
        return true;
    p.multiQueue = gst_element_factory_make("multiqueue", "MultiQueue");
    if (!p.multiQueue)
        return false;
    const guint64 bufferTime = static_cast<guint64>(Settings().general.StreamBufferTime) * GST_SECOND;
    // Sparse streams (teletext, subtitles) are kept in step by running time
    // instead of being bound by the time limit. Otherwise after a seek, whose
    // first data lies before the target, the teletext sink prerolls on an early
    // packet, its queue fills up and stops the demuxer before the audio reaches
    // the target: the audio sink never prerolls and the picture freezes.
    g_object_set(p.multiQueue, "use-buffering", TRUE, "max-size-buffers", 0u, "max-size-bytes", 0u,
                 "max-size-time", bufferTime, "sync-by-running-time", TRUE, nullptr);
    g_signal_connect(p.multiQueue, "underrun", G_CALLBACK(RaiseEosOnUnderrun), nullptr);
    AddToPipeline({p.multiQueue});
    SyncWithPipeline({p.multiQueue});
    return true;
}

void OnVideoCaps(GstPad* pad, GParamSpec*, gpointer) {
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
    std::lock_guard lock(InfoMutex());
    VideoFacts& facts = Info().video;
    v.pid = facts.pid;
    v.pad = facts.pad;
    v.queuePad = facts.queuePad;
    v.mpeg2 = facts.mpeg2;
    facts = v;
}

void OnAudioCaps(GstPad* pad, GParamSpec*, gpointer) {
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        return;
    int channels = 0, rate = 0;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    gst_structure_get_int(s, "channels", &channels);
    gst_structure_get_int(s, "rate", &rate);
    gst_caps_unref(caps);
    GstObject* owner = gst_pad_get_parent(pad);
    std::lock_guard lock(InfoMutex());
    for (auto& slot : Info().audio)
        if (owner && slot.decoder == GST_ELEMENT(owner)) {
            slot.channels = channels;
            slot.rate = rate;
        }
    if (owner)
        gst_object_unref(owner);
}

GstPadProbeReturn OnAudioTagEvent(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (event && GST_EVENT_TYPE(event) == GST_EVENT_TAG) {
        GstTagList* tags = nullptr;
        gst_event_parse_tag(event, &tags);
        HandleAudioTags(pad, tags);
    }
    return GST_PAD_PROBE_OK;
}

GstElement* MakeVideoParser(int kind) {
    return gst_element_factory_make(kind == kKindMpeg2 ? "mpegvideoparse" : "h264parse", "VideoParser");
}

GstElement* MakeVideoDecoder(int kind) {
    if (kind == kKindMpeg2)
        return MakeElement({"mpeg2dec", "avdec_mpeg2video"}, "VideoDecoder");
    return MakeElement({"avdec_h264"}, "VideoDecoder");
}

void SetVideoProperties(PlaybackPipeline& p) {
    const auto& s = Settings();
    g_object_set(p.deInterlace, "mode", s.general.Deinterlacer ? 0 : 2, "method",
                 s.general.DeinterlacerMethod, "fields", 1, nullptr);
    g_object_set(p.videoBalance, "brightness", s.avParameter.Brightness, "contrast", s.avParameter.Contrast,
                 "saturation", s.avParameter.Color, nullptr);
    g_object_set(p.subtitleOverlay, "enable", FALSE, nullptr);
    g_object_set(p.clockOverlay, "color", 0xff00ff00u, "time-format", "%H:%M", "silent", !IsClockVisible(),
                 nullptr);
    g_object_set(p.videoQueue, "max-size-buffers", 5u, "max-size-bytes", 0u, nullptr);
    g_object_set(p.decoderQueue, "max-size-buffers", 0u, "max-size-bytes", 0u, nullptr);
    SetIfExists(p.videoSink, "force-aspect-ratio", TRUE);
    SetIfExists(p.videoSink, "sync", TRUE);
}

// Sinks that convert themselves do not need "ColorSpace" in front.
bool SinkNeedsConverter(const wxString& sink) {
    return sink != "xvimagesink" && sink != "fakesink";
}

// The configured sink ("ximagesink" with the compatible video output), else the
// first of "ximagesink" and "autovideosink" that can open the display: an X server
// without the video extension must still show the picture. Sets `factory` to the
// sink that was made.
GstElement* MakeVideoSink(wxString& factory) {
    wxString wanted = Options().fallbackVideo ? wxString("ximagesink") : Settings().general.VideoSink;
    for (const wxString& candidate : {wanted, wxString("ximagesink"), wxString("autovideosink")}) {
        GstElement* sink = gst_element_factory_make(candidate.utf8_str(), "VideoSink");
        if (sink && gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) {
            if (candidate != wanted)
                PostStreamLog(kLogWarning, wxString::Format("WRN [VideoSink#%s: no video output#using %s]",
                                                            wanted, candidate));
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

bool BuildVideoChain(int kind, GstPad* mqSrc) {
    PlaybackPipeline& p = Pipeline();
    if (p.videoDecoder)
        return false; // one video chain; a second video pad stays unlinked
    wxString sinkName;
    p.videoSink = MakeVideoSink(sinkName);
    p.videoParser = MakeVideoParser(kind);
    p.videoDecoder = MakeVideoDecoder(kind);
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
    SetVideoProperties(p);
    AddToPipeline({p.videoParser, p.videoDecoder, p.decoderQueue, p.deInterlace, p.videoRate, p.videoScale,
                   p.videoBalance, p.subtitleOverlay, p.clockOverlay, p.textOverlay, p.colorSpace,
                   p.videoQueue, p.videoSink});
    bool ok = gst_element_link_many(p.videoParser, p.videoDecoder, p.decoderQueue, p.deInterlace, p.videoRate,
                                    p.videoScale, p.videoBalance, p.subtitleOverlay, p.clockOverlay,
                                    p.textOverlay, nullptr);
    ok = ok && (p.colorSpace ? gst_element_link_many(p.textOverlay, p.colorSpace, p.videoQueue, nullptr)
                             : gst_element_link(p.textOverlay, p.videoQueue));
    ok = ok && gst_element_link(p.videoQueue, p.videoSink) && LinkPadTo(mqSrc, p.videoParser);
    if (!ok) {
        DropVideoElements(p);
        return false;
    }
    GstPad* decoderSrc = gst_element_get_static_pad(p.videoDecoder, "src");
    g_signal_connect(decoderSrc, "notify::caps", G_CALLBACK(OnVideoCaps), nullptr);
    gst_object_unref(decoderSrc);
    SyncWithPipeline({p.videoParser, p.videoDecoder, p.decoderQueue, p.deInterlace, p.videoRate, p.videoScale,
                      p.videoBalance, p.subtitleOverlay, p.clockOverlay, p.textOverlay, p.colorSpace,
                      p.videoQueue, p.videoSink});
    return true;
}

// The configured sink when it can open its device, otherwise a "fakesink": a
// machine without sound still plays the picture, with a warning in the log.
GstElement* MakeAudioSink(const wxString& factory) {
    GstElement* sink = gst_element_factory_make(factory.utf8_str(), "AudioSink");
    if (sink && gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE)
        return sink;
    if (sink) {
        gst_element_set_state(sink, GST_STATE_NULL);
        gst_object_unref(gst_object_ref_sink(sink));
    }
    PostStreamLog(kLogWarning,
                  wxString::Format("WRN [AudioSink#%s: no audio output#playing without sound]", factory));
    return gst_element_factory_make("fakesink", "AudioSink");
}

bool EnsureAudioOutput() {
    PlaybackPipeline& p = Pipeline();
    if (p.audioInputSelector)
        return true;
    const auto& s = Settings();
    p.audioInputSelector = gst_element_factory_make("input-selector", "AudioInputSelector");
    p.audioRate = gst_element_factory_make("audiorate", "AudioRate");
    p.equalizer = gst_element_factory_make("equalizer-3bands", "Equalizer");
    p.volume = gst_element_factory_make("volume", "Volume");
    p.audioQueue = gst_element_factory_make("queue2", "AudioQueue");
    p.audioSink = MakeAudioSink(s.general.AudioSink);
    GstElement** all[] = {&p.audioSink, &p.audioQueue, &p.volume,
                          &p.equalizer, &p.audioRate,  &p.audioInputSelector};
    for (GstElement** e : all)
        if (!*e) {
            for (GstElement** f : all)
                if (*f)
                    gst_object_unref(gst_object_ref_sink(*f)), *f = nullptr;
            return false;
        }
    g_object_set(p.equalizer, "band0", s.avParameter.LBand, "band1", s.avParameter.MBand, "band2",
                 s.avParameter.HBand, nullptr);
    g_object_set(p.volume, "volume", IsMuted() ? 0.0 : s.general.Volume / 100.0, nullptr);
    g_object_set(p.audioQueue, "max-size-buffers", 5u, "max-size-bytes", 0u, nullptr);
    SetIfExists(p.audioSink, "sync", TRUE);
    AddToPipeline({p.audioInputSelector, p.audioRate, p.equalizer, p.volume, p.audioQueue, p.audioSink});
    if (!gst_element_link_many(p.audioInputSelector, p.audioRate, p.equalizer, p.volume, p.audioQueue,
                               p.audioSink, nullptr)) {
        for (GstElement** e : all)
            DropElement(*e);
        return false;
    }
    SyncWithPipeline({p.audioInputSelector, p.audioRate, p.equalizer, p.volume, p.audioQueue, p.audioSink});
    std::lock_guard lock(InfoMutex());
    ++Info().sinkChains;
    return true;
}

bool BuildAudioChain(int kind, GstPad* mqSrc, AudioTrackSlot& slot) {
    slot.ac3 = kind == kKindAc3;
    slot.parser = gst_element_factory_make(slot.ac3 ? "ac3parse" : "mpegaudioparse", nullptr);
    slot.decoder = slot.ac3 ? MakeElement({"a52dec", "avdec_ac3"}, nullptr)
                            : MakeElement({"mpg123audiodec", "avdec_mp2float"}, nullptr);
    slot.convert = gst_element_factory_make("audioconvert", nullptr);
    slot.resample = gst_element_factory_make("audioresample", nullptr);
    if (!slot.parser || !slot.decoder || !slot.convert || !slot.resample || !EnsureAudioOutput()) {
        for (GstElement** e : {&slot.parser, &slot.decoder, &slot.convert, &slot.resample})
            if (*e)
                gst_object_unref(gst_object_ref_sink(*e)), *e = nullptr;
        return false;
    }
    if (slot.ac3 && HasProperty(slot.decoder, "mode"))
        g_object_set(slot.decoder, "mode", 7, "lfe", TRUE, nullptr);
    AddToPipeline({slot.parser, slot.decoder, slot.convert, slot.resample});
    slot.selectorPad = gst_element_request_pad_simple(Pipeline().audioInputSelector, "sink_%u");
    GstPad* resampleSrc = gst_element_get_static_pad(slot.resample, "src");
    bool ok = gst_element_link_many(slot.parser, slot.decoder, slot.convert, slot.resample, nullptr) &&
              slot.selectorPad && gst_pad_link(resampleSrc, slot.selectorPad) == GST_PAD_LINK_OK &&
              LinkPadTo(mqSrc, slot.parser);
    gst_object_unref(resampleSrc);
    if (!ok) {
        DropAudioTrackElements(slot);
        return false;
    }
    GstPad* decoderSrc = gst_element_get_static_pad(slot.decoder, "src");
    g_signal_connect(decoderSrc, "notify::caps", G_CALLBACK(OnAudioCaps), nullptr);
    gst_object_unref(decoderSrc);
    GstPad* decoderSink = gst_element_get_static_pad(slot.parser, "sink");
    gst_pad_add_probe(decoderSink, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnAudioTagEvent, nullptr, nullptr);
    gst_object_unref(decoderSink);
    SyncWithPipeline({slot.parser, slot.decoder, slot.convert, slot.resample});
    return true;
}

bool BuildTeletextSink(GstPad* mqSrc) {
    PlaybackPipeline& p = Pipeline();
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
    TeletextSampleHandler(&handler, &data);
    if (handler)
        g_signal_connect(p.teletextSink, "new-sample", handler, data);
    AddToPipeline({p.teletextSink});
    if (!LinkPadTo(mqSrc, p.teletextSink)) {
        DropElement(p.teletextSink);
        return false;
    }
    SyncWithPipeline({p.teletextSink});
    return true;
}

GstPad* EnsureSubtitleSelector() {
    PlaybackPipeline& p = Pipeline();
    if (!p.subtitleInputSelector) {
        p.subtitleInputSelector = gst_element_factory_make("input-selector", "SubtitleInputSelector");
        if (!p.subtitleInputSelector)
            return nullptr;
        AddToPipeline({p.subtitleInputSelector});
        // Without a video chain there is no overlay: the subtitles stay without output.
        if (p.subtitleOverlay)
            gst_element_link_pads(p.subtitleInputSelector, "src", p.subtitleOverlay, "text_sink");
        SyncWithPipeline({p.subtitleInputSelector});
    }
    return gst_element_request_pad_simple(p.subtitleInputSelector, "sink_%u");
}

int NextSlot(int count) {
    return count < StreamInfo::kTrackSlots - 1 ? count : StreamInfo::kTrackSlots - 1;
}

void LinkVideo(int kind, int pid, GstPad* pad, GstPad* queuePad, GstPad* mqSrc) {
    if (!BuildVideoChain(kind, mqSrc)) {
        PostStreamLog(kLogError, "ERR [VideoDecoder#video chain not built#]");
        ReleaseRequestPad(Pipeline().multiQueue, queuePad);
        return;
    }
    {
        std::lock_guard lock(InfoMutex());
        StreamInfo& info = Info();
        ++info.linked;
        ++info.sinkChains;
        info.video.pid = pid;
        info.video.pad = pad;
        info.video.queuePad = queuePad;
        info.video.mpeg2 = kind == kKindMpeg2;
    }
    PostStreamEvent(kStreamVideoAdded, pid << 16 | kind);
}

void LinkAudio(int kind, int pid, GstPad* pad, GstPad* queuePad, GstPad* mqSrc) {
    int index;
    {
        std::lock_guard lock(InfoMutex());
        index = NextSlot(Info().audioCount);
    }
    AudioTrackSlot slot;
    slot.pid = pid;
    slot.pad = pad;
    slot.queuePad = queuePad;
    if (!BuildAudioChain(kind, mqSrc, slot)) {
        PostStreamLog(kLogError, "ERR [AudioDecoder#audio chain not built#]");
        ReleaseRequestPad(Pipeline().multiQueue, queuePad);
        return;
    }
    {
        std::lock_guard lock(InfoMutex());
        StreamInfo& info = Info();
        ++info.linked;
        info.audio[index] = slot;
        if (info.audioCount <= 24)
            ++info.audioCount;
    }
    PostStreamEvent(kStreamAudioAdded, pid << 16 | kind);
}

void LinkTeletext(int pid, GstPad* pad, GstPad* queuePad, GstPad* mqSrc) {
    if (!BuildTeletextSink(mqSrc)) {
        ReleaseRequestPad(Pipeline().multiQueue, queuePad);
        return;
    }
    std::lock_guard lock(InfoMutex());
    StreamInfo& info = Info();
    ++info.linked;
    ++info.sinkChains;
    info.teletextPid = pid;
    info.teletextPad = pad;
    info.teletextQueuePad = queuePad;
}

void LinkSubtitles(int pid, GstPad* pad, GstPad* queuePad, GstPad* mqSrc) {
    GstPad* selectorPad = EnsureSubtitleSelector();
    if (selectorPad)
        gst_pad_link(mqSrc, selectorPad);
    std::lock_guard lock(InfoMutex());
    StreamInfo& info = Info();
    SubtitleTrackSlot& slot = info.subtitles[NextSlot(info.subtitleCount)];
    slot = SubtitleTrackSlot{pid, pad, {}, 0, queuePad, selectorPad};
    for (const auto& entry : info.pmtSubtitles)
        if (entry.pid == pid) {
            slot.type = entry.type;
            slot.language = entry.language;
        }
    if (info.subtitleCount <= 24)
        ++info.subtitleCount;
}

void LinkStream(int kind, GstPad* pad) {
    const int pid = PidFromPadName(ObjectName(pad));
    std::lock_guard chains(ChainMutex());
    if (!EnsureMultiQueue())
        return;
    GstPad* mqSrc = nullptr;
    GstPad* queuePad = LinkThroughMultiQueue(pad, &mqSrc);
    if (!queuePad)
        return;
    switch (kind) {
    case kKindMpeg2:
    case kKindH264:
        LinkVideo(kind, pid, pad, queuePad, mqSrc);
        break;
    case kKindMpegAudio:
    case kKindAc3:
        LinkAudio(kind, pid, pad, queuePad, mqSrc);
        break;
    case kKindTeletext:
        LinkTeletext(pid, pad, queuePad, mqSrc);
        break;
    default:
        LinkSubtitles(pid, pad, queuePad, mqSrc);
        break;
    }
    if (mqSrc)
        gst_object_unref(mqSrc);
}

} // namespace

void DropVideoElements(PlaybackPipeline& p) {
    // Downstream first: a prerolling sink holds the upstream threads until it leaves PAUSED.
    GstElement** chain[] = {&p.videoSink,    &p.videoQueue,      &p.colorSpace,   &p.textOverlay,
                            &p.clockOverlay, &p.subtitleOverlay, &p.videoBalance, &p.videoScale,
                            &p.videoRate,    &p.deInterlace,     &p.decoderQueue, &p.videoDecoder,
                            &p.videoParser};
    for (GstElement** e : chain)
        DropElement(*e);
}

void DropAudioTrackElements(AudioTrackSlot& slot) {
    ReleaseRequestPad(Pipeline().audioInputSelector, slot.selectorPad);
    DropElement(slot.resample);
    DropElement(slot.convert);
    DropElement(slot.decoder);
    DropElement(slot.parser);
}

void OnPadAdded(GstElement*, GstPad* pad, gpointer) {
    const std::string caps = PadCapsText(pad);
    const int kind = KindFromCaps(caps);
    if (kind == kKindNone) {
        PostStreamLog(kLogInfo, wxString::Format("+Pad (UNKN: %s)", wxString::FromUTF8(caps.substr(0, 511))));
        return;
    }
    PostStreamLog(kLogInfo, wxString::Format("+Pad (%s)", KindTag(kind)));
    if (kind == kKindSubtitles)
        PostStreamEvent(kStreamSubtitlesAdded);
    LinkStream(kind, pad);
    int linked, expected;
    {
        std::lock_guard lock(InfoMutex());
        linked = Info().linked;
        expected = Info().expected;
    }
    PostStreamLog(kLogInfo, wxString::Format("Streams: %d / %d", linked, expected));
    CheckAllPadsLinked();
}
