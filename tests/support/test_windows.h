// Helpers for tests that work with real top-level windows and list boxes.
#pragma once

#include "platform/win32.h"
#include "program_process.h"

#include <string>

// Styles the tests give their own top-level windows.
#define TEST_CAPTIONED_STYLE (WS_OVERLAPPEDWINDOW | WS_VISIBLE)

// A top-level window of the tests' own class, destroyed with the object.
// Its title is what the census reads, so tests use unique titles.
class TestWindow {
public:
    TestWindow(const std::wstring& title, DWORD style = TEST_CAPTIONED_STYLE,
               DWORD exStyle = 0, HWND owner = nullptr,
               const wchar_t* className = nullptr);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND handle() const { return window_; }

private:
    HWND window_;
};

// Registers (once) a window class with this name and procedure.
const wchar_t* RegisterTestClass(const wchar_t* className, WNDPROC procedure = DefWindowProcW);

// Dispatches everything queued for this thread.
void PumpMessages();

// Pumps messages for `milliseconds`, in small steps.
void PumpFor(int milliseconds);

// A title no other window on the desktop has, starting with `stem`.
std::wstring UniqueTitle(const std::wstring& stem);

// SendMessageW that gives up after 5 s with a test failure and LB_ERR, so
// a program that stops answering fails the test instead of stalling it.
// A window that no longer exists (a list replaced by a rebuild) answers 0
// at once.
LRESULT Query(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// Number of entries in `list` whose text equals `text`.
int CountEntries(HWND list, const std::wstring& text);

// The text of entry `index` of `list`; empty when there is no such entry or
// the list no longer exists.
std::wstring EntryAt(HWND list, int index);

bool IsTopmostWindow(HWND window);

// "MYICON" as the Altavue.exe beside this test stores it, at its own size;
// null when it cannot be read. The caller destroys it.
HICON LoadProgramIcon();

// Resets g_app to a process's initial state and gives it a plain hidden
// host window for the lists (not a qualifying window: no caption).
class CatalogueFixtureState {
public:
    CatalogueFixtureState();
    ~CatalogueFixtureState();
    HWND host() const { return host_; }

private:
    HWND host_;
};

// Number of child windows of `parent` of the class "ListBox".
int CountListBoxChildren(HWND parent);
