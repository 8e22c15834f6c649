#include "about/about_dialog.h"

#include "shared/app_state.h"
#include "shared/texts.h"
#include "shared/version.h"

namespace {

const int TEXT_X = 15;
const COLORREF TEXT_BACKGROUND = RGB(240, 240, 240);

// Lines 1 and 3 are used as wsprintfW formats with no arguments, so they
// hold no per-cent sign.
const WCHAR NAME_LINE[] = L"ヴェルダリオ";
const WCHAR VERSION_FORMAT[] = L"Version 0.%d.%d.0(%d/%d/%d)";
// The holder of the rights, as LICENSE and the file's version resource
// name it; short enough for the box in any system font.
const WCHAR RIGHTS_LINE[] = L"(C) 2026 The Altavue developers";

// wsprintfW writes at most 1024 characters; every line is far shorter.
const int LINE_CHARS = 1024;

void DrawLine(HDC context, int y, const WCHAR* line)
{
    TextOutW(context, TEXT_X, y, line, lstrlenW(line));
}

void PaintAboutText(HWND dialog)
{
    WCHAR line[LINE_CHARS];
    PAINTSTRUCT paint;
    HDC context = BeginPaint(dialog, &paint);
    SetBkColor(context, TEXT_BACKGROUND);
    wsprintfW(line, NAME_LINE);
    DrawLine(context, 15, line);
    wsprintfW(line, VERSION_FORMAT, VERSION_MINOR, VERSION_PATCH, 2019, 5, 14);
    DrawLine(context, 35, line);
    wsprintfW(line, RIGHTS_LINE);
    DrawLine(context, 55, line);
    EndPaint(dialog, &paint);
}

}  // namespace

void ShowAboutBox(HWND window)
{
    DialogBoxParamW(g_app.instance, RESOURCE_ABOUT_DIALOG, window, AboutDialogProc, 0);
}

// Esc and Enter arrive as WM_COMMAND and are left alone, so only the
// caption's close (button, Alt+F4, system menu) ends the box.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_PAINT:
        PaintAboutText(dialog);
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return FALSE;
    }
    return FALSE;
}
