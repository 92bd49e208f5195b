#include "shell/GeneralDialog_win32.h"

#include "engine/ScreenSize_win32.h"
#include "shell/CalibrationSteps_win32.h"
#include "shell/DialogLabels_win32.h"
#include "shell/DrawTestDialog_win32.h"
#include "shell/GestureMapDialog_win32.h"
#include "shell/LifeDispatch_win32.h"
#include "shell/ShellGlobals_win32.h"
#include "shell/resources/resource.h"

namespace {

constexpr DialogLabel kLabels[] = {
    {IDC_SETTING_GROUP, IDS_SETTING}, {IDC_TEST_GROUP, IDS_TEST},
    {IDC_CALIBRATE, IDS_CALIBRATION}, {IDC_GESTURE_MAPPING, IDS_GESTURE_MAPPING},
    {IDC_DRAW_TEST, IDS_DRAW_TEST},   {IDC_FIRMWARE_UPGRADE, IDS_FIRMWARE_UPGRADE},
};

void OnInit(HWND dialog) {
    SetGeneralDialog(dialog);
    SetWindowTextW(dialog, LoadTextBuf(IDS_GENERAL));
    SetDialogLabels(dialog, kLabels);
    EnableCalibrationButton(CalibrationAllowed());
}

void OnCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDC_CALIBRATE:
        Dispatch(LifeEvent{LifeEventKind::CalibrationAsked});
        break;
    case IDC_GESTURE_MAPPING:
        DialogBoxParamW(AppInstance, MAKEINTRESOURCEW(IDD_GESTURE_MAPPING), dialog, GestureMapDlgProc, 0);
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
    case WM_DESTROY:
        SetGeneralDialog(nullptr);
        return FALSE;
    default:
        return FALSE;
    }
}
