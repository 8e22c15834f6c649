// Churn: two processes churn windows while pins and unpins of random
// entries go on; windows opened meanwhile are timed until the program
// lists them, and afterwards the lists must equal an independent census.
#include "soak.h"

#include "shared/identifiers.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace {

// The same rules as the program's census, written out independently.
struct IndependentCensus {
    std::vector<std::wstring> all, topmost;
};
BOOL CALLBACK IndependentProc(HWND window, LPARAM extra)
{
    auto* census = reinterpret_cast<IndependentCensus*>(extra);
    wchar_t className[1024] = L"", title[1024] = L"";
    GetClassNameW(window, className, 1024);
    GetWindowTextW(window, title, 1024);
    if (!className[0] || !title[0] || !FindWindowW(className, title) || !IsWindowVisible(window) ||
        GetWindow(window, GW_OWNER) || !(GetWindowLongW(window, GWL_STYLE) & WS_CAPTION))
        return TRUE;
    census->all.push_back(title);
    if (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST)
        census->topmost.push_back(title);
    return TRUE;
}

}  // namespace

void ChurnPhase(double seconds)
{
    std::printf("\nchurn: 2 processes churning windows for %.0f s while pins and unpins go on\n", seconds);
    ProgramProcess program;
    if (!StartProgram(program))
        return;
    ProgramLists lists(program);
    // Steady windows beside the churn, some topmost, for the final check.
    std::vector<HWND> steady;
    for (int i = 0; i < 20; ++i) {
        wchar_t title[40];
        std::swprintf(title, 40, L"steady window %d", i);
        steady.push_back(OpenWindow(L"AltavueSteady", title, i % 4 == 0 ? WS_EX_TOPMOST : 0));
    }
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, STOP_EVENT);
    Child churners[2];
    for (Child& churner : churners)
        churner.start(L"churner");
    // Whether the program goes on is what its lists show: every second a
    // window of the soak's own opens, and the figure is the time until the
    // program lists it. An answer to a message sent to the program would
    // not show it: a thread that waits inside an outgoing SendMessage
    // still answers messages sent to it.
    std::vector<double> delays;
    int markers = 0, unlisted = 0, actions = 0;
    HWND marker = nullptr;
    wchar_t markerTitle[40] = L"";
    double end = Seconds() + seconds, opened = 0, nextMarker = Seconds() + 1, nextPick = Seconds();
    unsigned seed = 7;
    while (Seconds() < end && program.running()) {
        if (!marker && Seconds() >= nextMarker) {
            std::swprintf(markerTitle, 40, L"soak marker %d", ++markers);
            marker = OpenWindow(L"AltavueSoakMarker", markerTitle);
            opened = Seconds();
        }
        bool listed = marker && lists.holds(ID_LIST_ALL, markerTitle);
        if (listed)
            delays.push_back(Seconds() - opened);
        if (marker && (listed || Seconds() - opened > 5)) {
            unlisted += !listed;
            DestroyWindow(marker);
            marker = nullptr;
            nextMarker = Seconds() + 1;
        }
        if (Seconds() >= nextPick) {
            nextPick = Seconds() + 0.2;
            int id = actions % 2 ? ID_LIST_TOPMOST : ID_LIST_ALL;
            // Counted and selected on one list: a rebuild meanwhile replaces
            // it (Gone), and this round's pick is then skipped.
            HWND list = lists.list(id);
            LRESULT count = 0, selected = LB_ERR;
            if (lists.ask(list, LB_GETCOUNT, 0, &count) == Reply::Given && count > 0) {
                seed = seed * 1103515245u + 12345u;
                WPARAM pick = (seed >> 16) % static_cast<unsigned>(count);
                if (lists.ask(list, LB_SETCURSEL, pick, &selected) == Reply::Given && selected != LB_ERR) {
                    PostMessageW(GetDlgItem(program.window(), id == ID_LIST_ALL ? ID_APPLY : ID_RELEASE),
                                 BM_CLICK, 0, 0);
                    ++actions;
                }
            }
        }
        PumpFor(0.005);
    }
    if (marker)
        DestroyWindow(marker);
    SetEvent(stop);
    for (Child& churner : churners) {
        WaitFor([&] { return !churner.running(); }, 10);
        churner.end();
    }
    CloseHandle(stop);
    std::sort(delays.begin(), delays.end());
    std::printf("  alive: %s; %d pins/unpins; of %d windows opened during the churn, %zu listed after "
                "%.0f ms at the median and %.0f ms at the slowest, %d not within 5 s\n",
                program.running() ? "yes" : "NO", actions, markers, delays.size(),
                delays.empty() ? 0 : delays[delays.size() / 2] * 1000,
                delays.empty() ? 0 : delays.back() * 1000, unlisted);
    // Within three ticks of the churn's end, the lists equal an independent
    // census of the same desktop.
    double stopped = Seconds();
    bool equal = false, read = false;
    size_t all = 0, topmost = 0;
    int checks = 0;
    for (int tick = 1; tick <= 3 && !equal; ++tick) {
        checks = tick;
        PumpFor(TICK_MS / 1000.0);
        IndependentCensus census;
        EnumWindows(IndependentProc, reinterpret_cast<LPARAM>(&census));
        std::sort(census.all.begin(), census.all.end());
        std::sort(census.topmost.begin(), census.topmost.end());
        std::vector<std::wstring> listedAll, listedTopmost;
        read = lists.entries(ID_LIST_ALL, &listedAll) == Reply::Given &&
               lists.entries(ID_LIST_TOPMOST, &listedTopmost) == Reply::Given;
        equal = read && listedAll == census.all && listedTopmost == census.topmost;
        all = census.all.size();
        topmost = census.topmost.size();
    }
    std::printf("  lists %s an independent census (%zu windows, %zu topmost) at check %d, one per "
                "tick, %.0f ms after the churn stopped\n",
                equal ? "equal" : read ? "DIFFER FROM" : "NOT READ to compare with", all, topmost,
                checks, (Seconds() - stopped) * 1000);
    lists.printUnanswered();
    CloseWindows(steady);
    program.end();
}
