// The baseline of the start-up measurement: the least a Win32 program with
// a window does (register a class, create a window, run the message loop),
// built like the release rtouch.exe.
#include <windows.h>

static LRESULT CALLBACK EmptyWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = EmptyWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"RtouchEmptyWindow";
    RegisterClassW(&windowClass);
    CreateWindowW(L"RtouchEmptyWindow", L"Empty", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                  instance, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
