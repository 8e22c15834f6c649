// A stand-in for the shell's taskbar, as a busy one at logon behaves.
// Shell_NotifyIconW hands its record to the first top-level window of the
// class "Shell_TrayWnd" as a sent WM_COPYDATA; this one, topmost and so in
// front of the shell's own, counts every record and passes it on to the
// real taskbar, or refuses it while told to. Its thread can be stopped,
// so that it answers nothing, as a taskbar busy with other work. Shared by
// the end-to-end tests and the soak; one at a time in a process.
#pragma once

#include "window_thread.h"

class StandInTaskbar {
public:
    // Needs the real taskbar; inFront() tells whether the stand-in is the
    // one the shell's calls reach.
    StandInTaskbar();
    StandInTaskbar(const StandInTaskbar&) = delete;
    StandInTaskbar& operator=(const StandInTaskbar&) = delete;

    bool inFront() const;
    HWND handle() const { return thread_.handle(); }
    // Refuses records (answers FALSE at once) while `refusing` holds.
    void refuse(bool refusing);
    // Records received since the last reset, and how many were refused.
    int records() const;
    int refused() const;
    void resetCounts();
    // Takes no message until resumed: every call of the shell waits.
    void stop() { thread_.stop(); }
    void resume() { thread_.resume(); }

private:
    WindowThread thread_;
};
