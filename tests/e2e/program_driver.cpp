#include "program_driver.h"

#include "client_pixels.h"
#include "test_windows.h"

#include "shared/identifiers.h"

#include <cstdlib>

#include <gtest/gtest.h>

bool WaitUntil(const std::function<bool()>& condition, int milliseconds)
{
    return WaitFor(PumpMessages, condition, milliseconds);
}

RunningProgram::RunningProgram(int showCommand)
{
    if (!process_.start(PumpMessages, 15000, showCommand))
        ADD_FAILURE() << "Altavue.exe did not start or showed no main window, error " << GetLastError();
}

std::vector<std::wstring> RunningProgram::entries(int listId) const
{
    std::vector<std::wstring> result;
    HWND target = list(listId);
    int count = static_cast<int>(Query(target, LB_GETCOUNT));
    for (int i = 0; i < count; ++i)
        result.push_back(EntryAt(target, i));
    return result;
}

int RunningProgram::count(int listId, const std::wstring& title) const
{
    return CountEntries(list(listId), title);
}

bool RunningProgram::select(int listId, const std::wstring& title) const
{
    // Read, select and check on one and the same list: a rebuild meanwhile
    // replaces it, and an index read from the old list means nothing in
    // the new one. Tries again on the new list, for a while.
    return WaitUntil([&] {
        HWND target = list(listId);
        int count = static_cast<int>(Query(target, LB_GETCOUNT));
        for (int i = 0; i < count; ++i) {
            if (EntryAt(target, i) != title)
                continue;
            Query(target, LB_SETCURSEL, static_cast<WPARAM>(i));
            return Query(target, LB_GETCURSEL) == i && EntryAt(target, i) == title &&
                   list(listId) == target;
        }
        return false;
    }, 2000);
}

int RunningProgram::selection(int listId) const
{
    return static_cast<int>(Query(list(listId), LB_GETCURSEL));
}

void RunningProgram::click(int buttonId) const
{
    // Posted, not sent: the click may make the program send messages back
    // to this thread's windows, which WaitUntil then serves.
    PostMessageW(button(buttonId), BM_CLICK, 0, 0);
}

bool RunningProgram::press(int buttonId, int milliseconds) const
{
    // While it waits, this thread still serves what the program sends to
    // its windows.
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(button(buttonId), BM_CLICK, 0, 0, SMTO_NORMAL,
                               static_cast<UINT>(milliseconds), &result) != 0;
}

long RunningProgram::waitForExit(int milliseconds)
{
    DWORD code = 0;
    if (!WaitUntil([&] { return !running(); }, milliseconds))
        return -2;
    GetExitCodeProcess(process_.handle(), &code);
    return static_cast<long>(code);
}

bool RunningProgram::running() const
{
    return process_.running();
}

