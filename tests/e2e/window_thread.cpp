#include "window_thread.h"

#include "test_windows.h"

WindowThread::WindowThread(const std::wstring& title, const wchar_t* className)
    : title_(title), className_(className)
{
    ready_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    stop_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    stopped_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    resume_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    quit_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    WaitForSingleObject(ready_, 10000);
}

WindowThread::~WindowThread()
{
    SetEvent(quit_);
    SetEvent(resume_);
    WaitForSingleObject(thread_, 10000);
    for (HANDLE handle : {thread_, ready_, stop_, stopped_, resume_, quit_})
        CloseHandle(handle);
}

void WindowThread::stop()
{
    SetEvent(stop_);
    WaitForSingleObject(stopped_, 10000);
}

void WindowThread::resume()
{
    SetEvent(resume_);
}

DWORD WINAPI WindowThread::Run(LPVOID self)
{
    auto* owner = static_cast<WindowThread*>(self);
    TestWindow window(owner->title_, TEST_CAPTIONED_STYLE, 0, nullptr, owner->className_);
    owner->window_ = window.handle();
    SetEvent(owner->ready_);
    HANDLE events[2] = {owner->quit_, owner->stop_};
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            return 0;
        if (woken == WAIT_OBJECT_0 + 1) {
            SetEvent(owner->stopped_);
            WaitForSingleObject(owner->resume_, INFINITE);
        }
        PumpMessages();
    }
}
