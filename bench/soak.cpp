// Long runs against the real Altavue.exe, printing figures: idle cost
// beside a bare census, growth over many ticks, rebuilds, popups and About
// boxes, a churning desktop, and a window whose thread has stopped.
//
//   altavue_soak [PHASE...] the phases named (idle, growth, churn, hung), or
//                           all of them, in this order
//   altavue_soak probe      (child) 200 count-only censuses on a 50 ms timer
//   altavue_soak churner    (child) opens, retitles, restacks, hides and
//                           closes windows until told to stop
//
// The Wine server's CPU time is read from Linux's /proc through Wine's Z:
// drive when scripts/soak passes its process id in WINESERVER_PID.
#include "bench_windows.h"
#include "cross_process.h"
#include "program_process.h"
#include "catalogue/census.h"
#include "shared/app_state.h"
#include "shared/identifiers.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const int TICKS = 200;          // 10 s at 50 ms
const UINT TICK_MS = 50;
const wchar_t STOP_EVENT[] = L"AltavueSoakStop";
// The probe says when its first and last timed tick are, so its start-up
// is left out of its figures as the program's is.
const wchar_t PROBE_STARTED[] = L"AltavueSoakProbeStarted";
const wchar_t PROBE_DONE[] = L"AltavueSoakProbeDone";

// ---- measuring -------------------------------------------------------------

