// The program's process-wide state. There is one instance, g_app, living for
// the whole process; only the UI thread touches it, so nothing is locked.
// (The shell thread reads trayIcon, which is filled before it starts.)
#pragma once

#include "platform/win32.h"

struct AppState {
    HINSTANCE instance;
    HWND mainWindow;
    HWND allList;          // every qualifying window
    HWND topmostList;      // qualifying windows that are topmost
    bool fillMode;         // the census fills the lists when true
    INT32 totalCount;      // qualifying windows seen by the last census
    INT32 topmostCount;    // ... of which topmost
    bool windowHidden;     // main window hidden to the tray by its close button
    NOTIFYICONDATAW trayIcon;
    bool trayIconAdded;    // the shell holds the icon, so a hidden window can come back
    bool trayIconKnown;    // the shell has answered a try, or kept one waiting a retry's period
    int trayTriesUnderway;  // tries to add the icon not yet answered by the shell
    HANDLE shellThread;    // makes the calls the taskbar answers
    HMENU trayMenu;
    HMENU traySubmenu;
    POINT cursorPos;
    UINT taskbarCreatedMessage;  // broadcast by the shell when it (re)starts
};

extern AppState g_app;

// The state a freshly started process has: everything zero except fillMode,
// which stays true until the first census has filled the lists.
AppState InitialAppState();
