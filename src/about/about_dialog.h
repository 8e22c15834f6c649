// The About box: a modal box with the program's name and version, closed
// only through its caption.
#pragma once

#include "platform/win32.h"

// Opens the About box owned by `window` and returns when it is closed.
void ShowAboutBox(HWND window);

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
