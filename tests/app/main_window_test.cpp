// The real main window, created in this process: geometry, children, its
// icons and background as drawn, and the window procedure's messages and
// commands.
#include "app/main_window.h"
#include "app/message_loop.h"
#include "client_pixels.h"
#include "program_process.h"
#include "shared/app_state.h"
#include "shared/identifiers.h"
#include "test_windows.h"
#include "tray/tray_icon.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// MYICON's one image is 128 x 128 pixels.
const int ICON_SIZE = 128;

// Draws `icon` and `reference` each at its own size on a white square of
// MYICON's size: the number of pixels in which the two pictures differ.
int PixelsUnlike(HICON icon, HICON reference)
{
    BITMAPINFO info = TopDownBitmapInfo(ICON_SIZE, ICON_SIZE);
    HDC dc = CreateCompatibleDC(nullptr);
    const HICON icons[2] = {icon, reference};
    HBITMAP canvases[2];
    const DWORD* pixels[2];
    for (int i = 0; i < 2; ++i) {
        void* bits = nullptr;
        canvases[i] = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels[i] = static_cast<const DWORD*>(bits);
        HGDIOBJ old = SelectObject(dc, canvases[i]);
        PatBlt(dc, 0, 0, ICON_SIZE, ICON_SIZE, WHITENESS);
        DrawIconEx(dc, 0, 0, icons[i], 0, 0, 0, nullptr, DI_NORMAL);
        SelectObject(dc, old);
    }
    GdiFlush();
    int differing = 0;
    for (int i = 0; i < ICON_SIZE * ICON_SIZE; ++i)
        differing += pixels[0][i] != pixels[1][i];
    DeleteObject(canvases[0]);
    DeleteObject(canvases[1]);
    DeleteDC(dc);
    return differing;
}

// The window's client area as it is on screen: the number of pixels that
// no child window covers and that are not white; `uncovered` gets the
// number of pixels no child covers.
int UncoveredPixelsNotWhite(HWND window, int* uncovered)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::vector<RECT> children;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        children.push_back(rect);
    }
    ClientPixels shown(window, true);
    int notWhite = 0;
    *uncovered = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            POINT point = {x, y};
            bool covered = false;
            for (const RECT& rect : children)
                covered = covered || PtInRect(&rect, point);
            if (covered)
                continue;
            ++*uncovered;
            notWhite += shown.at(x, y) != RGB(255, 255, 255);
        }
    }
    return notWhite;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_app = InitialAppState();
        g_app.instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(RegisterMainWindowClass());
        window_ = CreateMainWindow();
        ASSERT_NE(window_, nullptr);
        // Visible and topmost before anything shows it: its own creation did.
        visibleBeforeShow_ = IsWindowVisible(window_) != FALSE;
        CreateMainButtons();
        ShowWindow(window_, SW_SHOWNORMAL);
        // The shell's answer to the icon arrives as a posted message.
        ASSERT_TRUE(WaitFor(PumpMessages, [] { return g_app.trayHold == TRAY_HELD; }, 5000));
    }
    void TearDown() override
    {
        // The shell thread and the icon end with the test, not with the
        // process: the next test's window reuses g_app.
        RemoveTrayIcon();
        DestroyWindow(window_);
        PumpMessages();
        UnregisterClassW(MAIN_WINDOW_CLASS, g_app.instance);
    }
    void Command(int id, int code = 0)
    {
        SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, code), 0);
    }
    void Tick() { SendMessageW(window_, WM_TIMER, ID_REFRESH_TIMER, 0); }

    HWND window_ = nullptr;
    bool visibleBeforeShow_ = false;
};

TEST_F(MainWindowTest, WindowListsAndButtonsAreLaidOutAsDrawn)
{
    EXPECT_TRUE(visibleBeforeShow_);
    EXPECT_TRUE(IsTopmostWindow(window_));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE)) & 0x00CF0000u, 0x00CA0000u);
    RECT frame;
    GetWindowRect(window_, &frame);
    EXPECT_EQ(frame.right - frame.left, 415);
    EXPECT_EQ(frame.bottom - frame.top, 300);

    // Children in creation order: the two lists, then 更新, 適応, 解除.
    struct { int id; const wchar_t* text; int x, y, width, height; DWORD style; } children[] = {
        {ID_LIST_ALL, L"", 0, 0, 200, 230, 0x50A00003},
        {ID_LIST_TOPMOST, L"", 200, 0, 200, 230, 0x50A00003},
        {ID_UPDATE, L"更新", 150, 220, 100, 40, 0x50000000},
        {ID_APPLY, L"適応", 0, 220, 100, 40, 0x50000000},
        {ID_RELEASE, L"解除", 300, 220, 100, 40, 0x50000000},
    };
    HWND child = GetWindow(window_, GW_CHILD);
    for (const auto& expected : children) {
        SCOPED_TRACE(expected.id);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), expected.id);
        wchar_t text[16] = L"?";
        GetWindowTextW(child, text, 16);
        EXPECT_STREQ(text, expected.text);
        // A list hides its scroll bar, and clears WS_VSCROLL, while its entries fit.
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)) | (expected.style & WS_VSCROLL),
                  expected.style);
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, expected.x);
        EXPECT_EQ(rect.top, expected.y);
        EXPECT_EQ(rect.right - rect.left, expected.width);
        int height = rect.bottom - rect.top;
        if (expected.id == ID_LIST_ALL || expected.id == ID_LIST_TOPMOST) {
            // The system trims a list to whole rows, so it loses less than one.
            int row = static_cast<int>(SendMessageW(child, LB_GETITEMHEIGHT, 0, 0));
            EXPECT_LE(height, expected.height);
            EXPECT_LT(expected.height - height, row);
        } else {
            EXPECT_EQ(height, expected.height);
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
}

