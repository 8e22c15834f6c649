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

// A restarted shell holds no icon until it says so. Hidden to the tray,
// the window stays hidden while a new shell takes the icon at once; while
// one answers nothing, the window comes to the taskbar within a retry's
// period, and goes back to the tray once the icon is back.
TEST(TrayTest, AfterAShellRestartTheWindowIsInTheTrayOnlyWhileTheShellHoldsTheIcon)
{
    std::optional<RunningProgram> started;  // ended after the stand-in runs again
    StandInTaskbar taskbar;
    ASSERT_TRUE(taskbar.inFront());
    RunningProgram& program = started.emplace();
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return taskbar.holdsIcon(); }));
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }));

    taskbar.restart();
    EXPECT_TRUE(WaitUntil([&] { return taskbar.holdsIcon(); }));
    PumpFor(2000);  // longer than a retry's period
    EXPECT_FALSE(IsWindowVisible(program.window()));

    taskbar.restart(true);
    DWORD silentSince = GetTickCount();
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(program.window()) && IsWindowVisible(program.window()); }));
    PumpFor(5000 - static_cast<int>(GetTickCount() - silentSince));
    taskbar.resume();
    ASSERT_TRUE(WaitUntil([&] { return taskbar.holdsIcon(); }));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }, 2500));
    ASSERT_TRUE(program.chooseTrayItem(SHOW_ITEM));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(program.window()) && !IsIconic(program.window()); }));
}

// A taskbar too busy to take notification icons, as at logon while many
// programs start: the stand-in refuses every record for the program's
// first 3 s. The icon is tried again, never more than once a second, and
// arrives once the taskbar takes it; until then the close button minimizes.
// A window the user restored meanwhile stays where the user put it. A later
// "TaskbarCreated" from a taskbar that kept the icon is answered with one
// try, which counts as taken: the close button then hides.
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
    PostMessageW(program.window(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(program.window()) == FALSE; }));
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
    PumpFor(1000);
    EXPECT_TRUE(IsWindowVisible(program.window()) && !IsIconic(program.window()));

    taskbar->resetCounts();
    PostMessageW(program.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return taskbar->records() > 0; }));
    PumpFor(2000);  // longer than the tries' period
    EXPECT_LE(taskbar->records(), 2) << "tried again after the taskbar kept the icon";
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }));
}

// Started hidden (a scheduled task, a "start in tray" tool) while the
// taskbar refuses icons or answers nothing, as at a busy logon, the window
// waits minimized on the taskbar, where the user can reach it; once the
// shell holds the icon it goes to the tray, and 起動 shows it restored, as
// after any hidden start.
TEST(TrayTest, AHiddenStartWaitsOnTheTaskbarUntilTheShellHoldsTheIcon)
{
    for (bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "taskbar silent for 5 s" : "taskbar refusing for 3 s");
        std::optional<RunningProgram> started;
        StandInTaskbar taskbar;
        ASSERT_TRUE(taskbar.inFront());
        if (silent)
            taskbar.stop();
        else
            taskbar.refuse(true);
        DWORD busySince = GetTickCount();
        RunningProgram& program = started.emplace(SW_HIDE);
        ASSERT_NE(program.window(), nullptr);
        EXPECT_TRUE(WaitUntil([&] { return IsIconic(program.window()) && IsWindowVisible(program.window()); }));
        int busyMs = silent ? 5000 : 3000;
        PumpFor(busyMs - static_cast<int>(GetTickCount() - busySince));
        EXPECT_TRUE(IsIconic(program.window()) && IsWindowVisible(program.window()));
        if (silent)
            taskbar.resume();
        else
            taskbar.refuse(false);
        ASSERT_TRUE(WaitUntil([&] { return taskbar.holdsIcon(); }, 4000));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }, 2500));
        ASSERT_TRUE(program.chooseTrayItem(SHOW_ITEM));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(program.window()) && !IsIconic(program.window()); }));
    }
}

// A taskbar that answers nothing, as one busy with other work: the program
// asks it for the icon without waiting for it, so its window, lists and
// buttons go on meanwhile; the icon arrives once the taskbar answers; and
// 終了 ends the program with code 0 within seconds even while the taskbar
// answers nothing again. Closed before the taskbar has answered, the
// window goes to the tray as with a taskbar that answers at once, comes to
// the taskbar once the taskbar has kept the program waiting a retry's
// period (1.5 s), and goes back to the tray with the icon.
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
    // With the icon, the window the close button sent to the taskbar goes
    // to the tray, and 起動 brings it back restored.
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }, 2500));
    PostMessageW(program.window(), WM_COMMAND, ID_TRAY_SHOW, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(program.window()) && !IsIconic(program.window()); }));

    // 終了 takes the window off the screen at once, though the program then
    // waits up to a second for the silent taskbar to drop the icon.
    taskbar.stop();
    PostMessageW(program.window(), WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }, 800));
    EXPECT_TRUE(program.running());
    EXPECT_EQ(program.waitForExit(3000), 0);
}

}  // namespace
