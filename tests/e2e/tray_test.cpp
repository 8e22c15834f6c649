// The notification icon and its menu, used with the mouse and keyboard.
#include "program_driver.h"
#include "shared/identifiers.h"
#include "stand_in_taskbar.h"
#include "test_windows.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

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

// A taskbar too busy to take notification icons, as at logon while many
// programs start: the stand-in refuses every record for the program's
// first 3 s. The icon is tried again, never more than once a second, and
// arrives once the taskbar takes it; until then the close button minimizes.
// A later "TaskbarCreated" from a taskbar that kept the icon is answered
// with one try, which counts as taken: the close button then hides.
TEST(TrayTest, ARefusedIconIsAddedOnceTheShellTakesItAndCloseMinimizesUntilThen)
{
    auto taskbar = std::make_unique<StandInTaskbar>();
    ASSERT_TRUE(taskbar->inFront());
    taskbar->refuse(true);

    RunningProgram program;
    DWORD busySince = GetTickCount();
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return taskbar->refused() > 0; }));
    // No icon, so no way back from the tray: the close button minimizes.
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(program.window()) != FALSE; }));
    EXPECT_TRUE(IsWindowVisible(program.window()));
    // Trying the icon again holds nothing up: the lists follow the desktop.
    std::wstring title = UniqueTitle(L"opened while the shell is busy");
    TestWindow window(title);
    EXPECT_TRUE(WaitUntil([&] { return program.count(ID_LIST_ALL, title) == 1; }, 1000));

    // The taskbar takes icons 3 s after the program started; the program's
    // arrives within a few seconds of that, and the close button then hides.
    PumpFor(3000 - static_cast<int>(GetTickCount() - busySince));
    taskbar->refuse(false);
    int busySeconds = static_cast<int>(GetTickCount() - busySince + 999) / 1000;
    // A try is NIM_ADD and, refused, NIM_MODIFY: two records at most.
    EXPECT_LE(taskbar->refused(), 2 * (busySeconds + 1)) << "tried more than once a second";
    EXPECT_TRUE(WaitUntil([&] { return TrayIconRegistered(program.window(), ID_TRAY_ICON); }, 4000));

    taskbar->resetCounts();
    PostMessageW(program.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return taskbar->records() > 0; }));
    PumpFor(2000);  // longer than the tries' period
    EXPECT_LE(taskbar->records(), 2) << "tried again after the taskbar kept the icon";
    PostMessageW(program.window(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(program.window()) == FALSE; }));
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }));
}

// Started hidden (a scheduled task, a "start in tray" tool) while the
// taskbar refuses icons, the window waits minimized on the taskbar, where
// the user can reach it, until the icon is there.
TEST(TrayTest, AHiddenStartWaitsMinimizedWhileTheShellRefusesTheIcon)
{
    StandInTaskbar taskbar;
    ASSERT_TRUE(taskbar.inFront());
    taskbar.refuse(true);

    RunningProgram program(SW_HIDE);
    ASSERT_NE(program.window(), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(program.window()) != FALSE; }));
    // Still there after a refused try and its retry.
    ASSERT_TRUE(WaitUntil([&] { return taskbar.refused() > 2; }, 4000));
    EXPECT_TRUE(IsWindowVisible(program.window()));
    EXPECT_TRUE(IsIconic(program.window()));

    taskbar.refuse(false);
    EXPECT_TRUE(WaitUntil([&] { return TrayIconRegistered(program.window(), ID_TRAY_ICON); }, 4000));
    EXPECT_TRUE(IsWindowVisible(program.window()));
}

// A taskbar that answers nothing, as one busy with other work: the program
// asks it for the icon without waiting for it, so its window, lists and
// buttons go on meanwhile; the icon arrives once the taskbar answers; and
// 終了 ends the program with code 0 within seconds even while the taskbar
// answers nothing again. Closed before the taskbar has answered, the
// window goes to the tray as with a taskbar that answers at once, and
// comes to the taskbar once the taskbar has kept the program waiting a
// retry's period (1.5 s).
TEST(TrayTest, ATaskbarThatAnswersNothingHoldsNothingUp)
{
    // Declared first, so ended after the stand-in, whose thread must run
    // again before anything asks the shell for the program's icon.
    std::optional<RunningProgram> started;
    StandInTaskbar taskbar;
    ASSERT_TRUE(taskbar.inFront());
    taskbar.stop();
    DWORD silentSince = GetTickCount();
    RunningProgram& program = started.emplace();
    ASSERT_NE(program.window(), nullptr);
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }, 1000));
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(program.window()) && IsWindowVisible(program.window()); }));

    std::wstring title = UniqueTitle(L"opened while the taskbar answers nothing");
    TestWindow window(title);
    EXPECT_TRUE(WaitUntil([&] { return program.count(ID_LIST_ALL, title) == 1; }, 1000));
    ASSERT_TRUE(program.select(ID_LIST_ALL, title));
    program.click(ID_UPDATE);  // posted, as a user's click is
    EXPECT_TRUE(WaitUntil([&] { return program.selection(ID_LIST_ALL) == LB_ERR; }, 1000));

    PumpFor(4000 - static_cast<int>(GetTickCount() - silentSince));
    taskbar.resume();
    EXPECT_TRUE(WaitUntil([&] { return TrayIconRegistered(program.window(), ID_TRAY_ICON); }, 3000));

    taskbar.stop();
    PostMessageW(program.window(), WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_EQ(program.waitForExit(3000), 0);
}

}  // namespace
