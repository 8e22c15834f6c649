// Long runs against the real Altavue.exe, printing figures: idle cost
// beside a bare census, growth over many ticks, rebuilds, popups and About
// boxes, a churning desktop, a window whose thread has stopped, and a
// taskbar that answers nothing.
//
//   altavue_soak [PHASE...] the phases named (idle, growth, churn, hung, shell), or
//                           all of them, in this order
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
    if (wanted("shell"))
        ShellPhase();
    return 0;
}
