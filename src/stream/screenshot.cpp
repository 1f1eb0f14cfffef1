#include "stream/screenshot.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include <wx/datetime.h>

#include "stream/gst_helpers.h"
#include "stream/player.h"
#include "stream/recording.h"

namespace {

constexpr GstClockTime kEncodeTimeout = 5 * GST_SECOND;

std::uint8_t Channel(double value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
}

bool IsPlanar420(GstVideoFormat format) {
    return format == GST_VIDEO_FORMAT_I420 || format == GST_VIDEO_FORMAT_YV12;
}

// One plane of 8-bit R, G, B (with or without a fourth byte), whatever their order.
bool IsPackedRgb(const GstVideoFormatInfo* f) {
    return GST_VIDEO_FORMAT_INFO_IS_RGB(f) && GST_VIDEO_FORMAT_INFO_N_PLANES(f) == 1 &&
           GST_VIDEO_FORMAT_INFO_N_COMPONENTS(f) >= 3 && GST_VIDEO_FORMAT_INFO_DEPTH(f, 0) == 8 &&
           !GST_VIDEO_FORMAT_INFO_HAS_PALETTE(f) &&
           (GST_VIDEO_FORMAT_INFO_PSTRIDE(f, 0) == 3 || GST_VIDEO_FORMAT_INFO_PSTRIDE(f, 0) == 4);
}

void ConvertPlanar420(const GstVideoFrame& frame, RgbImage& out) {
    const auto* yPlane = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_COMP_DATA(&frame, 0));
    const auto* uPlane = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_COMP_DATA(&frame, 1));
    const auto* vPlane = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_COMP_DATA(&frame, 2));
    const int yStride = GST_VIDEO_FRAME_COMP_STRIDE(&frame, 0);
    const int uStride = GST_VIDEO_FRAME_COMP_STRIDE(&frame, 1);
    const int vStride = GST_VIDEO_FRAME_COMP_STRIDE(&frame, 2);
    std::uint8_t* dst = out.pixels.data();
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x, dst += 3)
            YuvToRgb(yPlane[y * yStride + x], uPlane[(y / 2) * uStride + x / 2],
                     vPlane[(y / 2) * vStride + x / 2], dst);
}

void ConvertPackedRgb(const GstVideoFrame& frame, RgbImage& out) {
    const auto* base = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const int pixelStride = GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, 0);
    const int offset[3] = {static_cast<int>(GST_VIDEO_FRAME_COMP_POFFSET(&frame, 0)),
                           static_cast<int>(GST_VIDEO_FRAME_COMP_POFFSET(&frame, 1)),
                           static_cast<int>(GST_VIDEO_FRAME_COMP_POFFSET(&frame, 2))};
    std::uint8_t* dst = out.pixels.data();
    for (int y = 0; y < out.height; ++y) {
        const std::uint8_t* pixel = base + y * stride;
        for (int x = 0; x < out.width; ++x, pixel += pixelStride, dst += 3)
            for (int c = 0; c < 3; ++c)
                dst[c] = pixel[offset[c]];
    }
}

// A sample of the image as GStreamer's RGB layout, whose rows are padded to four bytes.
GstSample* RgbSample(const RgbImage& image) {
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_RGB, image.width, image.height);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
    GstMapInfo map;
    if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        if (buffer)
            gst_buffer_unref(buffer);
        return nullptr;
    }
    const int stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    for (int y = 0; y < image.height; ++y)
        std::memcpy(map.data + y * stride, image.pixels.data() + y * image.width * 3, image.width * 3);
    gst_buffer_unmap(buffer, &map);
    GstCaps* caps = gst_video_info_to_caps(&info);
    GstSample* sample = gst_sample_new(buffer, caps, nullptr, nullptr);
    gst_caps_unref(caps);
    gst_buffer_unref(buffer);
    return sample;
}

bool ConvertSample(GstSample* sample, RgbImage& out) {
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps))
        return false;
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ))
        return false;
    const bool ok = ConvertFrameToRgb(frame, out);
    gst_video_frame_unmap(&frame);
    return ok;
}

// Layouts the own conversion does not read are first turned into RGB by GStreamer.
bool SampleToRgb(GstSample* sample, RgbImage& out) {
    if (ConvertSample(sample, out))
        return true;
    GstCaps* rgbCaps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGB", nullptr);
    GstSample* rgb = gst_video_convert_sample(sample, rgbCaps, kEncodeTimeout, nullptr);
    gst_caps_unref(rgbCaps);
    if (!rgb)
        return false;
    const bool ok = ConvertSample(rgb, out);
    gst_sample_unref(rgb);
    return ok;
}

