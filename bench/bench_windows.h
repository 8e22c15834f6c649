// Small pieces the benchmark and the soak share: a plain window class of
// their own and a message pump.
#pragma once

#include "platform/win32.h"

// Registers a class with DefWindowProcW under `name`; again is harmless.
inline void RegisterPlainClass(const wchar_t* name)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

// Dispatches everything queued for this thread.
inline void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
