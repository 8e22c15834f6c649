#include "tray/tray_hold.h"

#include "shared/identifiers.h"
#include "tray/shell_thread.h"

namespace {

// How far apart the tries to add the icon are while the shell holds none.
const UINT TRAY_RETRY_MS = 1500;

}  // namespace

// Every change of the shell's hold on the icon. While the shell holds
// none, ID_TRAY_RETRY_TIMER ticks: at logon the taskbar may exist but be
// too busy to take the icon, and then no "TaskbarCreated" follows to ask
// again. The timer starts anew with each try and each refusal, so tries
// stay a period apart, and a try that a taskbar keeps waiting is not
// joined by more: they would only pile up behind it.
void ChangeTrayHold(TrayEvent event, UINT serial, bool taken)
{
    bool tryAgain = false;
    switch (event) {
    case TRAY_EVENT_ASK:
        g_app.trayHold = TRAY_ASKING;
        tryAgain = true;
        break;
    case TRAY_EVENT_ANSWER:
        if (serial != g_app.trayRequest || serial == g_app.trayAnswered)
            return;
        g_app.trayAnswered = serial;
        g_app.trayHold = taken ? TRAY_HELD : TRAY_ABSENT;
        break;
    case TRAY_EVENT_TICK:
        // A tick queued before the timer was killed.
        if (g_app.trayHold == TRAY_HELD)
            return;
        if (g_app.trayAnswered != g_app.trayRequest)
            g_app.trayHold = TRAY_ABSENT;
        else
            tryAgain = true;
        break;
    }
    // A request the thread cannot be given is not counted, and the shell
    // holds no icon meanwhile: the next tick asks again.
    if (tryAgain) {
        if (RequestIconAdd(g_app.trayRequest + 1))
            ++g_app.trayRequest;
        else
            g_app.trayHold = TRAY_ABSENT;
    }
    if (g_app.trayHold == TRAY_HELD)
        KillTimer(g_app.trayIcon.hWnd, ID_TRAY_RETRY_TIMER);
    else
        SetTimer(g_app.trayIcon.hWnd, ID_TRAY_RETRY_TIMER, TRAY_RETRY_MS, nullptr);
}
