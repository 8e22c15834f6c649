// The two catalogue lists on the main window and their refresh.
#pragma once

#include "platform/win32.h"

// Style of both lists: a sorted, bordered, notifying list box with a
// vertical scroll bar (LBS_STANDARD), trimmed to whole rows.
#define CATALOGUE_LIST_STYLE (WS_CHILD | WS_VISIBLE | LBS_STANDARD)

// Creates g_app.allList and g_app.topmostList as children of `window`.
void CreateCatalogueLists(HWND window);

// Replaces both lists with new, empty ones and fills them from a fresh
// census. Selections and scroll positions are lost.
void RebuildCatalogue(HWND window);

// Runs a count-only census and rebuilds the lists when either count differs
// from the length of its list; otherwise leaves them untouched.
void CheckForChanges(HWND window);
