#include "stand_in_taskbar.h"

#include "app/main_window.h"
#include "program_process.h"
#include "shared/identifiers.h"

#include <atomic>

namespace {

const wchar_t TASKBAR_CLASS[] = L"Shell_TrayWnd";

HWND g_realTaskbar;
std::atomic<bool> g_refusing, g_held, g_restarting;
std::atomic<int> g_records, g_refused;
std::atomic<HWND> g_program;

// Wine's shell32 sends the record's window as wParam, and the
// Shell_NotifyIcon message (NIM_ADD, ...) as the data's dwData.
bool OfTheProgram(HWND window)
{
    wchar_t className[64] = L"";
    GetClassNameW(window, className, 64);
    return lstrcmpW(className, MAIN_WINDOW_CLASS) == 0;
}

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA)
        return DefWindowProcW(window, message, wParam, lParam);
    HWND sender = reinterpret_cast<HWND>(wParam);
    bool ofTheProgram = OfTheProgram(sender);
    if (ofTheProgram && !g_restarting) {
        g_program = sender;
        ++g_records;
        if (g_refusing) {
            ++g_refused;
            return FALSE;
        }
    }
    LRESULT answer = SendMessageW(g_realTaskbar, WM_COPYDATA, wParam, lParam);
    if (ofTheProgram && answer) {
        ULONG_PTR call = reinterpret_cast<const COPYDATASTRUCT*>(lParam)->dwData;
        if (call == NIM_ADD || call == NIM_MODIFY)
            g_held = true;
        else if (call == NIM_DELETE)
            g_held = false;
    }
    return answer;
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
    g_refusing = g_held = g_restarting = false;
    g_program = nullptr;
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

void StandInTaskbar::restart(bool silent)
{
    // The removal is the stand-in's own doing, not the program's record:
    // passed on, neither counted nor refused.
    NOTIFYICONDATAW icon = IconNamed(g_program, ID_TRAY_ICON);
    g_restarting = true;
    if (icon.hWnd)
        Shell_NotifyIconW(NIM_DELETE, &icon);
    g_restarting = false;
    g_held = false;
    if (silent)
        stop();
    PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
}

bool StandInTaskbar::holdsIcon() const
{
    return g_held;
}
