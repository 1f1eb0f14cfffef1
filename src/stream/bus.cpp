// The one bus function (synchronous, streaming threads), the PMT reader glue,
// "no-more-pads" and the source hand-off statistics.
#include <cstring>

#include <gst/mpegts/mpegts.h>
#include <gst/video/videooverlay.h>
#include <wx/string.h>

#include "core/settings.h"
#include "stream/engine_handlers.h"
#include "stream/gst_helpers.h"
#include "stream/pipeline.h"
#include "stream/pmt_reader.h"
#include "stream/stream_event.h"
#include "stream/stream_info.h"

namespace {

constexpr size_t kMaxLogText = 511;

wxString Limited(const wxString& text) {
    return text.Left(kMaxLogText);
}

void PostProblem(GstMessage* message, const char* prefix, int level) {
    GError* error = nullptr;
    gchar* debug = nullptr;
    if (level == kLogError)
        gst_message_parse_error(message, &error, &debug);
    else if (level == kLogWarning)
        gst_message_parse_warning(message, &error, &debug);
    else
        gst_message_parse_info(message, &error, &debug);
    const wxString text = wxString::Format(
        "%s [%s#%s#%s]", prefix, wxString::FromUTF8(ObjectName(GST_MESSAGE_SRC(message)).c_str()),
        wxString::FromUTF8(error ? error->message : ""), wxString::FromUTF8(debug ? debug : ""));
    g_clear_error(&error);
    g_free(debug);
    if (level == kLogError)
        PostStreamEvent(kStreamResync);
    PostStreamLog(level, Limited(text));
}

void HandleTagMessage(GstMessage* message) {
    GstTagList* tags = nullptr;
    gst_message_parse_tag(message, &tags);
    GstObject* src = GST_MESSAGE_SRC(message);
    if (tags && src && GST_IS_ELEMENT(src)) {
        if (GstPad* pad = gst_element_get_static_pad(GST_ELEMENT(src), "sink")) {
            HandleAudioTags(pad, tags);
            gst_object_unref(pad);
        }
    }
    if (tags)
        gst_tag_list_unref(tags);
}

void HandleBuffering(GstMessage* message) {
    int percent = 0;
    gst_message_parse_buffering(message, &percent);
    bool play = false;
    {
        std::lock_guard lock(InfoMutex());
        StreamInfo& info = Info();
        info.bufferPercent = percent;
        if (info.bufferingPending && percent >= Settings().general.StreamBuffer) {
            info.bufferingPending = false;
            play = true;
        }
    }
    if (play) {
        PostStreamLog(kLogDebug, "Buffering done");
        SetPipelineStateAsync(GST_STATE_PLAYING);
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

void HandleStateChange(GstMessage* message) {
    if (!IsCountedSink(GST_MESSAGE_SRC(message)))
        return;
    GstState oldState, newState;
    gst_message_parse_state_changed(message, &oldState, &newState, nullptr);
    int post = -1;
    {
        std::lock_guard lock(InfoMutex());
        StreamInfo& info = Info();
        if (oldState == GST_STATE_PAUSED && newState == GST_STATE_PLAYING) {
            if (info.sinksPlaying <= info.sinkChains && ++info.sinksPlaying == info.sinkChains + 1)
                post = 1;
        } else if (oldState == GST_STATE_PLAYING && newState == GST_STATE_PAUSED) {
            if (info.sinksPlaying > 0 && --info.sinksPlaying == 0)
                post = 0;
        }
    }
    if (post >= 0)
        PostStreamEvent(kStreamPlaying, post);
}

void HandleElementMessage(GstMessage* message) {
    if (gst_is_video_overlay_prepare_window_handle_message(message)) {
        AttachVideoWindowTo(GST_ELEMENT(GST_MESSAGE_SRC(message)), VideoMode());
        return;
    }
    if (GstMpegtsSection* section = gst_message_parse_mpegts_section(message)) {
        if (GST_MPEGTS_SECTION_TYPE(section) == GST_MPEGTS_SECTION_PMT)
            HandlePmtMessage(message);
        gst_mpegts_section_unref(section);
    }
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

int WantedProgramme() {
    gint programme = -1;
    if (Pipeline().demuxer)
        g_object_get(Pipeline().demuxer, "program-number", &programme, nullptr);
    return programme;
}

void UpdateStats(GstBuffer* buffer) {
    using Clock = std::chrono::steady_clock;
    const auto now = Clock::now();
    {
        std::lock_guard lock(InfoMutex());
        ThroughputStats& s = Info().stats;
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
    PostStreamEvent(kStreamStatistics);
}

} // namespace

void HandlePmtMessage(GstMessage* message) {
    GstMpegtsSection* section = gst_message_parse_mpegts_section(message);
    if (!section)
        return;
    const GstMpegtsPMT* pmt = gst_mpegts_section_get_pmt(section);
    const int wanted = WantedProgramme();
    if (pmt && (wanted < 0 || wanted == section->subtable_extension)) {
        PostStreamLog(kLogDebug, "PMT changed");
        const PmtSummary summary = ReadPmt(PmtEntries(pmt));
        for (const auto& line : summary.logLines)
            PostStreamLog(kLogDebug, wxString::FromUTF8(line.c_str()).Trim());
        {
            std::lock_guard lock(InfoMutex());
            StreamInfo& info = Info();
            // The table describes the whole programme: a new version replaces the count.
            info.expected = summary.expected;
            info.pmtSubtitles = summary.subtitles;
            // The demuxer adds its pads before it posts the table: complete the slots already linked.
            for (auto& slot : info.subtitles)
                for (const auto& entry : summary.subtitles)
                    if (slot.pad && slot.pid == entry.pid) {
                        slot.type = entry.type;
                        slot.language = entry.language;
                    }
            if (summary.hasTeletext)
                info.teletext = summary.teletext;
        }
        CheckAllPadsLinked();
    }
    gst_mpegts_section_unref(section);
}

void CheckAllPadsLinked() {
    bool signal = false;
    {
        std::lock_guard lock(InfoMutex());
        const StreamInfo& info = Info();
        const int reduce = info.expected > 1 ? 1 : 0;
        signal =
            !info.padsDone && info.expected > 0 && info.linked > 0 && info.linked >= info.expected - reduce;
    }
    if (signal && Pipeline().demuxer)
        gst_element_no_more_pads(Pipeline().demuxer);
}

void OnNoMorePads(GstElement*, gpointer) {
    bool play = false;
    {
        std::lock_guard lock(InfoMutex());
        StreamInfo& info = Info();
        // Without a linked stream nothing will play: leave the timeout running.
        if (info.padsDone || info.linked == 0)
            return;
        info.padsDone = true;
        info.bufferingPending = true;
        // The queue may have filled before the pads were complete; no further
        // buffering message would then open the gate.
        if (info.bufferPercent >= Settings().general.StreamBuffer) {
            info.bufferingPending = false;
            play = true;
        }
    }
    PostStreamLog(kLogDebug, "Pads done");
    PostStreamEvent(kStreamPadsDone);
    if (play) {
        PostStreamLog(kLogDebug, "Buffering done");
        SetPipelineStateAsync(GST_STATE_PLAYING);
    }
}

void OnSourceHandoff(GstElement*, GstBuffer* buffer, gpointer) {
    UpdateStats(buffer);
}

GstBusSyncReply OnBusMessage(GstBus*, GstMessage* message, gpointer) {
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        PostStreamEvent(kStreamResync);
        break;
    case GST_MESSAGE_ERROR:
        PostProblem(message, "ERR", kLogError);
        break;
    case GST_MESSAGE_WARNING:
        PostProblem(message, "WRN", kLogWarning);
        break;
    case GST_MESSAGE_INFO:
        PostProblem(message, "INF", kLogInfo);
        break;
    case GST_MESSAGE_TAG:
        HandleTagMessage(message);
        break;
    case GST_MESSAGE_BUFFERING:
        HandleBuffering(message);
        break;
    case GST_MESSAGE_STATE_CHANGED:
        HandleStateChange(message);
        break;
    case GST_MESSAGE_ELEMENT:
        HandleElementMessage(message);
        break;
    default:
        break;
    }
    // A sync handler that drops a message owns it. Kept, every message would hold
    // its source element, and each zap's chains would stay in memory with their
    // decoders and buffers.
    gst_message_unref(message);
    return GST_BUS_DROP;
}
