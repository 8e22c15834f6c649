// A top-level window served by a thread of its own, as another program's
// window is: the caller can stop that thread, so that the window answers
// nothing, and let it run again. Shared by the end-to-end tests and the
// soak.
#pragma once

#include "platform/win32.h"

#include <string>

class WindowThread {
public:
    // A visible, captioned window with this title, of the class
    // `className` (a plain one when null) served by `procedure`.
    explicit WindowThread(const std::wstring& title, const wchar_t* className = nullptr,
                          WNDPROC procedure = DefWindowProcW);
    // Lets the thread run again, ends it, and so destroys the window.
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
    WNDPROC procedure_;
    HWND window_ = nullptr;
    HANDLE ready_, stop_, stopped_, resume_, quit_, thread_;
};
