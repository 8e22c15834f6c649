#include "tray/shell_thread.h"

#include "shared/app_state.h"
#include "shared/identifiers.h"

namespace {

// The thread's requests, posted to its queue; they name no window.
const UINT SHELL_ADD = WM_APP + 1;     // wParam: the request's serial
const UINT SHELL_REMOVE = WM_APP + 2;  // remove the icon, then end

// What the starter hands the thread: the record to copy, and the event it
// sets once it has its copy and its queue.
struct ShellStart {
    const NOTIFYICONDATAW* icon;
    HANDLE ready;
};

DWORD WINAPI ShellThreadProc(LPVOID parameter)
{
    const ShellStart* start = static_cast<const ShellStart*>(parameter);
    NOTIFYICONDATAW icon = *start->icon;
    MSG request;
    // A thread has a queue once it has asked for a message: before the
    // starter goes on, so that none of its requests is refused.
    PeekMessageW(&request, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(start->ready);
    while (GetMessageW(&request, nullptr, 0, 0) > 0) {
        switch (request.message) {
        case SHELL_ADD: {
            // An icon the shell holds already (a "TaskbarCreated" from a
            // shell that kept it) is taken too.
            BOOL taken = Shell_NotifyIconW(NIM_ADD, &icon) || Shell_NotifyIconW(NIM_MODIFY, &icon);
            PostMessageW(icon.hWnd, MSG_TRAY_ICON_TRIED, taken, static_cast<LPARAM>(request.wParam));
            break;
        }
        case SHELL_REMOVE:
            Shell_NotifyIconW(NIM_DELETE, &icon);
            return 0;
        }
    }
    return 0;
}

}  // namespace

void StartShellThread(const NOTIFYICONDATAW& icon)
{
    ShellStart start = {&icon, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    g_app.shellThread = CreateThread(nullptr, 0, ShellThreadProc, &start, 0, &g_app.shellThreadId);
    // The thread only copies the record and makes its queue before it sets
    // the event; nothing of another program is waited for here.
    if (g_app.shellThread)
        WaitForSingleObject(start.ready, INFINITE);
    CloseHandle(start.ready);
}

bool RequestIconAdd(UINT serial)
{
    return PostThreadMessageW(g_app.shellThreadId, SHELL_ADD, serial, 0) != FALSE;
}

void RemoveIconAndStopShellThread(DWORD milliseconds)
{
    HANDLE thread = g_app.shellThread;
    if (thread == nullptr)
        return;
    g_app.shellThread = nullptr;
    if (PostThreadMessageW(g_app.shellThreadId, SHELL_REMOVE, 0, 0)) {
        DWORD start = GetTickCount();
        DWORD waited = 0;
        while (waited < milliseconds &&
               MsgWaitForMultipleObjects(1, &thread, FALSE, milliseconds - waited, QS_SENDMESSAGE) ==
                   WAIT_OBJECT_0 + 1) {
            // Only the messages sent to this thread, which their senders
            // wait for; nothing posted is taken once the loop has ended.
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            waited = GetTickCount() - start;
        }
    }
    CloseHandle(thread);
}
