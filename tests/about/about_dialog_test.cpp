// The About box, opened for real. Its modal loop runs the checks from a
// timer, as the program's own refresh timer runs inside it.
#include "about/about_dialog.h"
#include "catalogue/census.h"
#include "catalogue/catalogue_lists.h"
#include "client_pixels.h"
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
    int pixelsUnlikeTheLines;
    bool rightsLineFits;
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

// What the box must show: three lines at x = 15, each on a box of light grey.
struct Line {
    int y;
    const wchar_t* text;
};
const Line LINES[] = {
    {15, L"ヴェルダリオ"},
    {35, L"Version 0.1.0.0(2019/5/14)"},
    {55, L"(C) 2026 The Altavue developers"},
};

// The box's client area as it is on screen, beside the same three lines
// drawn by the test on the box's own background, with the defaults of a
// fresh device context (font, text colour, opaque background) and the
// box's text background: the number of pixels in which the two differ.
int CompareWithTheLines(HWND dialog)
{
    ClientPixels shown(dialog, true);
    ClientPixels drawn(dialog, false);
    SendMessageW(dialog, WM_ERASEBKGND, reinterpret_cast<WPARAM>(drawn.dc()), 0);
    SetBkColor(drawn.dc(), RGB(240, 240, 240));
    for (const Line& line : LINES)
        TextOutW(drawn.dc(), 15, line.y, line.text, lstrlenW(line.text));
    SIZE rights;
    GetTextExtentPoint32W(drawn.dc(), LINES[2].text, lstrlenW(LINES[2].text), &rights);
    g_seen.rightsLineFits = 15 + rights.cx <= shown.width();

    int differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            differing += shown.at(x, y) != drawn.at(x, y);
    return differing;
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
    g_seen.pixelsUnlikeTheLines = CompareWithTheLines(dialog);
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
    EXPECT_EQ(g_seen.pixelsUnlikeTheLines, 0);
    EXPECT_TRUE(g_seen.rightsLineFits);
    EXPECT_FALSE(IsWindow(g_seen.dialog));
    EXPECT_TRUE(IsWindowEnabled(g_owner));
}

}  // namespace
