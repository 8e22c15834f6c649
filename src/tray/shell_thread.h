// A thread of the program's own for the calls the taskbar answers.
// Shell_NotifyIconW hands its record to the taskbar as a sent WM_COPYDATA
// and waits for the answer, for as long as a busy taskbar takes; made on
// the window's thread, that wait would stop the census, the painting and
// the buttons. This thread makes those calls instead and posts each
// outcome back, so g_app stays with the window's thread: the thread itself
// only reads the icon record it is given, which is filled before the
// thread starts and not changed afterwards.
#pragma once

#include "platform/win32.h"

// Starts the thread, whose handle g_app.shellThread keeps.
void StartShellThread();

// Asks the thread to add the icon `icon` describes; false when it cannot
// be asked. The outcome reaches icon->hWnd as MSG_TRAY_ICON_TRIED, whose
// wParam is TRUE when the shell holds the icon. Requests are carried out
// in the order made.
bool RequestIconAdd(NOTIFYICONDATAW* icon);

// Asks the thread to remove the icon and then to end, and waits for that
// at most `milliseconds`, serving what other threads send to this one
// meanwhile. A taskbar that does not answer in time keeps nothing waiting:
// the thread is left to the end of the process.
void RemoveIconAndStopShellThread(NOTIFYICONDATAW* icon, DWORD milliseconds);
