// Recording the live stream to a file that plays back, ending a recording with
// the stream, and screenshots of the playing picture.
#include <atomic>
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <wx/dir.h>
#include <wx/filename.h>

#include "element_properties.h"
#include "sim_playback_fixture.h"
#include "stream/gst_helpers.h"
#include "stream/recording.h"
#include "stream/screenshot.h"
#include "temp_dir.h"

namespace {

size_t FileCount(const TempDir& dir) {
    wxArrayString files;
    return wxDir::GetAllFiles(dir.Path(), &files);
}

long long FileSize(const wxString& path) {
    struct stat st {};
    return stat(path.fn_str(), &st) == 0 ? st.st_size : -1;
}

// What a separate tsdemux pipeline decodes from a recorded file.
struct Decoded {
    std::atomic<int> videoFrames{0};
    std::atomic<int> audioBuffers{0};
    std::atomic<GstClockTime> firstVideo{GST_CLOCK_TIME_NONE};
    std::atomic<GstClockTime> lastVideo{GST_CLOCK_TIME_NONE};
    bool eos = false;
    GstElement* pipeline = nullptr;
};

GstPadProbeReturn CountBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* d = static_cast<Decoded*>(data);
    const std::string caps = PadCapsText(pad);
    if (caps.rfind("video/", 0) == 0) {
        ++d->videoFrames;
        const GstClockTime pts = GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info));
        if (GST_CLOCK_TIME_IS_VALID(pts)) {
            if (!GST_CLOCK_TIME_IS_VALID(d->firstVideo.load()))
                d->firstVideo = pts;
            d->lastVideo = pts;
        }
    } else if (caps.rfind("audio/", 0) == 0) {
        ++d->audioBuffers;
    }
    return GST_PAD_PROBE_OK;
}

void OnDecodedPad(GstElement*, GstPad* pad, gpointer data) {
    auto* d = static_cast<Decoded*>(data);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, nullptr);
    gst_bin_add(GST_BIN(d->pipeline), sink);
    gst_element_sync_state_with_parent(sink);
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    if (gst_pad_link(pad, sinkPad) == GST_PAD_LINK_OK)
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, CountBuffer, d, nullptr);
    gst_object_unref(sinkPad);
}

void OnDemuxedPad(GstElement*, GstPad* pad, gpointer data) {
    auto* d = static_cast<Decoded*>(data);
    const std::string caps = PadCapsText(pad);
    const bool media = caps.rfind("video/", 0) == 0 || caps.rfind("audio/", 0) == 0;
    // A queue per stream: one demuxer thread must not wait for one sink to preroll.
    // Teletext has no decoder and is swallowed as it is.
    GstElement* queue = gst_element_factory_make("queue", nullptr);
    GstElement* next = media ? gst_element_factory_make("decodebin", nullptr)
                             : gst_element_factory_make("fakesink", nullptr);
    if (media)
        g_signal_connect(next, "pad-added", G_CALLBACK(OnDecodedPad), d);
    else
        g_object_set(next, "sync", FALSE, nullptr);
    gst_bin_add_many(GST_BIN(d->pipeline), queue, next, nullptr);
    gst_element_link(queue, next);
    gst_element_sync_state_with_parent(next);
    gst_element_sync_state_with_parent(queue);
    GstPad* sinkPad = gst_element_get_static_pad(queue, "sink");
    gst_pad_link(pad, sinkPad);
    gst_object_unref(sinkPad);
}

