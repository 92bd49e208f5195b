#include "shell/ShellGlobals_win32.h"

HINSTANCE AppInstance;
wchar_t TextBuf[kTextBufChars];
wchar_t CaptionBuf[kTextBufChars];
int32_t DisplayOrientation;

const wchar_t* LoadTextBuf(UINT id) {
    LoadStringW(AppInstance, id, TextBuf, kTextBufChars);
    return TextBuf;
}

const wchar_t* LoadCaptionBuf(UINT id) {
    LoadStringW(AppInstance, id, CaptionBuf, kTextBufChars);
    return CaptionBuf;
}
