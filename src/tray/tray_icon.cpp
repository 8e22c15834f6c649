#include "tray/tray_icon.h"

#include "shared/app_state.h"
#include "shared/identifiers.h"
#include "shared/texts.h"

// The shell takes cbSize to tell which version of the record it is given;
// this is the full current record.
#ifndef _WIN64
static_assert(sizeof(NOTIFYICONDATAW) == 956, "NOTIFYICONDATAW in a 32-bit process");
#endif

namespace {

// How far apart the tries to add the icon are while the shell refuses it.
const UINT TRAY_RETRY_MS = 1500;

// Hands the icon record to the shell. At logon the taskbar may exist but be
// too busy to answer within the call's own wait, and then no
// "TaskbarCreated" follows to ask again; so a refused icon is tried again
// on a timer until the shell takes it. An icon the shell holds already (a
// "TaskbarCreated" from a shell that kept it) counts as taken.
void TryAddTrayIcon()
{
    NOTIFYICONDATAW& icon = g_app.trayIcon;
    g_app.trayIconAdded = Shell_NotifyIconW(NIM_ADD, &icon) || Shell_NotifyIconW(NIM_MODIFY, &icon);
    if (g_app.trayIconAdded)
        KillTimer(icon.hWnd, ID_TRAY_RETRY_TIMER);
    else
        SetTimer(icon.hWnd, ID_TRAY_RETRY_TIMER, TRAY_RETRY_MS, nullptr);
}

}  // namespace

void AddTrayIcon(HWND window)
{
    g_app.taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    // Run as administrator, the program sits above the shell's integrity
    // level, and the system drops the shell's broadcast on its way here
    // unless the window lets that one message through.
    ChangeWindowMessageFilterEx(window, g_app.taskbarCreatedMessage, MSGFLT_ALLOW, nullptr);

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
    TryAddTrayIcon();
}

void RestoreTrayIcon()
{
    TryAddTrayIcon();
}

void RemoveTrayIcon()
{
    Shell_NotifyIconW(NIM_DELETE, &g_app.trayIcon);
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
