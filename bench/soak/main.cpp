// Long runs against the real Altavue.exe, printing figures: idle cost
// beside a bare census, growth over many ticks, rebuilds, popups and About
// boxes, a churning desktop, a window whose thread has stopped, and a
// taskbar that answers nothing; and, when named, a shell that does
// everything at random.
//
//   altavue_soak [PHASE...] the phases named (idle, growth, churn, hung, shell,
//                           randomshell), in this order, or all but the last
//   altavue_soak randomshell [--schedules N | --minutes M] [--run-seed R] [--seed S]
//                           N random schedules (200), or as many as M
//                           minutes take, from the run's seed R, or the one
//                           schedule of seed S (random_shell.cpp)
//   altavue_soak probe      (child) 200 count-only censuses on a 50 ms timer
//   altavue_soak churner    (child) opens, retitles, restacks, hides and
//                           closes windows until told to stop
//
// The Wine server's CPU time is read from Linux's /proc through Wine's Z:
// drive when scripts/soak passes its process id in WINESERVER_PID.
#include "soak.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "probe") == 0)
        return RunProbe();
    if (argc > 1 && std::strcmp(argv[1], "churner") == 0)
        return RunChurner();
    std::printf("soak of %s; Wine server CPU %s\n", sizeof(void*) == 4 ? "the 32-bit build" : "the 64-bit build",
                ServerCpuSeconds() < 0 ? "not available (WINESERVER_PID unset)" : "counted");
    // The phases named; an option (--NAME VALUE) is the random shell's.
    bool named = false, options = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0) {
            options = true;
            ++i;
        } else {
            named = true;
        }
    }
    auto wanted = [&](const char* phase) {
        bool randomShell = std::strcmp(phase, "randomshell") == 0;
        if (!named)
            return options ? randomShell : !randomShell;
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], phase) == 0 && std::strncmp(argv[i - 1], "--", 2) != 0)
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
    if (wanted("shell"))
        ShellPhase();
    if (wanted("randomshell"))
        RandomShellPhase(argc, argv);
    return 0;
}
