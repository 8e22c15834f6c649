// A window whose thread has stopped answering: it is listed, and pinning
// or unpinning it must not stop the program. What shows that the program
// goes on is its own census: a window opened meanwhile must still appear
// in its list. A probe sent to the program cannot show it, since a thread
// that waits inside an outgoing SendMessage still answers messages sent to
// it, while its timer, census and painting stand still.
#include "soak.h"

#include "shared/identifiers.h"
#include "window_thread.h"

#include <algorithm>
#include <cstdio>

namespace {

const wchar_t HUNG_TITLE[] = L"soak hung window";
const wchar_t LATER_TITLE[] = L"soak window opened while it hangs";
const double STOPPED_SECONDS = 4;

// Finds `title` in list `id` and selects it, both on one and the same list:
// an index read from a list that a rebuild has replaced means nothing in
// the new one.
bool SelectEntry(ProgramLists& lists, int id, const wchar_t* title)
{
    HWND list = lists.list(id);
    std::vector<std::wstring> entries;
    if (lists.readList(list, &entries) != Reply::Given)
        return false;
    auto found = std::find(entries.begin(), entries.end(), title);
    LRESULT selected = LB_ERR;
    return found != entries.end() &&
           lists.ask(list, LB_SETCURSEL, static_cast<WPARAM>(found - entries.begin()), &selected) == Reply::Given &&
           selected != LB_ERR && lists.list(id) == list;
}

struct Action {
    const char* name;
    int list, button;
    bool topmostAfter;
};

}  // namespace

void HungPhase()
{
    std::printf("\na window whose thread has stopped answering\n");
    ProgramProcess program;
    if (!StartProgram(program))
        return;
    WindowThread hung(HUNG_TITLE);
    ProgramLists lists(program);

    const Action actions[] = {
        {"pinning", ID_LIST_ALL, ID_APPLY, true},
        {"unpinning", ID_LIST_TOPMOST, ID_RELEASE, false},
    };
    for (const Action& action : actions) {
        if (!WaitFor([&] { return SelectEntry(lists, action.list, HUNG_TITLE); }, 5)) {
            std::printf("  %s it: the window could not be selected in its list\n", action.name);
            continue;
        }
        hung.stop();
        double stopped = Seconds(), released = 0, listedAfter = -1;
        PostMessageW(GetDlgItem(program.window(), action.button), BM_CLICK, 0, 0);
        // The right list is edited before the window is asked to move: once
        // it shows the edit, the program has taken the click.
        bool taken = WaitFor([&] { return lists.holds(ID_LIST_TOPMOST, HUNG_TITLE) == action.topmostAfter; }, 2);
        double opened = Seconds();
        HWND later = OpenWindow(L"AltavueSoakLater", LATER_TITLE);
        // The thread runs again after STOPPED_SECONDS, listed or not.
        auto release = [&] {
            if (released == 0 && Seconds() >= stopped + STOPPED_SECONDS) {
                hung.resume();
                released = Seconds();
            }
            return released != 0;
        };
        if (WaitFor([&] { return release(), lists.holds(ID_LIST_ALL, LATER_TITLE); }, STOPPED_SECONDS + 3))
            listedAfter = Seconds() - opened;
        WaitFor(release, STOPPED_SECONDS);
        bool changed = WaitFor([&] {
            return ((GetWindowLongW(hung.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) == action.topmostAfter;
        }, 5);
        std::printf("  %s it, its thread stopped for %.0f s%s:\n", action.name, STOPPED_SECONDS,
                    taken ? "" : " (the click was NOT seen taken)");
        if (listedAfter < 0)
            std::printf("    a window opened meanwhile was NOT listed within %.0f s\n", STOPPED_SECONDS + 3);
        else
            std::printf("    a window opened meanwhile was listed %.0f ms after it opened\n", listedAfter * 1000);
        std::printf("    the change took effect %s%.0f ms after the thread ran again\n",
                    changed ? "" : "NOT within ", (Seconds() - released) * 1000);
        DestroyWindow(later);
        WaitFor([&] { return !lists.holds(ID_LIST_ALL, LATER_TITLE); }, 5);
    }
    lists.printUnanswered();
    program.end();
}
