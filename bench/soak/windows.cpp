// Windows of the soak's own.
#include "soak.h"

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