double Seconds()
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double ProcessCpuSeconds(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    auto seconds = [](FILETIME t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// utime + stime of the Wine server, in seconds; -1 when unknown.
double ServerCpuSeconds()
{
    const char* pid = std::getenv("WINESERVER_PID");
    if (!pid || !*pid)
        return -1;
    char path[64];
    std::snprintf(path, sizeof(path), "Z:\\proc\\%s\\stat", pid);
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return -1;
    char line[1024] = "";
    size_t length = std::fread(line, 1, sizeof(line) - 1, file);
    std::fclose(file);
    line[length] = '\0';
    const char* fields = std::strrchr(line, ')');
    if (!fields)
        return -1;
    // After the name: state, then fields 4..; utime and stime are 14 and 15.
    unsigned long long utime = 0, stime = 0;
    int field = 2;
    for (const char* p = fields + 1; *p; ++p) {
        if (*p == ' ') {
            ++field;
            if (field == 14)
                utime = std::strtoull(p + 1, nullptr, 10);
            if (field == 15)
                stime = std::strtoull(p + 1, nullptr, 10);
        }
    }
    return static_cast<double>(utime + stime) / 100.0;  // USER_HZ
}

void PumpFor(double seconds)
{
    double end = Seconds() + seconds;
    while (Seconds() < end) {
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    PumpMessages();
}

template <typename Condition>
bool WaitFor(Condition condition, double seconds)
{
    double end = Seconds() + seconds;
    while (!condition()) {
        if (Seconds() > end)
            return false;
        PumpFor(0.005);
    }
    return true;
}

// ---- windows of the soak's own ---------------------------------------------

HWND OpenWindow(const wchar_t* className, const wchar_t* title, DWORD exStyle = 0)
{
    RegisterPlainClass(className);
    return CreateWindowExW(exStyle, className, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 300,
                           200, 120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

std::vector<HWND> OpenWindows(int count)
{
    std::vector<HWND> windows;
    for (int i = 0; i < count; ++i) {
        wchar_t className[40], title[40];
        std::swprintf(className, 40, L"AltavueSoak%d", i);
        std::swprintf(title, 40, L"soak window %d", i);
        windows.push_back(OpenWindow(className, title));
    }
    PumpFor(1.0);
    return windows;
}

void CloseWindows(std::vector<HWND>& windows)
{
    for (HWND window : windows)
        DestroyWindow(window);
    windows.clear();
    PumpMessages();
}

// ---- the program -----------------------------------------------------------

struct Child {
    PROCESS_INFORMATION info = {};
    bool start(const std::wstring& path, const std::wstring& arguments)
    {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        std::wstring commandLine = L"\"" + path + L"\" " + arguments;
        return CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info) != FALSE;
    }
    bool running() const { return WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }
    void end()
    {
        if (!info.hProcess)
            return;
        if (running())
            TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        info = {};
    }
};

HWND ListOf(const ProgramProcess& program, int id)
{
    return GetDlgItem(program.window(), id);
}

// Milliseconds the program takes to answer; -1 when it gives up.
double AnswerMs(const ProgramProcess& program, UINT timeout = 1000)
{
    DWORD_PTR result;
    double start = Seconds();
    if (!SendMessageTimeoutW(program.window(), WM_NULL, 0, 0, SMTO_NORMAL, timeout, &result))
        return -1;
    return (Seconds() - start) * 1000;
}

std::vector<std::wstring> Entries(HWND list)
{
    std::vector<std::wstring> entries;
    int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[1024] = L"";
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < 1024)
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// ---- phases ----------------------------------------------------------------

// Child: what the program's timer does, without the lists: 200 count-only
// censuses on a 50 ms timer served by a message loop.
int RunProbe()
{
    HANDLE started = OpenEventW(EVENT_MODIFY_STATE, FALSE, PROBE_STARTED);
    HANDLE done = OpenEventW(EVENT_MODIFY_STATE, FALSE, PROBE_DONE);
    g_app = InitialAppState();
    g_app.fillMode = false;
    SetTimer(nullptr, 0, TICK_MS, nullptr);
    MSG message;
    int ticks = -20;  // one second to settle first
    while (ticks < TICKS && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER) {
            if (ticks == 0)
                SetEvent(started);
            g_app.totalCount = g_app.topmostCount = 0;
            RunCensus();
            ++ticks;
        }
        DispatchMessageW(&message);
    }
    SetEvent(done);
    Sleep(INFINITE);  // ended by the soak once it has read the figures
    return 0;
}

struct Cost {
    double process, server, seconds;
    double share() const { return (process + std::max(server, 0.0)) / seconds * 100; }
};

Cost MeasureIdleProgram(const ProgramProcess& program)
{
    PumpFor(1.0);
    double cpu = ProcessCpuSeconds(program.handle()), server = ServerCpuSeconds();
    double start = Seconds();
    PumpFor(TICKS * TICK_MS / 1000.0);
    double seconds = Seconds() - start;
    return {ProcessCpuSeconds(program.handle()) - cpu,
            server < 0 ? -1 : ServerCpuSeconds() - server, seconds};
}

Cost MeasureProbe()
{
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, PROBE_STARTED);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, PROBE_DONE);
    Child probe;
    Cost cost = {0, 0, 1};
    if (probe.start(BesideThisProgram(L"altavue_soak.exe"), L"probe") &&
        WaitFor([&] { return WaitForSingleObject(started, 0) == WAIT_OBJECT_0; }, 120)) {
        double cpu = ProcessCpuSeconds(probe.info.hProcess), server = ServerCpuSeconds();
        double start = Seconds();
        WaitFor([&] { return WaitForSingleObject(done, 0) == WAIT_OBJECT_0; }, 600);
        cost = {ProcessCpuSeconds(probe.info.hProcess) - cpu,
                server < 0 ? -1 : ServerCpuSeconds() - server, Seconds() - start};
    }
    probe.end();
    CloseHandle(started);
    CloseHandle(done);
    return cost;
}

void IdlePhase()
{
    std::printf("\nidle cost over %d ticks (%.0f s): CPU seconds, share of one core\n", TICKS,
                TICKS * TICK_MS / 1000.0);
    std::printf("%6s | %8s %8s %7s | %8s %8s %7s | %6s\n", "N", "program", "server", "share",
                "probe", "server", "share", "ratio");
    for (int n : {20, 200, 1000}) {
        std::vector<HWND> windows = OpenWindows(n);
        ProgramProcess program;
        if (!program.start(PumpMessages)) {
            std::printf("%6d   the program did not start\n", n);
            continue;
        }
        PumpFor(1.0);
        HWND before = ListOf(program, ID_LIST_ALL);
        Cost idle = MeasureIdleProgram(program);
        bool rebuilt = ListOf(program, ID_LIST_ALL) != before;
        // The count only: each query waits for the census under way.
        LRESULT listed = SendMessageW(ListOf(program, ID_LIST_ALL), LB_GETCOUNT, 0, 0);
        program.end();
        Cost bare = MeasureProbe();
        std::printf("%6d | %8.3f %8.3f %6.2f%% | %8.3f %8.3f %6.2f%% | %6.3f   listed %ld%s\n", n,
                    idle.process, idle.server, idle.share(), bare.process, bare.server,
                    bare.share(), idle.share() / bare.share(), static_cast<long>(listed),
                    rebuilt ? ", lists rebuilt while idle" : "");
        std::fflush(stdout);
        CloseWindows(windows);
    }
}

// Wine does not report another process's memory or handle count through
// the Win32 calls (they answer zero), so the Linux process behind the
// program is read through Wine's Z: drive: private (anonymous) resident
// memory, its threads and its open file descriptors, where Wine keeps the
// server-side objects that need one.
struct Usage {
    long privateKiB = -1, residentKiB = -1, threads = -1;
    int descriptors = -1;
    int windows = 0;
};

int UnixPidOf(const char* image)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    int found = 0;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more && !found; more = FindNextFileA(search, &entry)) {
        if (entry.cFileName[0] < '1' || entry.cFileName[0] > '9')
            continue;
        char path[80], line[512] = "";
        std::snprintf(path, sizeof(path), "Z:\\proc\\%s\\cmdline", entry.cFileName);
        FILE* file = std::fopen(path, "rb");
        if (!file)
            continue;
        size_t length = std::fread(line, 1, sizeof(line) - 1, file);
        std::fclose(file);
        line[length] = '\0';
        if (std::strstr(line, image))
            found = std::atoi(entry.cFileName);
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return found;
}

