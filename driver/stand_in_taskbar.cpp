#include "stand_in_taskbar.h"

#include <atomic>

namespace {

const wchar_t TASKBAR_CLASS[] = L"Shell_TrayWnd";

HWND g_realTaskbar;
std::atomic<bool> g_refusing;
std::atomic<int> g_records, g_refused;

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA)
        return DefWindowProcW(window, message, wParam, lParam);
    ++g_records;
    if (g_refusing) {
        ++g_refused;
        return FALSE;
    }
    return SendMessageW(g_realTaskbar, WM_COPYDATA, wParam, lParam);
}

// The stand-in's class, once the real taskbar is found: before the
// stand-in exists.
const wchar_t* StandInClass()
{
    g_realTaskbar = FindWindowW(TASKBAR_CLASS, nullptr);
    return TASKBAR_CLASS;
}

}  // namespace

StandInTaskbar::StandInTaskbar() : thread_(L"stand-in taskbar", StandInClass(), StandInProc)
{
    g_refusing = false;
    resetCounts();
    SetWindowPos(thread_.handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool StandInTaskbar::inFront() const
{
    return g_realTaskbar != nullptr && g_realTaskbar != thread_.handle() &&
           FindWindowW(TASKBAR_CLASS, nullptr) == thread_.handle();
}

void StandInTaskbar::refuse(bool refusing)
{
    g_refusing = refusing;
}

int StandInTaskbar::records() const
{
    return g_records;
}

int StandInTaskbar::refused() const
{
    return g_refused;
}

void StandInTaskbar::resetCounts()
{
    g_records = 0;
    g_refused = 0;
}
