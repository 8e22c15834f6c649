#include "client_pixels.h"

ClientPixels::ClientPixels(HWND window, bool copy)
{
    RECT client;
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    HDC screen = GetDC(window);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, width_, height_);
    old_ = SelectObject(dc_, bitmap_);
    if (copy)
        BitBlt(dc_, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
    ReleaseDC(window, screen);
}

ClientPixels::~ClientPixels()
{
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

BITMAPINFO TopDownBitmapInfo(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}
