// Starts the real Altavue.exe (the one built beside this test) and drives
// it from this process, as a user's tools would: list-box messages and
// button clicks across processes.
#pragma once

#include "cross_process.h"
#include "program_process.h"

#include <functional>
#include <string>
#include <vector>

class RunningProgram {
public:
    // Starts the program, with this show command when one is given, and
    // waits for its main window.
    explicit RunningProgram(int showCommand = -1);
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    HWND window() const { return process_.window(); }
    HWND list(int id) const { return GetDlgItem(window(), id); }
    HWND button(int id) const { return GetDlgItem(window(), id); }
    std::vector<std::wstring> entries(int listId) const;
    int count(int listId, const std::wstring& title) const;
    // Selects the entry with this text, reading, selecting and checking on
    // one and the same list; false when for 2 s no list holds it long enough.
    bool select(int listId, const std::wstring& title) const;
    int selection(int listId) const;
    void click(int buttonId) const;
    // Clicks the button and waits until the program has carried out its
    // command; false when it has not within `milliseconds`.
    bool press(int buttonId, int milliseconds = 5000) const;
    // Waits for the process to end; its exit code, or -2 on time-out.
    long waitForExit(int milliseconds);
    bool running() const;
    // A visible top-level window of the program with this class or title.
    HWND topLevel(const wchar_t* className, const wchar_t* title = nullptr) const;
    HWND popupMenu() const { return topLevel(L"#32768"); }
    HWND aboutBox() const { return topLevel(nullptr, L"バージョン情報"); }
    // Right-clicks (or left-clicks) the notification icon with the mouse and,
    // for the right button, waits for the popup menu.
    bool clickTrayIcon(bool right = true) const;
    // Opens the tray menu and picks an item by keyboard: `downs` presses of
    // the down arrow (the separator is skipped), or the last item when 0.
    bool chooseTrayItem(int downs) const;
    DWORD processId() const { return process_.id(); }

private:
    ProgramProcess process_;
};

// The centre of the program's notification icon on the screen, found by
// its picture on the taskbar; false when the taskbar shows none.
bool FindTrayIcon(POINT* centre);

// Synthesised input, as the user's mouse and keyboard give it.
void ClickAt(POINT point, bool right);
void PressKey(WORD key);

// Pumps this thread's messages (the program sends some to the test's own
// windows) until `condition` holds or `milliseconds` pass.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 3000);
