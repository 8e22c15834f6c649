// A window whose thread has stopped answering: it is listed, and pinning
// or unpinning it must not stop the program. What shows that the program
// goes on is its own census: a window opened meanwhile must still appear
// in its list. A probe sent to the program cannot show it, since a thread
// that waits inside an outgoing SendMessage still answers messages sent to
// it, while its timer, census and painting stand still.
#include "soak.h"

#include "shared/identifiers.h"

#include <algorithm>
#include <cstdio>

namespace {

const wchar_t HUNG_CLASS[] = L"AltavueSoakHung";
const wchar_t HUNG_TITLE[] = L"soak hung window";
const wchar_t LATER_TITLE[] = L"soak window opened while it hangs";
const double STOPPED_SECONDS = 4;

// The window's thread serves its messages until told to stop, then answers
// nothing until released.
HANDLE g_stop, g_stopped, g_release, g_quit;
DWORD WINAPI HungThread(LPVOID)
{
    HWND window = OpenWindow(HUNG_CLASS, HUNG_TITLE);
    HANDLE events[2] = {g_quit, g_stop};
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken == WAIT_OBJECT_0 + 1) {
            SetEvent(g_stopped);
            WaitForSingleObject(g_release, INFINITE);
        }
        PumpMessages();
    }
    DestroyWindow(window);
    return 0;
}

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
    g_stop = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    g_stopped = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    g_release = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    g_quit = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, HungThread, nullptr, 0, nullptr);
    ProgramLists lists(program);
    auto holds = [&](int id, const wchar_t* title) {
        bool held = false;
        return lists.holds(id, title, &held) == Reply::Given && held;
    };
    HWND hung = nullptr;
    WaitFor([&] { return (hung = FindWindowW(HUNG_CLASS, nullptr)) != nullptr; }, 5);

    const Action actions[] = {
        {"pinning", ID_LIST_ALL, ID_APPLY, true},
        {"unpinning", ID_LIST_TOPMOST, ID_RELEASE, false},
    };
    for (const Action& action : actions) {
        if (!WaitFor([&] { return SelectEntry(lists, action.list, HUNG_TITLE); }, 5)) {
            std::printf("  %s it: the window could not be selected in its list\n", action.name);
            continue;
        }
        SetEvent(g_stop);
        WaitForSingleObject(g_stopped, 5000);
        double stopped = Seconds(), released = 0, listedAfter = -1;
        PostMessageW(GetDlgItem(program.window(), action.button), BM_CLICK, 0, 0);
        // The right list is edited before the window is asked to move: once
        // it shows the edit, the program has taken the click.
        bool taken = WaitFor([&] { return holds(ID_LIST_TOPMOST, HUNG_TITLE) == action.topmostAfter; }, 2);
        double opened = Seconds();
        HWND later = OpenWindow(L"AltavueSoakLater", LATER_TITLE);
        // The thread runs again after STOPPED_SECONDS, listed or not.
        auto release = [&] {
            if (released == 0 && Seconds() >= stopped + STOPPED_SECONDS) {
                SetEvent(g_release);
                released = Seconds();
            }
            return released != 0;
        };
        if (WaitFor([&] { return release(), holds(ID_LIST_ALL, LATER_TITLE); }, STOPPED_SECONDS + 3))
            listedAfter = Seconds() - opened;
        WaitFor(release, STOPPED_SECONDS);
        bool changed = WaitFor([&] {
            return ((GetWindowLongW(hung, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) == action.topmostAfter;
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
        WaitFor([&] { return !holds(ID_LIST_ALL, LATER_TITLE); }, 5);
    }
    SetEvent(g_quit);
    SetEvent(g_release);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    for (HANDLE event : {g_stop, g_stopped, g_release, g_quit})
        CloseHandle(event);
    lists.printUnanswered();
    program.end();
}