GstSample* LastRenderedSample(Player& player) {
    GstSample* sample = nullptr;
    player.WithElement(&PlaybackPipeline::videoSink, [&](GstElement* sink) {
        if (HasProperty(sink, "last-sample"))
            g_object_get(sink, "last-sample", &sample, nullptr);
    });
    return sample;
}

// The decoded video's size with square pixels: the sink may show a picture
// scaled to its window. Without known video facts, the sample's own size and aspect.
void TargetSize(const VideoFacts& v, GstSample* sample, const RgbImage& image, int* width, int* height) {
    if (v.width > 0 && v.height > 0) {
        *width = SquarePixelWidth(v.width, v.parNum, v.parDen);
        *height = v.height;
        return;
    }
    GstVideoInfo info;
    const bool known = gst_video_info_from_caps(&info, gst_sample_get_caps(sample));
    *width = known ? SquarePixelWidth(image.width, GST_VIDEO_INFO_PAR_N(&info), GST_VIDEO_INFO_PAR_D(&info))
                   : image.width;
    *height = image.height;
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool SaveNewFile(const wxString& dir, const std::vector<std::uint8_t>& bytes, wxString* path,
                 wxString* error) {
    const int fd = CreateNewFile(dir, wxDateTime::UNow(), ".png", path, error);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, bytes);
    const int writeErrno = errno;
    if (::close(fd) != 0 || !written) {
        *error = wxString::FromUTF8(std::strerror(written ? errno : writeErrno));
        ::unlink(path->fn_str()); // no half-written picture stays behind
        return false;
    }
    return true;
}

} // namespace

void YuvToRgb(int y, int u, int v, std::uint8_t rgb[3]) {
    const double yy = 1.164 * (y - 16);
    const double uu = u - 128;
    const double vv = v - 128;
    rgb[0] = Channel(yy + 1.596 * vv);
    rgb[1] = Channel(yy - 0.813 * vv - 0.391 * uu);
    rgb[2] = Channel(yy + 2.018 * uu);
}

bool ConvertFrameToRgb(const GstVideoFrame& frame, RgbImage& out) {
    const GstVideoFormatInfo* format = frame.info.finfo;
    out.width = GST_VIDEO_FRAME_WIDTH(&frame);
    out.height = GST_VIDEO_FRAME_HEIGHT(&frame);
    const bool planar = IsPlanar420(GST_VIDEO_FRAME_FORMAT(&frame));
    if (out.width <= 0 || out.height <= 0 || !format || (!planar && !IsPackedRgb(format)))
        return false;
    out.pixels.assign(static_cast<std::size_t>(out.width) * out.height * 3, 0);
    if (planar)
        ConvertPlanar420(frame, out);
    else
        ConvertPackedRgb(frame, out);
    return true;
}

int SquarePixelWidth(int width, int parNum, int parDen) {
    if (parNum <= 0 || parDen <= 0)
        return width;
    return static_cast<int>(static_cast<gint64>(width) * parNum / parDen);
}

bool EncodePng(const RgbImage& image, int width, int height, std::vector<std::uint8_t>& png) {
    if (image.width <= 0 || image.height <= 0 || width <= 0 || height <= 0 ||
        image.pixels.size() < static_cast<std::size_t>(image.width) * image.height * 3)
        return false;
    GstSample* rgb = RgbSample(image);
    if (!rgb)
        return false;
    GstCaps* pngCaps =
        gst_caps_new_simple("image/png", "width", G_TYPE_INT, width, "height", G_TYPE_INT, height, nullptr);
    GstSample* encoded = gst_video_convert_sample(rgb, pngCaps, kEncodeTimeout, nullptr);
    gst_caps_unref(pngCaps);
    gst_sample_unref(rgb);
    if (!encoded)
        return false;
    GstMapInfo map;
    GstBuffer* buffer = gst_sample_get_buffer(encoded);
    const bool ok = buffer && gst_buffer_map(buffer, &map, GST_MAP_READ);
    if (ok) {
        png.assign(map.data, map.data + map.size);
        gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(encoded);
    return ok && !png.empty();
}

ScreenshotResult TakeScreenshot(Player& player, const wxString& dir, wxString* path, wxString* error) {
    if (!player.IsPlaying())
        return ScreenshotResult::NotPlaying;
    GstSample* sample = LastRenderedSample(player);
    if (!sample)
        return ScreenshotResult::NoPicture;
    RgbImage image;
    int width = 0, height = 0;
    const bool converted = SampleToRgb(sample, image);
    TargetSize(player.SnapshotInfo().video, sample, image, &width, &height);
    gst_sample_unref(sample);
    std::vector<std::uint8_t> png;
    if (!converted || !EncodePng(image, width, height, png))
        return ScreenshotResult::ConversionFailed;
    return SaveNewFile(dir, png, path, error) ? ScreenshotResult::Saved : ScreenshotResult::WriteFailed;
}
