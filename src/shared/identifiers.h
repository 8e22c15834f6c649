/* Control, command, timer and message identifiers. Read by the resource
   compiler as well as the C++ code, so this file holds #defines only. */
#pragma once

/* The two catalogue lists on the main window. */
#define ID_LIST_ALL          500
#define ID_LIST_TOPMOST      501

/* Main window buttons. No control uses 1003. */
#define ID_APPLY             1001
#define ID_UPDATE            1002
#define ID_RELEASE           1004

/* Tray popup menu commands. */
#define ID_TRAY_SHOW         101
#define ID_TRAY_HELP         102
#define ID_TRAY_EXIT         103

#define ID_REFRESH_TIMER     400
/* Tries the notification icon again while the shell has not taken it. */
#define ID_TRAY_RETRY_TIMER  401
#define ID_TRAY_ICON         300

/* Callback message the notification icon sends to the main window. */
#define MSG_TRAY_CALLBACK    (WM_APP + 1)
/* Posted to the main window when a try to add the icon has ended; wParam
   is TRUE when the shell holds the icon, lParam is the try's serial. */
#define MSG_TRAY_ICON_TRIED  (WM_APP + 2)
