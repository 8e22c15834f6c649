// Thin wrappers over the list-box messages the catalogue uses. Each is one
// SendMessageW named for its message; none keeps any state.
#pragma once

#include "platform/win32.h"

inline void ListAddString(HWND list, const WCHAR* text)
{
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

inline void ListDeleteString(HWND list, int index)
{
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

// Index of the selected entry, or LB_ERR when nothing is selected.
inline int ListGetCurSel(HWND list)
{
    return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
}

inline int ListGetCount(HWND list)
{
    return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
}

// Copies entry `index` into `buffer`. LB_GETTEXT takes no buffer size, so
// the entry's length is asked first and an entry that would not fit (or a
// bad index) leaves the buffer untouched and reports false.
inline bool ListGetText(HWND list, int index, WCHAR* buffer, int bufferChars)
{
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length >= bufferChars)
        return false;
    return SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(buffer)) != LB_ERR;
}
