// The main window's answer to another program asking for the live block.
#pragma once

#include <windows.h>

// WM_COPYDATA: a live block request (device/LiveBlockMessage.h) from a
// window of this session is answered with copy data sent back to that
// window; TRUE then. Anything else: FALSE, nothing done.
LRESULT AnswerLiveBlockRequest(HWND window, WPARAM sender, LPARAM data);
