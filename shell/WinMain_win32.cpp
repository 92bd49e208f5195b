// Program entry: single-instance test, the main window, the tray icon and
// the message loop. The rest of the start-up runs inside window creation.
#include <windows.h>

#include "device/SystemLibrary_win32.h"
#include "engine/ScreenSize_win32.h"
#include "engine/SharedState.h"
#include "shell/MainWindow_win32.h"
#include "shell/ShellGlobals_win32.h"
#include "shell/Tray_win32.h"
#include "shell/resources/resource.h"

namespace {

// Named in the session's own namespace: one copy per signed-in user.
constexpr wchar_t kSingleInstanceMutex[] = L"Local\\ZRN.RTouch.SingleInstance";

// Exit code when the window cannot be made: never a resident process
// without a window.
constexpr int kStartupFailed = 1;

int StartupFailed(const wchar_t* text) {
    MessageBoxW(nullptr, text, LoadCaptionBuf(IDS_ERROR), MB_ICONERROR | MB_OK);
    return kStartupFailed;
}

WNDCLASSEXW MainWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LARGE));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kMainClassName;
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
    return windowClass;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    RestrictDllSearch();
    AppInstance = instance;
    LoadTextBuf(IDS_TITLE);

    // A running copy is left as it is: no message, nothing raised. The
    // mutex settles two copies that start at once, before either has its
    // window (one that another account's copy made refuses access); its
    // handle is kept until the process ends. The window test stays: it is
    // how other programs know a running copy.
    const HANDLE instanceMutex = CreateMutexW(nullptr, FALSE, kSingleInstanceMutex);
    const DWORD mutexError = GetLastError();
    if (mutexError == ERROR_ALREADY_EXISTS || (!instanceMutex && mutexError == ERROR_ACCESS_DENIED)) return 0;
    if (FindWindowW(kMainClassName, TextBuf)) return 0;

    // The parameters dialog's sliders are trackbars: register that class too,
    // or the dialog cannot be created where the system does not register it
    // on its own.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    // comctl32.dll is no known DLL: taken from the system folder.
    if (const ComCtlFunctions& comctl = ComCtl(); comctl.status.ok()) comctl.InitCommonControlsEx(&controls);

    RefreshScreenSize();

    WNDCLASSEXW windowClass = MainWindowClass(instance);
    if (!RegisterClassExW(&windowClass))
        return StartupFailed(L"The main window class could not be registered.");

    // The title is copied before WM_CREATE reuses TextBuf.
    HWND window = CreateWindowExW(0, kMainClassName, TextBuf, kMainWindowStyle,
                                  static_cast<int>(ScreenWidth / 5), static_cast<int>(ScreenHeight / 5),
                                  kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, nullptr);
    if (!window) return StartupFailed(L"The main window could not be created.");

    AddTrayIcon(window);
    ShowWindow(window, SW_MINIMIZE);
    UpdateWindow(window);
    MinimizeToTray(window);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
