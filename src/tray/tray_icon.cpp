#include "tray/tray_icon.h"

#include "shared/app_state.h"
#include "shared/identifiers.h"
#include "shared/texts.h"
#include "tray/shell_thread.h"
#include "tray/tray_hold.h"

// The shell takes cbSize to tell which version of the record it is given;
// this is the full current record.
#ifndef _WIN64
static_assert(sizeof(NOTIFYICONDATAW) == 956, "NOTIFYICONDATAW in a 32-bit process");
#endif

namespace {

// How long the end of the program waits for the icon's removal. A taskbar
// that answers takes a few milliseconds; one that does not may keep a dead
// icon until the mouse passes over it, but not the program.
const DWORD REMOVE_WAIT_MS = 1000;

}  // namespace

void AddTrayIcon(HWND window)
{
    g_app.taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    // Run as administrator, the program sits above the shell's integrity
    // level, and the system drops what the shell sends or posts to it
    // unless the window lets it through: the broadcast of a restarted
    // shell, and the icon's mouse messages.
    ChangeWindowMessageFilterEx(window, g_app.taskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(window, MSG_TRAY_CALLBACK, MSGFLT_ALLOW, nullptr);

    NOTIFYICONDATAW& icon = g_app.trayIcon;
    icon = NOTIFYICONDATAW{};
    icon.cbSize = sizeof(NOTIFYICONDATAW);
    icon.hWnd = window;
    icon.uID = ID_TRAY_ICON;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = MSG_TRAY_CALLBACK;
    icon.hIcon = static_cast<HICON>(
        LoadImageW(g_app.instance, RESOURCE_ICON, IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    // No NIM_SETVERSION: the shell then reports the plain mouse message in
    // lParam, which the window procedure switches on.
    StartShellThread(icon);
    ChangeTrayHold(TRAY_EVENT_ASK);
}

void RemoveTrayIcon()
{
    RemoveIconAndStopShellThread(REMOVE_WAIT_MS);
}

void ShowTrayMenu(HWND window)
{
    // The menu is loaded afresh for every popup and destroyed after it. The
    // local handle is the one destroyed: if a nested popup replaced
    // g_app.trayMenu meanwhile, this popup's menu is still released.
    HMENU menu = LoadMenuW(g_app.instance, RESOURCE_TRAY_MENU);
    g_app.trayMenu = menu;
    if (!g_app.windowHidden)
        EnableMenuItem(menu, ID_TRAY_SHOW, MF_BYCOMMAND | MF_GRAYED);
    g_app.traySubmenu = GetSubMenu(menu, 0);
    GetCursorPos(&g_app.cursorPos);
    // The window must be foreground, or the menu does not close when the
    // user clicks elsewhere.
    SetForegroundWindow(window);
    TrackPopupMenu(g_app.traySubmenu, TPM_BOTTOMALIGN, g_app.cursorPos.x, g_app.cursorPos.y,
                   0, window, nullptr);
    DestroyMenu(menu);
}
