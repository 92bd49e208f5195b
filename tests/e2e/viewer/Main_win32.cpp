// key_viewer.exe: prints the key and wheel messages it receives, one line
// each, and a "gesture ..." line per gesture, on standard output, until it
// is closed. key_viewer.exe --measure N [PAUSE_MS] runs the latency probe
// instead.
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "KeyViewer_win32.h"

int wmain(int argc, wchar_t** argv) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if ((argc == 3 || argc == 4) && std::wcscmp(argv[1], L"--measure") == 0) {
        const int gestures = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
        const long pauseMs = argc == 4 ? std::wcstol(argv[3], nullptr, 10) : 0;
        if (gestures < 1 || pauseMs < 0) return 2;
        return RunLatencyProbe(instance, gestures, static_cast<DWORD>(pauseMs));
    }
    if (argc != 1) {
        std::fprintf(stderr, "usage: key_viewer [--measure N [PAUSE_MS]]\n");
        return 2;
    }
    HWND viewer = CreateKeyViewer(instance, LogViewerEvent);
    if (!viewer) return 1;
    SetLogWindow(viewer);
    std::printf("ready 0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(viewer)));
    std::fflush(stdout);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
