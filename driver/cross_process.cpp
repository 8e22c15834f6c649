#include "cross_process.h"

namespace {

// Short enough that a query to a list destroyed meanwhile ends almost at
// once; long enough that an answering program answers within one slice.
const int SLICE_MS = 50;

// Room for any entry the program's lists can hold, with a wide margin.
const int LIST_TEXT_CHARS = 32768;

struct TopLevelSearch {
    DWORD processId;
    const wchar_t* className;
    const wchar_t* title;
    bool visibleOnly;
    HWND found;
};

// Both names are compared in full, so the buffer holds any class name and
// titles of the length the callers look for.
const int NAME_CHARS = 256;

BOOL CALLBACK FindTopLevelProc(HWND window, LPARAM extra)
{
    auto* search = reinterpret_cast<TopLevelSearch*>(extra);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || (search->visibleOnly && !IsWindowVisible(window)))
        return TRUE;
    wchar_t text[NAME_CHARS] = L"";
    if (search->className &&
        (GetClassNameW(window, text, NAME_CHARS), lstrcmpW(text, search->className) != 0))
        return TRUE;
    if (search->title &&
        (GetWindowTextW(window, text, NAME_CHARS), lstrcmpW(text, search->title) != 0))
        return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

Reply AskWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                int timeoutMs)
{
    *result = 0;
    DWORD start = GetTickCount();
    for (;;) {
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, SLICE_MS, &answer)) {
            *result = static_cast<LRESULT>(answer);
            return Reply::Given;
        }
        if (!IsWindow(window))
            return Reply::Gone;
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs)
            return Reply::Silent;
    }
}

Reply AskListText(HWND list, int index, std::wstring* text, int timeoutMs)
{
    text->clear();
    LRESULT length = 0;
    Reply reply = AskWindow(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0, &length, timeoutMs);
    if (reply != Reply::Given || length == LB_ERR || length >= LIST_TEXT_CHARS)
        return reply;
    // The buffer is not sized by the length just asked: the program may
    // insert or delete an entry between the two questions (a pin or an
    // unpin edits the list in place), and entry `index` is then another,
    // perhaps longer, one. The program's entries are window titles read
    // through 1024-character buffers, far below this size.
    std::wstring buffer(LIST_TEXT_CHARS, L'\0');
    LRESULT copied = 0;
    reply = AskWindow(list, LB_GETTEXT, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(&buffer[0]), &copied, timeoutMs);
    if (reply == Reply::Given && copied != LB_ERR)
        text->assign(buffer.c_str());
    return reply;
}

HWND FindTopLevel(DWORD processId, const wchar_t* className, const wchar_t* title, bool visibleOnly)
{
    TopLevelSearch search = {processId, className, title, visibleOnly, nullptr};
    EnumWindows(FindTopLevelProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindVisibleTopLevel(DWORD processId, const wchar_t* className, const wchar_t* title)
{
    return FindTopLevel(processId, className, title, true);
}

std::wstring BesideThisProgram(const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self(path, length);
    return self.substr(0, self.find_last_of(L"\\/") + 1) + name;
}
