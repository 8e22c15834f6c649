// The program's message loop, run until the tray menu's 終了.
#pragma once

// Dispatches the UI thread's messages until the quit message, whose code
// it returns, or until GetMessageW fails, when it returns -1. Either way the
// notification icon is removed first: left behind, the shell would keep a
// dead icon until the mouse passes over it.
int RunMessageLoop();
