// A window whose thread has stopped answering: it is listed, the census
// goes on past it, and pinning it does not stall the program.
#include "soak.h"

#include "shared/identifiers.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace {

HANDLE g_release;
HANDLE g_quit;
DWORD WINAPI HungThread(LPVOID)
{
    HWND window = OpenWindow(L"AltavueSoakHung", L"soak hung window");
    PumpMessages();
    WaitForSingleObject(g_release, INFINITE);  // answers nothing meanwhile
    while (WaitForSingleObject(g_quit, 0) == WAIT_TIMEOUT)
        PumpFor(0.01);
    DestroyWindow(window);
    return 0;
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
    auto listed = [&](const wchar_t* title) {
        std::vector<std::wstring> all = Entries(ListOf(program, ID_LIST_ALL));
        return std::find(all.begin(), all.end(), title) != all.end();
    };
    bool hungListed = WaitFor([&] { return listed(L"soak hung window"); }, 5);
    double start = Seconds();
    HWND later = OpenWindow(L"AltavueSoakLater", L"soak window after the hung one");
    bool laterListed = WaitFor([&] { return listed(L"soak window after the hung one"); }, 5);
    std::printf("  hung window listed: %s; a new window listed %s after %.0f ms\n",
                hungListed ? "yes" : "NO", laterListed ? "yes" : "NO", (Seconds() - start) * 1000);

    std::vector<std::wstring> all = Entries(ListOf(program, ID_LIST_ALL));
    int index = -1;
    int count = static_cast<int>(SendMessageW(ListOf(program, ID_LIST_ALL), LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = L"";
        SendMessageW(ListOf(program, ID_LIST_ALL), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        if (std::wcscmp(text, L"soak hung window") == 0)
            index = i;
    }
    SendMessageW(ListOf(program, ID_LIST_ALL), LB_SETCURSEL, index, 0);
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
    program.end();
}
