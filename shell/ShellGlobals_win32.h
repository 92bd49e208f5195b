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

// Result of the last device probe of the main window (0/1).
extern uint8_t DevicePresent;
// 1 while the GENERAL dialog's calibration run holds the device, from
// stopping the worker to restarting it: device notices then leave the
// worker and the sending to the run.
extern uint8_t CalibrationRunning;
// 1 while this copy's session is attached to the physical console: only
// then does it send the block and run the worker.
extern uint8_t AtConsole;
// 1 once a Close arrived during a calibration run: the run ends without
// keeping anything and hands the Close back to the main window.
extern uint8_t CloseRequested;
// 1 on systems of major version 5 or lower: display changes then resend the
// parameter block with the new orientation.
extern uint8_t TrackRotation;
// Display orientation at start-up, 0..3 (DMDO_DEFAULT .. DMDO_270).
extern int32_t DisplayOrientation;

// Loads string `id` into TextBuf and returns TextBuf.
const wchar_t* LoadTextBuf(UINT id);
// Loads string `id` into CaptionBuf and returns CaptionBuf.
const wchar_t* LoadCaptionBuf(UINT id);
