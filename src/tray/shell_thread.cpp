#include "tray/shell_thread.h"

#include "shared/app_state.h"
#include "shared/identifiers.h"

namespace {

// Requests reach the thread as asynchronous procedure calls, run in the
// order queued while it sleeps; no queue or event of the program's own is
// needed, and nothing it shares with the window's thread changes.
DWORD WINAPI ShellThreadProc(LPVOID)
{
    for (;;)
        SleepEx(INFINITE, TRUE);
}

void CALLBACK AddIconCall(ULONG_PTR parameter)
{
    NOTIFYICONDATAW* icon = reinterpret_cast<NOTIFYICONDATAW*>(parameter);
    // An icon the shell holds already (a "TaskbarCreated" from a shell that
    // kept it) is taken too.
    BOOL taken = Shell_NotifyIconW(NIM_ADD, icon) || Shell_NotifyIconW(NIM_MODIFY, icon);
    PostMessageW(icon->hWnd, MSG_TRAY_ICON_TRIED, taken, 0);
}

void CALLBACK RemoveIconCall(ULONG_PTR parameter)
{
    Shell_NotifyIconW(NIM_DELETE, reinterpret_cast<NOTIFYICONDATAW*>(parameter));
    ExitThread(0);
}

}  // namespace

void StartShellThread()
{
    g_app.shellThread = CreateThread(nullptr, 0, ShellThreadProc, nullptr, 0, nullptr);
}

bool RequestIconAdd(NOTIFYICONDATAW* icon)
{
    return QueueUserAPC(AddIconCall, g_app.shellThread, reinterpret_cast<ULONG_PTR>(icon)) != 0;
}

void RemoveIconAndStopShellThread(NOTIFYICONDATAW* icon, DWORD milliseconds)
{
    HANDLE thread = g_app.shellThread;
    if (thread == nullptr)
        return;
    g_app.shellThread = nullptr;
    if (QueueUserAPC(RemoveIconCall, thread, reinterpret_cast<ULONG_PTR>(icon))) {
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