BOOL CALLBACK CountChild(HWND, LPARAM extra)
{
    ++*reinterpret_cast<int*>(extra);
    return TRUE;
}
BOOL CALLBACK CountThreadWindow(HWND window, LPARAM extra)
{
    ++*reinterpret_cast<int*>(extra);
    EnumChildWindows(window, CountChild, extra);
    return TRUE;
}

Usage UsageOf(const ProgramProcess& program)
{
    PumpFor(0.3);
    Usage usage;
    DWORD thread = GetWindowThreadProcessId(program.window(), nullptr);
    EnumThreadWindows(thread, CountThreadWindow, reinterpret_cast<LPARAM>(&usage.windows));
    int pid = UnixPidOf("Altavue.exe");
    if (!pid)
        return usage;
    char path[64], line[256];
    std::snprintf(path, sizeof(path), "Z:\\proc\\%d\\status", pid);
    if (FILE* file = std::fopen(path, "r")) {
        while (std::fgets(line, sizeof(line), file)) {
            std::sscanf(line, "RssAnon: %ld", &usage.privateKiB);
            std::sscanf(line, "VmRSS: %ld", &usage.residentKiB);
            std::sscanf(line, "Threads: %ld", &usage.threads);
        }
        std::fclose(file);
    }
    std::snprintf(path, sizeof(path), "Z:\\proc\\%d\\fd\\*", pid);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path, &entry);
    if (search != INVALID_HANDLE_VALUE) {
        usage.descriptors = 0;
        do
            usage.descriptors += entry.cFileName[0] != '.';
        while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    return usage;
}

void PrintUsage(const char* when, const Usage& usage)
{
    std::printf("  %-22s private %6ld KiB, resident %6ld KiB, threads %2ld, descriptors %3d, windows %2d\n",
                when, usage.privateKiB, usage.residentKiB, usage.threads, usage.descriptors,
                usage.windows);
    std::fflush(stdout);
}

