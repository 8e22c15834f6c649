// A window's client area as pixels, for tests that compare what a window
// shows with what it must show.
#pragma once

#include "platform/win32.h"

// A bitmap the size of `window`'s client area, compatible with the
// window's device context, selected into a memory context of its own.
// With `copy`, it holds what the window shows on screen now; without, it
// is a blank of the same kind for the test to draw the expected picture on.
class ClientPixels {
public:
    ClientPixels(HWND window, bool copy);
    ~ClientPixels();
    ClientPixels(const ClientPixels&) = delete;
    ClientPixels& operator=(const ClientPixels&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    int width_;
    int height_;
};

// The header of a 32-bit DIB of this size whose first row is the top one,
// so that pixel (x, y) is at y * width + x.
BITMAPINFO TopDownBitmapInfo(int width, int height);
