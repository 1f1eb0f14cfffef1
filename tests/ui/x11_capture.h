// Reads a rectangle of the screen from the X server (kept apart from the toolkit's
// headers, which clash with Xlib's macros).
#pragma once

#include <vector>

// RGB bytes, row by row; false when the display or the rectangle is not readable.
bool CaptureScreenRect(int x, int y, int width, int height, std::vector<unsigned char>& rgb);
