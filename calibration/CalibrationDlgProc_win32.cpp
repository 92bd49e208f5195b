// The calibration window: a thin Win32 shell around CalibrationSession.
// It owns the window's device context, the fill brush, the session's own
// driver channel and the 5 ms timer; each tick reads one report and does
// what the session asks.
#include "calibration/CalibrationDialog_win32.h"

#include "calibration/CalibrationSession.h"
#include "device/DriverChannel.h"
#include "device/ParameterBlock.h"
#include "engine/SharedState.h"

namespace {

constexpr UINT_PTR kCalTimerId = 1;
constexpr UINT kCalTimerPeriodMs = 5;
constexpr int kTargetRadius = 5;

// One session at a time: the dialog is modal and runs on the main thread.
CalSession Session;
DriverChannel SessionChannel = kInvalidChannel;
HWND SessionDialog;
HDC SessionDC = nullptr;
HBRUSH SessionBrush = nullptr;
HGDIOBJ OriginalBrush = nullptr;  // the DC's own brush, put back before the last delete
// The screen position of the client area's top left corner. The targets
// are screen positions, and the window's modal frame puts its client area
// that far inside the screen: everything is drawn that much up and left.
POINT ClientOrigin;

COLORREF ColorOf(CalColor c) { return c == CalColor::Red ? RGB(255, 0, 0) : RGB(0, 0, 0); }

// Selects a new solid brush and deletes the one it replaces.
void SelectNewBrush(CalColor color) {
    HBRUSH brush = CreateSolidBrush(ColorOf(color));
    HGDIOBJ previous = SelectObject(SessionDC, brush);
    if (SessionBrush)
        DeleteObject(SessionBrush);
    else
        OriginalBrush = previous;
    SessionBrush = brush;
}

void StartSession(HWND dialog) {
    const uint32_t width = ScreenWidth.load(std::memory_order_relaxed);
    const uint32_t height = ScreenHeight.load(std::memory_order_relaxed);
    SetWindowPos(dialog, HWND_TOP, 0, 0, static_cast<int>(width), static_cast<int>(height), 0);
    ClientOrigin = POINT{0, 0};
    ClientToScreen(dialog, &ClientOrigin);
    CalStart(Session, width, height);
    SessionChannel = OpenDriverChannel();
    if (SessionChannel == kInvalidChannel) {
        MessageBoxW(dialog, L"Can't find ZRN Tessane Device!", L"ERROR", MB_OK);
        EndDialog(dialog, 0);
        return;
    }
    SessionDC = GetDC(dialog);
    SessionBrush = nullptr;
    SelectNewBrush(CalColor::Black);
    SetTimer(dialog, kCalTimerId, kCalTimerPeriodMs, nullptr);
    SessionDialog = dialog;
}

void EndSession(HWND dialog, INT_PTR result) {
    // A brush still selected into a DC cannot be deleted: give the DC its
    // own brush back first.
    SelectObject(SessionDC, OriginalBrush);
    DeleteObject(SessionBrush);
    SessionBrush = nullptr;
    ReleaseDC(dialog, SessionDC);
    SessionDC = nullptr;
    CloseHandle(SessionChannel);
    SessionChannel = kInvalidChannel;
    KillTimer(dialog, kCalTimerId);
    SessionDialog = nullptr;
    EndDialog(dialog, result);
}

void Perform(HWND dialog, const CalTickResult& r) {
    for (uint32_t t = 0; t < r.textCount; ++t)
        TextOutW(SessionDC, r.texts[t].x - ClientOrigin.x, r.texts[t].y - ClientOrigin.y, r.texts[t].text,
                 r.texts[t].length);
    if (r.selectBrush) SelectNewBrush(r.brushColor);
    if (r.drawTarget) {
        const int x = r.target.x - ClientOrigin.x, y = r.target.y - ClientOrigin.y;
        Ellipse(SessionDC, x - kTargetRadius, y - kTargetRadius, x + kTargetRadius, y + kTargetRadius);
    }
    if (r.end != CalEnd::Running) EndSession(dialog, r.end == CalEnd::Finished ? 1 : 0);
}

// The probe after a second of failed reads: a driver still there may be a
// device that went and came back, on which the old handle is dead for
// good, so the session goes on with a new channel. False when the driver
// is gone or its interface no longer opens.
bool ReopenIfPresent() {
    if (!ProbeDriver()) return false;
    DriverChannel fresh = OpenDriverChannel();
    if (fresh == kInvalidChannel) return false;
    CloseDriverChannel(SessionChannel);
    SessionChannel = fresh;
    return true;
}

void Tick(HWND dialog) {
    // A tick already queued when the session ended finds no channel.
    if (SessionChannel == kInvalidChannel) return;
    const bool read = ReadTouchReport(SessionChannel, ReportBuf);
    const CalTickResult r = CalTick(Session, LiveParams, read ? &ReportBuf : nullptr, GetTickCount());
    Perform(dialog, r);
    if (r.probeDriver && SessionChannel != kInvalidChannel)
        Perform(dialog, CalProbeAnswer(Session, ReopenIfPresent()));
}

}  // namespace

void EndCalibrationSession() {
    if (SessionDialog) EndSession(SessionDialog, 0);
}

INT_PTR CALLBACK CalibrationDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        StartSession(dialog);
        return TRUE;
    case WM_TIMER:
        Tick(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}
