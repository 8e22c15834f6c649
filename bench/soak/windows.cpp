// Windows of the soak's own and its child processes.
#include "soak.h"

#include "cross_process.h"

#include <cwchar>

HWND OpenWindow(const wchar_t* className, const wchar_t* title, DWORD exStyle)
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

bool Child::start(const wchar_t* mode)
{
    std::wstring path = BesideThisProgram(L"altavue_soak.exe");
    std::wstring commandLine = L"\"" + path + L"\" " + mode;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &info) != FALSE;
}

bool Child::running() const
{
    return WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT;
}

void Child::end()
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
