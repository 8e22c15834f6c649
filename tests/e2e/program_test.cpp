// The real Altavue.exe, started and driven from this process.
#include "program_driver.h"
#include "shared/identifiers.h"
#include "test_windows.h"
#include "window_thread.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgramTest, StartsTopmostWithBothListsAndThreeButtons)
{
    RunningProgram program;
    ASSERT_NE(program.window(), nullptr);
    EXPECT_TRUE(IsWindowVisible(program.window()));
    EXPECT_TRUE(IsTopmostWindow(program.window()));
    RECT frame;
    GetWindowRect(program.window(), &frame);
    EXPECT_EQ(frame.right - frame.left, 415);
    EXPECT_EQ(frame.bottom - frame.top, 300);
    EXPECT_EQ(program.count(ID_LIST_ALL, L"Altavue"), 1);
    EXPECT_EQ(program.count(ID_LIST_TOPMOST, L"Altavue"), 1);
    for (int id : {ID_APPLY, ID_UPDATE, ID_RELEASE})
        EXPECT_NE(program.button(id), nullptr) << id;
    EXPECT_EQ(program.button(1003), nullptr);
}

// However a launcher starts the program, its user can get the window back.
// A shortcut set to start minimized ("最小化") passes SW_SHOWMINNOACTIVE:
// the window starts minimized, and is still a visible topmost window,
// listed on both sides. A launcher that asks for a hidden start (a
// scheduled task, a "start in tray" tool) passes SW_HIDE: the window is
// hidden to the tray, whose menu offers 起動 to show it.
TEST(ProgramTest, StartedMinimizedOrHiddenTheWindowCanBeHadBack)
{
    {
        RunningProgram program(SW_SHOWMINNOACTIVE);
        ASSERT_NE(program.window(), nullptr);
        EXPECT_TRUE(WaitUntil([&] { return IsIconic(program.window()) != FALSE; }));
        EXPECT_TRUE(IsWindowVisible(program.window()));
        EXPECT_TRUE(IsTopmostWindow(program.window()));
        EXPECT_EQ(program.count(ID_LIST_ALL, L"Altavue"), 1);
        EXPECT_EQ(program.count(ID_LIST_TOPMOST, L"Altavue"), 1);
    }
    RunningProgram program(SW_HIDE);
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }));
    const int SHOW_ITEM = 1;
    ASSERT_TRUE(program.chooseTrayItem(SHOW_ITEM));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(program.window()) != FALSE; }));
    EXPECT_TRUE(WaitUntil([&] { return program.count(ID_LIST_ALL, L"Altavue") == 1; }));
}

// Windows of this process open, turn topmost, and close; the program's
// lists follow within a few ticks, and 更新 clears the selection.
TEST(ProgramTest, ListsFollowTheDesktop)
{
    RunningProgram program;
    ASSERT_NE(program.window(), nullptr);
    std::wstring title = UniqueTitle(L"e2e 窓");
    {
        TestWindow window(title);
        EXPECT_TRUE(WaitUntil([&] { return program.count(ID_LIST_ALL, title) == 1; }));
        EXPECT_EQ(program.count(ID_LIST_TOPMOST, title), 0);

        SetWindowPos(window.handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        EXPECT_TRUE(WaitUntil([&] { return program.count(ID_LIST_TOPMOST, title) == 1; }));

        ASSERT_TRUE(program.select(ID_LIST_ALL, title));
        PumpFor(300);  // quiet desktop: the selection survives the ticks
        EXPECT_NE(program.selection(ID_LIST_ALL), LB_ERR);
        program.click(ID_UPDATE);
        EXPECT_TRUE(WaitUntil([&] { return program.selection(ID_LIST_ALL) == LB_ERR; }));
        EXPECT_EQ(program.count(ID_LIST_ALL, title), 1);
    }
    EXPECT_TRUE(WaitUntil([&] {
        return program.count(ID_LIST_ALL, title) == 0 && program.count(ID_LIST_TOPMOST, title) == 0;
    }));
}

TEST(ProgramTest, CloseButtonHidesTheWindowAndTheProgramRunsOn)
{
    RunningProgram program;
    ASSERT_NE(program.window(), nullptr);
    PostMessageW(program.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.window()); }));
    EXPECT_TRUE(WaitUntil([&] { return program.count(ID_LIST_ALL, L"Altavue") == 0; }));
    EXPECT_TRUE(program.running());
    EXPECT_TRUE(IsWindow(program.window()));
}

// A window whose thread has stopped answering stops neither the census nor
// the program that pins or unpins it: a window opened meanwhile is listed
// within a second, and the change is made once the thread runs again.
TEST(ProgramTest, AWindowThatStoppedAnsweringStopsNeitherCensusNorPin)
{
    RunningProgram program;
    ASSERT_NE(program.window(), nullptr);
    WindowThread stopped(UniqueTitle(L"stopped"));
    for (bool pin : {true, false}) {
        SCOPED_TRACE(pin ? "pin" : "unpin");
        ASSERT_TRUE(program.select(pin ? ID_LIST_ALL : ID_LIST_TOPMOST, stopped.title()));
        stopped.stop();
        EXPECT_TRUE(program.press(pin ? ID_APPLY : ID_RELEASE, 2000));
        std::wstring title = UniqueTitle(L"opened later");
        TestWindow later(title);
        EXPECT_TRUE(WaitUntil([&] { return program.count(ID_LIST_ALL, title) == 1; }, 1000));
        EXPECT_NE(IsTopmostWindow(stopped.handle()), pin);
        stopped.resume();
        EXPECT_TRUE(WaitUntil([&] { return IsTopmostWindow(stopped.handle()) == pin; }));
    }
}

}  // namespace
