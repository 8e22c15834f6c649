#include "app/main_window.h"

#include "about/about_dialog.h"
#include "catalogue/catalogue_lists.h"
#include "catalogue/census.h"
#include "catalogue/pin.h"
#include "shared/app_state.h"
#include "shared/identifiers.h"
#include "shared/texts.h"
#include "tray/tray_hold.h"
#include "tray/tray_icon.h"

static_assert(MAIN_WINDOW_STYLE == 0x00CA0000, "main window style");

namespace {

const int BUTTON_TOP = 220;
const int BUTTON_WIDTH = 100;
const int BUTTON_HEIGHT = 40;
const UINT REFRESH_PERIOD_MS = 50;

void CreateButton(const WCHAR* text, int id, int x)
{
    CreateWindowExW(0, L"button", text, WS_CHILD | WS_VISIBLE,
                    x, BUTTON_TOP, BUTTON_WIDTH, BUTTON_HEIGHT, g_app.mainWindow,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                    g_app.instance, nullptr);
}

// Creation set-up. The window makes itself topmost (and so visible and
// active) before anything else, which is why its own title is in both
// lists from the first census on.
void OnCreate(HWND window)
{
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    AddTrayIcon(window);
    SetTimer(window, ID_REFRESH_TIMER, REFRESH_PERIOD_MS, nullptr);
    CreateCatalogueLists(window);
    RunCensus();  // fillMode still true: this first pass fills the lists
    g_app.fillMode = false;
}

// With no icon there is no tray menu to bring the window back, so it waits
// minimized on the taskbar instead, where the user can reach it; without
// taking the activation from the user's window when it was hidden.
void ParkOnTaskbar(HWND window)
{
    ShowWindow(window, g_app.windowHidden ? SW_SHOWMINNOACTIVE : SW_MINIMIZE);
    g_app.windowHidden = false;
    g_app.windowParked = true;
}

// The close button only hides the window; the tray menu brings it back.
void HideToTray(HWND window)
{
    if (!TrayCanTakeWindow()) {
        ParkOnTaskbar(window);
        return;
    }
    ShowWindow(window, SW_HIDE);
    g_app.windowHidden = true;
}

// After every change of the shell's hold on the icon: a window hidden to
// the tray (at start, or by the close button) while the shell turned out
// to hold no icon comes to the taskbar, and a window the program parked
// there goes to the tray once the shell holds the icon. A window the user
// has restored meanwhile is no longer parked and stays where it is.
void KeepWithinReach(HWND window)
{
    if (g_app.windowHidden && !TrayCanTakeWindow())
        ParkOnTaskbar(window);
    else if (!g_app.windowHidden && g_app.windowParked && TrayHoldsIcon())
        HideToTray(window);
}

// A parked window left the taskbar minimized; it is shown as after a hidden
// start, restored, not as a taskbar button.
void ShowFromTray(HWND window)
{
    ShowWindow(window, g_app.windowParked ? SW_RESTORE : SW_SHOW);
    g_app.windowHidden = false;
}

// 終了 hides the window at once: the end of the program may wait up to a
// second for a busy taskbar to drop the icon.
void Exit(HWND window)
{
    ShowWindow(window, SW_HIDE);
    PostQuitMessage(0);
}

void OnCommand(HWND window, int id)
{
    switch (id) {
    case ID_TRAY_SHOW: ShowFromTray(window); break;
    case ID_TRAY_HELP: ShowAboutBox(window); break;
    case ID_TRAY_EXIT: Exit(window); break;
    case ID_APPLY:     PinSelected(); break;
    case ID_UPDATE:    RebuildCatalogue(window); break;
    case ID_RELEASE:   UnpinSelected(); break;
    }
}

}  // namespace

bool RegisterMainWindowClass()
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = g_app.instance;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(g_app.instance, RESOURCE_ICON, IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    windowClass.hCursor = static_cast<HCURSOR>(
        LoadImageW(nullptr, IDC_ARROW, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
    windowClass.hbrBackground = CreateSolidBrush(RGB(255, 255, 255));
    windowClass.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassExW(&windowClass) != 0;
}

HWND CreateMainWindow()
{
    g_app.mainWindow = CreateWindowExW(0, MAIN_WINDOW_CLASS, TEXT_MAIN_TITLE, MAIN_WINDOW_STYLE,
                                       CW_USEDEFAULT, CW_USEDEFAULT,
                                       MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT,
                                       nullptr, nullptr, g_app.instance, nullptr);
    return g_app.mainWindow;
}

void CreateMainButtons()
{
    // Created in this order; on screen they read 適応, 更新, 解除.
    CreateButton(TEXT_BUTTON_UPDATE, ID_UPDATE, 150);
    CreateButton(TEXT_BUTTON_APPLY, ID_APPLY, 0);
    CreateButton(TEXT_BUTTON_RELEASE, ID_RELEASE, 300);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A registered message is not a constant, so it cannot be a case label.
    if (message == g_app.taskbarCreatedMessage && message != 0) {
        ChangeTrayHold(TRAY_EVENT_ASK);
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_CLOSE:
        HideToTray(window);
        return 0;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        return 0;
    case WM_SIZE:
        // Restored or maximized, by the user or by 起動.
        if (wParam != SIZE_MINIMIZED)
            g_app.windowParked = false;
        break;
    case WM_TIMER:
        if (wParam == ID_TRAY_RETRY_TIMER) {
            ChangeTrayHold(TRAY_EVENT_TICK);
            KeepWithinReach(window);
        } else {
            CheckForChanges(window);
        }
        return 0;
    case MSG_TRAY_ICON_TRIED:
        ChangeTrayHold(TRAY_EVENT_ANSWER, static_cast<UINT>(lParam), wParam != FALSE);
        KeepWithinReach(window);
        return 0;
    case MSG_TRAY_CALLBACK:
        if (lParam == WM_RBUTTONDOWN) {
            ShowTrayMenu(window);
            return 0;
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