// What the user sees of the window itself: the program's own picture, at
// the size stored in the exe, as the class's icon (caption, taskbar,
// Alt+Tab) and in the notification area; the arrow, not a busy cursor,
// over it; and white wherever no control covers the client area, between
// and below the buttons too.
TEST_F(MainWindowTest, ShowsItsOwnIconAndTheArrowOnAWhiteWindow)
{
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(window_, GCLP_HCURSOR)),
              LoadCursorW(nullptr, IDC_ARROW));

    HICON picture = LoadProgramIcon();
    ASSERT_NE(picture, nullptr);
    HICON classIcon = reinterpret_cast<HICON>(GetClassLongPtrW(window_, GCLP_HICON));
    EXPECT_EQ(PixelsUnlike(classIcon, picture), 0);
    EXPECT_EQ(PixelsUnlike(g_app.trayIcon.hIcon, picture), 0);
    DestroyIcon(picture);

    int uncovered = 0;
    EXPECT_EQ(UncoveredPixelsNotWhite(window_, &uncovered), 0);
    // At least the two gaps between the buttons, 50 x 40 pixels each.
    EXPECT_GE(uncovered, 2 * 50 * 40);
}

// The program's own window is listed on both sides while it is visible,
// minimized included, and on neither while hidden to the tray.
TEST_F(MainWindowTest, CloseHidesToTrayAndShowBringsTheTitleBack)
{
    EXPECT_EQ(CountEntries(g_app.allList, L"Altavue"), 1);
    EXPECT_EQ(CountEntries(g_app.topmostList, L"Altavue"), 1);

    SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_TRUE(g_app.windowHidden);
    Tick();
    EXPECT_EQ(CountEntries(g_app.allList, L"Altavue"), 0);
    EXPECT_EQ(CountEntries(g_app.topmostList, L"Altavue"), 0);

    // 起動 brings it back in front and active, so that the keyboard reaches
    // it, whatever window the user was in meanwhile.
    TestWindow other(UniqueTitle(L"in front meanwhile"));
    SetForegroundWindow(other.handle());
    Command(ID_TRAY_SHOW);
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_EQ(GetForegroundWindow(), window_);
    EXPECT_EQ(GetActiveWindow(), window_);
    EXPECT_FALSE(g_app.windowHidden);
    Tick();
    EXPECT_EQ(CountEntries(g_app.topmostList, L"Altavue"), 1);

    ShowWindow(window_, SW_MINIMIZE);
    Tick();
    EXPECT_EQ(CountEntries(g_app.allList, L"Altavue"), 1);
    EXPECT_FALSE(g_app.windowHidden);
}

// List notifications, unknown ids, tray mouse messages other than the
// right button going down and stray answers of the shell change nothing
// and open no menu.
TEST_F(MainWindowTest, IgnoredMessagesLeaveEverythingAsItWas)
{
    SendMessageW(g_app.allList, LB_SETCURSEL, 0, 0);
    HWND all = g_app.allList;
    Command(ID_LIST_ALL, LBN_SELCHANGE);
    Command(ID_LIST_TOPMOST, LBN_DBLCLK);
    Command(1003);
    for (UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEMOVE, WM_RBUTTONUP})
        SendMessageW(window_, MSG_TRAY_CALLBACK, ID_TRAY_ICON, mouse);
    // A refusal that answers no try asked, or the last try again: the shell
    // still holds the icon, so the close button still hides.
    for (UINT serial : {g_app.trayRequest + 1, g_app.trayRequest - 1, g_app.trayRequest})
        SendMessageW(window_, MSG_TRAY_ICON_TRIED, FALSE, serial);
    EXPECT_EQ(g_app.trayHold, TRAY_HELD);
    Tick();
    EXPECT_EQ(g_app.allList, all);
    EXPECT_EQ(SendMessageW(g_app.allList, LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(g_app.trayMenu, nullptr);
    EXPECT_TRUE(IsWindowVisible(window_));

    Command(ID_UPDATE);  // 更新 always rebuilds
    EXPECT_EQ(SendMessageW(g_app.allList, LB_GETCURSEL, 0, 0), LB_ERR);
}

// With no thread left to ask the shell for the icon, the shell holds none:
// a window hidden to the tray comes to the taskbar at the next retry's tick
// instead of staying hidden with no icon to bring it back.
TEST_F(MainWindowTest, WithNoWayToAskForTheIconTheWindowWaitsOnTheTaskbar)
{
    SendMessageW(window_, WM_CLOSE, 0, 0);
    ASSERT_FALSE(IsWindowVisible(window_));
    RemoveTrayIcon();  // the shell thread ends
    SendMessageW(window_, g_app.taskbarCreatedMessage, 0, 0);
    SendMessageW(window_, WM_TIMER, ID_TRAY_RETRY_TIMER, 0);
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_TRUE(IsIconic(window_));
}

// 終了 ends the loop with code 0, and the loop takes the notification icon
// away before the program ends: the shell would keep a dead one.
TEST_F(MainWindowTest, ExitEndsTheLoopWithCodeZeroAndRemovesTheIcon)
{
    ASSERT_TRUE(TrayIconRegistered(window_, ID_TRAY_ICON));
    Command(ID_TRAY_EXIT);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_FALSE(TrayIconRegistered(window_, ID_TRAY_ICON));
}

}  // namespace
