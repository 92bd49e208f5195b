#include "shell/AboutDialog_win32.h"

#include "shell/ShellGlobals_win32.h"
#include "shell/resources/resource.h"

const wchar_t kAboutText[] =
    L"ZRN Pellmark\n"
    L"\n"
    L"Version: 02AUG10\n"
    L"\n"
    L"Touch gestures become keystrokes.\n"
    L"Open it from its tray icon.";

// Esc (IDCANCEL) is deliberately ignored: only OK and the close box end it.
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextW(dialog, LoadTextBuf(IDS_ABOUT));
        SetDlgItemTextW(dialog, IDOK, LoadTextBuf(IDS_OK));
        SetDlgItemTextW(dialog, IDC_ABOUT_TEXT, kAboutText);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) EndDialog(dialog, 1);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 1);
        return FALSE;
    default:
        return FALSE;
    }
}
