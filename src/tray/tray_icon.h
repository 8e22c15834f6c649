// The notification icon and its right-click menu.
#pragma once

#include "platform/win32.h"

// Fills g_app.trayIcon for `window` and adds the icon to the notification
// area. Also registers the shell's "TaskbarCreated" message and lets it
// through the window's message filter, so the icon can be added again when
// the shell restarts, run as administrator too. g_app.trayIconAdded tells
// whether the shell took it; while it has not, ID_TRAY_RETRY_TIMER runs on
// `window` and each of its ticks is to call RestoreTrayIcon.
void AddTrayIcon(HWND window);

// Adds the icon again with the record AddTrayIcon built, for a restarted
// shell that has forgotten it or a busy one that refused it; the retry
// timer runs until the shell takes it.
void RestoreTrayIcon();

// Removes the icon from the notification area, as the program ends.
void RemoveTrayIcon();

// Shows the popup menu at the cursor; the chosen item arrives at `window`
// as WM_COMMAND. "起動" is greyed while the window is not hidden.
void ShowTrayMenu(HWND window);
