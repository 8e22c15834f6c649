// Idle cost: the program's CPU time and the Wine server's over 200 ticks
// with N qualifying windows of this process open, beside a bare probe that
// runs the same count-only census in a process of its own.
#include "soak.h"

#include "shared/identifiers.h"

#include <algorithm>
#include <cstdio>

namespace {

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
    if (probe.start(L"probe") &&
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

}  // namespace

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
            CloseWindows(windows);
            continue;
        }
        ProgramLists lists(program);
        PumpFor(1.0);
        HWND before = lists.list(ID_LIST_ALL);
        Cost idle = MeasureIdleProgram(program);
        bool rebuilt = lists.list(ID_LIST_ALL) != before;
        // The count only: each query waits for the census under way.
        int count = 0;
        Reply reply = lists.count(ID_LIST_ALL, &count);
        program.end();
        Cost bare = MeasureProbe();
        char listed[48];
        if (reply == Reply::Given)
            std::snprintf(listed, sizeof(listed), "listed %d", count);
        else
            std::snprintf(listed, sizeof(listed), "count %s", reply == Reply::Silent
                              ? "unanswered for 5 s" : "not read: no list");
        std::printf("%6d | %8.3f %8.3f %6.2f%% | %8.3f %8.3f %6.2f%% | %6.3f   %s%s\n", n,
                    idle.process, idle.server, idle.share(), bare.process, bare.server,
                    bare.share(), idle.share() / bare.share(), listed,
                    rebuilt ? ", lists rebuilt while idle" : "");
        std::fflush(stdout);
        CloseWindows(windows);
    }
}
