// Program-lifetime state of the application shell, all on the main thread.
#pragma once

#include <windows.h>

#include <cstdint>

// Capacity, in wide characters, of the shared string buffers.
inline constexpr int kTextBufChars = 100;

// The module instance that every resource is loaded from.
extern HINSTANCE AppInstance;

// The shell's two string buffers, kept for the program run. Only main-thread
// shell code may use them (the window and dialog procedures, start-up, the
// tray), and only through LoadTextBuf/LoadCaptionBuf right before handing
// the text to a Win32 call, which copies it: each load overwrites the last.
// One buffer serves every short-lived string, so no procedure needs its own;
// CaptionBuf is the second one a message box needs for its caption while its
// text sits in TextBuf. The worker thread and the portable core never use them.
extern wchar_t TextBuf[kTextBufChars];
extern wchar_t CaptionBuf[kTextBufChars];

// Display orientation at start-up, 0..3 (DMDO_DEFAULT .. DMDO_270).
extern int32_t DisplayOrientation;

// Loads string `id` into TextBuf and returns TextBuf.
const wchar_t* LoadTextBuf(UINT id);
// Loads string `id` into CaptionBuf and returns CaptionBuf.
const wchar_t* LoadCaptionBuf(UINT id);
