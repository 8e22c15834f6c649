// The program's process-wide state. There is one instance, g_app, living for
// the whole process; only the UI thread touches it, so nothing is locked.
// (The shell thread works from a copy of trayIcon of its own.)
#pragma once

#include "platform/win32.h"

// The shell's hold on the notification icon, as far as the program knows.
enum TrayHold {
    TRAY_ASKING,  // asked for; the shell has neither answered nor kept the
                  // program waiting a retry's period
    TRAY_HELD,    // the shell holds the icon: the tray menu is there
    TRAY_ABSENT,  // refused, or kept waiting a retry's period: no icon
};

struct AppState {
    HINSTANCE instance;
    HWND mainWindow;
    HWND allList;          // every qualifying window
    HWND topmostList;      // qualifying windows that are topmost
    bool fillMode;         // the census fills the lists when true
    INT32 totalCount;      // qualifying windows seen by the last census
    INT32 topmostCount;    // ... of which topmost
    bool windowHidden;     // main window hidden to the tray by its close button
    bool windowParked;     // minimized by the program in place of hiding it
    NOTIFYICONDATAW trayIcon;
    TrayHold trayHold;
    UINT trayRequest;      // serial of the last try asked of the shell thread
    UINT trayAnswered;     // serial of the last try the shell has answered
    HANDLE shellThread;    // makes the calls the taskbar answers
    DWORD shellThreadId;
    HMENU trayMenu;
    HMENU traySubmenu;
    POINT cursorPos;
    UINT taskbarCreatedMessage;  // broadcast by the shell when it (re)starts
};

extern AppState g_app;

// The state a freshly started process has: everything zero except fillMode,
// which stays true until the first census has filled the lists.
AppState InitialAppState();
