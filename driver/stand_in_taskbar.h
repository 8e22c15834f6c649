// A stand-in for the shell's taskbar, as a busy or restarting one behaves.
// Shell_NotifyIconW hands its record to the first top-level window of the
// class "Shell_TrayWnd" as a sent WM_COPYDATA; this one, topmost and so in
// front of the shell's own, passes every record on to the real taskbar.
// Only the records of the program under test (a window of Altavue's main
// window class, told by the record's window) are counted, and refused
// while it is told to refuse; those of other tray programs pass untouched.
// Its thread can be stopped, so that it answers nothing, as a taskbar busy
// with other work; and it can play a restart. Shared by the end-to-end
// tests and the soak; one at a time in a process.
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
    // Refuses the program's records (answers FALSE at once) while
    // `refusing` holds.
    void refuse(bool refusing);
    // The program's records received since the last reset, and how many of
    // them were refused.
    int records() const;
    int refused() const;
    void resetCounts();
    // Takes no message until resumed: every call of the shell waits.
    void stop() { thread_.stop(); }
    void resume() { thread_.resume(); }
    // As a restarted shell: the real taskbar forgets the program's icon,
    // and "TaskbarCreated" is broadcast to every top-level window; when
    // `silent`, the stand-in stops first, as a new shell busy at its start.
    // Only while the stand-in runs.
    void restart(bool silent = false);
    // Whether the shell holds the program's icon, as the records passed on
    // and the real taskbar's answers to them tell.
    bool holdsIcon() const;

private:
    WindowThread thread_;
};
