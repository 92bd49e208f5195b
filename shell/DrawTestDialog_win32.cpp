#include "shell/DrawTestDialog_win32.h"

#include <windowsx.h>

#include "engine/SharedState.h"
#include "shell/DrawTestLayout.h"
#include "shell/ShellGlobals_win32.h"
#include "shell/resources/resource.h"

namespace {

constexpr int kPenWidth = 2;
constexpr COLORREF kGridColor = RGB(0, 0, 0);
constexpr COLORREF kStrokeColor = RGB(255, 0, 0);

// The window DC that strokes are drawn on between paints, with the stroke
// pen and the DC's own pen to put back before the stroke pen is deleted.
HDC DrawDC;
HPEN DrawPen;
HGDIOBJ DrawDCOwnPen;
// The last point of the stroke in progress, client coordinates; LastX 0
// means no stroke.
int32_t LastX;
int32_t LastY;

void CreateButton(HWND dialog, UINT textId, const ButtonRect& at, int id) {
    HWND button =
        CreateWindowExW(0, L"BUTTON", LoadTextBuf(textId), WS_CHILD | WS_VISIBLE, static_cast<int>(at.x),
                        static_cast<int>(at.y), static_cast<int>(at.width), static_cast<int>(at.height),
                        dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), AppInstance, nullptr);
    // The dialog's font reaches the Chinese glyphs; the default one may not.
    SendMessageW(button, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
}

void OnInit(HWND dialog) {
    const uint32_t width = ScreenWidth.load(std::memory_order_relaxed);
    const uint32_t height = ScreenHeight.load(std::memory_order_relaxed);
    SetWindowPos(dialog, HWND_TOP, 0, 0, static_cast<int>(width), static_cast<int>(height), 0);
    CreateButton(dialog, IDS_CLEAR, ClearButtonRect(width, height), IDC_DRAW_CLEAR);
    CreateButton(dialog, IDS_EXIT, ExitButtonRect(width, height), IDC_DRAW_EXIT);
}

void ReleaseStrokeTools(HWND dialog) {
    if (DrawDC) {
        SelectObject(DrawDC, DrawDCOwnPen);
        ReleaseDC(dialog, DrawDC);
        DrawDC = nullptr;
    }
    if (DrawPen) {
        DeleteObject(DrawPen);
        DrawPen = nullptr;
    }
}

void PaintGrid(HWND dialog) {
    const uint32_t width = ScreenWidth.load(std::memory_order_relaxed);
    const uint32_t height = ScreenHeight.load(std::memory_order_relaxed);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    HPEN gridPen = CreatePen(PS_SOLID, kPenWidth, kGridColor);
    HGDIOBJ ownPen = SelectObject(dc, gridPen);
    const uint32_t stepX = GridStep(width);
    for (uint32_t x = 0; x < width; x += stepX) {
        MoveToEx(dc, static_cast<int>(x), 0, nullptr);
        LineTo(dc, static_cast<int>(x), static_cast<int>(height));
    }
    const uint32_t stepY = GridStep(height);
    for (uint32_t y = 0; y < height; y += stepY) {
        MoveToEx(dc, 0, static_cast<int>(y), nullptr);
        LineTo(dc, static_cast<int>(width), static_cast<int>(y));
    }
    SelectObject(dc, ownPen);
    DeleteObject(gridPen);
    EndPaint(dialog, &paint);

    ReleaseStrokeTools(dialog);
    DrawDC = GetDC(dialog);
    DrawPen = CreatePen(PS_SOLID, kPenWidth, kStrokeColor);
    DrawDCOwnPen = GetCurrentObject(DrawDC, OBJ_PEN);
}

void StrokeStep(WPARAM wParam, LPARAM lParam) {
    const int32_t x = GET_X_LPARAM(lParam);
    const int32_t y = GET_Y_LPARAM(lParam);
    if (LastX != 0) {
        if (DrawDC) {
            SelectObject(DrawDC, DrawPen);
            MoveToEx(DrawDC, LastX, LastY, nullptr);
            LineTo(DrawDC, x, y);
        }
        LastX = x;
        LastY = y;
    } else if (wParam & MK_LBUTTON) {
        // Entered with the button already down: the stroke starts here.
        LastX = x;
        LastY = y;
    }
}

void Close(HWND dialog) {
    ReleaseStrokeTools(dialog);
    EndDialog(dialog, 1);
}

}  // namespace

INT_PTR CALLBACK DrawTestDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit(dialog);
        return TRUE;
    case WM_PAINT:
        PaintGrid(dialog);
        return FALSE;
    case WM_LBUTTONDOWN:
        SetCapture(dialog);
        LastX = GET_X_LPARAM(lParam);
        LastY = GET_Y_LPARAM(lParam);
        return FALSE;
    case WM_MOUSEMOVE:
        StrokeStep(wParam, lParam);
        return FALSE;
    case WM_LBUTTONUP:
        LastX = 0;
        LastY = 0;
        ReleaseCapture();
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_DRAW_EXIT:
            Close(dialog);
            break;
        case IDC_DRAW_CLEAR:
            // Strokes are not stored: the repaint shows the bare grid.
            InvalidateRect(dialog, nullptr, TRUE);
            break;
        default:
            break;
        }
        return TRUE;
    case WM_CLOSE:
        Close(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}
