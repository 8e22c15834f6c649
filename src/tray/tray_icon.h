// The notification icon and its right-click menu.
#pragma once

#include "platform/win32.h"

// Fills g_app.trayIcon for `window`, starts the thread that talks to the
// shell and asks it for the icon. Also registers the shell's
// "TaskbarCreated" message and lets it and the icon's own callback through
// the window's message filter, so a program run as administrator hears a
// restarted shell and the icon's clicks. Each try's outcome reaches
// `window` as MSG_TRAY_ICON_TRIED; until the shell holds the icon,
// ID_TRAY_RETRY_TIMER ticks on `window`. Both go to ChangeTrayHold.
void AddTrayIcon(HWND window);

// Asks the shell to remove the icon as the program ends, and waits for
// that about a second at most.
void RemoveTrayIcon();

// Shows the popup menu at the cursor; the chosen item arrives at `window`
// as WM_COMMAND. "起動" is greyed while the window is not hidden.
void ShowTrayMenu(HWND window);
