// The notification icon and its menu, used with the mouse and keyboard.
#include "program_driver.h"
#include "shared/identifiers.h"
#include "test_windows.h"
#include "window_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

const int SHOW_ITEM = 1, HELP_ITEM = 2, LAST_ITEM = 0;

TEST(TrayTest, ExitFromTheMenuEndsWithCodeZeroShownOrHidden)
{
    for (bool hidden : {false, true}) {
        SCOPED_TRACE(hidden ? "hidden" : "shown");
        RunningProgram program;
        ASSERT_NE(program.window(), nullptr);
        if (hidden) {
            PostMessageW(program.window(), WM_CLOSE, 0, 0);
            ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }));
        }
        ASSERT_TRUE(program.chooseTrayItem(LAST_ITEM));
        EXPECT_EQ(program.waitForExit(5000), 0);
    }
}

TEST(TrayTest, LeftClickOpensNothingAndShowBringsTheHiddenWindowBack)
{
    RunningProgram program;
    ASSERT_NE(program.window(), nullptr);
    program.clickTrayIcon(false);
    PumpFor(400);
    EXPECT_EQ(program.popupMenu(), nullptr);

    // Shown: 起動 is greyed, so choosing it carries out nothing.
    ASSERT_TRUE(program.chooseTrayItem(SHOW_ITEM));
    PumpFor(300);
    if (program.popupMenu())
        PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return program.popupMenu() == nullptr; }));
    EXPECT_EQ(program.aboutBox(), nullptr);
    EXPECT_TRUE(program.running());

    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }));
    ASSERT_TRUE(program.chooseTrayItem(SHOW_ITEM));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(program.window()) != FALSE; }));
    EXPECT_TRUE(WaitUntil([&] { return program.count(ID_LIST_ALL, L"Altavue") == 1; }));
}

// ヘルプ works while the window is hidden; the box ignores Esc and Enter;
// the census goes on while it is open; and the tray menu still works over
// it, down to ending the program.
TEST(TrayTest, AboutBoxWhileHiddenKeepsTheProgramAlive)
{
    RunningProgram program;
    ASSERT_NE(program.window(), nullptr);
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }));
    ASSERT_TRUE(program.chooseTrayItem(HELP_ITEM));
    ASSERT_TRUE(WaitUntil([&] { return program.aboutBox() != nullptr; }));
    HWND box = program.aboutBox();
    EXPECT_EQ(GetWindow(box, GW_OWNER), program.window());

    SetForegroundWindow(box);
    PressKey(VK_ESCAPE);
    PressKey(VK_RETURN);
    PumpFor(300);
    EXPECT_TRUE(IsWindowVisible(box));

    std::wstring title = UniqueTitle(L"opened under the About box");
    TestWindow window(title);
    EXPECT_TRUE(WaitUntil([&] { return program.count(ID_LIST_ALL, title) == 1; }));
    EXPECT_EQ(program.count(ID_LIST_ALL, L"バージョン情報"), 0);

    ASSERT_TRUE(program.chooseTrayItem(LAST_ITEM));
    EXPECT_EQ(program.waitForExit(5000), 0);
}

TEST(TrayTest, IconComesBackWhenTheShellRestarts)
{
    RunningProgram program;
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return TrayIconRegistered(program.window(), ID_TRAY_ICON); }));
    // What a shell restart does to the icon: the shell forgets it.
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = program.window();
    icon.uID = ID_TRAY_ICON;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
    ASSERT_FALSE(TrayIconRegistered(program.window(), ID_TRAY_ICON));

    PostMessageW(program.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return TrayIconRegistered(program.window(), ID_TRAY_ICON); }));
    ASSERT_TRUE(program.chooseTrayItem(LAST_ITEM));
    EXPECT_EQ(program.waitForExit(5000), 0);
}

// A shell too busy to take notification icons, as at logon while many
// programs start. Shell_NotifyIcon hands its record to the first window of
// the class "Shell_TrayWnd" as WM_COPYDATA; this stand-in, put in front of
// the shell's own, refuses every record while g_shellBusy holds and passes
// the later ones on to the real shell.
HWND g_realShell;
std::atomic<bool> g_shellBusy;
std::atomic<int> g_recordsRefused;

LRESULT CALLBACK BusyShellProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA)
        return DefWindowProcW(window, message, wParam, lParam);
    if (g_shellBusy) {
        ++g_recordsRefused;
        return FALSE;
    }
    return SendMessageW(g_realShell, WM_COPYDATA, wParam, lParam);
}

TEST(TrayTest, ARefusedIconIsAddedOnceTheShellTakesItAndCloseMinimizesUntilThen)
{
    g_realShell = FindWindowW(L"Shell_TrayWnd", nullptr);
    ASSERT_NE(g_realShell, nullptr);
    g_shellBusy = true;
    auto busyShell = std::make_unique<WindowThread>(UniqueTitle(L"busy shell"),
                                                    RegisterTestClass(L"Shell_TrayWnd", BusyShellProc));
    SetWindowPos(busyShell->handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(FindWindowW(L"Shell_TrayWnd", nullptr), busyShell->handle());

    RunningProgram program;
    DWORD busySince = GetTickCount();
    ASSERT_NE(program.window(), nullptr);
    ASSERT_GT(g_recordsRefused, 0);
    // No icon, so no way back from the tray: the close button minimizes.
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(program.window()) != FALSE; }));
    EXPECT_TRUE(IsWindowVisible(program.window()));
    // Trying the icon again holds nothing up: the lists follow the desktop.
    std::wstring title = UniqueTitle(L"opened while the shell is busy");
    TestWindow window(title);
    EXPECT_TRUE(WaitUntil([&] { return program.count(ID_LIST_ALL, title) == 1; }, 1000));

    // The shell takes icons 3 s after the program started; the program's
    // arrives within a few seconds of that, and the close button then hides.
    PumpFor(3000 - static_cast<int>(GetTickCount() - busySince));
    g_shellBusy = false;
    EXPECT_TRUE(WaitUntil([&] { return TrayIconRegistered(program.window(), ID_TRAY_ICON); }, 4000));
    busyShell.reset();
    EXPECT_TRUE(TrayIconRegistered(program.window(), ID_TRAY_ICON));
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }));
}

}  // namespace
