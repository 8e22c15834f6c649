// The one place the system headers are included. Everything else includes
// this file, so the wide-character API, strict handle types and the target
// Windows version are the same in every translation unit.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef STRICT
#define STRICT
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// Vista or later, so NOTIFYICONDATAW is the full record (guidItem and
// hBalloonIcon included) that current shells expect.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif

#include <windows.h>
// WIN32_LEAN_AND_MEAN leaves the shell's notification API out.
#include <shellapi.h>
