// Screenshots: the last picture the video sink rendered ("last-sample"),
// converted to RGB, scaled to square pixels and saved as a PNG file.
#pragma once

#include <cstdint>
#include <vector>

#include <gst/gst.h>
#include <gst/video/video.h>
#include <wx/string.h>

class Player;

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // R, G, B per pixel, rows without padding
};

// Studio-range YUV to RGB, each channel clamped to 0..255 and truncated.
void YuvToRgb(int y, int u, int v, std::uint8_t rgb[3]);

// Converts a raw frame of planar YUV 4:2:0 (I420, YV12) or a packed RGB layout
// into RGB (the frame mapping has checked the buffer size). False for other layouts.
bool ConvertFrameToRgb(const GstVideoFrame& frame, RgbImage& out);

// Width of the picture with square pixels: width x parNum / parDen (truncated).
int SquarePixelWidth(int width, int parNum, int parDen);

// Scales the image to width x height and encodes it as PNG.
bool EncodePng(const RgbImage& image, int width, int height, std::vector<std::uint8_t>& png);

enum class ScreenshotResult { Saved, NotPlaying, NoPicture, ConversionFailed, WriteFailed };

// Saves the video sink's last picture, at the decoded video's size with square
// pixels, into dir under the screenshot name;
// *path gets the file, *error the reason of a write failure.
ScreenshotResult TakeScreenshot(Player& player, const wxString& dir, wxString* path, wxString* error);