namespace {

void SendMouse(DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

}  // namespace

HWND RunningProgram::topLevel(const wchar_t* className, const wchar_t* title) const
{
    return FindVisibleTopLevel(process_.id(), className, title);
}

void ClickAt(POINT point, bool right)
{
    // Two clicks on one spot within the double-click time make the second a
    // double click, which the tray reports as such; keep clicks apart, also
    // from the last click of the test process before this one.
    static DWORD lastClick = GetTickCount();
    DWORD apart = GetDoubleClickTime() + 100;
    if (GetTickCount() - lastClick < apart)
        PumpFor(static_cast<int>(apart - (GetTickCount() - lastClick)));
    SetCursorPos(point.x, point.y);
    SendMouse(MOUSEEVENTF_MOVE);
    PumpFor(50);
    SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    lastClick = GetTickCount();
}

void PressKey(WORD key)
{
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    PumpFor(50);
}

namespace {

// Pixels as 0xRRGGBB, row by row: of a square `icon` drawn at `size` on
// `background`, or of a rectangle of the screen as the user sees it.
std::vector<DWORD> ReadPixels(HDC source, int x, int y, int width, int height,
                              HICON icon = nullptr, COLORREF background = 0)
{
    BITMAPINFO info = TopDownBitmapInfo(width, height);
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<DWORD> pixels;
    if (!bitmap) {
        DeleteDC(dc);
        return pixels;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    if (icon) {
        HBRUSH brush = CreateSolidBrush(background);
        RECT all = {0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    } else {
        BitBlt(dc, 0, 0, width, height, source, x, y, SRCCOPY);
    }
    GdiFlush();
    const DWORD* begin = static_cast<const DWORD*>(bits);
    pixels.assign(begin, begin + width * height);
    for (DWORD& pixel : pixels)
        pixel &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

int ChannelDistance(DWORD a, DWORD b)
{
    int distance = 0;
    for (int shift = 0; shift < 24; shift += 8)
        distance += abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
    return distance;
}

}  // namespace

// Where the shell shows the program's notification icon: the place on the
// taskbar whose pixels are the program's icon, drawn at the small icon
// size as the shell draws it. Shells lay their icons out differently (Wine
// 8 paints them onto the taskbar from its right end, Wine 10 gives each a
// child window of its own) and Wine answers no Shell_NotifyIconGetRect, so
// the picture itself is looked for. Only the icon's opaque pixels count:
// the same on any background. False when the taskbar shows no such picture.
bool FindTrayIcon(POINT* centre)
{
    // The shell's own taskbar: a stand-in of this process may be in front.
    HWND taskbar = nullptr;
    DWORD process = 0;
    do {
        taskbar = FindWindowExW(nullptr, taskbar, L"Shell_TrayWnd", nullptr);
        GetWindowThreadProcessId(taskbar, &process);
    } while (taskbar && process == GetCurrentProcessId());
    if (!taskbar || !IsWindowVisible(taskbar))
        return false;
    RECT bar;
    GetWindowRect(taskbar, &bar);
    int size = GetSystemMetrics(SM_CXSMICON);
    int width = bar.right - bar.left, height = bar.bottom - bar.top;
    if (width < size || height < size)
        return false;

    HICON icon = LoadProgramIcon();
    if (!icon)
        return false;
    std::vector<DWORD> onBlack = ReadPixels(nullptr, 0, 0, size, size, icon, RGB(0, 0, 0));
    std::vector<DWORD> onWhite = ReadPixels(nullptr, 0, 0, size, size, icon, RGB(255, 255, 255));
    DestroyIcon(icon);
    std::vector<int> opaque;
    for (int i = 0; i < size * size; ++i) {
        if (onBlack[i] == onWhite[i])
            opaque.push_back(i);
    }
    if (opaque.size() < static_cast<size_t>(size * size / 4))
        return false;

    HDC screen = GetDC(nullptr);
    std::vector<DWORD> shown = ReadPixels(screen, bar.left, bar.top, width, height);
    ReleaseDC(nullptr, screen);
    if (shown.empty())
        return false;
    // The closest place, by the mean difference of an opaque pixel's
    // channels; rounding in the shell's scaling may differ by a little.
    long best = -1;
    POINT at = {};
    for (int y = 0; y + size <= height; ++y) {
        for (int x = 0; x + size <= width; ++x) {
            long sum = 0;
            for (int i : opaque) {
                sum += ChannelDistance(shown[(y + i / size) * width + x + i % size], onBlack[i]);
                if (best >= 0 && sum >= best)
                    break;
            }
            if (best < 0 || sum < best) {
                best = sum;
                at = {x, y};
            }
        }
    }
    const long meanLimit = 8;
    if (best > meanLimit * static_cast<long>(opaque.size()))
        return false;
    *centre = {bar.left + at.x + size / 2, bar.top + at.y + size / 2};
    return true;
}

bool RunningProgram::clickTrayIcon(bool right) const
{
    // The icon is asked for off the program's window thread: a program
    // whose window exists may not have it yet.
    POINT centre;
    if (!WaitUntil([&] { return TrayIconRegistered(window(), ID_TRAY_ICON); })
        || !WaitUntil([&] { return FindTrayIcon(&centre); }))
        return false;
    ClickAt(centre, right);
    return !right || WaitUntil([&] { return popupMenu() != nullptr; });
}

bool RunningProgram::chooseTrayItem(int downs) const
{
    if (!clickTrayIcon())
        return false;
    if (downs == 0)
        PressKey(VK_UP);
    for (int i = 0; i < downs; ++i)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    return true;
}
