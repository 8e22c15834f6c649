// The real Altavue.exe beside the running executable, started as a user
// would start it and ended again by its process handle.
#pragma once

#include "platform/win32.h"

#include <functional>

// Starts the executable `name` from the folder of the running one, with
// `arguments` after its quoted path and the creation `flags` given; with a
// `showCommand` of 0 or more, as a shortcut's "run" setting starts it
// (STARTF_USESHOWWINDOW).
bool StartBeside(const wchar_t* name, const wchar_t* arguments, DWORD flags,
                 PROCESS_INFORMATION* process, int showCommand = -1);
bool StillRunning(const PROCESS_INFORMATION& process);
// Serves this thread's messages through `pump` until `condition` holds
// (true) or `milliseconds` pass (false).
bool WaitFor(void (*pump)(), const std::function<bool()>& condition, int milliseconds);
// Ends `process` if it still runs, closes its handles and clears it.
void EndStarted(PROCESS_INFORMATION* process);

// The record that names the notification icon `id` of `window`, and
// nothing else: what a modification, a removal or a question needs.
NOTIFYICONDATAW IconNamed(HWND window, UINT id);

// True while the shell knows the notification icon `id` of `window`.
bool TrayIconRegistered(HWND window, UINT id);

class ProgramProcess {
public:
    ProgramProcess() = default;
    ~ProgramProcess() { end(); }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Starts the program and waits up to `timeoutMs` for its main window
    // with all its buttons, shown or hidden; false when it does not start
    // or create one.
    // `pump` serves the caller's messages meanwhile. The program ends with
    // the process that started it, even when that one dies by a fault, so
    // no copy outlives its test into the next one. `showCommand` as for
    // StartBeside.
    bool start(void (*pump)(), int timeoutMs = 15000, int showCommand = -1);
    // Ends it if it still runs and removes its notification icon: a program
    // ended from outside cannot remove it, and the shell drops it only
    // lazily.
    void end();

    bool running() const;
    HWND window() const { return window_; }
    HANDLE handle() const { return process_.hProcess; }
    DWORD id() const { return process_.dwProcessId; }

private:
    PROCESS_INFORMATION process_ = {};
    HANDLE job_ = nullptr;
    HWND window_ = nullptr;
};
