// Looking inside the application's process, and stand-in windows.
#include "Commands.h"

#include <cstdint>

// Reads the 32-bit value at `rva` in the module that owns the window. The
// caller takes the RVA of a global from the program's symbol table.
int CmdReadU32(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    uint32_t value = 0;
    if (!window || !ReadModuleMemory(window, ParseNumber(argv[1]), &value, sizeof value)) return kFailed;
    PrintLine(std::to_wstring(value));
    return kOk;
}

// Creates a top-level window of the given class and title (registering the
// class), prints "ready" and keeps it until it is closed or the time is up.
int CmdHoldWindow(wchar_t** argv) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = argv[0];
    if (!RegisterClassExW(&windowClass)) return Failure(true, "cannot register class %ls", argv[0]);
    HWND window = CreateWindowExW(0, argv[0], argv[1], WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, instance, nullptr);
    if (!window) return Failure(true, "cannot create window %ls", argv[1]);
    PrintLine(L"ready " + HandleText(window));
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(ParseNumber(argv[2]));
    while (IsWindow(window) && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return kOk;
}
