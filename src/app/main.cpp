// Entry point: register the class, create the main window and its buttons,
// show it and run the message loop until the tray menu's quit.
#include "app/main_window.h"
#include "app/message_loop.h"
#include "shared/app_state.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    g_app.instance = instance;
    if (!RegisterMainWindowClass())
        return 0;
    CreateMainWindow();
    // Before the check below: with no main window the buttons get a null
    // parent, which the system refuses, so nothing is created.
    CreateMainButtons();
    if (g_app.mainWindow == nullptr)
        return 0;
    ShowWindow(g_app.mainWindow, showCommand);
    // A launcher may ask for a hidden start (SW_HIDE in its start-up
    // information): the window is then hidden to the tray as by its close
    // button, and the tray menu offers to show it. While the shell holds no
    // icon, the window waits minimized on the taskbar instead.
    g_app.windowHidden = !IsWindowVisible(g_app.mainWindow);
    UpdateWindow(g_app.mainWindow);

    return RunMessageLoop();
}
