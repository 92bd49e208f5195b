// The desktop's shell as a setup that asks it to start a program sees it.
#include "Commands.h"

#include <exdisp.h>
#include <oleauto.h>

// Prints "ready" when the shell's window list answers for the desktop's
// window (the route of the setup's "Start rtouch now"); otherwise says which
// step failed and its HRESULT.
int CmdDesktopShell(wchar_t**) {
    // Under Wine the first window lookup of a session without a desktop
    // starts one, as a sign-in does on Windows.
    GetDesktopWindow();
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(init))
        return Failure(false, "CoInitializeEx failed: 0x%08lx", static_cast<unsigned long>(init));
    int status = kOk;
    IShellWindows* windows = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                  reinterpret_cast<void**>(&windows));
    if (FAILED(hr)) {
        status = Failure(false, "no shell windows: CoCreateInstance 0x%08lx", static_cast<unsigned long>(hr));
    } else {
        VARIANT empty;
        VariantInit(&empty);
        LONG desktopWindow = 0;
        IDispatch* desktop = nullptr;
        hr = windows->FindWindowSW(&empty, &empty, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH, &desktop);
        if (hr != S_OK || !desktop) {
            status = Failure(false, "no desktop in the shell windows: FindWindowSW 0x%08lx",
                             static_cast<unsigned long>(hr));
        } else {
            desktop->Release();
            PrintLine(L"ready");
        }
        windows->Release();
    }
    CoUninitialize();
    return status;
}
