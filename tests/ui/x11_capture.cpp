#include "x11_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

bool CaptureScreenRect(int x, int y, int width, int height, std::vector<unsigned char>& rgb) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XImage* shot = XGetImage(display, DefaultRootWindow(display), x, y, width, height, AllPlanes, ZPixmap);
    if (shot) {
        rgb.resize(static_cast<size_t>(width) * height * 3);
        unsigned char* out = rgb.data();
        for (int row = 0; row < height; ++row)
            for (int col = 0; col < width; ++col) {
                const unsigned long pixel = XGetPixel(shot, col, row);
                *out++ = (pixel >> 16) & 0xff;
                *out++ = (pixel >> 8) & 0xff;
                *out++ = pixel & 0xff;
            }
        XDestroyImage(shot);
    }
    XCloseDisplay(display);
    return shot != nullptr;
}
