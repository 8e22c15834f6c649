#include "program_driver.h"

#include "test_windows.h"

#include "shared/identifiers.h"

#include <gtest/gtest.h>

bool WaitUntil(const std::function<bool()>& condition, int milliseconds)
{
    return WaitFor(PumpMessages, condition, milliseconds);
}

RunningProgram::RunningProgram(int showCommand)
{
    if (!process_.start(PumpMessages, 15000, showCommand))
        ADD_FAILURE() << "Altavue.exe did not start or showed no main window, error " << GetLastError();
}

std::vector<std::wstring> RunningProgram::entries(int listId) const
{
    std::vector<std::wstring> result;
    HWND target = list(listId);
    int count = static_cast<int>(Query(target, LB_GETCOUNT));
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
    // Read, select and check on one and the same list: a rebuild meanwhile
    // replaces it, and an index read from the old list means nothing in
    // the new one. Tries again on the new list, for a while.
    return WaitUntil([&] {
        HWND target = list(listId);
        int count = static_cast<int>(Query(target, LB_GETCOUNT));
        for (int i = 0; i < count; ++i) {
            if (EntryAt(target, i) != title)
                continue;
            Query(target, LB_SETCURSEL, static_cast<WPARAM>(i));
            return Query(target, LB_GETCURSEL) == i && EntryAt(target, i) == title &&
                   list(listId) == target;
        }
        return false;
    }, 2000);
}

int RunningProgram::selection(int listId) const
{
    return static_cast<int>(Query(list(listId), LB_GETCURSEL));
}

void RunningProgram::click(int buttonId) const
{
    // Posted, not sent: the click may make the program send messages back
    // to this thread's windows, which WaitUntil then serves.
    PostMessageW(button(buttonId), BM_CLICK, 0, 0);
}

bool RunningProgram::press(int buttonId, int milliseconds) const
{
    // While it waits, this thread still serves what the program sends to
    // its windows.
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(button(buttonId), BM_CLICK, 0, 0, SMTO_NORMAL,
                               static_cast<UINT>(milliseconds), &result) != 0;
}

long RunningProgram::waitForExit(int milliseconds)
{
    DWORD code = 0;
    if (!WaitUntil([&] { return !running(); }, milliseconds))
        return -2;
    GetExitCodeProcess(process_.handle(), &code);
    return static_cast<long>(code);
}

bool RunningProgram::running() const
{
    return process_.running();
}

namespace {

void SendMouse(DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

}  // namespace

HWND RunningProgram::topLevel(const wchar_t* className, const wchar_t* title) const
{
    return FindVisibleTopLevel(process_.id(), className, title);
}

void ClickAt(POINT point, bool right)
{
    // Two clicks on one spot within the double-click time make the second a
    // double click, which the tray reports as such; keep clicks apart, also
    // from the last click of the test process before this one.
    static DWORD lastClick = GetTickCount();
    DWORD apart = GetDoubleClickTime() + 100;
    if (GetTickCount() - lastClick < apart)
        PumpFor(static_cast<int>(apart - (GetTickCount() - lastClick)));
    SetCursorPos(point.x, point.y);
    SendMouse(MOUSEEVENTF_MOVE);
    PumpFor(50);
    SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    lastClick = GetTickCount();
}

void PressKey(WORD key)
{
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    PumpFor(50);
}

// The tests run in Wine's desktop, whose taskbar draws the icons from its
// right end in cells of a small icon and a 2-pixel border each way; the
// program's is the only one, so it sits in the last cell.
bool RunningProgram::clickTrayIcon(bool right) const
{
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!taskbar || !TrayIconRegistered(window(), ID_TRAY_ICON))
        return false;
    RECT rect;
    GetWindowRect(taskbar, &rect);
    int cell = GetSystemMetrics(SM_CXSMICON) + 4;
    ClickAt({rect.right - cell / 2, (rect.top + rect.bottom) / 2}, right);
    return !right || WaitUntil([&] { return popupMenu() != nullptr; });
}

bool RunningProgram::chooseTrayItem(int downs) const
{
    if (!clickTrayIcon())
        return false;
    if (downs == 0)
        PressKey(VK_UP);
    for (int i = 0; i < downs; ++i)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    return true;
}