void GrowthPhase()
{
    std::printf("\ngrowth: the program's resources before and after each series\n");
    ProgramProcess program;
    if (!program.start(PumpMessages)) {
        std::printf("  the program did not start\n");
        return;
    }
    PrintUsage("at start", UsageOf(program));
    for (int i = 0; i < 10000; ++i)
        SendMessageW(program.window(), WM_TIMER, ID_REFRESH_TIMER, 0);
    PrintUsage("after 10000 ticks", UsageOf(program));
    HWND update = GetDlgItem(program.window(), ID_UPDATE);
    for (int i = 0; i < 1000; ++i)
        SendMessageW(update, BM_CLICK, 0, 0);
    PrintUsage("after 1000 rebuilds", UsageOf(program));
    int popups = 0;
    char label[40];
    for (int i = 0; i < 1000; ++i) {
        if (i == 500) {  // halves tell one-off first-use costs from growth
            std::snprintf(label, sizeof(label), "after %d tray popups", popups);
            PrintUsage(label, UsageOf(program));
        }
        PostMessageW(program.window(), MSG_TRAY_CALLBACK, ID_TRAY_ICON, WM_RBUTTONDOWN);
        HWND menu = nullptr;
        if (!WaitFor([&] { return (menu = FindVisibleTopLevel(program.id(), L"#32768", nullptr)) != nullptr; }, 2))
            continue;
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        WaitFor([&] { return !FindVisibleTopLevel(program.id(), L"#32768", nullptr); }, 2);
        ++popups;
    }
    std::snprintf(label, sizeof(label), "after %d tray popups", popups);
    PrintUsage(label, UsageOf(program));
    int boxes = 0;
    for (int i = 0; i < 100; ++i) {
        if (i == 50) {
            std::snprintf(label, sizeof(label), "after %d About boxes", boxes);
            PrintUsage(label, UsageOf(program));
        }
        PostMessageW(program.window(), WM_COMMAND, ID_TRAY_HELP, 0);
        HWND box = nullptr;
        if (!WaitFor([&] { return (box = FindVisibleTopLevel(program.id(), nullptr, L"バージョン情報")) != nullptr; }, 3))
            continue;
        PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        WaitFor([&] { return !IsWindow(box); }, 3);
        ++boxes;
    }
    std::snprintf(label, sizeof(label), "after %d About boxes", boxes);
    PrintUsage(label, UsageOf(program));
    program.end();
}

// Child: churns windows of its own as fast as it can until the stop event.
int RunChurner()
{
    HANDLE stop = OpenEventW(SYNCHRONIZE, FALSE, STOP_EVENT);
    std::vector<HWND> windows;
    unsigned seed = GetCurrentProcessId();
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    int serial = 0;
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        wchar_t title[48];
        std::swprintf(title, 48, L"churn %lu-%d", GetCurrentProcessId(), ++serial);
        unsigned action = next() % 6;
        if (windows.size() < 5 || (action == 0 && windows.size() < 40)) {
            windows.push_back(OpenWindow(L"AltavueChurn", title, next() % 4 == 0 ? WS_EX_TOPMOST : 0));
        } else {
            size_t pick = next() % windows.size();
            HWND window = windows[pick];
            switch (action) {
            case 1: SetWindowTextW(window, title); break;
            case 2: SetWindowPos(window, next() % 2 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); break;
            case 3: ShowWindow(window, IsWindowVisible(window) ? SW_HIDE : SW_SHOWNA); break;
            default:
                DestroyWindow(window);
                windows.erase(windows.begin() + static_cast<long>(pick));
            }
        }
        PumpMessages();
    }
    for (HWND window : windows)
        DestroyWindow(window);
    PumpMessages();
    return 0;
}

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

