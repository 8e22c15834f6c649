// The shell's hold on the notification icon (g_app.trayHold): every
// change of it in one place, and the two questions the window asks of it.
#pragma once

#include "platform/win32.h"
#include "shared/app_state.h"

// What changes the shell's hold on the icon.
enum TrayEvent {
    TRAY_EVENT_ASK,     // the first add, or a restarted shell ("TaskbarCreated"),
                        // which holds no icon until it says so
    TRAY_EVENT_ANSWER,  // MSG_TRAY_ICON_TRIED: the shell has answered the try
                        // `serial`, and `taken` says how
    TRAY_EVENT_TICK,    // ID_TRAY_RETRY_TIMER: a retry's period has passed
};

// Takes one event: asks the shell thread for the icon when the event calls
// for a try, keeps g_app.trayHold, and runs the retry timer while the shell
// holds no icon. An answer to another try than the last one asked, or one
// given already, changes nothing.
void ChangeTrayHold(TrayEvent event, UINT serial = 0, bool taken = false);

// Whether the window may be hidden to the tray: the shell holds the icon,
// or has been asked for it and has neither refused it nor kept the program
// waiting a retry's period.
inline bool TrayCanTakeWindow()
{
    return g_app.trayHold != TRAY_ABSENT;
}

// Whether the shell holds the icon, so the tray menu is there to be used.
inline bool TrayHoldsIcon()
{
    return g_app.trayHold == TRAY_HELD;
}
