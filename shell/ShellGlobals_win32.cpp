#include "shell/ShellGlobals_win32.h"

HINSTANCE AppInstance;
wchar_t TextBuf[kTextBufChars];
wchar_t CaptionBuf[kTextBufChars];
uint8_t DevicePresent;
uint8_t CalibrationRunning;
uint8_t AtConsole = 1;
uint8_t CloseRequested;
uint8_t TrackRotation;
int32_t DisplayOrientation;

const wchar_t* LoadTextBuf(UINT id) {
    LoadStringW(AppInstance, id, TextBuf, kTextBufChars);
    return TextBuf;
}

const wchar_t* LoadCaptionBuf(UINT id) {
    LoadStringW(AppInstance, id, CaptionBuf, kTextBufChars);
    return CaptionBuf;
}
