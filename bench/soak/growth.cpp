// Growth: the program's resources before and after long series of ticks,
// rebuilds, tray popups and About boxes.
#include "soak.h"

#include "cross_process.h"
#include "shared/identifiers.h"

#include <cstdio>

void GrowthPhase()
{
    std::printf("\ngrowth: the program's resources before and after each series\n");
    ProgramProcess program;
    if (!StartProgram(program))
        return;
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
