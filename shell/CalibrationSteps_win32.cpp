#include "shell/CalibrationSteps_win32.h"

#include <optional>

#include "calibration/CalibrationDialog_win32.h"
#include "calibration/CalibrationRun.h"
#include "device/DriverChannel.h"
#include "device/ParameterBlock.h"
#include "engine/OwnMessages_win32.h"
#include "engine/ScreenSize_win32.h"
#include "lifecycle/MessageEvents.h"
#include "shell/DisplaySettings_win32.h"
#include "shell/ShellGlobals_win32.h"
#include "shell/resources/resource.h"

namespace {

HWND OpenDialog;
// The run's state between its steps, which the lifecycle orders.
ParameterBlock BlockBefore;
int SessionResult;
CalRunOutcome Outcome;

std::optional<uint16_t> CurrentOrientation() {
    DWORD orientation = 0;
    if (!ReadDisplayOrientation(orientation)) return std::nullopt;
    return static_cast<uint16_t>(orientation);
}

// Message boxes of the run are owned by the dialog while it is open.
HWND MessageOwner() { return OpenDialog ? OpenDialog : GetActiveWindow(); }

}  // namespace

void SetGeneralDialog(HWND dialog) { OpenDialog = dialog; }

// The lifecycle starts the run only once no worker runs. The session's end
// is posted: the lifecycle handles it from the main window's procedure,
// never from inside the action that showed the session.
void RunCalibration(HWND mainWindow) {
    RefreshScreenSize();
    BlockBefore = LiveParams;
    const INT_PTR result = DialogBoxParamW(AppInstance, MAKEINTRESOURCEW(IDD_CALIBRATION), MessageOwner(),
                                           CalibrationDlgProc, 0);
    // -1 means the window could not be made: no points were taken.
    SessionResult = result > 0 ? 1 : 0;
    PostOwnMessage(mainWindow, kMsgCalibrationEnded, OwnMessage::CalibrationEnded);
}

void KeepBlockFromBefore() {
    // A rotation followed during the session is kept.
    const uint16_t orientation = ReadField(LiveParams.Orientation);
    WriteWholeBlock(LiveParams, BlockBefore);
    WriteField(LiveParams.Orientation, orientation);
}

// Solve or reset; a degenerate solve puts the block from before back and
// counts as not finished.
void ApplyCalibration() {
    Outcome =
        ApplyCalibrationResult(LiveParams, BlockBefore, SessionResult, DefaultParams, CurrentOrientation());
}

void ShowCalibrationOutcome() {
    if (Outcome == CalRunOutcome::Finished)
        MessageBoxW(MessageOwner(), LoadTextBuf(IDS_CALIBRATION_DONE), LoadCaptionBuf(IDS_MESSAGE), MB_OK);
    else
        ShowCalibrationNotFinished();
}

void ShowCalibrationNotFinished() {
    MessageBoxW(MessageOwner(), LoadTextBuf(IDS_CALIBRATION_NOT_DONE), LoadCaptionBuf(IDS_WARNING), MB_OK);
}

void EnableCalibrationButton(bool enabled) {
    if (OpenDialog) EnableWindow(GetDlgItem(OpenDialog, IDC_CALIBRATE), enabled);
}

void EndGeneralDialog() {
    if (OpenDialog) EndDialog(OpenDialog, 1);
}
