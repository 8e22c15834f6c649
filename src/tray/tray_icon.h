// The notification icon and its right-click menu.
#pragma once

#include "platform/win32.h"

// Fills g_app.trayIcon for `window` and asks the shell, from a thread of
// the program's own, to add the icon to the notification area. Also
// registers the shell's "TaskbarCreated" message and lets it through the
// window's message filter, so the icon can be added again when the shell
// restarts, run as administrator too. Each try's outcome reaches `window`
// as MSG_TRAY_ICON_TRIED and is to be handed to NoteTrayIconTried; until
// the shell holds the icon, ID_TRAY_RETRY_TIMER ticks on `window`, and
// each tick is to call RetryTrayIcon.
void AddTrayIcon(HWND window);

// Asks again for the icon AddTrayIcon described, for a restarted shell that
// has forgotten it ("TaskbarCreated").
void RestoreTrayIcon();

// A tick of ID_TRAY_RETRY_TIMER: asks again unless a try is under way.
// Either way g_app.trayIconKnown is now true.
void RetryTrayIcon();

// Takes the outcome of a try: g_app.trayIconAdded tells whether the shell
// holds the icon, and g_app.trayIconKnown is now true; while the shell
// holds none, the retry timer ticks.
void NoteTrayIconTried(bool taken);

// Asks the shell to remove the icon as the program ends, and waits for
// that about a second at most.
void RemoveTrayIcon();

// Shows the popup menu at the cursor; the chosen item arrives at `window`
// as WM_COMMAND. "起動" is greyed while the window is not hidden.
void ShowTrayMenu(HWND window);
