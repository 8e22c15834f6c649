#include "program_process.h"

#include "cross_process.h"
#include "shared/identifiers.h"

#include <string>

bool StartBeside(const wchar_t* name, const wchar_t* arguments, DWORD flags,
                 PROCESS_INFORMATION* process, int showCommand)
{
    std::wstring path = BesideThisProgram(name);
    std::wstring commandLine = L"\"" + path + L"\"";
    if (*arguments)
        commandLine += std::wstring(L" ") + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (showCommand >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
    }
    return CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, flags, nullptr,
                          nullptr, &startup, process) != FALSE;
}

bool StillRunning(const PROCESS_INFORMATION& process)
{
    return process.hProcess && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

bool WaitFor(void (*pump)(), const std::function<bool()>& condition, int milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        pump();
        if (condition())
            return true;
        if (static_cast<int>(GetTickCount() - start) > milliseconds)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void EndStarted(PROCESS_INFORMATION* process)
{
    if (!process->hProcess)
        return;
    if (StillRunning(*process)) {
        TerminateProcess(process->hProcess, 1);
        WaitForSingleObject(process->hProcess, 5000);
    }
    CloseHandle(process->hThread);
    CloseHandle(process->hProcess);
    *process = {};
}

NOTIFYICONDATAW IconNamed(HWND window, UINT id)
{
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = window;
    icon.uID = id;
    return icon;
}

// A modification that changes nothing succeeds only for a known icon.
bool TrayIconRegistered(HWND window, UINT id)
{
    NOTIFYICONDATAW icon = IconNamed(window, id);
    return Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE;
}

bool ProgramProcess::start(void (*pump)(), int timeoutMs, int showCommand)
{
    if (!StartBeside(L"Altavue.exe", L"", CREATE_SUSPENDED, &process_, showCommand))
        return false;
    // The job's last handle is this process's: when it goes, the job ends
    // the program.
    job_ = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    AssignProcessToJobObject(job_, process_.hProcess);
    ResumeThread(process_.hThread);
    bool shown = false;
    WaitFor(pump, [&] {
        // Hidden too: a launcher may start the program hidden.
        window_ = FindTopLevel(process_.dwProcessId, nullptr, L"Altavue", false);
        // The buttons come after the window, the last one last.
        shown = window_ && GetDlgItem(window_, ID_RELEASE);
        return shown || !running();
    }, timeoutMs);
    if (!shown)
        window_ = nullptr;
    return shown;
}

bool ProgramProcess::running() const
{
    return StillRunning(process_);
}

void ProgramProcess::end()
{
    if (!process_.hProcess)
        return;
    EndStarted(&process_);
    NOTIFYICONDATAW icon = IconNamed(window_, ID_TRAY_ICON);
    Shell_NotifyIconW(NIM_DELETE, &icon);
    CloseHandle(job_);
    job_ = nullptr;
}
