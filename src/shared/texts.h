// Window and button texts, and the names of the program's resources.
// Menu and dialog texts live in the resource script.
#pragma once

#include "platform/win32.h"

#define TEXT_MAIN_TITLE      L"Altavue"
#define TEXT_BUTTON_UPDATE   L"更新"
#define TEXT_BUTTON_APPLY    L"適応"
#define TEXT_BUTTON_RELEASE  L"解除"

#define RESOURCE_ICON        L"MYICON"
#define RESOURCE_TRAY_MENU        L"SUBMENU"
#define RESOURCE_ABOUT_DIALOG     L"MYDLG"

// Window titles and class names are read through buffers of this many
// characters, terminator included.
#define TITLE_CHARS          1024
