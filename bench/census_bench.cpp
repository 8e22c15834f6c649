// Cost of the census that the change check runs 20 times a second, and of
// a rebuild, against N qualifying windows of this process; a bare
// EnumWindows pass over the same desktop is the floor. Prints figures only.
#include "bench_windows.h"
#include "catalogue/catalogue_lists.h"
#include "catalogue/census.h"
#include "shared/app_state.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace {

const int MAX_WINDOWS = 500;
const int TICKS_PER_SECOND = 20;
HWND g_windows[MAX_WINDOWS];

BOOL CALLBACK CountOnlyProc(HWND, LPARAM extra)
{
    ++*reinterpret_cast<int*>(extra);
    return TRUE;
}

void BareEnumeration()
{
    int windows = 0;
    EnumWindows(CountOnlyProc, reinterpret_cast<LPARAM>(&windows));
}

void CountCensus()
{
    g_app.totalCount = 0;
    g_app.topmostCount = 0;
    RunCensus();
}

HWND g_host;
void Rebuild() { RebuildCatalogue(g_host); }

// Median microseconds of one call, over `repeats` calls after a warm-up:
// under Wine single calls are disturbed by the server's scheduling.
const int MAX_REPEATS = 1600;
double g_samples[MAX_REPEATS];

struct Figures {
    double wall;  // median
    double cpu;   // mean
};

// Messages are served between calls, as the program's loop serves them
// between ticks: a backed-up queue slows every query under Wine.
Figures Measure(void (*operation)(), int repeats)
{
    operation();
    double cpuStart = ProcessCpuSeconds(GetCurrentProcess());
    for (int i = 0; i < repeats; ++i) {
        PumpMessages();
        double start = Seconds();
        operation();
        g_samples[i] = (Seconds() - start) * 1e6;
    }
    double cpu = (ProcessCpuSeconds(GetCurrentProcess()) - cpuStart) * 1e6 / repeats;
    std::sort(g_samples, g_samples + repeats);
    return {g_samples[repeats / 2], cpu};
}

void OpenWindows(int count, bool distinctClasses)
{
    for (int i = 0; i < count; ++i) {
        wchar_t className[32], title[32];
        swprintf(className, 32, L"AltavueBench%d", distinctClasses ? i : 0);
        swprintf(title, 32, L"bench window %d", i);
        RegisterPlainClass(className);
        g_windows[i] = CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                       i % 50, i % 40, 160, 100, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    }
}

// Lets the system finish with new windows (or, at start, Wine with its own
// start-up) before anything is timed.
void Settle(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        PumpMessages();
        Sleep(10);
    }
}

void CloseWindows(int count)
{
    for (int i = 0; i < count; ++i)
        DestroyWindow(g_windows[i]);
    PumpMessages();
}

}  // namespace

int main()
{
    g_app = InitialAppState();
    g_app.instance = GetModuleHandleW(nullptr);
    RegisterPlainClass(L"AltavueBenchHost");
    g_host = CreateWindowExW(0, L"AltavueBenchHost", L"", WS_POPUP, 0, 0, 400, 300, nullptr,
                             nullptr, g_app.instance, nullptr);
    CreateCatalogueLists(g_host);
    g_app.fillMode = false;  // as after the program's first census
    Settle(3000);

    std::printf("wall: median microseconds per call; cpu: this process's mean CPU microseconds\n");
    std::printf("%-5s %-9s %6s %9s %11s %10s %11s %10s %11s\n", "N", "classes", "listed",
                "bare", "census", "cpu", "rebuild", "cpu", "core@20/s");
    const int sizes[] = {10, 100, 500};
    const bool classModes[] = {true, false};
    for (bool distinct : classModes) {
        for (int n : sizes) {
            OpenWindows(n, distinct);
            Settle(500);
            int repeats = n <= 10 ? 400 : n <= 100 ? 60 : 8;
            Figures bare = Measure(BareEnumeration, repeats * 4);
            Figures census = Measure(CountCensus, repeats);
            Figures rebuild = Measure(Rebuild, repeats / 2 > 0 ? repeats / 2 : 1);
            // Wall time bounds the share from above: it includes the
            // server's work and the waits for it.
            double share = census.wall * TICKS_PER_SECOND / 1e6 * 100.0;
            std::printf("%-5d %-9s %6d %9.1f %11.1f %10.1f %11.1f %10.1f %10.2f%%\n", n,
                        distinct ? "distinct" : "shared", g_app.totalCount, bare.wall,
                        census.wall, census.cpu, rebuild.wall, rebuild.cpu, share);
            std::fflush(stdout);
            CloseWindows(n);
        }
    }
    DestroyWindow(g_host);
    return 0;
}
