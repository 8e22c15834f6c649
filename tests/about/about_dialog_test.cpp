// The About box, opened for real. Its modal loop runs the checks from a
// timer, as the program's own refresh timer runs inside it.
#include "about/about_dialog.h"
#include "catalogue/census.h"
#include "catalogue/catalogue_lists.h"
#include "shared/app_state.h"
#include "test_windows.h"

#include <gtest/gtest.h>

namespace {

struct Observed {
    HWND dialog;
    HWND owner;
    bool ownerDisabled;
    DWORD style;
    wchar_t caption[32];
    bool openAfterKeys;
    bool listed;
    COLORREF background;
    int inkedLines;
    int ticks;
};
Observed g_seen;
HWND g_owner;

BOOL CALLBACK FindDialogProc(HWND window, LPARAM)
{
    if (GetWindow(window, GW_OWNER) == g_owner && IsWindowVisible(window)) {
        g_seen.dialog = window;
        return FALSE;
    }
    return TRUE;
}

// Glyphs may be drawn smoothed, so dark rather than exactly black.
bool IsDark(COLORREF colour)
{
    return GetRValue(colour) < 0x80 && GetGValue(colour) < 0x80 && GetBValue(colour) < 0x80;
}

void CALLBACK InspectDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    if (++g_seen.ticks == 1) {
        EnumThreadWindows(GetCurrentThreadId(), FindDialogProc, 0);
        HWND dialog = g_seen.dialog;
        if (!dialog)
            return;
        g_seen.owner = GetWindow(dialog, GW_OWNER);
        g_seen.ownerDisabled = !IsWindowEnabled(g_owner);
        g_seen.style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE));
        GetWindowTextW(dialog, g_seen.caption, 32);
        // Esc and Enter go through the dialog manager and must not close it.
        for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
            PostMessageW(dialog, WM_KEYDOWN, key, 0);
            PostMessageW(dialog, WM_KEYUP, key, 0xC0000000);
        }
        return;
    }
    HWND dialog = g_seen.dialog;
    KillTimer(nullptr, id);
    g_seen.openAfterKeys = IsWindow(dialog) && IsWindowVisible(dialog);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    HDC context = GetDC(dialog);
    g_seen.background = GetPixel(context, 15, 15);  // line 1's text box, top left
    for (int y : {15, 35, 55}) {                      // each line has dark glyphs
        int ink = 0;
        for (int row = y; row < y + 14; ++row)
            for (int x = 15; x < 120; ++x)
                ink += IsDark(GetPixel(context, x, row));
        g_seen.inkedLines += ink > 10;
    }
    ReleaseDC(dialog, context);
    g_app.totalCount = 0;
    RebuildCatalogue(g_owner);
    g_seen.listed = CountEntries(g_app.allList, g_seen.caption) != 0;
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

TEST(AboutDialogTest, ModalBoxOwnedByTheWindowClosedOnlyThroughItsCaption)
{
    g_app = InitialAppState();
    g_app.instance = GetModuleHandleW(nullptr);
    TestWindow owner(UniqueTitle(L"about owner"));
    g_owner = owner.handle();
    CreateCatalogueLists(g_owner);
    g_seen = {};
    SetTimer(nullptr, 0, 150, InspectDialog);
    ShowAboutBox(g_owner);  // returns once the box is closed

    ASSERT_NE(g_seen.dialog, nullptr);
    EXPECT_EQ(g_seen.owner, g_owner);
    EXPECT_TRUE(g_seen.ownerDisabled);
    // The dialog manager adds DS_3DLOOK and, once shown, WS_VISIBLE.
    EXPECT_EQ(g_seen.style & ~(WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK), 0x00C80088u);
    EXPECT_STREQ(g_seen.caption, L"バージョン情報");
    EXPECT_TRUE(g_seen.openAfterKeys);
    EXPECT_FALSE(g_seen.listed);
    EXPECT_EQ(g_seen.background, RGB(240, 240, 240));
    EXPECT_EQ(g_seen.inkedLines, 3);
    EXPECT_FALSE(IsWindow(g_seen.dialog));
    EXPECT_TRUE(IsWindowEnabled(g_owner));
}

}  // namespace
