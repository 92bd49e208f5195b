// The messages the program posts to its own main window carry no sender:
// any program on the desktop can post the same numbers. So each message is
// only a wake-up, and the fact travels here, in the process's memory: the
// sender notes it before posting, and the window acts on a message only
// when it can take a note of that kind back. A forged message finds none
// and changes nothing; a real one that a forged one overtook finds none
// either, once the forged one has been handled as the fact it announced.
#pragma once

#include <cstdint>

enum class OwnMessage : uint8_t {
    WorkerBlockRequest,  // the worker renewed its channel
    WorkerEnded,         // the worker's last message
    CalibrationEnded,    // the session window is gone
};
inline constexpr int kOwnMessageCount = 3;

// Any thread, right before it posts `message`.
void NoteOwnMessage(OwnMessage message);
// The window, for each message of that kind it receives: whether a note
// was left (and takes it). The sender calls it too when its post failed.
bool TakeOwnMessage(OwnMessage message);
