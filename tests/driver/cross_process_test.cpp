// The driver's queries, which the end-to-end tests and the soak read the
// program's lists with: what they report for an answering window, a window
// that is gone and one whose thread is silent, and an entry that changes
// between the question for its length and the one for its text.
#include "cross_process.h"
#include "test_windows.h"

#include <gtest/gtest.h>

namespace {

HANDLE g_release;
HWND g_silent;

// Makes a window, then neither pumps nor answers until released.
DWORD WINAPI SilentThread(LPVOID ready)
{
    g_silent = CreateWindowExW(0, RegisterTestClass(L"AltavueSilent"), L"", WS_POPUP, 0, 0, 10,
                               10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetEvent(static_cast<HANDLE>(ready));
    WaitForSingleObject(g_release, 20000);
    DestroyWindow(g_silent);
    return 0;
}

// A hidden list box of this thread holding the one entry `entry`.
HWND ListHolding(const wchar_t* entry)
{
    HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    return list;
}

TEST(CrossProcessTest, RepliesTellAnAnswerAGoneWindowAndASilentOne)
{
    HWND list = ListHolding(L"one");
    LRESULT result = -1;
    EXPECT_EQ(AskWindow(list, LB_GETCOUNT, 0, 0, &result), Reply::Given);
    EXPECT_EQ(result, 1);

    DestroyWindow(list);
    DWORD start = GetTickCount();
    EXPECT_EQ(AskWindow(list, LB_GETCOUNT, 0, 0, &result), Reply::Gone);
    EXPECT_EQ(result, 0);
    EXPECT_LT(GetTickCount() - start, 1000u);

    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, SilentThread, ready, 0, nullptr);
    WaitForSingleObject(ready, 5000);
    EXPECT_EQ(AskWindow(g_silent, WM_NULL, 0, 0, &result, 300), Reply::Silent);
    SetEvent(g_release);
    WaitForSingleObject(thread, 5000);
    for (HANDLE handle : {thread, ready, g_release})
        CloseHandle(handle);
}

// A pin or an unpin edits the program's list in place, so entry `index`
// may be another, longer one by the time its text is asked for.
const wchar_t LONGER_ENTRY[] = L"a longer entry, inserted between the two questions";
WNDPROC g_listProcedure;
LRESULT CALLBACK InsertingListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = CallWindowProcW(g_listProcedure, list, message, wParam, lParam);
    if (message == LB_GETTEXTLEN)
        CallWindowProcW(g_listProcedure, list, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(LONGER_ENTRY));
    return result;
}

TEST(CrossProcessTest, AnEntryThatGrowsBetweenLengthAndTextIsReadWhole)
{
    HWND list = ListHolding(L"short");
    g_listProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(InsertingListProc)));
    std::wstring text;
    EXPECT_EQ(AskListText(list, 0, &text), Reply::Given);
    EXPECT_EQ(text, LONGER_ENTRY);
    DestroyWindow(list);
}

}  // namespace
