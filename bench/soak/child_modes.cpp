// The soak's two child modes, each altavue_soak.exe started again by a
// phase: the bare probe beside which the idle program is measured, and a
// churner of windows.
#include "soak.h"

#include "catalogue/census.h"
#include "shared/app_state.h"

#include <cwchar>

// Child: what the program's timer does, without the lists: 200 count-only
// censuses on a 50 ms timer served by a message loop.
int RunProbe()
{
    HANDLE started = OpenEventW(EVENT_MODIFY_STATE, FALSE, PROBE_STARTED);
    HANDLE done = OpenEventW(EVENT_MODIFY_STATE, FALSE, PROBE_DONE);
    g_app = InitialAppState();
    g_app.fillMode = false;
    SetTimer(nullptr, 0, TICK_MS, nullptr);
    MSG message;
    int ticks = -20;  // one second to settle first
    while (ticks < TICKS && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER) {
            if (ticks == 0)
                SetEvent(started);
            g_app.totalCount = g_app.topmostCount = 0;
            RunCensus();
            ++ticks;
        }
        DispatchMessageW(&message);
    }
    SetEvent(done);
    Sleep(INFINITE);  // ended by the soak once it has read the figures
    return 0;
}

// Child: churns windows of its own as fast as it can until the stop event.
int RunChurner()
{
    HANDLE stop = OpenEventW(SYNCHRONIZE, FALSE, STOP_EVENT);
    std::vector<HWND> windows;
    unsigned seed = GetCurrentProcessId();
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    int serial = 0;
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        wchar_t title[48];
        std::swprintf(title, 48, L"churn %lu-%d", GetCurrentProcessId(), ++serial);
        unsigned action = next() % 6;
        if (windows.size() < 5 || (action == 0 && windows.size() < 40)) {
            windows.push_back(OpenWindow(L"AltavueChurn", title, next() % 4 == 0 ? WS_EX_TOPMOST : 0));
        } else {
            size_t pick = next() % windows.size();
            HWND window = windows[pick];
            switch (action) {
            case 1: SetWindowTextW(window, title); break;
            case 2: SetWindowPos(window, next() % 2 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); break;
            case 3: ShowWindow(window, IsWindowVisible(window) ? SW_HIDE : SW_SHOWNA); break;
            default:
                DestroyWindow(window);
                windows.erase(windows.begin() + static_cast<long>(pick));
            }
        }
        PumpMessages();
    }
    for (HWND window : windows)
        DestroyWindow(window);
    PumpMessages();
    return 0;
}
