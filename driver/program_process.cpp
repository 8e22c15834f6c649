#include "program_process.h"

#include "cross_process.h"
#include "shared/identifiers.h"

#include <string>

bool ProgramProcess::start(void (*pump)(), int timeoutMs)
{
    std::wstring path = BesideThisProgram(L"Altavue.exe");
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &process_))
        return false;
    // The job's last handle is this process's: when it goes, the job ends
    // the program.
    job_ = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    AssignProcessToJobObject(job_, process_.hProcess);
    ResumeThread(process_.hThread);
    DWORD begun = GetTickCount();
    for (;;) {
        pump();
        window_ = FindVisibleTopLevel(process_.dwProcessId, nullptr, L"Altavue");
        // The buttons come after the window, the last one last.
        if (window_ && GetDlgItem(window_, ID_RELEASE))
            return true;
        if (!running() || static_cast<int>(GetTickCount() - begun) > timeoutMs) {
            window_ = nullptr;
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool ProgramProcess::running() const
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

void ProgramProcess::end()
{
    if (!process_.hProcess)
        return;
    if (running()) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = window_;
    icon.uID = ID_TRAY_ICON;
    Shell_NotifyIconW(NIM_DELETE, &icon);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    if (job_)
        CloseHandle(job_);
    job_ = nullptr;
    process_ = {};
}