void PlayBack(const wxString& path, Decoded& d) {
    d.pipeline = gst_pipeline_new("PlayBack");
    GstElement* src = gst_element_factory_make("filesrc", nullptr);
    GstElement* demux = gst_element_factory_make("tsdemux", nullptr);
    g_object_set(src, "location", static_cast<const char*>(path.fn_str()), nullptr);
    gst_bin_add_many(GST_BIN(d.pipeline), src, demux, nullptr);
    gst_element_link(src, demux);
    g_signal_connect(demux, "pad-added", G_CALLBACK(OnDemuxedPad), &d);
    gst_element_set_state(d.pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(d.pipeline);
    GstMessage* msg = gst_bus_timed_pop_filtered(
        bus, 60 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    d.eos = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
    if (msg)
        gst_message_unref(msg);
    gst_object_unref(bus);
    gst_element_set_state(d.pipeline, GST_STATE_NULL);
    gst_object_unref(d.pipeline);
}

// Width and height of a PNG file as pngdec decodes it (0 x 0 when it does not).
std::pair<int, int> DecodedPngSize(const wxString& path) {
    const wxString description =
        wxString::Format("filesrc location=\"%s\" ! pngdec ! appsink name=out", path);
    GstElement* pipeline = gst_parse_launch(description.utf8_str(), nullptr);
    if (!pipeline)
        return {0, 0};
    GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstSample* sample = nullptr;
    g_signal_emit_by_name(out, "try-pull-sample", 10 * GST_SECOND, &sample);
    int width = 0, height = 0;
    if (sample) {
        const GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
        gst_structure_get_int(s, "width", &width);
        gst_structure_get_int(s, "height", &height);
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(out);
    gst_object_unref(pipeline);
    return {width, height};
}

class RecordScreenshotTest : public SimPlaybackTest {
protected:
    // The sinks report before the pipeline itself has reached PLAYING.
    static bool PlayUntilPipelinePlays(EngineHarness& h, const SimService& s, int times = 1) {
        return PlayUntilPlaying(h, s, times) && h.Pump([] { return player().IsPlaying(); }, 5000);
    }
};

} // namespace

TEST_F(RecordScreenshotTest, TenSecondsOfLiveStreamPlayBackWithPictureAndSound) {
    TempDir dir;
    EngineHarness h(player());
    // H.264 repeats its parameter sets at every key frame, so a recording cut in
    // anywhere decodes (the simulator's MPEG-2 sends its sequence header once).
    ASSERT_TRUE(PlayUntilPipelinePlays(h, kHdFull));
    wxString path, error;
    ASSERT_EQ(BeginRecording(player(), dir.Path(), &path, &error), RecordingStart::Started) << error;
    EXPECT_TRUE(path.StartsWith(dir.Path() + "te_"));
    EXPECT_TRUE(path.EndsWith(".ts"));
    EXPECT_EQ(RecordingPath(player()), path);
    EXPECT_FALSE(BoolProperty(player().Elements().valve, "drop"));
    h.Pump([] { return false; }, 10000);
    StopRecording(player());
    EXPECT_TRUE(BoolProperty(player().Elements().valve, "drop"));
    EXPECT_EQ(StringProperty(player().Elements().fileSink, "location"), "/dev/null");
    EXPECT_TRUE(RecordingPath(player()).empty());

    // Ending the recording must not disturb the stream it was cut from.
    const long long size = FileSize(path);
    EXPECT_GT(size, 100 * 1024);
    h.Pump([] { return false; }, 1500);
    EXPECT_TRUE(player().IsPlaying());
    EXPECT_EQ(h.Count<stream_event::Resync>(), 0);
    EXPECT_EQ(FileSize(path), size);

    Decoded d;
    PlayBack(path, d);
    EXPECT_TRUE(d.eos);
    EXPECT_GT(d.videoFrames.load(), 25);
    EXPECT_GT(d.audioBuffers.load(), 25);
    ASSERT_TRUE(GST_CLOCK_TIME_IS_VALID(d.lastVideo.load()));
    // The file holds several seconds of picture, not a fragment.
    EXPECT_GT(d.lastVideo.load() - d.firstVideo.load(), 5 * GST_SECOND);
}

TEST_F(RecordScreenshotTest, RecordingEndsWithTheStreamAndIsNotReopened) {
    TempDir dir;
    EngineHarness h(player());
    ASSERT_TRUE(PlayUntilPipelinePlays(h, kSdPlain));
    wxString first, error;
    ASSERT_EQ(BeginRecording(player(), dir.Path(), &first, &error), RecordingStart::Started);
    h.Pump([] { return false; }, 1500);
    player().Stop(); // the stop command ends the stream, then the recording
    StopRecording(player());
    EXPECT_TRUE(BoolProperty(player().Elements().valve, "drop"));
    EXPECT_EQ(StringProperty(player().Elements().fileSink, "location"), "/dev/null");
    const long long size = FileSize(first);
    EXPECT_GT(size, 0);

    // The next stream must not write into (or truncate) the finished file.
    ASSERT_TRUE(h.Pump([&] { return h.CountPlaying(false) > 0; }, 5000));
    ASSERT_TRUE(PlayUntilPipelinePlays(h, kSdPlain, h.CountPlaying(true) + 1));
    h.Pump([] { return false; }, 1000);
    EXPECT_EQ(FileSize(first), size);
    EXPECT_EQ(FileCount(dir), 1u);

    // A second recording gets a file of its own.
    wxString second;
    ASSERT_EQ(BeginRecording(player(), dir.Path(), &second, &error), RecordingStart::Started);
    EXPECT_NE(second, first);
    StopRecording(player());
    EXPECT_EQ(FileSize(first), size);
}

TEST_F(RecordScreenshotTest, UnwritableDirectoryIsReportedAndTheStreamPlaysOn) {
    EngineHarness h(player());
    ASSERT_TRUE(PlayUntilPipelinePlays(h, kSdPlain));
    wxString path, error;
    EXPECT_EQ(BeginRecording(player(), "/dev/null/", &path, &error), RecordingStart::FileFailed);
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(BoolProperty(player().Elements().valve, "drop"));
    EXPECT_EQ(StringProperty(player().Elements().fileSink, "location"), "/dev/null");
    h.Pump([] { return false; }, 1000);
    EXPECT_TRUE(player().IsPlaying());
    EXPECT_EQ(h.Count<stream_event::Resync>(), 0);
}

TEST_F(RecordScreenshotTest, ScreenshotIsAPngOfThePictureWithSquarePixels) {
    TempDir dir;
    wxString path, error;
    EXPECT_EQ(TakeScreenshot(player(), dir.Path(), &path, &error), ScreenshotResult::NotPlaying);
    EXPECT_EQ(FileCount(dir), 0u);

    EngineHarness h(player());
    ASSERT_TRUE(PlayUntilPipelinePlays(h, kSdPlain));
    ASSERT_EQ(TakeScreenshot(player(), dir.Path(), &path, &error), ScreenshotResult::Saved) << error;
    EXPECT_TRUE(path.StartsWith(dir.Path() + "te_"));
    EXPECT_TRUE(path.EndsWith(".png"));
    const VideoFacts video = player().SnapshotInfo().video;
    ASSERT_GT(video.width, 0);
    const auto [width, height] = DecodedPngSize(path);
    EXPECT_EQ(width, SquarePixelWidth(video.width, video.parNum, video.parDen));
    EXPECT_EQ(height, video.height);

    // Two pictures in a row never share a file.
    wxString second;
    ASSERT_EQ(TakeScreenshot(player(), dir.Path(), &second, &error), ScreenshotResult::Saved);
    EXPECT_NE(second, path);
    EXPECT_EQ(TakeScreenshot(player(), "/dev/null/", &second, &error), ScreenshotResult::WriteFailed);
    EXPECT_FALSE(error.empty());
}
