// The notification icon record and the tray popup, in this process. The
// popup is modal, so what it shows is examined from a timer that fires
// inside its loop, which then closes it.
#include "app/main_window.h"
#include "shared/app_state.h"
#include "shared/identifiers.h"
#include "test_windows.h"
#include "tray/tray_icon.h"

#include <gtest/gtest.h>

namespace {

UINT g_showItemState;
bool g_menuWasValid;
RECT g_popupRect;

BOOL CALLBACK FindPopupProc(HWND window, LPARAM)
{
    wchar_t className[16] = L"";
    GetClassNameW(window, className, 16);
    if (lstrcmpW(className, L"#32768") != 0 || !IsWindowVisible(window))
        return TRUE;
    GetWindowRect(window, &g_popupRect);
    return FALSE;
}

void CALLBACK InspectAndCloseMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_menuWasValid = IsMenu(g_app.trayMenu) && GetSubMenu(g_app.trayMenu, 0) == g_app.traySubmenu;
    g_showItemState = GetMenuState(g_app.trayMenu, ID_TRAY_SHOW, MF_BYCOMMAND);
    EnumThreadWindows(GetCurrentThreadId(), FindPopupProc, 0);
    EndMenu();
}

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_app = InitialAppState();
        g_app.instance = GetModuleHandleW(nullptr);
        window_ = CreateWindowExW(0, RegisterTestClass(L"AltavueTrayHost"), L"", WS_POPUP, 0, 0,
                                  10, 10, nullptr, nullptr, g_app.instance, nullptr);
    }
    void TearDown() override
    {
        RemoveTrayIcon();
        DestroyWindow(window_);
    }

    // Opens the popup; returns the state of 起動 while it was shown.
    UINT PopupShowItemState()
    {
        g_showItemState = 0xFFFF;
        g_menuWasValid = false;
        SetTimer(nullptr, 0, 100, InspectAndCloseMenu);
        ShowTrayMenu(window_);
        EXPECT_TRUE(g_menuWasValid);
        EXPECT_FALSE(IsMenu(g_app.trayMenu)) << "the popup's menu outlives the popup";
        return g_showItemState;
    }

    HWND window_ = nullptr;
};

TEST_F(TrayTest, IconRecordIsTheFullRecordWithCallbackAndIcon)
{
    AddTrayIcon(window_);
    const NOTIFYICONDATAW& icon = g_app.trayIcon;
#ifndef _WIN64
    EXPECT_EQ(icon.cbSize, 956u);
#endif
    EXPECT_EQ(icon.cbSize, sizeof(NOTIFYICONDATAW));
    EXPECT_EQ(icon.hWnd, window_);
    EXPECT_EQ(icon.uID, 300u);
    EXPECT_EQ(icon.uFlags, 7u);
    EXPECT_EQ(icon.uCallbackMessage, 0x8001u);
    EXPECT_NE(icon.hIcon, nullptr);
    EXPECT_EQ(icon.szTip[0], L'\0');
    EXPECT_EQ(icon.uVersion, 0u);
    EXPECT_NE(g_app.taskbarCreatedMessage, 0u);
    EXPECT_EQ(g_app.taskbarCreatedMessage, RegisterWindowMessageW(L"TaskbarCreated"));
}

// 起動 is offered only while the window is hidden to the tray; each popup's
// menu is destroyed when the popup closes, however many are opened.
TEST_F(TrayTest, ShowItemIsGreyedUnlessHiddenAndMenusDoNotPileUp)
{
    g_app.windowHidden = false;
    EXPECT_EQ(PopupShowItemState() & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    g_app.windowHidden = true;
    EXPECT_EQ(PopupShowItemState() & (MF_GRAYED | MF_DISABLED), 0u);
    for (int i = 0; i < 20; ++i)
        PopupShowItemState();
}

// The popup opens above the cursor, its bottom left corner at the tip, as a
// menu from the taskbar's corner of the screen must.
TEST_F(TrayTest, PopupOpensWithItsBottomLeftCornerAtTheCursor)
{
    POINT middle = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    ASSERT_TRUE(SetCursorPos(middle.x, middle.y));
    g_popupRect = {};
    PopupShowItemState();
    EXPECT_EQ(g_popupRect.left, middle.x);
    EXPECT_EQ(g_popupRect.bottom, middle.y);
    EXPECT_GT(g_popupRect.bottom - g_popupRect.top, 0);
}

TEST_F(TrayTest, RightButtonDownOnTheIconOpensThePopup)
{
    g_showItemState = 0xFFFF;
    SetTimer(nullptr, 0, 100, InspectAndCloseMenu);
    MainWindowProc(window_, MSG_TRAY_CALLBACK, ID_TRAY_ICON, WM_RBUTTONDOWN);
    EXPECT_NE(g_showItemState, 0xFFFFu);
}

}  // namespace
