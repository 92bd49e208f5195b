// Run-time labels of dialog controls: the strings by number, loaded when
// the dialog opens.
#pragma once

#include <windows.h>

#include <span>

struct DialogLabel {
    int controlId;
    UINT stringId;
};

// Gives each control of `labels` its string; a template without the
// control skips its label.
void SetDialogLabels(HWND dialog, std::span<const DialogLabel> labels);
