#include "app/main_window.h"

#include "about/about_dialog.h"
#include "catalogue/catalogue_lists.h"
#include "catalogue/census.h"
#include "catalogue/pin.h"
#include "shared/app_state.h"
#include "shared/identifiers.h"
#include "shared/texts.h"
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

// The close button only hides the window; the tray menu brings it back.
// When the shell is known to hold no icon there is no tray menu, so the
// window is minimized instead and stays on the taskbar. Before the shell
// has answered at all it is hidden, and KeepWithinReach brings it to the
// taskbar should the answer be no.
void HideToTray(HWND window)
{
    if (g_app.trayIconKnown && !g_app.trayIconAdded) {
        ShowWindow(window, SW_MINIMIZE);
        return;
    }
    ShowWindow(window, SW_HIDE);
    g_app.windowHidden = true;
}

// A window hidden to the tray has no way back while the shell holds no
// icon: hidden (at start, or by the close button) before the shell
// refused the icon or kept the program waiting for a retry's period, or
// before a restarted shell refused it. It then waits minimized on the
// taskbar, where the user can reach it.
void KeepWithinReach(HWND window)
{
    if (!g_app.windowHidden || g_app.trayIconAdded)
        return;
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    g_app.windowHidden = false;
}

void ShowFromTray(HWND window)
{
    ShowWindow(window, SW_SHOW);
    g_app.windowHidden = false;
}

void OnCommand(HWND window, int id)
{
    switch (id) {
    case ID_TRAY_SHOW: ShowFromTray(window); break;
    case ID_TRAY_HELP: ShowAboutBox(window); break;
    case ID_TRAY_EXIT: PostQuitMessage(0); break;
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
        RestoreTrayIcon();
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
    case WM_TIMER:
        if (wParam == ID_TRAY_RETRY_TIMER) {
            RetryTrayIcon();
            KeepWithinReach(window);
        } else {
            CheckForChanges(window);
        }
        return 0;
    case MSG_TRAY_ICON_TRIED:
        NoteTrayIconTried(wParam != FALSE);
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
