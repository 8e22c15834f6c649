// The real Altavue.exe, started and driven from this process.
#include "program_driver.h"
#include "shared/identifiers.h"
#include "test_windows.h"

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

// A shortcut set to start minimized ("最小化") passes SW_SHOWMINNOACTIVE:
// the window starts minimized, and is still a visible topmost window,
// listed on both sides.
TEST(ProgramTest, StartedMinimizedItIsMinimizedTopmostAndListed)
{
    RunningProgram program(SW_SHOWMINNOACTIVE);
    ASSERT_NE(program.window(), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(program.window()) != FALSE; }));
    EXPECT_TRUE(IsWindowVisible(program.window()));
    EXPECT_TRUE(IsTopmostWindow(program.window()));
    EXPECT_EQ(program.count(ID_LIST_ALL, L"Altavue"), 1);
    EXPECT_EQ(program.count(ID_LIST_TOPMOST, L"Altavue"), 1);
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

// A window whose thread has stopped answering messages does not stop the
// census: it is listed, and windows opened after it still are.
HANDLE g_release;
DWORD WINAPI StoppedThread(LPVOID title)
{
    TestWindow window(*static_cast<std::wstring*>(title));
    WaitForSingleObject(g_release, 20000);
    return 0;
}

TEST(ProgramTest, AWindowThatStoppedAnsweringDoesNotStopTheCensus)
{
    RunningProgram program;
    ASSERT_NE(program.window(), nullptr);
    std::wstring stopped = UniqueTitle(L"stopped"), later = UniqueTitle(L"opened later");
    g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, StoppedThread, &stopped, 0, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return program.count(ID_LIST_ALL, stopped) == 1; }));
    TestWindow window(later);
    EXPECT_TRUE(WaitUntil([&] { return program.count(ID_LIST_ALL, later) == 1; }));
    SetEvent(g_release);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(g_release);
}

}  // namespace
