// Are cross-process list-box queries answered when the list box they are
// sent to is destroyed and recreated by its own thread? A stand-alone
// reproducer (no Altavue code): a "rebuilder" hosts a LISTBOX of 20 entries
// and replaces it now and then; the parent sends it LB_GETCOUNT,
// LB_GETTEXTLEN, LB_GETTEXT, LB_GETITEMDATA, WM_GETTEXT and LB_GETITEMRECT
// with SendMessageTimeoutW and counts what became of each, and whether the
// rebuilder's thread answered WM_NULL meanwhile. Figures only.
//
// Out-buffers (LB_GETTEXT, WM_GETTEXT, LB_GETITEMRECT) are carried between
// processes by Wine, and their address is carried too: the "far" buffer is
// at an address the rebuilder has no readable memory at, the "near" one is
// a global of this executable, readable at the same address in the
// rebuilder, which is the same executable.
//
//   lb_gettext_repro [SCENARIO...] [child=PATH] [only=NAME,...]
//       parent: runs the scenarios named (default: all but the extra ones);
//       child= starts that executable as the rebuilder instead of this one
//       (for example the other bitness); only= sends only the messages
//       named (LB_GETTEXT, WM_GETTEXT, ...)
//   lb_gettext_repro rebuilder MODE PERIOD_MS [BUFFER_ADDRESS]
//       child: MODE is timer (rebuild every PERIOD_MS from a timer), fast
//       (rebuild again as soon as the queue is empty), posted (rebuild on
//       WM_APP_ARM as soon as a sent message is waiting for the thread),
//       census (as timer, and after each rebuild read the title length and
//       title of every visible top-level window, the parent's too) or pin
//       (as timer, and after each rebuild make the parent's window topmost
//       or not in turn: a message sent to the querying thread) or slow (as
//       timer, and every tenth query from another thread takes 80 ms
//       before it is answered). The
//       parent's buffer address, in hex, is looked up in this process's
//       address space and reported.
#ifndef UNICODE
#define UNICODE
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

const wchar_t HOST_CLASS[] = L"LbGetTextReproHost";
const int LIST_ID = 101;
const int ENTRIES = 20;
const int ITEM_DATA_BASE = 1000;
const wchar_t LIST_TITLE[] = L"list";
const wchar_t SENDER_CLASS[] = L"LbGetTextReproSender";

// Posted by the parent: rebuild as soon as a sent message waits (posted mode).
const UINT WM_APP_ARM = WM_APP + 1;
// Sent by the parent: wParam is a counter index, the answer its value.
const UINT WM_APP_STAT = WM_APP + 2;
// Posted by the rebuilder to itself in fast mode.
const UINT WM_APP_AGAIN = WM_APP + 3;

double Now()
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// ---- the queries -----------------------------------------------------------

enum QueryKind { Q_COUNT, Q_TEXTLEN, Q_TEXT, Q_ITEMDATA, Q_WMGETTEXT, Q_ITEMRECT, QUERY_KINDS };

struct QueryInfo {
    const char* name;
    UINT message;
    const char* buffer;  // how the lParam is carried between processes
};

const QueryInfo QUERIES[QUERY_KINDS] = {
    {"LB_GETCOUNT", LB_GETCOUNT, "none"},
    {"LB_GETTEXTLEN", LB_GETTEXTLEN, "none"},
    {"LB_GETTEXT", LB_GETTEXT, "out, size asked of the list"},
    {"LB_GETITEMDATA", LB_GETITEMDATA, "none"},
    {"WM_GETTEXT", WM_GETTEXT, "out, size in wParam"},
    {"LB_GETITEMRECT", LB_GETITEMRECT, "in/out RECT"},
};

// Kinds the parent sends; only= on its command line narrows them.
bool g_kindChosen[QUERY_KINDS] = {true, true, true, true, true, true};

int KindOf(UINT message)
{
    for (int kind = 0; kind < QUERY_KINDS; ++kind)
        if (QUERIES[kind].message == message)
            return kind;
    return -1;
}

// ---- rebuilder (child) -----------------------------------------------------

// Counter indices answered by WM_APP_STAT.
enum Counter {
    C_REBUILDS,
    C_ARMED_WITH_SEND,     // posted mode: a sent message was waiting when it destroyed
    C_ARMED_WITHOUT_SEND,  // posted mode: none came within 500 ms
    C_BUFFER_STATE,        // VirtualQuery state, in this process, of the parent's buffer address
    C_SEEN_FIRST,          // + QueryKind: messages that reached a list's procedure
    COUNTERS = C_SEEN_FIRST + QUERY_KINDS
};

