#include "shell/GeneralDialog_win32.h"

#include <optional>

#include "calibration/CalibrationDialog_win32.h"
#include "calibration/CalibrationRun.h"
#include "device/DriverChannel.h"
#include "device/ParameterBlock.h"
#include "engine/ScreenSize_win32.h"
#include "engine/TouchThread.h"
#include "engine/TouchThread_win32.h"
#include "shell/DialogLabels_win32.h"
#include "shell/DisplaySettings_win32.h"
#include "shell/DrawTestDialog_win32.h"
#include "shell/GestureMapDialog_win32.h"
#include "shell/ShellGlobals_win32.h"
#include "shell/resources/resource.h"

namespace {

constexpr DialogLabel kLabels[] = {
    {IDC_SETTING_GROUP, IDS_SETTING},   {IDC_TEST_GROUP, IDS_TEST},
    {IDC_CALIBRATE, IDS_CALIBRATION},   {IDC_GESTURE_MAPPING, IDS_GESTURE_MAPPING},
    {IDC_DRAW_TEST, IDS_DRAW_TEST},     {IDC_FIRMWARE_UPGRADE, IDS_FIRMWARE_UPGRADE},
};

void OnInit(HWND dialog) {
    SetWindowTextW(dialog, LoadTextBuf(IDS_GENERAL));
    SetDialogLabels(dialog, kLabels);
}

// Takes the hardware away from the worker: it ends once its current read
// returns. No messages are processed meanwhile.
void StopWorkerAndWait() {
    RequestTouchWorkerStop();
    WaitTouchWorkerEnded(INFINITE);
}

std::optional<uint16_t> CurrentOrientation() {
    DWORD orientation = 0;
    if (!ReadDisplayOrientation(orientation)) return std::nullopt;
    return static_cast<uint16_t>(orientation);
}

// The session, then solve or reset (a degenerate solve puts the block from
// before back and counts as not finished), the calibration's orientation,
// the send, the worker restart and the outcome message. Without the device
// at the send no worker is started: the device's arrival sends the block
// and starts it.
void CalibrationRun(HWND dialog) {
    // A command posted while a run is on adds no run inside it.
    if (CalibrationRunning) return;
    RefreshScreenSize();
    CalibrationRunning = 1;
    StopWorkerAndWait();
    const ParameterBlock before = LiveParams;
    const INT_PTR result = DialogBoxParamW(AppInstance, MAKEINTRESOURCEW(IDD_CALIBRATION), dialog,
                                           CalibrationDlgProc, 0);
    if (CloseRequested) {
        // The program is closing: the driver keeps the block it has.
        WriteWholeBlock(LiveParams, before);
        CalibrationRunning = 0;
        EndDialog(dialog, 1);
        PostMessageW(GetParent(dialog), WM_COMMAND, IDM_CLOSE, 0);
        return;
    }
    // -1 means the window could not be made: no points were taken.
    const int finished = result > 0 ? 1 : 0;
    const CalRunOutcome outcome =
        ApplyCalibrationResult(LiveParams, before, finished, DefaultParams, CurrentOrientation());
    // Away from the console the console's copy owns the driver.
    if (AtConsole && SendParameterBlock(LiveParams)) StartTouchThread(GetParent(dialog));
    else RequestTouchWorkerStop();
    CalibrationRunning = 0;
    if (outcome == CalRunOutcome::Finished)
        MessageBoxW(dialog, LoadTextBuf(IDS_CALIBRATION_DONE), LoadCaptionBuf(IDS_MESSAGE), MB_OK);
    else
        MessageBoxW(dialog, LoadTextBuf(IDS_CALIBRATION_NOT_DONE), LoadCaptionBuf(IDS_WARNING), MB_OK);
}

void OnCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDC_CALIBRATE:
        CalibrationRun(dialog);
        break;
    case IDC_GESTURE_MAPPING:
        DialogBoxParamW(AppInstance, MAKEINTRESOURCEW(IDD_GESTURE_MAPPING), dialog, GestureMapDlgProc,
                        0);
        break;
    case IDC_DRAW_TEST:
        RefreshScreenSize();
        DialogBoxParamW(AppInstance, MAKEINTRESOURCEW(IDD_DRAW_TEST), dialog, DrawTestDlgProc, 0);
        break;
    default:
        // IDOK, IDCANCEL and the firmware button do nothing: only the
        // close box ends the dialog.
        break;
    }
}

}  // namespace

INT_PTR CALLBACK GeneralDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit(dialog);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 1);
        return FALSE;
    default:
        return FALSE;
    }
}
