// The calibration run's steps, in the order the lifecycle gives them, and
// the GENERAL dialog as they see it (modal: at most one is open).
#pragma once

#include <windows.h>

// GENERAL's window while it is open, nullptr once it is gone.
void SetGeneralDialog(HWND dialog);
// Shows the session (no worker runs then), and posts its end to
// `mainWindow` as kMsgCalibrationEnded.
void RunCalibration(HWND mainWindow);
// Puts the block from before the session back: the driver keeps its own.
void KeepBlockFromBefore();
// Solves the session's points, or resets the block when it did not finish.
void ApplyCalibration();
// The message for ApplyCalibration's outcome.
void ShowCalibrationOutcome();
// "Calibration process is not finished!": for a run refused or ended away
// from the console too.
void ShowCalibrationNotFinished();
// The open dialog's calibration button, if the dialog is open.
void EnableCalibrationButton(bool enabled);
void EndGeneralDialog();