struct Rebuilder {
    HWND host = nullptr;
    int mode = 0;  // 0 timer, 1 fast, 2 posted, 3 census, 4 pin, 5 slow
    long fromOtherThreads = 0;
    bool topmost = false;
    UINT period = 50;
    std::atomic<long> counters[COUNTERS] = {};
};

Rebuilder g_rebuilder;
WNDPROC g_listClassProc = nullptr;

// Every list box is subclassed by this, which counts what reaches it.
LRESULT CALLBACK CountingListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    int kind = KindOf(message);
    if (kind >= 0)
        ++g_rebuilder.counters[C_SEEN_FIRST + kind];
    // Slow mode: now and then answer a query late, after the sender's
    // short slice has timed out, so that it is sent again.
    if (kind >= 0 && g_rebuilder.mode == 5 && InSendMessage() && ++g_rebuilder.fromOtherThreads % 10 == 0)
        Sleep(80);
    return CallWindowProcW(g_listClassProc, window, message, wParam, lParam);
}

// Destroys the list box and creates a new one of 20 entries, as a rebuild does.
void Rebuild()
{
    HWND old = GetDlgItem(g_rebuilder.host, LIST_ID);
    if (old)
        DestroyWindow(old);
    HWND list = CreateWindowExW(
        0, L"LISTBOX", LIST_TITLE,
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 10, 10, 280,
        360, g_rebuilder.host, reinterpret_cast<HMENU>(static_cast<INT_PTR>(LIST_ID)),
        GetModuleHandleW(nullptr), nullptr);
    if (!list)
        return;
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingListProc)));
    if (!g_listClassProc)
        g_listClassProc = previous;
    for (int i = 0; i < ENTRIES; ++i) {
        wchar_t text[32];
        swprintf(text, 32, L"entry %02d", i);
        LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(index), ITEM_DATA_BASE + i);
    }
    ++g_rebuilder.counters[C_REBUILDS];
}

