#include "catalogue/pin.h"

#include "platform/list_box.h"
#include "shared/app_state.h"
#include "shared/texts.h"

namespace {

// Keeps position and size, shows the window if hidden, and (without
// SWP_NOACTIVATE) activates it at the top of its new group.
const UINT ZORDER_FLAGS = SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW;
static_assert(ZORDER_FLAGS == 0x0043, "z-order flags");

// How long a window's thread may take to answer before the program stops
// waiting for it.
const UINT ANSWER_WAIT_MS = 250;

// SetWindowPos on another thread's window waits until that thread has made
// the change, so a window that has stopped answering would stop the program
// (census, painting, tray menu) for as long as it stays stopped. Such a
// window is only sent the change, to make when it runs again. A window that
// answers is changed here and now, by the program the user just clicked,
// which as the foreground process may also activate it.
bool AnswersSoon(HWND target)
{
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ANSWER_WAIT_MS, &answer) != 0;
}

// A title that no longer belongs to any window finds nothing; the lists
// then disagree with the next census, which rebuilds them.
void SetZOrderByTitle(const WCHAR* title, HWND insertAfter)
{
    HWND target = FindWindowW(nullptr, title);
    if (target == nullptr)
        return;
    UINT flags = ZORDER_FLAGS;
    if (!AnswersSoon(target)) {
        // The target's own thread makes the change later, when this program
        // may no longer be the foreground one; pass it the right to take the
        // foreground now, or it may only flash its taskbar button.
        DWORD processId = 0;
        GetWindowThreadProcessId(target, &processId);
        AllowSetForegroundWindow(processId);
        flags |= SWP_ASYNCWINDOWPOS;
    }
    SetWindowPos(target, insertAfter, 0, 0, 0, 0, flags);
}

}  // namespace

void PinSelected()
{
    WCHAR title[TITLE_CHARS];
    int index = ListGetCurSel(g_app.allList);
    if (index == LB_ERR || !ListGetText(g_app.allList, index, title, TITLE_CHARS))
        return;
    ListAddString(g_app.topmostList, title);
    SetZOrderByTitle(title, HWND_TOPMOST);
}

void UnpinSelected()
{
    WCHAR title[TITLE_CHARS];
    int index = ListGetCurSel(g_app.topmostList);
    if (index == LB_ERR || !ListGetText(g_app.topmostList, index, title, TITLE_CHARS))
        return;
    ListDeleteString(g_app.topmostList, index);
    SetZOrderByTitle(title, HWND_NOTOPMOST);
}
