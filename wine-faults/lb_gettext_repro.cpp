// Are cross-process list-box queries answered when the list box they are
// sent to is destroyed and recreated by its own thread? A stand-alone
// reproducer (no Altavue code) that prints figures and judges nothing. A
// "rebuilder" (this executable started again, or a thread of the parent)
// hosts a LISTBOX of 20 entries and replaces it every 50 ms from a timer or
// (posted mode) as soon as a sent message waits for its thread. The parent
// sends LB_GETCOUNT, LB_GETTEXTLEN and LB_GETTEXT with one
// SendMessageTimeoutW each, or LB_GETTEXT in 50 ms slices with IsWindow
// between them. Wine carries LB_GETTEXT's buffer address along: the "far"
// buffer is where the rebuilder has nothing readable, the "near" one a
// global of this executable, readable at the same address in the rebuilder.
//
//   lb_gettext_repro [SCENARIO...]                     parent (default: all)
//   lb_gettext_repro rebuilder timer|posted BUFFER_HEX  rebuilder process
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

const wchar_t HOST_CLASS[] = L"LbGetTextReproHost";
const int LIST_ID = 101;
const int ENTRIES = 20;
const UINT WM_APP_ARM = WM_APP + 1;   // posted mode: destroy the list once a sent message waits
const UINT WM_APP_STAT = WM_APP + 2;  // answered with the rebuilder's counter number wParam

// The rebuilder's counters; its own thread writes them and answers for them.
enum Stat { S_REBUILDS, S_BUFFER_STATE, STATS };
long g_stats[STATS];
HWND g_host;

