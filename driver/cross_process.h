// Reading another process's windows: finding its top-level windows and
// asking its controls questions, with an answer that tells a window that
// is gone from one that is there and silent. Shared by the end-to-end
// tests and the soak; it knows nothing of GoogleTest.
#pragma once

#include "platform/win32.h"

#include <string>

// How a query to another process's window ended.
enum class Reply {
    Given,   // the window answered; the result is its answer
    Gone,    // the window does not exist (any more); the result is 0
    Silent,  // the window exists and gave no answer within the time allowed
};

// Sends `message` to `window` and waits up to `timeoutMs` for the answer.
// The wait is cut into short slices with a look at the window between
// them: under Wine 8 a cross-process LB_GETTEXT to a window destroyed before
// its thread took the message is never answered, so only a short wait tells
// a replaced list from a silent program. Each slice sends the message again;
// use it for questions, not for actions that must happen once.
Reply AskWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                int timeoutMs = 5000);

// Entry `index` of the list box `list`, read with LB_GETTEXTLEN and
// LB_GETTEXT; anything but Given, and an entry of 32768 characters or
// more, leaves `text` empty.
Reply AskListText(HWND list, int index, std::wstring* text, int timeoutMs = 5000);

// A top-level window of that process with this class and title (either
// may be null), only a visible one when `visibleOnly`; or null.
HWND FindTopLevel(DWORD processId, const wchar_t* className, const wchar_t* title, bool visibleOnly);
HWND FindVisibleTopLevel(DWORD processId, const wchar_t* className, const wchar_t* title);

// The file `name` in the folder of the running executable.
std::wstring BesideThisProgram(const wchar_t* name);
