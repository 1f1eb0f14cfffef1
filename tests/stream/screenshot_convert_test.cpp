// Frame conversion to RGB, square-pixel width and PNG encoding of screenshots.
#include <gtest/gtest.h>

#include "stream/screenshot.h"

namespace {

class ScreenshotConvert : public testing::Test {
protected:
    static void SetUpTestSuite() { gst_init(nullptr, nullptr); }

    // A frame of the format with every byte from fill(plane, x, y) at its place.
    template <typename Fill>
    static bool Convert(GstVideoFormat format, int width, int height, Fill fill, RgbImage& out) {
        GstVideoInfo info;
        gst_video_info_set_format(&info, format, width, height);
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
        GstVideoFrame frame;
        if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READWRITE)) {
            gst_buffer_unref(buffer);
            return false;
        }
        fill(frame);
        const bool ok = ConvertFrameToRgb(frame, out);
        gst_video_frame_unmap(&frame);
        gst_buffer_unref(buffer);
        return ok;
    }

    static void FillI420(GstVideoFrame& f, int y, int u, int v) {
        for (int c = 0; c < 3; ++c) {
            auto* data = static_cast<guint8*>(GST_VIDEO_FRAME_COMP_DATA(&f, c));
            const int rows = GST_VIDEO_FRAME_COMP_HEIGHT(&f, c);
            std::fill(data, data + rows * GST_VIDEO_FRAME_COMP_STRIDE(&f, c), c == 0 ? y : c == 1 ? u : v);
        }
    }
};

std::array<int, 3> Pixel(const RgbImage& image, int x, int y) {
    const auto* p = &image.pixels[(y * image.width + x) * 3];
    return {p[0], p[1], p[2]};
}

} // namespace

TEST_F(ScreenshotConvert, StudioRangeLimits) {
    std::uint8_t rgb[3];
    YuvToRgb(16, 128, 128, rgb);
    EXPECT_EQ((std::array<int, 3>{rgb[0], rgb[1], rgb[2]}), (std::array<int, 3>{0, 0, 0}));
    YuvToRgb(235, 128, 128, rgb); // 254.916 is truncated, not rounded
    EXPECT_EQ((std::array<int, 3>{rgb[0], rgb[1], rgb[2]}), (std::array<int, 3>{254, 254, 254}));
    YuvToRgb(255, 255, 255, rgb); // out of range is clamped, not wrapped
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[2], 255);
    YuvToRgb(0, 0, 0, rgb);
    EXPECT_EQ(rgb[2], 0);
}

TEST_F(ScreenshotConvert, PlanarFramesFollowTheirStrides) {
    // 6 x 4: the chroma rows (3 bytes) are padded to 4, which a packed reading gets wrong.
    RgbImage out;
    ASSERT_TRUE(Convert(
        GST_VIDEO_FORMAT_I420, 6, 4,
        [](GstVideoFrame& f) {
            FillI420(f, 16, 128, 128);
            auto* v = static_cast<guint8*>(GST_VIDEO_FRAME_COMP_DATA(&f, 2));
            v[GST_VIDEO_FRAME_COMP_STRIDE(&f, 2) * 1 + 2] = 255; // chroma of pixels (4..5, 2..3)
            auto* y = static_cast<guint8*>(GST_VIDEO_FRAME_COMP_DATA(&f, 0));
            y[GST_VIDEO_FRAME_COMP_STRIDE(&f, 0) * 3 + 5] = 235;
        },
        out));
    ASSERT_EQ(out.width, 6);
    ASSERT_EQ(out.height, 4);
    EXPECT_EQ(Pixel(out, 0, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(Pixel(out, 3, 3), (std::array<int, 3>{0, 0, 0}));
    const auto reddish = Pixel(out, 5, 3);
    EXPECT_EQ(reddish[0], 255);
    EXPECT_EQ(reddish[1], 151);          // 254.916 - 0.813 * 127 = 151.665
    EXPECT_EQ(Pixel(out, 4, 2)[0], 202); // 1.596 * 127 = 202.692
}

TEST_F(ScreenshotConvert, PackedRgbInAnyByteOrder) {
    struct Case {
        GstVideoFormat format;
        std::array<guint8, 4> bytes; // one pixel of R 10, G 20, B 30
    };
    for (const Case& c :
         {Case{GST_VIDEO_FORMAT_BGRx, {30, 20, 10, 0}}, Case{GST_VIDEO_FORMAT_xRGB, {0, 10, 20, 30}},
          Case{GST_VIDEO_FORMAT_RGBA, {10, 20, 30, 255}}, Case{GST_VIDEO_FORMAT_RGB, {10, 20, 30, 0}}}) {
        RgbImage out;
        ASSERT_TRUE(Convert(
            c.format, 3, 2,
            [&](GstVideoFrame& f) {
                const int pixelStride = GST_VIDEO_FRAME_COMP_PSTRIDE(&f, 0);
                for (int y = 0; y < 2; ++y) {
                    auto* row = static_cast<guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&f, 0)) +
                                y * GST_VIDEO_FRAME_PLANE_STRIDE(&f, 0);
                    for (int x = 0; x < 3; ++x)
                        std::copy(c.bytes.begin(), c.bytes.begin() + pixelStride, row + x * pixelStride);
                }
            },
            out))
            << gst_video_format_to_string(c.format);
        EXPECT_EQ(Pixel(out, 2, 1), (std::array<int, 3>{10, 20, 30})) << gst_video_format_to_string(c.format);
    }
}

TEST_F(ScreenshotConvert, OtherLayoutsAreNotGuessed) {
    RgbImage out;
    EXPECT_FALSE(Convert(
        GST_VIDEO_FORMAT_YUY2, 4, 2, [](GstVideoFrame&) {}, out));
    EXPECT_FALSE(Convert(
        GST_VIDEO_FORMAT_NV12, 4, 2, [](GstVideoFrame&) {}, out));
    EXPECT_FALSE(Convert(
        GST_VIDEO_FORMAT_RGB16, 4, 2, [](GstVideoFrame&) {}, out));
}

TEST_F(ScreenshotConvert, SquarePixelsAndPngOfThatSize) {
    EXPECT_EQ(SquarePixelWidth(720, 16, 11), 1047);
    EXPECT_EQ(SquarePixelWidth(720, 1, 1), 720);
    EXPECT_EQ(SquarePixelWidth(720, 0, 0), 720); // unknown aspect: unscaled

    RgbImage image;
    image.width = 5; // odd: GStreamer pads RGB rows to four bytes
    image.height = 3;
    image.pixels.assign(5 * 3 * 3, 200);
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(EncodePng(image, 7, 3, png));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    auto be32 = [&](size_t at) { return png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3]; };
    EXPECT_EQ(be32(16), 7);
    EXPECT_EQ(be32(20), 3);

    image.pixels.resize(10); // shorter than the picture: refused, not read past
    EXPECT_FALSE(EncodePng(image, 7, 3, png));
}
