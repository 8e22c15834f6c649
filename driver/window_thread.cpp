#include "window_thread.h"

namespace {

const wchar_t PLAIN_CLASS[] = L"AltavueWindowThread";

HWND CreateServedWindow(const std::wstring& title, const wchar_t* className, WNDPROC procedure)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);  // again is harmless
    return CreateWindowExW(0, className, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 240,
                           160, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void ServeMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

WindowThread::WindowThread(const std::wstring& title, const wchar_t* className, WNDPROC procedure)
    : title_(title), className_(className ? className : PLAIN_CLASS), procedure_(procedure)
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
    owner->window_ = CreateServedWindow(owner->title_, owner->className_, owner->procedure_);
    SetEvent(owner->ready_);
    HANDLE events[2] = {owner->quit_, owner->stop_};
    for (;;) {
        ServeMessages();
        DWORD woken = MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken == WAIT_OBJECT_0 + 1) {
            SetEvent(owner->stopped_);
            WaitForSingleObject(owner->resume_, INFINITE);
        }
    }
    DestroyWindow(owner->window_);
    ServeMessages();
    return 0;
}
