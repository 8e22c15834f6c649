// The census filter against real top-level windows.
#include "catalogue/census.h"
#include "catalogue/pin.h"
#include "shared/app_state.h"
#include "test_windows.h"

#include <gtest/gtest.h>

namespace {

struct FilterCase {
    const char* name;
    DWORD style;
    DWORD exStyle;
    bool owned;
    bool listed;
    bool topmost;
};

const FilterCase FILTER_CASES[] = {
    {"captioned", TEST_CAPTIONED_STYLE, 0, false, true, false},
    {"topmost", TEST_CAPTIONED_STYLE, WS_EX_TOPMOST, false, true, true},
    {"popup with border only", WS_POPUP | WS_BORDER | WS_VISIBLE, 0, false, true, false},
    {"popup with dialog frame only", WS_POPUP | WS_DLGFRAME | WS_VISIBLE, 0, false, true, false},
    {"popup without caption bits", WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST, false, false, false},
    {"invisible", WS_OVERLAPPEDWINDOW, WS_EX_TOPMOST, false, false, false},
    {"owned", TEST_CAPTIONED_STYLE, 0, true, false, false},
    {"owned tool window", TEST_CAPTIONED_STYLE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, true, false, false},
    // Kinds a real desktop has, whose extended styles or state do not
    // change whether they qualify.
    {"unowned tool window (a palette)", TEST_CAPTIONED_STYLE, WS_EX_TOOLWINDOW, false, true, false},
    {"click-through layered overlay", TEST_CAPTIONED_STYLE, WS_EX_LAYERED | WS_EX_TRANSPARENT, false, true, false},
    {"never activated (a screen keyboard)", TEST_CAPTIONED_STYLE, WS_EX_NOACTIVATE, false, true, false},
    {"minimized", TEST_CAPTIONED_STYLE | WS_MINIMIZE, 0, false, true, false},
    {"maximized", TEST_CAPTIONED_STYLE | WS_MAXIMIZE, 0, false, true, false},
    {"disabled (under a modal dialog)", TEST_CAPTIONED_STYLE | WS_DISABLED, 0, false, true, false},
};

class CensusTest : public ::testing::Test {
protected:
    void FillCensus()
    {
        g_app.fillMode = true;
        RunCensus();
        g_app.fillMode = false;
    }
    // Selects the entry `title` of `list`, as the user's click does.
    static void Select(HWND list, const std::wstring& title)
    {
        LRESULT index = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(title.c_str()));
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    // 適応 on the listed `title`, then 解除 on it: `window` is topmost after
    // the first and not after the second.
    static void ExpectPinAndUnpin(HWND window, const std::wstring& title)
    {
        Select(g_app.allList, title);
        PinSelected();
        EXPECT_TRUE(IsTopmostWindow(window)) << "pinned";
        Select(g_app.topmostList, title);
        UnpinSelected();
        EXPECT_FALSE(IsTopmostWindow(window)) << "unpinned";
    }
    CatalogueFixtureState state_;
};

TEST_F(CensusTest, FilterDecidesWhichWindowsAreListed)
{
    TestWindow owner(UniqueTitle(L"owner"));
    for (const FilterCase& c : FILTER_CASES) {
        SCOPED_TRACE(c.name);
        std::wstring title = UniqueTitle(L"filter");
        TestWindow window(title, c.style, c.exStyle, c.owned ? owner.handle() : nullptr);
        ASSERT_NE(window.handle(), nullptr);
        SendMessageW(g_app.allList, LB_RESETCONTENT, 0, 0);
        SendMessageW(g_app.topmostList, LB_RESETCONTENT, 0, 0);
        g_app.totalCount = g_app.topmostCount = 0;
        FillCensus();
        EXPECT_EQ(CountEntries(g_app.allList, title), c.listed ? 1 : 0);
        EXPECT_EQ(CountEntries(g_app.topmostList, title), c.topmost ? 1 : 0);
        EXPECT_EQ(g_app.totalCount, SendMessageW(g_app.allList, LB_GETCOUNT, 0, 0));
        EXPECT_EQ(g_app.topmostCount, SendMessageW(g_app.topmostList, LB_GETCOUNT, 0, 0));
        if (c.listed)
            ExpectPinAndUnpin(window.handle(), title);
    }
}

// Titles at and past the buffer's limit, and text outside the BMP. A title
// cut by the buffer no longer matches its own window and is left out; the
// longest that fits is pinned and unpinned like any other.
TEST_F(CensusTest, TitleLengthsAndSurrogatesAtTheBufferLimit)
{
    const std::wstring cat = L"\U0001F431";  // two UTF-16 units
    struct { const char* name; std::wstring title; bool listed; } cases[] = {
        {"1023 characters", std::wstring(1023, L'a'), true},
        {"1024 characters", std::wstring(1024, L'b'), false},
        {"5000 characters", std::wstring(5000, L'c'), false},
        {"non-BMP text", L"猫 " + cat + L" \U00020B9F", true},
        {"pair split by the limit", std::wstring(1022, L'd') + cat, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestWindow window(c.title);
        SendMessageW(g_app.allList, LB_RESETCONTENT, 0, 0);
        FillCensus();
        // A listed title is whole; an unlisted one is not there even cut.
        std::wstring stem = c.title.substr(0, 1000);
        int withStem = 0, count = static_cast<int>(SendMessageW(g_app.allList, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
            withStem += EntryAt(g_app.allList, i).rfind(stem, 0) == 0;
        EXPECT_EQ(withStem, c.listed ? 1 : 0);
        EXPECT_EQ(CountEntries(g_app.allList, c.title), c.listed ? 1 : 0);
        if (c.listed)
            ExpectPinAndUnpin(window.handle(), c.title);
    }
}

TEST_F(CensusTest, EqualTitlesGiveSeparateEntriesInSortedOrder)
{
    std::wstring stem = UniqueTitle(L"sorted");
    TestWindow c(stem + L" c"), a(stem + L" a"), twin1(stem + L" b"), twin2(stem + L" b");
    FillCensus();
    EXPECT_EQ(CountEntries(g_app.allList, stem + L" b"), 2);
    int count = static_cast<int>(SendMessageW(g_app.allList, LB_GETCOUNT, 0, 0));
    std::wstring seen;
    for (int i = 0; i < count; ++i) {
        std::wstring entry = EntryAt(g_app.allList, i);
        if (entry.rfind(stem, 0) == 0)
            seen += entry.back();
    }
    EXPECT_EQ(seen, L"abbc");
}

TEST_F(CensusTest, CountModeLeavesListsAloneAndCountersAccumulate)
{
    TestWindow window(UniqueTitle(L"counted"), TEST_CAPTIONED_STYLE, WS_EX_TOPMOST);
    g_app.fillMode = false;
    RunCensus();
    INT32 total = g_app.totalCount, topmost = g_app.topmostCount;
    EXPECT_GE(total, 1);
    EXPECT_GE(topmost, 1);
    RunCensus();
    EXPECT_EQ(g_app.totalCount, 2 * total);
    EXPECT_EQ(g_app.topmostCount, 2 * topmost);
    EXPECT_EQ(SendMessageW(g_app.allList, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageW(g_app.topmostList, LB_GETCOUNT, 0, 0), 0);
}

// A window with an empty title, and one that destroys itself while the
// census reads its title, are neither counted nor listed.
bool g_vanishArmed = false;

LRESULT CALLBACK VanishingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETTEXT && g_vanishArmed && wParam > 4) {
        g_vanishArmed = false;
        DestroyWindow(window);
        lstrcpyW(reinterpret_cast<WCHAR*>(lParam), L"gone");
        return 4;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(CensusTest, EmptyAndVanishingWindowsAreNotCounted)
{
    RunCensus();
    INT32 before = g_app.totalCount;
    TestWindow untitled(L"");
    TestWindow vanishingWindow(L"", TEST_CAPTIONED_STYLE, 0, nullptr,
                               RegisterTestClass(L"AltavueVanishing", VanishingProc));
    HWND vanishing = vanishingWindow.handle();
    ASSERT_TRUE(IsWindowVisible(vanishing));
    g_app.totalCount = 0;
    g_vanishArmed = true;
    FillCensus();
    EXPECT_FALSE(IsWindow(vanishing));
    EXPECT_EQ(g_app.totalCount, before);
    EXPECT_EQ(CountEntries(g_app.allList, L"gone"), 0);
}

}  // namespace
