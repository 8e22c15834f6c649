// A top-level window served by a thread of its own, as another program's
// window is: the test can stop that thread, so that the window answers
// nothing, and let it run again.
#pragma once

#include "platform/win32.h"

#include <string>

class WindowThread {
public:
    // `className` as for TestWindow: a class the test registered.
    explicit WindowThread(const std::wstring& title, const wchar_t* className = nullptr);
    ~WindowThread();
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    HWND handle() const { return window_; }
    const std::wstring& title() const { return title_; }
    // Returns once the thread has stopped taking messages.
    void stop();
    void resume();

private:
    static DWORD WINAPI Run(LPVOID self);

    std::wstring title_;
    const wchar_t* className_;
    HWND window_ = nullptr;
    HANDLE ready_, stop_, stopped_, resume_, quit_, thread_;
};
