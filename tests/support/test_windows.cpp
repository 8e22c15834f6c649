#include "test_windows.h"

#include "cross_process.h"

#include "catalogue/catalogue_lists.h"
#include "shared/app_state.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {
const wchar_t DEFAULT_TEST_CLASS[] = L"AltavueTestWindow";
}

const wchar_t* RegisterTestClass(const wchar_t* className, WNDPROC procedure)
{
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &existing))
        return className;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
    return className;
}

TestWindow::TestWindow(const std::wstring& title, DWORD style, DWORD exStyle, HWND owner,
                       const wchar_t* className)
{
    const wchar_t* cls = RegisterTestClass(className ? className : DEFAULT_TEST_CLASS);
    window_ = CreateWindowExW(exStyle, cls, title.c_str(), style, 40, 40, 240, 160, owner,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    PumpMessages();
}

TestWindow::~TestWindow()
{
    if (IsWindow(window_))
        DestroyWindow(window_);
    PumpMessages();
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void PumpFor(int milliseconds)
{
    DWORD start = GetTickCount();
    while (static_cast<int>(GetTickCount() - start) < milliseconds) {
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    PumpMessages();
}

std::wstring UniqueTitle(const std::wstring& stem)
{
    static unsigned serial = 0;
    wchar_t suffix[64];
    swprintf(suffix, 64, L" #%lu.%u", GetCurrentProcessId(), ++serial);
    return stem + suffix;
}

LRESULT Query(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (AskWindow(window, message, wParam, lParam, &result) == Reply::Silent) {
        ADD_FAILURE() << "window " << window << " did not answer message " << message;
        return LB_ERR;
    }
    return result;
}

std::wstring EntryAt(HWND list, int index)
{
    std::wstring text;
    if (AskListText(list, index, &text) == Reply::Silent)
        ADD_FAILURE() << "list " << list << " did not give entry " << index;
    return text;
}

int CountEntries(HWND list, const std::wstring& text)
{
    int count = static_cast<int>(Query(list, LB_GETCOUNT));
    int matches = 0;
    for (int i = 0; i < count; ++i)
        if (EntryAt(list, i) == text)
            ++matches;
    return matches;
}

bool IsTopmostWindow(HWND window)
{
    return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

HICON LoadProgramIcon()
{
    HMODULE exe = LoadLibraryExW(BesideThisProgram(L"Altavue.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!exe)
        return nullptr;
    // LoadImageW without LR_SHARED copies the picture: it outlives the module.
    HICON icon = static_cast<HICON>(LoadImageW(exe, L"MYICON", IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    FreeLibrary(exe);
    return icon;
}

CatalogueFixtureState::CatalogueFixtureState()
{
    g_app = InitialAppState();
    g_app.instance = GetModuleHandleW(nullptr);
    host_ = CreateWindowExW(0, RegisterTestClass(L"AltavueTestHost"), L"", WS_POPUP, 0, 0,
                            400, 300, nullptr, nullptr, g_app.instance, nullptr);
    CreateCatalogueLists(host_);
}

CatalogueFixtureState::~CatalogueFixtureState()
{
    DestroyWindow(host_);
    PumpMessages();
    g_app = InitialAppState();
}

int CountListBoxChildren(HWND parent)
{
    int count = 0;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[64] = L"";
        GetClassNameW(child, className, 64);
        if (_wcsicmp(className, L"ListBox") == 0)
            ++count;
    }
    return count;
}
