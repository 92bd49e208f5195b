// The key viewer: a top-level window of the end-to-end suite that stands
// for "the application with the keyboard focus". It reports every key and
// wheel message it receives to a sink: the gesture log (key_viewer.exe) or
// the latency probe (key_viewer.exe --measure N).
#pragma once

#include <windows.h>

#include <string>

enum class ViewerEventKind { KeyDown, KeyUp, Wheel };

struct ViewerEvent {
    ViewerEventKind kind;
    UINT vk;                // KeyDown, KeyUp
    UINT scan;              // KeyDown, KeyUp: the scan code of lParam's bits 16..23
    bool extended;          // KeyDown, KeyUp: lParam's bit 24
    int wheelDelta;         // Wheel
    bool ctrl, shift, alt;  // modifier state as of this message
    LONGLONG arrival;       // QueryPerformanceCounter when the window got it
};

using ViewerSink = void (*)(const ViewerEvent&);

// The key a test types after the input it waits for (e2e_tool marker-key):
// logged as "marker", never as a gesture.
constexpr UINT kViewerMarkerKey = VK_F24;

// Posted to the viewer (by a test, after another window took the focus):
// it takes the foreground and puts the cursor on itself again.
constexpr UINT kTakeForegroundMessage = WM_APP;

// Creates and shows the viewer, takes the foreground and puts the cursor on
// its middle (wheel messages go to the window under the cursor).
HWND CreateKeyViewer(HINSTANCE instance, ViewerSink sink);
void TakeForeground(HWND viewer);
// Adds a line to the list the viewer draws in its client area.
void ShowViewerLine(HWND viewer, const std::wstring& line);

// The gesture log: one line per message, and one "gesture ..." line per
// gesture (its modifiers and key or wheel step), on standard output.
void LogViewerEvent(const ViewerEvent& event);
// The viewer that LogViewerEvent draws its gesture lines into.
void SetLogWindow(HWND viewer);

// Creates the viewer and feeds `gestures` two-finger pinch steps through the
// substitute driver (each a new contact after `pauseMs` at rest, when not
// 0); prints, for each, the time from the reports being queued to the
// first key message here, then the median. Returns the process exit status.
int RunLatencyProbe(HINSTANCE instance, int gestures, DWORD pauseMs);
