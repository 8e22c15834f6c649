// A window whose thread has stopped answering: it is listed, the census
// goes on past it, and pinning it does not stall the program.
#include "soak.h"

#include "shared/identifiers.h"

#include <algorithm>
#include <cstdio>

namespace {

const wchar_t HUNG_TITLE[] = L"soak hung window";

HANDLE g_release;
HANDLE g_quit;
DWORD WINAPI HungThread(LPVOID)
{
    HWND window = OpenWindow(L"AltavueSoakHung", HUNG_TITLE);
    PumpMessages();
    WaitForSingleObject(g_release, INFINITE);  // answers nothing meanwhile
    while (WaitForSingleObject(g_quit, 0) == WAIT_TIMEOUT)
        PumpFor(0.01);
    DestroyWindow(window);
    return 0;
}

// Finds `title` in the list of all windows and selects it, both on one and
// the same list: an index read from a list that a rebuild has replaced
// means nothing in the new one.
bool SelectEntry(ProgramLists& lists, const wchar_t* title)
{
    HWND list = lists.list(ID_LIST_ALL);
    std::vector<std::wstring> entries;
    if (lists.readList(list, &entries) != Reply::Given)
        return false;
    auto found = std::find(entries.begin(), entries.end(), title);
    LRESULT selected = LB_ERR;
    return found != entries.end() &&
           lists.ask(list, LB_SETCURSEL, static_cast<WPARAM>(found - entries.begin()), &selected) == Reply::Given &&
           selected != LB_ERR && lists.list(ID_LIST_ALL) == list;
}

}  // namespace

void HungPhase()
{
    std::printf("\na window whose thread has stopped answering\n");
    ProgramProcess program;
    if (!StartProgram(program))
        return;
    g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_quit = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, HungThread, nullptr, 0, nullptr);
    ProgramLists lists(program);
    auto listed = [&](const wchar_t* title) {
        std::vector<std::wstring> all;
        return lists.entries(ID_LIST_ALL, &all) == Reply::Given &&
               std::find(all.begin(), all.end(), title) != all.end();
    };
    bool hungListed = WaitFor([&] { return listed(HUNG_TITLE); }, 5);
    double start = Seconds();
    HWND later = OpenWindow(L"AltavueSoakLater", L"soak window after the hung one");
    bool laterListed = WaitFor([&] { return listed(L"soak window after the hung one"); }, 5);
    std::printf("  hung window listed: %s; a new window listed %s after %.0f ms\n",
                hungListed ? "yes" : "NO", laterListed ? "yes" : "NO", (Seconds() - start) * 1000);

    if (!WaitFor([&] { return SelectEntry(lists, HUNG_TITLE); }, 5))
        std::printf("  the hung window could not be selected in the list\n");
    const double releaseAfter = 5.0;
    PostMessageW(GetDlgItem(program.window(), ID_APPLY), BM_CLICK, 0, 0);
    double clicked = Seconds(), lastAnswer = clicked, longest = 0, pinnedAt = -1;
    bool released = false;
    while (Seconds() - clicked < releaseAfter + 3) {
        if (!released && Seconds() - clicked >= releaseAfter) {
            SetEvent(g_release);
            released = true;
        }
        if (AnswerMs(program, 100) >= 0) {
            longest = std::max(longest, Seconds() - lastAnswer);
            lastAnswer = Seconds();
        }
        HWND hung = FindWindowW(L"AltavueSoakHung", nullptr);
        if (pinnedAt < 0 && (GetWindowLongW(hung, GWL_EXSTYLE) & WS_EX_TOPMOST))
            pinnedAt = Seconds() - clicked;
        PumpFor(0.02);
    }
    longest = std::max(longest, Seconds() - lastAnswer);
    std::printf("  pinning it: longest wait for an answer %.2f s; the window turned topmost %s%.2f s "
                "after the click (its thread was released after %.0f s)\n", longest,
                pinnedAt < 0 ? "NEVER " : "", pinnedAt < 0 ? 0 : pinnedAt, releaseAfter);
    SetEvent(g_release);
    SetEvent(g_quit);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    DestroyWindow(later);
    lists.printUnanswered();
    program.end();
}
