#include "shell/MainControls_win32.h"

#include "shell/ShellGlobals_win32.h"
#include "shell/resources/resource.h"

namespace {

HWND GeneralButton;
HWND AboutButton;
HWND StatusLine;

struct ChildLayout {
    int x, y, width, height;
};
constexpr ChildLayout kGeneralLayout = {40, 50, 150, 50};
constexpr ChildLayout kAboutLayout = {220, 50, 150, 50};
constexpr ChildLayout kStatusLayout = {30, 140, 300, 20};

HWND CreateChild(HWND parent, HINSTANCE instance, const wchar_t* className, const wchar_t* text,
                 const ChildLayout& at, int id) {
    HWND child =
        CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE, at.x, at.y, at.width, at.height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    // The default system font is a bitmap font that may lack the Chinese
    // glyphs of the labels; the GUI font reaches them through font linking.
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

}  // namespace

void CreateMainControls(HWND window, HINSTANCE instance) {
    GeneralButton =
        CreateChild(window, instance, L"BUTTON", LoadTextBuf(IDS_GENERAL), kGeneralLayout, IDC_MAIN_GENERAL);
    AboutButton =
        CreateChild(window, instance, L"BUTTON", LoadTextBuf(IDS_ABOUT), kAboutLayout, IDC_MAIN_ABOUT);
    StatusLine = CreateChild(window, instance, L"EDIT", L"", kStatusLayout, IDC_MAIN_STATUS);
}

void ShowDeviceStatus(bool attached) {
    SetWindowTextW(StatusLine, LoadTextBuf(attached ? IDS_DEVICE_ATTACHED : IDS_DEVICE_DETACHED));
}

void EnableGeneralButton(bool enabled) { EnableWindow(GeneralButton, enabled); }
