#include "shell/DialogLabels_win32.h"

#include "shell/ShellGlobals_win32.h"

void SetDialogLabels(HWND dialog, std::span<const DialogLabel> labels) {
    for (const DialogLabel& label : labels) {
        HWND control = GetDlgItem(dialog, label.controlId);
        if (control) SetWindowTextW(control, LoadTextBuf(label.stringId));
    }
}
