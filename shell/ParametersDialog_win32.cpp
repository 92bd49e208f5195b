#include "shell/ParametersDialog_win32.h"

#include <commctrl.h>

#include <cstdint>

#include "device/ParameterBlock.h"
#include "device/SliderRanges.h"
#include "shell/DialogLabels_win32.h"
#include "shell/LifeDispatch_win32.h"
#include "shell/ShellGlobals_win32.h"
#include "shell/resources/resource.h"

namespace {

constexpr DialogLabel kLabels[] = {
    {IDC_DOUBLE_CLICK_GROUP, IDS_DOUBLE_CLICK_AREA},
    {IDC_CONSTANT_TOUCH_GROUP, IDS_CONSTANT_TOUCH},
    {IDC_RIGHT_CLICK_GROUP, IDS_RIGHT_CLICK_INTERVAL},
    {IDC_GESTURE_SCALE_GROUP, IDS_GESTURE_SCALE},
    {IDC_DOUBLE_CLICK_SMALLER, IDS_SMALLER},
    {IDC_CONSTANT_TOUCH_SMALLER, IDS_SMALLER},
    {IDC_RIGHT_CLICK_SMALLER, IDS_SMALLER},
    {IDC_SINGLE_TOUCH_SMALLER, IDS_SMALLER},
    {IDC_PINCH_SMALLER, IDS_SMALLER},
    {IDC_PAN_SMALLER, IDS_SMALLER},
    {IDC_DOUBLE_CLICK_LARGER, IDS_LARGER},
    {IDC_CONSTANT_TOUCH_LARGER, IDS_LARGER},
    {IDC_RIGHT_CLICK_LARGER, IDS_LARGER},
    {IDC_SINGLE_TOUCH_LARGER, IDS_LARGER},
    {IDC_PINCH_LARGER, IDS_LARGER},
    {IDC_PAN_LARGER, IDS_LARGER},
    {IDC_SINGLE_TOUCH_LABEL, IDS_SINGLE_TOUCH},
    {IDC_PINCH_LABEL, IDS_PINCH},
    {IDC_PAN_LABEL, IDS_PAN},
};

// The left end is the minimum. Initialised in this order.
struct Slider {
    int controlId;
    const SliderRange& range;
    uint16_t pageSize;
};
constexpr Slider kSliders[] = {
    {IDC_DOUBLE_CLICK_SLIDER, kDoubleClickAreaRange, 5},
    {IDC_CONSTANT_TOUCH_SLIDER, kConstantTouchRange, 5},
    {IDC_RIGHT_CLICK_SLIDER, kRightClickIntervalRange, 1},
    {IDC_SINGLE_TOUCH_SLIDER, kSingleTouchScaleRange, 100},
    {IDC_PINCH_SLIDER, kPinchScaleRange, 8},
    {IDC_PAN_SLIDER, kPanScaleRange, 100},
};

void OnInit(HWND dialog) {
    SetWindowTextW(dialog, LoadTextBuf(IDS_PARAMETERS));
    SetDialogLabels(dialog, kLabels);
    for (const Slider& slider : kSliders) {
        // A field outside the range shows at the nearest end and keeps its
        // value until the user moves that slider.
        SendDlgItemMessageW(dialog, slider.controlId, TBM_SETRANGE, TRUE,
                            MAKELPARAM(slider.range.minimum, slider.range.maximum));
        SendDlgItemMessageW(dialog, slider.controlId, TBM_SETPAGESIZE, 0, slider.pageSize);
        SendDlgItemMessageW(dialog, slider.controlId, TBM_SETPOS, TRUE,
                            ReadField(LiveParams.*slider.range.field));
    }
}

// A finished movement (mouse or key released): the slider that has the
// focus is the one moved; its position goes into its field.
void OnEndTrack(HWND dialog) {
    HWND focus = GetFocus();
    if (!focus || GetParent(focus) != dialog) return;
    const int id = GetDlgCtrlID(focus);
    for (const Slider& slider : kSliders) {
        if (slider.controlId != id) continue;
        const LRESULT position = SendMessageW(focus, TBM_GETPOS, 0, 0);
        WriteField(LiveParams.*slider.range.field, static_cast<uint16_t>(position));
        return;
    }
}

}  // namespace

INT_PTR CALLBACK ParametersDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit(dialog);
        return TRUE;
    case WM_HSCROLL:
        if (LOWORD(wParam) == TB_ENDTRACK) OnEndTrack(dialog);
        return TRUE;
    case WM_COMMAND:
        // Enter ends the dialog without sending; Esc does nothing. The
        // lifecycle ends it (kEndEditor), as it does on the close box.
        if (LOWORD(wParam) == IDOK)
            Dispatch(LifeEvent{LifeEventKind::EditorDismissed}, EventContext{nullptr, dialog});
        return TRUE;
    case WM_CLOSE:
        // The block goes to the driver only from the console's copy.
        Dispatch(LifeEvent{LifeEventKind::EditorClosed}, EventContext{nullptr, dialog});
        return FALSE;
    default:
        return FALSE;
    }
}
