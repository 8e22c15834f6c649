#include "catalogue/census.h"

#include "platform/list_box.h"
#include "shared/app_state.h"
#include "shared/texts.h"

namespace {

bool IsTopmost(HWND window)
{
    return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// The filter, tested in this order. A window whose title does not fit the
// buffer comes back cut short, no longer matches itself through
// FindWindowW, and is left out; so is anything a failed read leaves empty.
bool IsQualifyingWindow(HWND window, WCHAR* className, WCHAR* title)
{
    GetClassNameW(window, className, TITLE_CHARS);
    if (className[0] == L'\0')
        return false;
    GetWindowTextW(window, title, TITLE_CHARS);
    if (title[0] == L'\0')
        return false;
    if (FindWindowW(className, title) == nullptr)
        return false;
    if (GetWindowTextLengthW(window) <= 0)
        return false;
    if (!IsWindowVisible(window))
        return false;
    // Owned windows (tool windows, dialogs) belong to their owner's entry.
    if (GetWindow(window, GW_OWNER) != nullptr)
        return false;
    // A border or a dialog frame is enough: only captionless popups go.
    return (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) != 0;
}

}  // namespace

BOOL CALLBACK CensusProc(HWND window, LPARAM)
{
    // Cleared first: a read that fails need not write its buffer, and it
    // must then count as empty rather than leave the previous visit's text.
    WCHAR className[TITLE_CHARS];
    WCHAR title[TITLE_CHARS];
    className[0] = L'\0';
    title[0] = L'\0';

    if (!IsQualifyingWindow(window, className, title))
        return TRUE;

    if (g_app.fillMode) {
        if (IsTopmost(window))
            ListAddString(g_app.topmostList, title);
        ListAddString(g_app.allList, title);
    }
    if (IsTopmost(window))
        ++g_app.topmostCount;
    ++g_app.totalCount;
    return TRUE;
}

void RunCensus()
{
    EnumWindows(CensusProc, 0);
}
