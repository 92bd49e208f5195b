// The viewer's window: where it sits, how it takes the focus, and how key
// and wheel messages become viewer events.
#include <deque>

#include "KeyViewer_win32.h"

namespace {

constexpr wchar_t kClassName[] = L"RtouchKeyViewer";
constexpr wchar_t kTitle[] = L"Key viewer";
// Bottom right of a 1024 x 768 screen, clear of the application's dialogs,
// which open near the top left and in the middle.
constexpr int kLeft = 560, kTop = 440, kWidth = 440, kHeight = 300;
constexpr size_t kShownLines = 14;
constexpr int kLineHeight = 18;
constexpr int kMargin = 8;

ViewerSink Sink;
std::deque<std::wstring> Lines;

bool Down(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

constexpr int kScanShift = 16;
constexpr LPARAM kScanMask = 0xFF;
constexpr LPARAM kExtendedBit = LPARAM{1} << 24;

void Report(ViewerEventKind kind, UINT vk, int wheelDelta, LPARAM keyData = 0) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const UINT scan = static_cast<UINT>((keyData >> kScanShift) & kScanMask);
    Sink(ViewerEvent{kind, vk, scan, (keyData & kExtendedBit) != 0, wheelDelta, Down(VK_CONTROL),
                     Down(VK_SHIFT), Down(VK_MENU), now.QuadPart});
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    int y = kMargin;
    for (const std::wstring& line : Lines) {
        TextOutW(dc, kMargin, y, line.c_str(), static_cast<int>(line.size()));
        y += kLineHeight;
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        Report(ViewerEventKind::KeyDown, static_cast<UINT>(wParam), 0, lParam);
        return 0;  // a system key is not passed on: ALT must not open a menu
    case WM_KEYUP:
    case WM_SYSKEYUP:
        Report(ViewerEventKind::KeyUp, static_cast<UINT>(wParam), 0, lParam);
        return 0;
    case WM_SYSCHAR:
        return 0;
    case WM_MOUSEWHEEL:
        Report(ViewerEventKind::Wheel, 0, GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case kTakeForegroundMessage:
        TakeForeground(window);
        return 0;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

HWND CreateKeyViewer(HINSTANCE instance, ViewerSink sink) {
    Sink = sink;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ViewerProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) return nullptr;
    HWND window = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, kLeft, kTop,
                                  kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (window) TakeForeground(window);
    return window;
}

void TakeForeground(HWND viewer) {
    SetForegroundWindow(viewer);
    SetFocus(viewer);
    RECT rect;
    GetWindowRect(viewer, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void ShowViewerLine(HWND viewer, const std::wstring& line) {
    Lines.push_back(line);
    if (Lines.size() > kShownLines) Lines.pop_front();
    InvalidateRect(viewer, nullptr, TRUE);
}
