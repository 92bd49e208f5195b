// Posting one of the program's own messages to its main window, with its
// note (engine/OwnMessages.h).
#pragma once

#include <windows.h>

#include "engine/OwnMessages.h"

// A post that failed (a full queue) takes its note back: no later forged
// message finds it.
inline void PostOwnMessage(HWND window, UINT message, OwnMessage kind) {
    NoteOwnMessage(kind);
    if (!PostMessageW(window, message, 0, 0)) TakeOwnMessage(kind);
}
