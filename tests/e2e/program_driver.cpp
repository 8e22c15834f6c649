#include "program_driver.h"

#include "test_windows.h"

#include <gtest/gtest.h>

namespace {

std::wstring ProgramPath()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self(path, length);
    return self.substr(0, self.find_last_of(L"\\/") + 1) + L"Altavue.exe";
}

struct FindByProcess {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindMainWindowProc(HWND window, LPARAM extra)
{
    auto* search = reinterpret_cast<FindByProcess*>(extra);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t title[16] = L"";
    GetWindowTextW(window, title, 16);
    if (owner == search->processId && lstrcmpW(title, L"Altavue") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (condition())
            return true;
        if (static_cast<int>(GetTickCount() - start) > milliseconds)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

RunningProgram::RunningProgram()
{
    std::wstring path = ProgramPath();
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process_)) {
        ADD_FAILURE() << "cannot start Altavue.exe, error " << GetLastError();
        return;
    }
    FindByProcess search = {process_.dwProcessId, nullptr};
    WaitUntil([&] {
        EnumWindows(FindMainWindowProc, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr && GetDlgItem(search.found, 1004) != nullptr;
    }, 15000);
    window_ = search.found;
    if (!window_)
        ADD_FAILURE() << "Altavue.exe showed no main window";
}

RunningProgram::~RunningProgram()
{
    if (process_.hProcess) {
        if (running()) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
}

std::vector<std::wstring> RunningProgram::entries(int listId) const
{
    std::vector<std::wstring> result;
    HWND target = list(listId);
    int count = static_cast<int>(SendMessageW(target, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        result.push_back(EntryAt(target, i));
    return result;
}

int RunningProgram::count(int listId, const std::wstring& title) const
{
    return CountEntries(list(listId), title);
}

bool RunningProgram::select(int listId, const std::wstring& title) const
{
    std::vector<std::wstring> all = entries(listId);
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == title) {
            SendMessageW(list(listId), LB_SETCURSEL, i, 0);
            return selection(listId) == static_cast<int>(i);
        }
    }
    return false;
}

int RunningProgram::selection(int listId) const
{
    return static_cast<int>(SendMessageW(list(listId), LB_GETCURSEL, 0, 0));
}

void RunningProgram::click(int buttonId) const
{
    // Posted, not sent: the click may make the program send messages back
    // to this thread's windows, which WaitUntil then serves.
    PostMessageW(button(buttonId), BM_CLICK, 0, 0);
}

long RunningProgram::waitForExit(int milliseconds)
{
    DWORD code = 0;
    if (!WaitUntil([&] { return !running(); }, milliseconds))
        return -2;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<long>(code);
}

bool RunningProgram::running() const
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}
