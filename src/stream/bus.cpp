// The bus: a watch on the GUI thread maps GStreamer's messages to the player's
// events and state, a synchronous handler hands the video sink its window. Also the
// PMT reader glue, "no-more-pads" and the source hand-off statistics.
#include <cctype>
#include <cstring>

#include <gst/mpegts/mpegts.h>
#include <gst/video/videooverlay.h>

#include "stream/engine_handlers.h"
#include "stream/gst_helpers.h"
#include "stream/player_core.h"
#include "stream/pmt_reader.h"

namespace {

// What "ERR [source#message#debug]" may take up of a log line.
constexpr size_t kMaxProblemText = 511;

// Cuts the debug text first, then the message, so that the problem stays within
// the limit; the cut never splits a UTF-8 sequence.
void Limit(std::string& text, size_t room) {
    if (text.size() <= room)
        return;
    while (room > 0 && (static_cast<unsigned char>(text[room]) & 0xC0) == 0x80)
        --room;
    text.resize(room);
}

void PostProblem(PlayerCore& core, GstMessage* message, int level) {
    GError* error = nullptr;
    gchar* debugText = nullptr;
    if (level == kLogError)
        gst_message_parse_error(message, &error, &debugText);
    else if (level == kLogWarning)
        gst_message_parse_warning(message, &error, &debugText);
    else
        gst_message_parse_info(message, &error, &debugText);
    std::string source = ObjectName(GST_MESSAGE_SRC(message));
    std::string text = error ? error->message : "";
    std::string debug = debugText ? debugText : "";
    g_clear_error(&error);
    g_free(debugText);
    const size_t frame = std::strlen("ERR [##]");
    Limit(source, kMaxProblemText - frame);
    Limit(text, kMaxProblemText - frame - source.size());
    Limit(debug, kMaxProblemText - frame - source.size() - text.size());
    if (level == kLogError)
        core.Post(stream_event::Resync{});
    core.Problem(level, std::move(source), std::move(text), std::move(debug));
}

void HandleTagMessage(PlayerCore& core, GstMessage* message) {
    GstTagList* tags = nullptr;
    gst_message_parse_tag(message, &tags);
    GstObject* src = GST_MESSAGE_SRC(message);
    if (tags && src && GST_IS_ELEMENT(src)) {
        if (GstPad* pad = gst_element_get_static_pad(GST_ELEMENT(src), "sink")) {
            HandleAudioTags(core, pad, tags);
            gst_object_unref(pad);
        }
    }
    if (tags)
        gst_tag_list_unref(tags);
}

int GateLevel(const PlayerCore& core) {
    std::lock_guard lock(core.settingsMutex);
    return core.settings.streamBuffer;
}

void HandleBuffering(PlayerCore& core, GstMessage* message) {
    int percent = 0;
    gst_message_parse_buffering(message, &percent);
    const int gate = GateLevel(core);
    bool play = false;
    {
        std::lock_guard lock(core.infoMutex);
        StreamInfo& info = core.info;
        info.bufferPercent = percent;
        if (info.bufferingPending && percent >= gate) {
            info.bufferingPending = false;
            play = true;
        }
    }
    if (play) {
        core.Log(kLogDebug, "Buffering done");
        core.SetStateAsync(GST_STATE_PLAYING);
    }
}

bool IsCountedSink(GstObject* src) {
    const char* name = GST_OBJECT_NAME(src);
    if (!name)
        return false;
    for (const char* sink : {"VideoSink", "AudioSink", "TeletextSink", "FileSink"})
        if (std::strcmp(name, sink) == 0)
            return true;
    return false;
}

void HandleStateChange(PlayerCore& core, GstMessage* message) {
    if (!IsCountedSink(GST_MESSAGE_SRC(message)))
        return;
    GstState oldState, newState;
    gst_message_parse_state_changed(message, &oldState, &newState, nullptr);
    int post = -1;
    {
        std::lock_guard lock(core.infoMutex);
        StreamInfo& info = core.info;
        if (oldState == GST_STATE_PAUSED && newState == GST_STATE_PLAYING) {
            if (info.sinksPlaying <= info.sinkChains && ++info.sinksPlaying == info.sinkChains + 1)
                post = 1;
        } else if (oldState == GST_STATE_PLAYING && newState == GST_STATE_PAUSED) {
            if (info.sinksPlaying > 0 && --info.sinksPlaying == 0)
                post = 0;
        }
    }
    if (post >= 0)
        core.Post(stream_event::Playing{post == 1});
}

void HandleElementMessage(PlayerCore& core, GstMessage* message) {
    if (GstMpegtsSection* section = gst_message_parse_mpegts_section(message)) {
        if (GST_MPEGTS_SECTION_TYPE(section) == GST_MPEGTS_SECTION_PMT)
            HandlePmtMessage(core, message);
        gst_mpegts_section_unref(section);
    }
}

std::string TrimmedRight(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text;
}

std::vector<PmtStreamEntry> PmtEntries(const GstMpegtsPMT* pmt) {
    std::vector<PmtStreamEntry> entries;
    for (guint i = 0; pmt->streams && i < pmt->streams->len; ++i) {
        const auto* stream = static_cast<GstMpegtsPMTStream*>(g_ptr_array_index(pmt->streams, i));
        PmtStreamEntry entry{stream->stream_type, stream->pid, {}};
        for (guint j = 0; stream->descriptors && j < stream->descriptors->len; ++j) {
            const auto* d = static_cast<GstMpegtsDescriptor*>(g_ptr_array_index(stream->descriptors, j));
            if (d->data)
                entry.descriptors.emplace_back(d->data, d->data + 2 + d->length);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

int WantedProgramme(PlayerCore& core) {
    gint programme = -1;
    if (core.elements.demuxer)
        g_object_get(core.elements.demuxer, "program-number", &programme, nullptr);
    return programme;
}

std::vector<Descriptor> ProgrammeDescriptors(const GstMpegtsPMT* pmt) {
    std::vector<Descriptor> out;
    for (guint i = 0; pmt->descriptors && i < pmt->descriptors->len; ++i) {
        const auto* d = static_cast<GstMpegtsDescriptor*>(g_ptr_array_index(pmt->descriptors, i));
        if (d->data)
            out.emplace_back(d->data, d->data + 2 + d->length);
    }
    return out;
}

// On the demuxer's thread, before it reads the next packet: the census judges the
// packets by the table that announced them.
void NoteProgrammeTable(PlayerCore& core, GstMessage* message) {
    GstMpegtsSection* section = gst_message_parse_mpegts_section(message);
    if (!section)
        return;
    if (GST_MPEGTS_SECTION_TYPE(section) == GST_MPEGTS_SECTION_PMT)
        if (const GstMpegtsPMT* pmt = gst_mpegts_section_get_pmt(section))
            NoteProgrammeFacts(core, section->subtable_extension, WantedProgramme(core),
                               ReadProgrammeFacts(pmt->pcr_pid, ProgrammeDescriptors(pmt), PmtEntries(pmt)));
    gst_mpegts_section_unref(section);
}

void UpdateStats(PlayerCore& core, GstBuffer* buffer) {
    using Clock = std::chrono::steady_clock;
    const auto now = Clock::now();
    {
        std::lock_guard lock(core.infoMutex);
        ThroughputStats& s = core.info.stats;
        if (s.resetRequested) {
            s = ThroughputStats{};
            s.lastReport = now;
        }
        if (now - s.lastReport < std::chrono::seconds(1)) {
            s.accumulator += gst_buffer_get_size(buffer);
            return;
        }
        const auto count = s.accumulator;
        if (count != 0 && count < s.minimum)
            s.minimum = count;
        if (count > s.maximum)
            s.maximum = count;
        s.previousCount = s.lastCount;
        s.lastCount = count;
        s.accumulator = 0;
        s.lastReport = now;
    }
    core.Post(stream_event::Statistics{});
}

// The demuxer adds its pads before it posts the table: the slots already linked
// take the subtitle facts, and the languages their tags did not bring, by PID.
void CompleteLinkedSlots(StreamInfo& info, const PmtSummary& summary) {
    for (auto& slot : info.subtitles)
        for (const auto& entry : summary.subtitles)
            if (slot.pad && slot.pid == entry.pid) {
                slot.type = entry.type;
                slot.language = entry.language;
            }
    for (auto& slot : info.audio)
        for (const auto& track : summary.tracks)
            if (slot.pad && slot.pid == track.pid && slot.language.empty())
                slot.language = track.language;
}

// The demuxer announces the programme's streams before it adds their pads, so
// the count to expect is known from the first pad on (the PMT itself is posted
// after the pads). Runs on the demuxer's streaming thread.
void HandleStreamCollection(PlayerCore& core, GstMessage* message) {
    if (GST_MESSAGE_SRC(message) != GST_OBJECT(core.elements.demuxer))
        return;
    GstStreamCollection* collection = nullptr;
    gst_message_parse_stream_collection(message, &collection);
    if (!collection)
        return;
    int expected = 0;
    for (guint i = 0; i < gst_stream_collection_get_size(collection); ++i) {
        GstCaps* caps = gst_stream_get_caps(gst_stream_collection_get_stream(collection, i));
        if (!caps)
            continue;
        gchar* text = gst_caps_to_string(caps);
        expected += IsCountedKind(KindFromCaps(text ? text : "")) ? 1 : 0;
        g_free(text);
        gst_caps_unref(caps);
    }
    gst_object_unref(collection);
    std::lock_guard lock(core.infoMutex);
    core.info.expected = expected;
}

} // namespace

std::string StreamsLine(int linked, int expected) {
    return "Streams: " + std::to_string(linked) + " / " + std::to_string(expected);
}

void HandlePmtMessage(PlayerCore& core, GstMessage* message) {
    GstMpegtsSection* section = gst_message_parse_mpegts_section(message);
    if (!section)
        return;
    const GstMpegtsPMT* pmt = gst_mpegts_section_get_pmt(section);
    const int wanted = WantedProgramme(core);
    if (pmt && (wanted < 0 || wanted == section->subtable_extension)) {
        core.Log(kLogDebug, "PMT changed");
        int linked = 0;
        bool recount = false;
        const PmtSummary summary = ReadPmt(PmtEntries(pmt));
        for (const auto& line : summary.logLines)
            core.Log(kLogDebug, TrimmedRight(line));
        {
            std::lock_guard lock(core.infoMutex);
            StreamInfo& info = core.info;
            // The table describes the whole programme: a new version replaces the count.
            recount = info.expected != summary.expected;
            info.expected = summary.expected;
            info.pmtSubtitles = summary.subtitles;
            CompleteLinkedSlots(info, summary);
            if (summary.hasTeletext)
                info.teletext = summary.teletext;
            linked = info.linked;
        }
        if (recount)
            core.Log(kLogInfo, StreamsLine(linked, summary.expected));
        CheckAllPadsLinked(core);
    }
    gst_mpegts_section_unref(section);
}

void CheckAllPadsLinked(PlayerCore& core) {
    bool signal = false;
    {
        std::lock_guard lock(core.infoMutex);
        const StreamInfo& info = core.info;
        const int reduce = info.expected > 1 ? 1 : 0;
        signal =
            !info.padsDone && info.expected > 0 && info.linked > 0 && info.linked >= info.expected - reduce;
    }
    if (signal && core.elements.demuxer)
        gst_element_no_more_pads(core.elements.demuxer);
}

void OnNoMorePads(GstElement*, gpointer data) {
    PlayerCore& core = *static_cast<PlayerCore*>(data);
    const int gate = GateLevel(core);
    bool play = false;
    {
        std::lock_guard lock(core.infoMutex);
        StreamInfo& info = core.info;
        // Without a linked stream nothing will play: leave the timeout running.
        if (info.padsDone || info.linked == 0)
            return;
        info.padsDone = true;
        info.bufferingPending = true;
        // The queue may have filled before the pads were complete; no further
        // buffering message would then open the gate. With the PCR ignored the
        // demuxer gives its output no times: the queues cannot be measured.
        if (info.bufferPercent >= gate || core.ignorePcr) {
            info.bufferingPending = false;
            play = true;
        }
    }
    core.Log(kLogDebug, "Pads done");
    core.Post(stream_event::PadsDone{});
    if (play) {
        core.Log(kLogDebug, "Buffering done");
        core.SetStateAsync(GST_STATE_PLAYING);
    }
}

void OnSourceHandoff(GstElement*, GstBuffer* buffer, gpointer data) {
    UpdateStats(*static_cast<PlayerCore*>(data), buffer);
}

void AttachVideoWindowTo(PlayerCore& core, GstElement* sink, int mode) {
    core.videoMode = mode;
    const guintptr handle = (mode >= 0 && mode < static_cast<int>(core.windowHandles.size()))
                                ? core.windowHandles[mode].load()
                                : 0;
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

void RaiseEosOnUnderrun(GstElement*, gpointer data) {
    PlayerCore& core = *static_cast<PlayerCore*>(data);
    const PlaybackPipeline& p = core.elements;
    if (p.pipeline && core.State() == GST_STATE_PLAYING)
        gst_element_post_message(p.pipeline, gst_message_new_eos(GST_OBJECT(p.source)));
}

GstBusSyncReply OnBusSync(GstBus*, GstMessage* message, gpointer data) {
    PlayerCore& core = *static_cast<PlayerCore*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_STREAM_COLLECTION)
        HandleStreamCollection(core, message);
    if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_ELEMENT)
        return GST_BUS_PASS;
    if (!gst_is_video_overlay_prepare_window_handle_message(message)) {
        NoteProgrammeTable(core, message);
        return GST_BUS_PASS;
    }
    // The sink asks from its streaming thread and waits for the answer.
    AttachVideoWindowTo(core, GST_ELEMENT(GST_MESSAGE_SRC(message)), core.videoMode);
    // A sync handler that drops a message owns it; kept, it would hold the sink.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

gboolean OnBusWatch(GstBus*, GstMessage* message, gpointer data) {
    PlayerCore& core = *static_cast<PlayerCore*>(data);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        core.Post(stream_event::Resync{});
        break;
    case GST_MESSAGE_ERROR:
        PostProblem(core, message, kLogError);
        break;
    case GST_MESSAGE_WARNING:
        PostProblem(core, message, kLogWarning);
        break;
    case GST_MESSAGE_INFO:
        PostProblem(core, message, kLogInfo);
        break;
    case GST_MESSAGE_TAG:
        HandleTagMessage(core, message);
        break;
    case GST_MESSAGE_BUFFERING:
        HandleBuffering(core, message);
        break;
    case GST_MESSAGE_STATE_CHANGED:
        HandleStateChange(core, message);
        break;
    case GST_MESSAGE_ELEMENT:
        HandleElementMessage(core, message);
        break;
    default:
        break;
    }
    return TRUE;
}