double Now()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Destroys the list box and creates a new one of 20 entries, as a rebuild does.
void Rebuild()
{
    if (HWND old = GetDlgItem(g_host, LIST_ID))
        DestroyWindow(old);
    HWND list = CreateWindowExW(0, L"LISTBOX", L"list", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 10, 10, 280, 360,
                                g_host, reinterpret_cast<HMENU>(LIST_ID), nullptr, nullptr);
    for (int i = 0; i < ENTRIES; ++i) {
        wchar_t text[16];
        swprintf(text, 16, L"entry %02d", i);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    ++g_stats[S_REBUILDS];
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        Rebuild();
        return 0;
    case WM_APP_ARM: {
        // Wait, without taking it, until a sent message is queued for this
        // thread (the parent's query, sent just after posting this, or none
        // within 500 ms), then destroy the list it was sent to.
        for (double until = Now() + 0.5; Now() < until; Sleep(1))
            if (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE)
                break;
        Rebuild();
        return 0;
    }
    case WM_APP_STAT:
        return wParam < STATS ? g_stats[wParam] : -1;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The rebuilder's whole life: a host window, its list, a message loop. The
// parent's buffer address is looked up in this address space for the table.
int RunRebuilder(bool posted, ULONG_PTR bufferAddress)
{
    MEMORY_BASIC_INFORMATION memory = {};
    if (VirtualQuery(reinterpret_cast<void*>(bufferAddress), &memory, sizeof(memory)))
        g_stats[S_BUFFER_STATE] = static_cast<long>(memory.State);
    WNDCLASSW windowClass = {0, HostProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, HOST_CLASS};
    RegisterClassW(&windowClass);  // fails harmlessly when a thread registered it before
    wchar_t title[64];  // the parent finds the host by it
    swprintf(title, 64, L"lb_gettext_repro host %lu", GetCurrentProcessId());
    g_host = CreateWindowExW(0, HOST_CLASS, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 320, 420,
                             nullptr, nullptr, nullptr, nullptr);
    Rebuild();
    if (!posted)
        SetTimer(g_host, 1, 50, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}

const UINT MESSAGES[] = {LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT};
const char* const NAMES[] = {"LB_GETCOUNT", "LB_GETTEXTLEN", "LB_GETTEXT"};

struct Scenario {
    const char* name;
    const char* what;
    bool posted;      // destroy the list as soon as a sent message waits; else rebuild every 50 ms
    bool nearBuffer;  // LB_GETTEXT's buffer is g_nearBuffer, else g_farBuffer
    bool same;        // the rebuilder is a thread of this process
    bool sliced;      // LB_GETTEXT alone, in 50 ms slices with IsWindow between
    int amount;       // seconds of querying (timer), rounds of the messages (posted)
};

const Scenario SCENARIOS[] = {
    {"timer50", "cross-process, far buffer", false, false, false, false, 6},
    {"timer50-near", "cross-process, near buffer", false, true, false, false, 3},
    {"posted", "cross-process, far buffer", true, false, false, false, 3},
    {"posted-near", "cross-process, near buffer", true, true, false, false, 3},
    {"posted-same", "same process, the rebuilder a thread of the parent", true, false, true, false, 3},
    {"sliced-timer50", "sliced LB_GETTEXT, far buffer", false, false, false, true, 4},
    {"sliced-posted", "sliced LB_GETTEXT, far buffer", true, false, false, true, 6},
};

// Near: a global, mapped at the same address in a rebuilder of this executable.
WCHAR g_nearBuffer[64];
// Far: a block at 0x6F000000, where the rebuilder, a fresh process, has
// nothing mapped (the table says what it finds there).
WCHAR* g_farBuffer;

DWORD WINAPI RebuilderThread(void* scenario)
{
    bool posted = static_cast<const Scenario*>(scenario)->posted;
    return static_cast<DWORD>(RunRebuilder(posted, reinterpret_cast<ULONG_PTR>(g_farBuffer)));
}

struct Row {
    long sent, ok, other, failed, live, gone;
    double goneMaxMs, longestMs;
};

// One query: one 2000 ms send, or 50 ms slices until it is answered, the
// target is gone, or 5 s have passed.
void Query(Row& row, HWND list, int kind, int index, WCHAR* buffer, bool sliced)
{
    std::fill(buffer, buffer + 64, 0);
    LPARAM lParam = MESSAGES[kind] == LB_GETTEXT ? reinterpret_cast<LPARAM>(buffer) : 0;
    double start = Now();
    DWORD_PTR result = 0;
    BOOL ok;
    bool timedOut = false;
    do {
        ok = SendMessageTimeoutW(list, MESSAGES[kind], static_cast<WPARAM>(index), lParam, SMTO_NORMAL,
                                 sliced ? 50 : 2000, &result);
        timedOut = timedOut || (!ok && GetLastError() == ERROR_TIMEOUT);
    } while (!ok && sliced && IsWindow(list) && Now() - start < 5);
    double ms = (Now() - start) * 1000;
    ++row.sent;
    row.longestMs = std::max(row.longestMs, ms);
    wchar_t expected[16];
    swprintf(expected, 16, L"entry %02d", index);
    bool right = ok && (kind == 0 ? result == ENTRIES
                                  : result == std::wcslen(expected) &&
                                        (kind == 1 || std::wcscmp(buffer, expected) == 0));
    long& outcome = right ? row.ok : ok ? row.other : !timedOut ? row.failed : IsWindow(list) ? row.live : row.gone;
    ++outcome;
    if (&outcome == &row.gone)
        row.goneMaxMs = std::max(row.goneMaxMs, ms);
}

long HostStat(HWND host, Stat stat)
{
    DWORD_PTR value = 0;
    bool ok = SendMessageTimeoutW(host, WM_APP_STAT, stat, 0, SMTO_NORMAL, 2000, &value);
    return ok ? static_cast<long>(value) : -1;
}

void Measure(const Scenario& s, HWND host)
{
    WCHAR* buffer = s.nearBuffer ? g_nearBuffer : g_farBuffer;
    Row rows[3] = {};
    long rebuildsBefore = HostStat(host, S_REBUILDS);
    double start = Now();
    if (!s.posted) {
        // Like the tests: find the current list, then ask it several things.
        for (int round = 0; Now() - start < s.amount; ++round) {
            HWND list = GetDlgItem(host, LIST_ID);
            if (!list)
                Sleep(1);  // between the destruction and the creation
            for (int k = 0; list && k < (s.sliced ? 1 : 3); ++k) {
                int kind = s.sliced ? 2 : (round + k) % 3;
                Query(rows[kind], list, kind, round % ENTRIES, buffer, s.sliced);
            }
        }
    } else {
        for (int round = 0; round < s.amount; ++round)
            for (int kind = s.sliced ? 2 : 0; kind < 3; ++kind) {
                HWND list = nullptr;
                for (double until = Now() + 5; !list && Now() < until; Sleep(1))
                    list = GetDlgItem(host, LIST_ID);
                // The host takes the posted message and waits in it; the
                // first message sent to it (for a cross-process LB_GETTEXT
                // the LB_GETTEXTLEN Wine sends first to size the reply)
                // sits in its queue until the list is destroyed.
                PostMessageW(host, WM_APP_ARM, 0, 0);
                Sleep(20);
                if (list)
                    Query(rows[kind], list, kind, round % ENTRIES, buffer, s.sliced);
            }
    }
    long state = HostStat(host, S_BUFFER_STATE);
    std::printf("   %.1f s, %ld rebuilds; LB_GETTEXT buffer at %p, %s in the rebuilder\n", Now() - start,
                HostStat(host, S_REBUILDS) - rebuildsBefore, static_cast<void*>(buffer),
                state == MEM_COMMIT ? "committed" : state == MEM_RESERVE ? "reserved" : "not allocated");
    std::printf("   %-14s %5s %5s %5s %6s %5s %5s %11s %10s\n", "message", "sent", "ok", "other", "failed",
                "live", "gone", "gone max ms", "longest ms");
    for (int kind = s.sliced ? 2 : 0; kind < 3; ++kind) {
        const Row& r = rows[kind];
        std::printf("   %-14s %5ld %5ld %5ld %6ld %5ld %5ld %11.1f %10.1f\n", NAMES[kind], r.sent, r.ok,
                    r.other, r.failed, r.live, r.gone, r.goneMaxMs, r.longestMs);
    }
}

// Starts the rebuilder, measures, and ends the rebuilder again.
void RunScenario(const Scenario& s, const wchar_t* self)
{
    std::printf("\n-- %s: %s, %s\n", s.name,
                s.posted ? "list destroyed once a sent message waits" : "list rebuilt every 50 ms", s.what);
    PROCESS_INFORMATION process = {};
    process.dwProcessId = GetCurrentProcessId();
    HANDLE rebuilder = nullptr;  // its thread or process, to wait for its end
    if (s.same) {
        rebuilder = CreateThread(nullptr, 0, RebuilderThread, const_cast<Scenario*>(&s), 0, nullptr);
    } else {
        wchar_t commandLine[MAX_PATH + 64];
        ULONG_PTR address = reinterpret_cast<ULONG_PTR>(s.nearBuffer ? g_nearBuffer : g_farBuffer);
        swprintf(commandLine, MAX_PATH + 64, L"\"%ls\" rebuilder %ls %llx", self, s.posted ? L"posted" : L"timer",
                 static_cast<unsigned long long>(address));
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(self, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            std::printf("   the rebuilder did not start (error %lu)\n", GetLastError());
            return;
        }
        CloseHandle(process.hThread);
        rebuilder = process.hProcess;
    }
    wchar_t title[64];
    swprintf(title, 64, L"lb_gettext_repro host %lu", process.dwProcessId);
    HWND host = nullptr;
    for (double until = Now() + 20; !(host && GetDlgItem(host, LIST_ID)) && Now() < until; Sleep(20))
        host = FindWindowW(HOST_CLASS, title);
    if (host && GetDlgItem(host, LIST_ID))
        Measure(s, host);
    else
        std::printf("   the rebuilder's window did not appear\n");
    std::fflush(stdout);
    if (s.same)
        PostMessageW(host, WM_CLOSE, 0, 0);
    else
        TerminateProcess(rebuilder, 0);
    if (WaitForSingleObject(rebuilder, 5000) != WAIT_OBJECT_0)
        std::printf("   the rebuilder did not end\n");
    CloseHandle(rebuilder);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "rebuilder") == 0)
        return RunRebuilder(std::strcmp(argv[2], "posted") == 0,
                            argc >= 4 ? static_cast<ULONG_PTR>(std::strtoull(argv[3], nullptr, 16)) : 0);
    const size_t count = sizeof(SCENARIOS) / sizeof(SCENARIOS[0]);
    bool chosen[count] = {};
    for (int i = 1; i < argc; ++i) {
        size_t n = 0;
        while (n < count && std::strcmp(argv[i], SCENARIOS[n].name) != 0)
            ++n;
        if (n == count) {
            std::printf("unknown scenario %s; known:", argv[i]);
            for (const Scenario& s : SCENARIOS)
                std::printf(" %s", s.name);
            std::printf("\n");
            return 2;
        }
        chosen[n] = true;
    }
    std::printf("lb_gettext_repro, %d-bit. ok = answered as a live list answers; other = answered\n"
                "otherwise (0, LB_ERR); failed = failed at once, without a timeout; live|gone = timed out\n"
                "(one 2000 ms send; sliced: 50 ms slices, after 5 s or as soon as IsWindow finds the target\n"
                "gone) with the target still there|gone afterwards; gone max = the longest wait of those\n"
                "gone; longest = of all\n",
                static_cast<int>(sizeof(void*) * 8));
    void* block = VirtualAlloc(reinterpret_cast<void*>(0x6F000000), 0x10000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    g_farBuffer = static_cast<WCHAR*>(block ? block : VirtualAlloc(nullptr, 0x10000, MEM_COMMIT, PAGE_READWRITE));
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (size_t n = 0; n < count; ++n)
        if (argc == 1 || chosen[n])
            RunScenario(SCENARIOS[n], self);
    return 0;
}