// What a window census does: for another process's window,
// GetWindowTextLengthW is a message sent to that window's thread, which
// answers it only while it is in a message wait or a send of its own.
BOOL CALLBACK CensusProc(HWND window, LPARAM)
{
    if (!IsWindowVisible(window))
        return TRUE;
    wchar_t title[256];
    GetWindowTextW(window, title, 256);
    GetWindowTextLengthW(window);
    return TRUE;
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        Rebuild();
        if (g_rebuilder.mode == 3)
            EnumWindows(CensusProc, 0);
        if (g_rebuilder.mode == 4) {
            // SetWindowPos on another thread's window waits for that thread.
            HWND sender = FindWindowW(SENDER_CLASS, nullptr);
            g_rebuilder.topmost = !g_rebuilder.topmost;
            if (sender)
                SetWindowPos(sender, g_rebuilder.topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        return 0;
    case WM_APP_AGAIN:
        Rebuild();
        PostMessageW(window, WM_APP_AGAIN, 0, 0);
        return 0;
    case WM_APP_ARM: {
        // Wait, without taking it, until a sent message is queued for this
        // thread (the parent's query, sent just after this was posted),
        // then destroy the list it was sent to.
        double until = Now() + 0.5;
        bool waiting = false;
        while (!waiting && Now() < until) {
            waiting = (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0;
            if (!waiting)
                Sleep(1);
        }
        ++g_rebuilder.counters[waiting ? C_ARMED_WITH_SEND : C_ARMED_WITHOUT_SEND];
        Rebuild();
        return 0;
    }
    case WM_APP_STAT:
        return wParam < COUNTERS ? g_rebuilder.counters[wParam].load() : -1;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void HostTitle(DWORD processId, wchar_t* title, int size)
{
    swprintf(title, size, L"lb_gettext_repro host %lu", static_cast<unsigned long>(processId));
}

// The rebuilder's whole life: a host window, its list, a message loop.
int RunRebuilder(int mode, UINT period, ULONG_PTR bufferAddress)
{
    MEMORY_BASIC_INFORMATION memory = {};
    if (bufferAddress && VirtualQuery(reinterpret_cast<void*>(bufferAddress), &memory, sizeof(memory)))
        g_rebuilder.counters[C_BUFFER_STATE] = static_cast<long>(memory.State);
    g_rebuilder.mode = mode;
    g_rebuilder.period = period;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = HOST_CLASS;
    RegisterClassExW(&windowClass);
    wchar_t title[64];
    HostTitle(GetCurrentProcessId(), title, 64);
    g_rebuilder.host = CreateWindowExW(0, HOST_CLASS, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                                       100, 320, 420, nullptr, nullptr, GetModuleHandleW(nullptr),
                                       nullptr);
    if (!g_rebuilder.host)
        return 1;
    Rebuild();
    if (mode == 0 || mode >= 3)
        SetTimer(g_rebuilder.host, 1, period, nullptr);
    else if (mode == 1)
        PostMessageW(g_rebuilder.host, WM_APP_AGAIN, 0, 0);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

int ModeOf(const char* name)
{
    if (std::strcmp(name, "fast") == 0)
        return 1;
    if (std::strcmp(name, "posted") == 0)
        return 2;
    if (std::strcmp(name, "census") == 0)
        return 3;
    if (std::strcmp(name, "pin") == 0)
        return 4;
    if (std::strcmp(name, "slow") == 0)
        return 5;
    return 0;
}

// ---- parent: outcomes and their table --------------------------------------

enum Outcome {
    O_OK,            // answered with the value a live list gives
    O_OTHER,         // answered, with something else (0, LB_ERR: a list being destroyed)
    O_FAILED,        // failed with ERROR_INVALID_WINDOW_HANDLE (window already gone)
    O_TIMEOUT_LIVE,  // timed out; the target still exists at the end
    O_TIMEOUT_GONE,  // timed out; the target no longer exists at the end
    O_FAILED_OTHER,  // failed otherwise
    O_GONE,          // sliced sending only: gave up because the target is gone
    OUTCOMES
};

struct Stats {
    long outcomes[OUTCOMES] = {};
    std::vector<double> answeredMs, failedMs, timeoutMs, goneMs, goneWaitedMs;
    long resent = 0;              // sliced: slices sent after the first
    long goneAfterWaiting = 0;    // sliced: gone found after at least one timed-out slice
    long bufferWritten = 0;       // buffer changed although the query was not answered
    long timeoutsProbed = 0;      // timed-out queries during which WM_NULL probes went out
    long timeoutsProbeAnswered = 0;  // ... and the host answered at least one of them
    long lastError[4] = {};       // error codes of O_FAILED_OTHER, first few
    long long otherResults[4] = {};  // results of O_OTHER, first few distinct
    long otherCounts[4] = {};
    long seenByChild = 0;
};

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Max(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// ---- parent: the WM_NULL probe ---------------------------------------------

// While a query has been waiting for more than 100 ms, another thread sends
// WM_NULL to the host every 20 ms: does the host's thread answer meanwhile?
struct Probe {
    HWND host = nullptr;
    std::atomic<bool> quit{false};
    std::atomic<bool> inFlight{false};
    std::atomic<long> generation{0};
    std::atomic<double> queryStart{0};
    std::atomic<long> sent{0}, answered{0};
};

Probe g_probe;

DWORD WINAPI ProbeThread(void*)
{
    while (!g_probe.quit) {
        if (g_probe.inFlight && Now() - g_probe.queryStart > 0.1) {
            long generation = g_probe.generation;
            DWORD_PTR result = 0;
            BOOL ok = SendMessageTimeoutW(g_probe.host, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result);
            if (g_probe.inFlight && g_probe.generation == generation) {
                ++g_probe.sent;
                if (ok)
                    ++g_probe.answered;
            }
            Sleep(20);
        } else {
            Sleep(5);
        }
    }
    return 0;
}

// ---- parent: sending one query ---------------------------------------------

const WCHAR SENTINEL = 0x2592;

struct Reply {
    BOOL ok;
    DWORD error;
    DWORD_PTR result;
};

bool ExpectedAnswer(int kind, int index, DWORD_PTR result, const WCHAR* buffer, const RECT& rect)
{
    wchar_t expected[32];
    swprintf(expected, 32, L"entry %02d", index);
    switch (kind) {
    case Q_COUNT:
        return result == ENTRIES;
    case Q_TEXTLEN:
        return result == wcslen(expected);
    case Q_TEXT:
        return result == wcslen(expected) && std::wcscmp(buffer, expected) == 0;
    case Q_ITEMDATA:
        return result == static_cast<DWORD_PTR>(ITEM_DATA_BASE + index);
    case Q_WMGETTEXT:
        return result == wcslen(LIST_TITLE) && std::wcscmp(buffer, LIST_TITLE) == 0;
    case Q_ITEMRECT:
        return result == 1 && rect.right > rect.left && rect.bottom > rect.top;
    }
    return false;
}

struct Sender {
    DWORD timeoutMs = 2000;
    bool sliced = false;  // short slices with an IsWindow check between them
    DWORD sliceMs = 50;
    DWORD slicedTotalMs = 5000;
    Stats stats[QUERY_KINDS];
    long betweenSent = 0, betweenAnswered = 0;
    double betweenMaxMs = 0;
};

Reply SendOnce(HWND target, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs)
{
    Reply reply = {};
    SetLastError(0);
    reply.ok = SendMessageTimeoutW(target, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &reply.result);
    reply.error = reply.ok ? 0 : GetLastError();
    return reply;
}

// Where the parent's out-buffers are. A cross-process query carries the
// address along; "near" is a global of this executable, which the rebuilder
// (the same executable) has mapped at the same address, "far" a block that
// is free in the rebuilder's address space.
struct QueryBuffer {
    WCHAR text[64];
    RECT rect;
};

QueryBuffer g_nearBuffer;
QueryBuffer* g_farBuffer = nullptr;

QueryBuffer* AllocateFarBuffer()
{
    // High in the address space, where neither process has anything yet.
    for (ULONG_PTR address = 0x6F000000; address >= 0x20000000; address -= 0x01000000) {
        void* block = VirtualAlloc(reinterpret_cast<void*>(address), 0x10000, MEM_RESERVE | MEM_COMMIT,
                                   PAGE_READWRITE);
        if (block)
            return static_cast<QueryBuffer*>(block);
    }
    return static_cast<QueryBuffer*>(VirtualAlloc(nullptr, 0x10000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

void Query(Sender& sender, HWND host, HWND list, int kind, int index, QueryBuffer* place)
{
    WCHAR* buffer = place->text;
    for (WCHAR& c : place->text)
        c = SENTINEL;
    RECT& rect = place->rect;
    rect = {-1, -1, -1, -1};
    WPARAM wParam = static_cast<WPARAM>(index);
    LPARAM lParam = 0;
    if (kind == Q_TEXT)
        lParam = reinterpret_cast<LPARAM>(buffer);
    if (kind == Q_WMGETTEXT) {
        wParam = 64;
        lParam = reinterpret_cast<LPARAM>(buffer);
    }
    if (kind == Q_ITEMRECT)
        lParam = reinterpret_cast<LPARAM>(&rect);

    Stats& stats = sender.stats[kind];
    g_probe.sent = 0;
    g_probe.answered = 0;
    ++g_probe.generation;
    g_probe.queryStart = Now();
    g_probe.inFlight = true;

    double start = Now();
    Reply reply = {};
    long slices = 0;
    bool gone = false;
    if (!sender.sliced) {
        reply = SendOnce(list, QUERIES[kind].message, wParam, lParam, sender.timeoutMs);
        slices = 1;
    } else {
        for (;;) {
            reply = SendOnce(list, QUERIES[kind].message, wParam, lParam, sender.sliceMs);
            ++slices;
            if (reply.ok)
                break;
            if (!IsWindow(list)) {
                gone = true;
                break;
            }
            if ((Now() - start) * 1000 >= sender.slicedTotalMs)
                break;
        }
    }
    double ms = (Now() - start) * 1000;
    g_probe.inFlight = false;
    long probesSent = g_probe.sent, probesAnswered = g_probe.answered;

    bool untouched = true;
    for (WCHAR c : place->text)
        untouched = untouched && c == SENTINEL;
    untouched = untouched && rect.left == -1 && rect.top == -1 && rect.right == -1 && rect.bottom == -1;

    Outcome outcome;
    if (reply.ok) {
        outcome = ExpectedAnswer(kind, index, reply.result, buffer, rect) ? O_OK : O_OTHER;
        stats.answeredMs.push_back(ms);
        if (outcome == O_OTHER)
            for (int i = 0; i < 4; ++i)
                if (stats.otherCounts[i] == 0 ||
                    stats.otherResults[i] == static_cast<long long>(static_cast<LONG_PTR>(reply.result))) {
                    stats.otherResults[i] = static_cast<LONG_PTR>(reply.result);
                    ++stats.otherCounts[i];
                    break;
                }
    } else if (gone) {
        outcome = O_GONE;
        stats.goneMs.push_back(ms);
        if (slices > 1 || reply.error == ERROR_TIMEOUT) {
            ++stats.goneAfterWaiting;
            stats.goneWaitedMs.push_back(ms);
        }
    } else if (reply.error == ERROR_INVALID_WINDOW_HANDLE) {
        outcome = O_FAILED;
        stats.failedMs.push_back(ms);
    } else if (reply.error == ERROR_TIMEOUT) {
        outcome = IsWindow(list) ? O_TIMEOUT_LIVE : O_TIMEOUT_GONE;
        stats.timeoutMs.push_back(ms);
        if (probesSent > 0) {
            ++stats.timeoutsProbed;
            if (probesAnswered > 0)
                ++stats.timeoutsProbeAnswered;
        }
    } else {
        outcome = O_FAILED_OTHER;
        for (long& code : stats.lastError)
            if (code == 0 || code == static_cast<long>(reply.error)) {
                code = static_cast<long>(reply.error);
                break;
            }
    }
    if (!reply.ok && !untouched)
        ++stats.bufferWritten;
    ++stats.outcomes[outcome];
    stats.resent += slices - 1;

    // Between queries: does the host's thread answer at all?
    double probeStart = Now();
    Reply probe = SendOnce(host, WM_NULL, 0, 0, sender.timeoutMs);
    ++sender.betweenSent;
    if (probe.ok) {
        ++sender.betweenAnswered;
        sender.betweenMaxMs = std::max(sender.betweenMaxMs, (Now() - probeStart) * 1000);
    }
}

// ---- parent: scenarios -----------------------------------------------------

struct Scenario {
    const char* name;
    const char* what;
    const char* childMode;  // timer, fast, posted
    UINT periodMs;
    bool sameProcess;       // the rebuilder is a thread of this process
    bool sliced;
    bool nearBuffer;        // out-buffers in a global, readable in the rebuilder at the same address
    int seconds;            // timer and fast: how long to query
    int rounds;             // posted: rounds per message
    DWORD timeoutMs;
    bool extra;             // run only when named
};

// Out-buffers are "far" (free in the rebuilder) unless the name says near.
// The extra ones run only when named.
const Scenario SCENARIOS[] = {
    {"timer50", "cross-process, list rebuilt every 50 ms", "timer", 50, false, false, false, 8, 0, 2000,
     false},
    {"timer50-near",
     "as timer50, out-buffers in a global of this executable (readable in a rebuilder of the same executable)",
     "timer", 50, false, false, true, 5, 0, 2000, false},
    {"fast", "cross-process, list rebuilt back to back", "fast", 0, false, false, false, 4, 0, 2000, false},
    {"posted", "cross-process, list destroyed as soon as a sent message waits for its thread", "posted", 0,
     false, false, false, 0, 4, 1000, false},
    {"posted-near",
     "as posted, out-buffers in a global of this executable (readable in a rebuilder of the same executable)",
     "posted", 0, false, false, true, 0, 4, 1000, false},
    {"timer50-same", "same process, other thread, rebuilt every 50 ms", "timer", 50, true, false, false, 3,
     0, 2000, false},
    {"posted-same", "same process, other thread, destroyed as soon as a sent message waits", "posted", 0,
     true, false, false, 0, 4, 1000, false},
    {"sliced-timer50", "50 ms slices up to 5 s, IsWindow between; rebuilt every 50 ms", "timer", 50, false,
     true, false, 6, 0, 2000, false},
    {"sliced-fast", "50 ms slices up to 5 s, IsWindow between; rebuilt back to back", "fast", 0, false,
     true, false, 4, 0, 2000, false},
    {"sliced-slow", "50 ms slices up to 5 s, IsWindow between; rebuilt every 50 ms, every tenth query "
     "answered after 80 ms", "slow", 50, false, true, false, 5, 0, 2000, false},
    {"sliced-posted", "50 ms slices up to 5 s, IsWindow between; destroyed as soon as a message waits",
     "posted", 0, false, true, false, 0, 4, 2000, false},
    {"sendmessage-posted", "SendMessageW (no timeout) of LB_GETTEXT, list destroyed as soon as it waits",
     "posted", 0, false, false, false, 0, 0, INFINITE, true},
    {"census50", "cross-process, rebuilt every 50 ms, then a census that reads every window's title",
     "census", 50, false, false, false, 8, 0, 2000, true},
    {"pin50", "cross-process, rebuilt every 50 ms, then the parent's window made topmost or not", "pin", 50,
     false, false, false, 8, 0, 2000, true},
};

// SendMessageW, which has no timeout, of LB_GETTEXT to a list destroyed as
// soon as the query waits (posted mode): does it return by itself, and does
// it return once the rebuilder's process has ended?
struct BlockingSend {
    HWND list;
    QueryBuffer* place;
    LRESULT result;
};

DWORD WINAPI BlockingSendThread(void* argument)
{
    BlockingSend* send = static_cast<BlockingSend*>(argument);
    send->result = SendMessageW(send->list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(send->place->text));
    return 0;
}

void RunBlocking(const Scenario& scenario, HWND host, QueryBuffer* place, HANDLE child)
{
    std::printf("\n-- %s: %s\n", scenario.name, scenario.what);
    BlockingSend send = {GetDlgItem(host, LIST_ID), place, -2};
    PostMessageW(host, WM_APP_ARM, 0, 0);
    Sleep(20);
    double start = Now();
    HANDLE thread = CreateThread(nullptr, 0, BlockingSendThread, &send, 0, nullptr);
    DWORD waited = WaitForSingleObject(thread, 10000);
    std::printf("   SendMessageW(LB_GETTEXT): %s after %.0f ms; list %s; rebuilder answers WM_NULL: %s\n",
                waited == WAIT_OBJECT_0 ? "returned" : "still waiting", (Now() - start) * 1000,
                IsWindow(send.list) ? "still there" : "gone",
                SendMessageTimeoutW(host, WM_NULL, 0, 0, SMTO_NORMAL, 1000, nullptr) ? "yes" : "no");
    if (waited != WAIT_OBJECT_0) {
        double ended = Now();
        TerminateProcess(child, 0);
        WaitForSingleObject(child, 5000);
        waited = WaitForSingleObject(thread, 5000);
        std::printf("   after the rebuilder's process ended: %s %.0f ms later, result %ld\n",
                    waited == WAIT_OBJECT_0 ? "returned" : "still waiting", (Now() - ended) * 1000,
                    static_cast<long>(send.result));
    }
    if (waited == WAIT_OBJECT_0)
        CloseHandle(thread);
    std::fflush(stdout);
}

struct SameProcessArgs {
    int mode;
    UINT period;
};

DWORD WINAPI RebuilderThread(void* argument)
{
    SameProcessArgs* args = static_cast<SameProcessArgs*>(argument);
    return static_cast<DWORD>(RunRebuilder(args->mode, args->period, 0));
}

HWND FindHost(DWORD processId)
{
    wchar_t title[64];
    HostTitle(processId, title, 64);
    double until = Now() + 20;
    while (Now() < until) {
        HWND host = FindWindowW(HOST_CLASS, title);
        if (host && GetDlgItem(host, LIST_ID))
            return host;
        Sleep(20);
    }
    return nullptr;
}

long ChildCounter(HWND host, int index)
{
    DWORD_PTR value = 0;
    if (!SendMessageTimeoutW(host, WM_APP_STAT, static_cast<WPARAM>(index), 0, SMTO_NORMAL, 2000, &value))
        return -1;
    return static_cast<long>(value);
}

const char* MemoryState(long state)
{
    switch (state) {
    case MEM_FREE:
        return "free (unreadable)";
    case MEM_RESERVE:
        return "reserved, not committed (unreadable)";
    case MEM_COMMIT:
        return "committed (readable)";
    }
    return "unknown";
}

void PrintTable(const Scenario& scenario, Sender& sender, double seconds, long rebuilds,
                long armedWith, long armedWithout, long probesSent, long probesAnswered,
                const QueryBuffer* place, long bufferState)
{
    std::printf("\n-- %s: %s (%s, timeout %lu ms)\n", scenario.name, scenario.what,
                scenario.sliced ? "sliced" : "one SendMessageTimeoutW",
                static_cast<unsigned long>(scenario.sliced ? sender.slicedTotalMs : scenario.timeoutMs));
    if (!scenario.sameProcess)
        std::printf("   out-buffers at %p, %s in the rebuilder\n", static_cast<const void*>(place),
                    MemoryState(bufferState));
    std::printf("   %.1f s, %ld rebuilds", seconds, rebuilds);
    if (std::strcmp(scenario.childMode, "posted") == 0)
        std::printf(", destroyed with a sent message waiting %ld, without %ld", armedWith, armedWithout);
    std::printf("\n");
    if (!scenario.sliced) {
        std::printf("   %-15s %6s %6s %6s %6s %8s %8s %5s %7s %7s %8s %8s %6s %6s\n", "message", "sent",
                    "ok", "other", "failed", "t/o live", "t/o gone", "fail?", "ans med", "ans max",
                    "t/o med", "t/o max", "probed", "alive");
    } else {
        std::printf("   %-15s %6s %6s %6s %6s %7s %7s %6s %7s %7s %7s %7s %7s %6s %6s\n", "message", "sent",
                    "ok", "other", "gone", "gonemed", "gonemax", "waited", "w med", "w max", "5s live",
                    "ans med", "ans max", "resent", "bufwr");
    }
    for (int kind = 0; kind < QUERY_KINDS; ++kind) {
        Stats& s = sender.stats[kind];
        long sent = 0;
        for (long count : s.outcomes)
            sent += count;
        if (!scenario.sliced) {
            std::printf("   %-15s %6ld %6ld %6ld %6ld %8ld %8ld %5ld %7.1f %7.1f %8.0f %8.0f %6ld %6ld\n",
                        QUERIES[kind].name, sent, s.outcomes[O_OK], s.outcomes[O_OTHER],
                        s.outcomes[O_FAILED], s.outcomes[O_TIMEOUT_LIVE], s.outcomes[O_TIMEOUT_GONE],
                        s.outcomes[O_FAILED_OTHER], Median(s.answeredMs), Max(s.answeredMs),
                        Median(s.timeoutMs), Max(s.timeoutMs), s.timeoutsProbed, s.timeoutsProbeAnswered);
        } else {
            long live5s = s.outcomes[O_TIMEOUT_LIVE] + s.outcomes[O_TIMEOUT_GONE];
            std::printf("   %-15s %6ld %6ld %6ld %6ld %7.1f %7.1f %6ld %7.1f %7.1f %7ld %7.1f %7.1f %6ld %6ld\n",
                        QUERIES[kind].name, sent, s.outcomes[O_OK], s.outcomes[O_OTHER],
                        s.outcomes[O_GONE] + s.outcomes[O_FAILED], Median(s.goneMs), Max(s.goneMs),
                        s.goneAfterWaiting, Median(s.goneWaitedMs), Max(s.goneWaitedMs), live5s,
                        Median(s.answeredMs), Max(s.answeredMs), s.resent, s.bufferWritten);
        }
        if (s.outcomes[O_FAILED_OTHER] > 0)
            std::printf("   %-15s failed otherwise, errors %ld %ld %ld %ld\n", "", s.lastError[0],
                        s.lastError[1], s.lastError[2], s.lastError[3]);
        if (s.outcomes[O_OTHER] > 0) {
            std::printf("   %-15s answered otherwise:", "");
            for (int i = 0; i < 4 && s.otherCounts[i] > 0; ++i)
                std::printf(" %lld (%ld times)", s.otherResults[i], s.otherCounts[i]);
            std::printf("\n");
        }
    }
    std::printf("   reached the list's procedure (child's count):");
    for (int kind = 0; kind < QUERY_KINDS; ++kind)
        std::printf(" %s %ld", QUERIES[kind].name, sender.stats[kind].seenByChild);
    std::printf("\n   WM_NULL to the host between queries: %ld of %ld answered, slowest %.1f ms\n",
                sender.betweenAnswered, sender.betweenSent, sender.betweenMaxMs);
    std::printf("   WM_NULL to the host while a query waited >100 ms: %ld of %ld answered\n", probesAnswered,
                probesSent);
    std::fflush(stdout);
}

void RunScenario(const Scenario& scenario, const wchar_t* childPath)
{
    int mode = ModeOf(scenario.childMode);
    QueryBuffer* place = scenario.nearBuffer ? &g_nearBuffer : g_farBuffer;
    PROCESS_INFORMATION process = {};
    HANDLE thread = nullptr;
    SameProcessArgs args = {mode, scenario.periodMs};
    DWORD hostProcessId = GetCurrentProcessId();
    if (scenario.sameProcess) {
        thread = CreateThread(nullptr, 0, RebuilderThread, &args, 0, nullptr);
    } else {
        wchar_t commandLine[MAX_PATH + 64];
        swprintf(commandLine, MAX_PATH + 64, L"\"%ls\" rebuilder %hs %u %llx", childPath,
                 scenario.childMode, scenario.periodMs,
                 static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(place)));
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(childPath, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            std::printf("\n-- %s: the rebuilder did not start (error %lu)\n", scenario.name, GetLastError());
            return;
        }
        hostProcessId = process.dwProcessId;
    }
    HWND host = FindHost(hostProcessId);
    if (!host) {
        std::printf("\n-- %s: the rebuilder's window did not appear\n", scenario.name);
    } else {
        g_probe.host = host;
        Sender sender;
        sender.timeoutMs = scenario.timeoutMs;
        sender.sliced = scenario.sliced;
        long rebuildsBefore = ChildCounter(host, C_REBUILDS);
        long seenBefore[QUERY_KINDS];
        for (int kind = 0; kind < QUERY_KINDS; ++kind)
            seenBefore[kind] = ChildCounter(host, C_SEEN_FIRST + kind);
        long probesSent = 0, probesAnswered = 0;
        double start = Now();
        int round = 0;
        auto query = [&](HWND list, int kind) {
            Query(sender, host, list, kind, round % ENTRIES, place);
            probesSent += g_probe.sent;
            probesAnswered += g_probe.answered;
        };
        if (scenario.timeoutMs == INFINITE) {
            RunBlocking(scenario, host, place, process.hProcess);
        } else if (mode != 2) {
            // Like the tests: find the list, then ask it several things.
            while (Now() - start < scenario.seconds) {
                HWND list = GetDlgItem(host, LIST_ID);
                if (!list) {
                    Sleep(1);  // between the destruction and the creation
                    continue;
                }
                for (int k = 0; k < QUERY_KINDS; ++k)
                    if (g_kindChosen[(round + k) % QUERY_KINDS])
                        query(list, (round + k) % QUERY_KINDS);
                ++round;
            }
        } else {
            for (; round < scenario.rounds; ++round) {
                for (int kind = 0; kind < QUERY_KINDS; ++kind) {
                    if (!g_kindChosen[kind])
                        continue;
                    HWND list = nullptr;
                    for (double until = Now() + 5; !list && Now() < until; Sleep(1))
                        list = GetDlgItem(host, LIST_ID);
                    if (!list)
                        break;
                    // The host takes the posted message and waits in it; the
                    // first message sent to it (for a cross-process LB_GETTEXT
                    // that is the LB_GETTEXTLEN Wine sends first to size the
                    // reply) sits in its queue until the list is destroyed.
                    PostMessageW(host, WM_APP_ARM, 0, 0);
                    Sleep(20);
                    query(list, kind);
                }
            }
        }
        double seconds = Now() - start;
        if (scenario.timeoutMs != INFINITE) {
            for (int kind = 0; kind < QUERY_KINDS; ++kind)
                sender.stats[kind].seenByChild = ChildCounter(host, C_SEEN_FIRST + kind) - seenBefore[kind];
            PrintTable(scenario, sender, seconds, ChildCounter(host, C_REBUILDS) - rebuildsBefore,
                       ChildCounter(host, C_ARMED_WITH_SEND), ChildCounter(host, C_ARMED_WITHOUT_SEND),
                       probesSent, probesAnswered, place, ChildCounter(host, C_BUFFER_STATE));
        }
    }
    if (scenario.sameProcess) {
        if (host)
            PostMessageW(host, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(thread, 5000) != WAIT_OBJECT_0)
            std::printf("   the rebuilder thread did not end\n");
        CloseHandle(thread);
    } else {
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 5000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

int RunParent(int argc, char** argv)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    wchar_t childPath[MAX_PATH];
    std::wcscpy(childPath, self);
    std::vector<const Scenario*> chosen;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "child=", 6) == 0) {
            MultiByteToWideChar(CP_ACP, 0, argv[i] + 6, -1, childPath, MAX_PATH);
            continue;
        }
        if (std::strncmp(argv[i], "only=", 5) == 0) {
            for (int kind = 0; kind < QUERY_KINDS; ++kind)
                g_kindChosen[kind] = std::strstr(argv[i] + 5, QUERIES[kind].name) != nullptr;
            continue;
        }
        bool known = false;
        for (const Scenario& scenario : SCENARIOS)
            if (std::strcmp(argv[i], scenario.name) == 0) {
                chosen.push_back(&scenario);
                known = true;
            }
        if (!known) {
            std::printf("unknown scenario %s; known:", argv[i]);
            for (const Scenario& scenario : SCENARIOS)
                std::printf(" %s", scenario.name);
            std::printf("\n");
            return 2;
        }
    }
    if (chosen.empty())
        for (const Scenario& scenario : SCENARIOS)
            if (!scenario.extra)
                chosen.push_back(&scenario);

    std::printf("lb_gettext_repro, %d-bit parent, rebuilder %ls\n", static_cast<int>(sizeof(void*) * 8),
                childPath);
    std::printf("columns: ok = answered as a live list answers; other = answered otherwise (0, LB_ERR);\n"
                "failed = ERROR_INVALID_WINDOW_HANDLE; t/o live|gone = timed out, target still there|gone\n"
                "at the end; fail? = other errors; ans/t/o med|max in ms; probed = timeouts during which\n"
                "WM_NULL probes went to the host; alive = ... and at least one was answered.\n"
                "sliced: gone = gave up because the target is gone (median, max ms); waited = of those,\n"
                "after a timed-out slice (median, max ms); 5s live = unanswered for 5 s while the target\n"
                "existed; resent = slices sent again after a timed-out one; bufwr = buffer written by a\n"
                "query that was not answered\n");
    // A window of the querying thread, as the tests have: the census
    // variant's rebuilder sends it WM_GETTEXTLENGTH.
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = SENDER_CLASS;
    RegisterClassExW(&windowClass);
    HWND own = CreateWindowExW(0, windowClass.lpszClassName, L"lb_gettext_repro sender",
                               WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 100, 240, 120, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    g_farBuffer = AllocateFarBuffer();
    HANDLE probe = CreateThread(nullptr, 0, ProbeThread, nullptr, 0, nullptr);
    for (const Scenario* scenario : chosen)
        RunScenario(*scenario, childPath);
    g_probe.quit = true;
    WaitForSingleObject(probe, 5000);
    CloseHandle(probe);
    DestroyWindow(own);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "rebuilder") == 0) {
        int mode = argc >= 3 ? ModeOf(argv[2]) : 0;
        UINT period = argc >= 4 ? static_cast<UINT>(std::atoi(argv[3])) : 50;
        ULONG_PTR bufferAddress = argc >= 5 ? static_cast<ULONG_PTR>(std::strtoull(argv[4], nullptr, 16)) : 0;
        return RunRebuilder(mode, period == 0 ? 50 : period, bufferAddress);
    }
    return RunParent(argc, argv);
}