void ChurnPhase(double seconds)
{
    std::printf("\nchurn: 2 processes churning windows for %.0f s while pins and unpins go on\n", seconds);
    ProgramProcess program;
    if (!program.start(PumpMessages)) {
        std::printf("  the program did not start\n");
        return;
    }
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
        churner.start(BesideThisProgram(L"altavue_soak.exe"), L"churner");
    double end = Seconds() + seconds, worst = 0;
    int probes = 0, unanswered = 0, actions = 0;
    unsigned seed = 7;
    while (Seconds() < end && program.running()) {
        double answer = AnswerMs(program);
        ++probes;
        if (answer < 0)
            ++unanswered;
        worst = std::max(worst, answer);
        if (probes % 4 == 0) {
            int list = (probes / 4) % 2 ? ID_LIST_ALL : ID_LIST_TOPMOST;
            int count = static_cast<int>(SendMessageW(ListOf(program, list), LB_GETCOUNT, 0, 0));
            if (count > 0) {
                seed = seed * 1103515245u + 12345u;
                SendMessageW(ListOf(program, list), LB_SETCURSEL, (seed >> 16) % count, 0);
                PostMessageW(GetDlgItem(program.window(), list == ID_LIST_ALL ? ID_APPLY : ID_RELEASE),
                             BM_CLICK, 0, 0);
                ++actions;
            }
        }
        PumpFor(0.05);
    }
    SetEvent(stop);
    for (Child& churner : churners) {
        WaitFor([&] { return !churner.running(); }, 10);
        churner.end();
    }
    CloseHandle(stop);
    std::printf("  alive: %s; %d answers asked, %d not within 1 s, slowest %.1f ms; %d pins/unpins\n",
                program.running() ? "yes" : "NO", probes, unanswered, worst, actions);
    // Within three ticks of the churn's end, the lists equal an independent
    // census of the same desktop.
    double stopped = Seconds();
    bool equal = false;
    size_t all = 0, topmost = 0;
    int checks = 0;
    for (int tick = 1; tick <= 3 && !equal; ++tick) {
        checks = tick;
        PumpFor(TICK_MS / 1000.0);
        IndependentCensus census;
        EnumWindows(IndependentProc, reinterpret_cast<LPARAM>(&census));
        std::sort(census.all.begin(), census.all.end());
        std::sort(census.topmost.begin(), census.topmost.end());
        equal = Entries(ListOf(program, ID_LIST_ALL)) == census.all &&
                Entries(ListOf(program, ID_LIST_TOPMOST)) == census.topmost;
        all = census.all.size();
        topmost = census.topmost.size();
    }
    std::printf("  lists %s an independent census (%zu windows, %zu topmost) at check %d, one per "
                "tick, %.0f ms after the churn stopped\n", equal ? "equal" : "DIFFER FROM", all,
                topmost, checks, (Seconds() - stopped) * 1000);
    CloseWindows(steady);
    program.end();
}

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

void HungPhase()
{
    std::printf("\na window whose thread has stopped answering\n");
    ProgramProcess program;
    if (!program.start(PumpMessages)) {
        std::printf("  the program did not start\n");
        return;
    }
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

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "probe") == 0)
        return RunProbe();
    if (argc > 1 && std::strcmp(argv[1], "churner") == 0)
        return RunChurner();
    std::printf("soak of %s; Wine server CPU %s\n", sizeof(void*) == 4 ? "the 32-bit build" : "the 64-bit build",
                ServerCpuSeconds() < 0 ? "not available (WINESERVER_PID unset)" : "counted");
    auto wanted = [&](const char* phase) {
        if (argc < 2)
            return true;
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], phase) == 0)
                return true;
        return false;
    };
    if (wanted("idle"))
        IdlePhase();
    if (wanted("growth"))
        GrowthPhase();
    if (wanted("churn"))
        ChurnPhase(30);
    if (wanted("hung"))
        HungPhase();
    return 0;
}
