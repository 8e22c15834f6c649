// One pass over the desktop's top-level windows that decides which of them
// the program offers, counts them and, in fill mode, lists their titles.
#pragma once

#include "platform/win32.h"

// Visits every top-level window. Adds to g_app.totalCount and
// g_app.topmostCount without resetting them; in fill mode also adds the
// titles to g_app.allList and g_app.topmostList.
void RunCensus();

// EnumWindows callback for RunCensus. Always answers TRUE, so the pass runs
// to the end; `extra` is not used.
BOOL CALLBACK CensusProc(HWND window, LPARAM extra);
