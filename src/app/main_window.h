// The main window: its class, creation and window procedure.
#pragma once

#include "platform/win32.h"

#define MAIN_WINDOW_CLASS  L"AltavueMainWindow"
// Caption, system menu and minimize box: fixed size, no maximize box.
#define MAIN_WINDOW_STYLE  (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)
#define MAIN_WINDOW_WIDTH  415
#define MAIN_WINDOW_HEIGHT 300

// Registers the main window class for g_app.instance. False on failure.
bool RegisterMainWindowClass();

// Creates the main window (its WM_CREATE sets up lists, timer and tray
// icon) and stores it in g_app.mainWindow. Null on failure.
HWND CreateMainWindow();

// Adds the three push buttons to g_app.mainWindow.
void CreateMainButtons();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
