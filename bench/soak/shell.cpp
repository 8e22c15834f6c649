// A taskbar that answers nothing, as one busy at logon: the stand-in
// taskbar's thread is stopped for the program's first seconds. What shows
// that the program goes on meanwhile is its own census (a window opened
// meanwhile is listed), not a probe sent to it: a thread that waits inside
// an outgoing SendMessage still answers messages sent to it. Then 終了, with
// the taskbar silent again, and with one that answers.
#include "soak.h"

#include "shared/identifiers.h"
#include "stand_in_taskbar.h"

#include <cstdio>

namespace {

const double SILENT_SECONDS = 8;
const double OPEN_AFTER_SECONDS = 2;
const wchar_t LATER_TITLE[] = L"soak window opened while the taskbar answers nothing";

// The phase's timeline, kept by every wait of the phase: the window opens
// and the taskbar answers again at their times, even while the program's
// start is still awaited.
StandInTaskbar* g_taskbar;
double g_started, g_openedAt, g_answeredAt;
HWND g_later;

void PumpOnTime()
{
    PumpMessages();
    double now = Seconds();
    if (!g_later && now >= g_started + OPEN_AFTER_SECONDS) {
        g_later = OpenWindow(L"AltavueSoakLater", LATER_TITLE);
        g_openedAt = Seconds();
    }
    if (g_answeredAt == 0 && now >= g_started + SILENT_SECONDS) {
        g_taskbar->resume();
        g_answeredAt = Seconds();
    }
}

// Seconds until `condition` held, or -1 when it did not within `seconds`.
template <typename Condition>
double TimeUntil(Condition condition, double seconds)
{
    double start = Seconds();
    while (!condition()) {
        if (Seconds() > start + seconds)
            return -1;
        PumpOnTime();
        Sleep(2);
    }
    return Seconds() - start;
}

void PrintMs(const char* what, double seconds, double limit)
{
    if (seconds < 0)
        std::printf("    %s: NOT within %.0f s\n", what, limit);
    else
        std::printf("    %s: %.0f ms\n", what, seconds * 1000);
}

// Posts 終了 and prints how long the process took to end, and its exit code.
void Exit(ProgramProcess& program)
{
    PostMessageW(program.window(), WM_COMMAND, ID_TRAY_EXIT, 0);
    double ended = TimeUntil([&] { return !program.running(); }, 10);
    DWORD code = 0;
    GetExitCodeProcess(program.handle(), &code);
    PrintMs("終了 to the end of the process", ended, 10);
    std::printf("    exit code %lu\n", code);
}

}  // namespace

void ShellPhase()
{
    std::printf("\na taskbar that answers nothing for the program's first %.0f s\n", SILENT_SECONDS);
    // Declared first, so ended after the stand-in: ending the program asks
    // the shell to remove its icon, which a stopped stand-in would not answer.
    ProgramProcess program;
    StandInTaskbar taskbar;
    if (!taskbar.inFront()) {
        std::printf("  no taskbar to stand in for\n");
        return;
    }
    g_taskbar = &taskbar;
    g_openedAt = g_answeredAt = 0;
    g_later = nullptr;
    taskbar.stop();
    g_started = Seconds();
    bool started = program.start(PumpOnTime, static_cast<int>((SILENT_SECONDS + 10) * 1000));
    PrintMs("its window with its buttons, after its start", started ? Seconds() - g_started : -1,
            SILENT_SECONDS + 10);
    if (!started)
        return;
    ProgramLists lists(program);
    TimeUntil([] { return g_later != nullptr; }, OPEN_AFTER_SECONDS + 1);
    // Timed from the window's opening, which may lie before this wait.
    bool listed = TimeUntil([&] { return lists.holds(ID_LIST_ALL, LATER_TITLE); }, SILENT_SECONDS + 5) >= 0;
    PrintMs("a window opened 2 s after the start, listed after it opened",
            listed ? Seconds() - g_openedAt : -1, SILENT_SECONDS + 5);
    TimeUntil([] { return g_answeredAt != 0; }, SILENT_SECONDS);
    bool added = TimeUntil([&] { return TrayIconRegistered(program.window(), ID_TRAY_ICON); }, 10) >= 0;
    PrintMs("the icon added, after the taskbar answered again", added ? Seconds() - g_answeredAt : -1, 10);
    std::printf("  終了 while the taskbar answers nothing again:\n");
    taskbar.stop();
    Exit(program);
    taskbar.resume();
    DestroyWindow(g_later);
    lists.printUnanswered();

    std::printf("  終了 with a taskbar that answers:\n");
    ProgramProcess answered;
    if (!StartProgram(answered))
        return;
    TimeUntil([&] { return TrayIconRegistered(answered.window(), ID_TRAY_ICON); }, 10);
    taskbar.resetCounts();
    Exit(answered);
    // The shell itself drops the icon of a window that is gone, so whether
    // the program removed it shows only in what the taskbar was sent.
    std::printf("    records the taskbar was sent meanwhile: %d (the icon's removal)\n", taskbar.records());
}
