#include "app/message_loop.h"

#include "platform/win32.h"
#include "tray/tray_icon.h"

int RunMessageLoop()
{
    MSG message;
    BOOL result;
    while ((result = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    RemoveTrayIcon();
    return result == -1 ? -1 : static_cast<int>(message.wParam);
}
