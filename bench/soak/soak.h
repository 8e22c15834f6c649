// What the soak's phases share: measuring, windows of the soak's own, the
// soak's child processes, the running program and the Linux-side reading
// of its resources. Each phase and child mode is a file of its own.
#pragma once

#include "bench_windows.h"
#include "cross_process.h"
#include "program_process.h"

#include <functional>
#include <string>
#include <vector>

const int TICKS = 200;  // 10 s at 50 ms
const UINT TICK_MS = 50;
const wchar_t STOP_EVENT[] = L"AltavueSoakStop";
// The probe says when its first and last timed tick are, so its start-up
// is left out of its figures as the program's is.
const wchar_t PROBE_STARTED[] = L"AltavueSoakProbeStarted";
const wchar_t PROBE_DONE[] = L"AltavueSoakProbeDone";

// ---- measuring (measuring.cpp) ----------------------------------------------
// Seconds() and ProcessCpuSeconds() come from bench_windows.h.

// utime + stime of the Wine server, in seconds; -1 when unknown.
double ServerCpuSeconds();
void PumpFor(double seconds);

// Pumps messages until `condition` holds (true) or `seconds` pass (false).
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

Usage UsageOf(const ProgramProcess& program);
void PrintUsage(const char* when, const Usage& usage);

// ---- windows and processes of the soak's own (windows.cpp) -------------------

HWND OpenWindow(const wchar_t* className, const wchar_t* title, DWORD exStyle = 0);
// `count` windows of distinct classes, given a second to settle.
std::vector<HWND> OpenWindows(int count);
void CloseWindows(std::vector<HWND>& windows);

// altavue_soak.exe itself, started again in one of its child modes.
struct Child {
    PROCESS_INFORMATION info = {};
    bool start(const wchar_t* mode) { return StartBeside(L"altavue_soak.exe", mode, 0, &info); }
    bool running() const { return StillRunning(info); }
    void end() { EndStarted(&info); }
};

// ---- the running program (program.cpp) ---------------------------------------

// Starts the program; says so in the figures when it does not start.
bool StartProgram(ProgramProcess& program);

// Reads the program's two lists from this process. A Gone reply means the
// list was replaced by a rebuild (or the program ended); a Silent one that
// the program left a query unanswered for 5 s. Silent replies are counted,
// so the figures can say how many there were.
class ProgramLists {
public:
    explicit ProgramLists(const ProgramProcess& program) : program_(program) {}

    // The list with this id as it is now; null while a rebuild replaces it.
    HWND list(int id) const;
    // One question to `list` (LB_GETCOUNT, LB_SETCURSEL, ...).
    Reply ask(HWND list, UINT message, WPARAM wParam, LRESULT* result);
    // The entries of `list` in its order; Gone when it went away meanwhile.
    Reply readList(HWND list, std::vector<std::wstring>* entries);
    // The entries of list `id`, sorted, and its number of entries: a list
    // replaced meanwhile is read again from the new one.
    Reply entries(int id, std::vector<std::wstring>* sorted);
    Reply count(int id, int* count);
    // Whether list `id` holds an entry equal to `text` (case ignored); a
    // question left unanswered counts as not.
    bool holds(int id, const wchar_t* text);

    void printUnanswered() const;

private:
    Reply counted(Reply reply);
    Reply onCurrentList(int id, const std::function<Reply(HWND)>& read);

    const ProgramProcess& program_;
    int unanswered_ = 0;
};

// ---- child modes (child_modes.cpp) ------------------------------------------

int RunProbe();
int RunChurner();

// ---- phases, one file each ---------------------------------------------------

void IdlePhase();
void GrowthPhase();
void ChurnPhase(double seconds);
void HungPhase();
void ShellPhase();
// Reads its options (--schedules, --minutes, --run-seed, --seed) from the
// command line.
void RandomShellPhase(int argc, char** argv);
