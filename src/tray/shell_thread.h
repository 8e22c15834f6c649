// A thread of the program's own for the calls the taskbar answers.
// Shell_NotifyIconW hands its record to the taskbar as a sent WM_COPYDATA
// and waits for the answer, for as long as a busy taskbar takes; made on
// the window's thread, that wait would stop the census, the painting and
// the buttons. This thread makes those calls instead, from a copy of the
// icon record taken as it starts, and posts each outcome back, so g_app
// stays with the window's thread. Requests reach it through its own
// message queue and are carried out in the order made.
#pragma once

#include "platform/win32.h"

// Starts the thread with a copy of `icon`, and returns once the thread has
// its copy and its queue. g_app.shellThread and g_app.shellThreadId keep it.
void StartShellThread(const NOTIFYICONDATAW& icon);

// Asks the thread to add the icon; false when it cannot be asked. The
// outcome reaches the icon's window as MSG_TRAY_ICON_TRIED, whose wParam is
// TRUE when the shell holds the icon and whose lParam is `serial`.
bool RequestIconAdd(UINT serial);

// Asks the thread to remove the icon and then to end, and waits for that
// at most `milliseconds`, serving what other threads send to this one
// meanwhile. A taskbar that does not answer in time keeps nothing waiting:
// the thread is left to the end of the process.
void RemoveIconAndStopShellThread(DWORD milliseconds);
