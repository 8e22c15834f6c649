// The notification icon and its menu, used with the mouse and keyboard.
#include "program_driver.h"
#include "shared/identifiers.h"
#include "test_windows.h"

#include <gtest/gtest.h>

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

}  // namespace
