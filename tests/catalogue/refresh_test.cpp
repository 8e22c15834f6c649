// Rebuild and change check against real windows: a tick rebuilds exactly
// when a count differs from its list's length.
#include "catalogue/catalogue_lists.h"
#include "shared/app_state.h"
#include "test_windows.h"

#include <gtest/gtest.h>

namespace {

class RefreshTest : public ::testing::Test {
protected:
    void SetUp() override { RebuildCatalogue(state_.host()); }

    // A rebuild replaces both lists with new, unselected controls, so a
    // selection that survives a tick shows that none happened.
    void SelectFirstEntries() { SendMessageW(g_app.allList, LB_SETCURSEL, 0, 0); }
    bool SelectionSurvived() { return SendMessageW(g_app.allList, LB_GETCURSEL, 0, 0) == 0; }
    void Tick() { CheckForChanges(state_.host()); }

    CatalogueFixtureState state_;
    TestWindow anchor_{UniqueTitle(L"anchor")};  // the all list is never empty
};

TEST_F(RefreshTest, UnchangedDesktopKeepsListsAndSelection)
{
    TestWindow pinned(UniqueTitle(L"steady"), TEST_CAPTIONED_STYLE, WS_EX_TOPMOST);
    Tick();
    SelectFirstEntries();
    HWND all = g_app.allList, topmost = g_app.topmostList;
    for (int i = 0; i < 5; ++i)
        Tick();
    EXPECT_EQ(g_app.allList, all);
    EXPECT_EQ(g_app.topmostList, topmost);
    EXPECT_TRUE(SelectionSurvived());
}

// Each change of the desktop that moves a count is picked up by the next
// tick; the entry then reads as the table says.
TEST_F(RefreshTest, CountChangesRebuildOnTheNextTick)
{
    std::wstring title = UniqueTitle(L"changing");
    TestWindow window(title, WS_OVERLAPPEDWINDOW);
    struct { const char* name; void (*change)(HWND); int all; int topmost; } steps[] = {
        {"shown", [](HWND w) { ShowWindow(w, SW_SHOWNA); }, 1, 0},
        {"made topmost", [](HWND w) { SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }, 1, 1},
        {"made normal", [](HWND w) { SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }, 1, 0},
        {"minimized", [](HWND w) { ShowWindow(w, SW_SHOWMINNOACTIVE); }, 1, 0},
        {"hidden", [](HWND w) { ShowWindow(w, SW_HIDE); }, 0, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        SelectFirstEntries();
        step.change(window.handle());
        PumpMessages();
        Tick();
        bool minimizedOnly = step.all == 1 && IsIconic(window.handle());
        EXPECT_EQ(SelectionSurvived(), minimizedOnly);
        EXPECT_EQ(CountEntries(g_app.allList, title), step.all);
        EXPECT_EQ(CountEntries(g_app.topmostList, title), step.topmost);
    }
}

TEST_F(RefreshTest, TitleChangeWaitsForAnExplicitRebuild)
{
    std::wstring before = UniqueTitle(L"old title"), after = UniqueTitle(L"new title");
    TestWindow window(before);
    Tick();
    SetWindowTextW(window.handle(), after.c_str());
    Tick();
    EXPECT_EQ(CountEntries(g_app.allList, before), 1);
    EXPECT_EQ(CountEntries(g_app.allList, after), 0);
    SelectFirstEntries();
    RebuildCatalogue(state_.host());  // what "更新" does, even with equal counts
    EXPECT_FALSE(SelectionSurvived());
    EXPECT_EQ(CountEntries(g_app.allList, before), 0);
    EXPECT_EQ(CountEntries(g_app.allList, after), 1);
}

TEST_F(RefreshTest, EntryAddedByHandIsRepairedByTheNextTick)
{
    SendMessageW(g_app.topmostList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"stray entry"));
    Tick();
    EXPECT_EQ(CountEntries(g_app.topmostList, L"stray entry"), 0);
    EXPECT_EQ(SendMessageW(g_app.topmostList, LB_GETCOUNT, 0, 0), g_app.topmostCount);
}

// Rebuilds replace the lists rather than pile them up.
TEST_F(RefreshTest, RepeatedRebuildsKeepExactlyTwoLists)
{
    for (int i = 0; i < 200; ++i)
        RebuildCatalogue(state_.host());
    EXPECT_EQ(CountListBoxChildren(state_.host()), 2);
    EXPECT_EQ(GetDlgItem(state_.host(), 500), g_app.allList);
    EXPECT_EQ(GetDlgItem(state_.host(), 501), g_app.topmostList);
}

}  // namespace
