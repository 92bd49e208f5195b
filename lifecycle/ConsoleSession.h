// Which copy drives the controller: with a copy of the program in every
// signed-in session, only the one whose session is attached to the physical
// console reads touches and sends the parameter block.
#pragma once

#include <cstdint>
#include <optional>

// The session change events that move the console (the values of
// WM_WTSSESSION_CHANGE's wParam), and the console session's id while no
// session is attached to it.
inline constexpr uint32_t kConsoleConnectEvent = 1;
inline constexpr uint32_t kConsoleDisconnectEvent = 2;
inline constexpr uint32_t kNoConsoleSession = 0xFFFFFFFF;

// At start: the copy drives the controller when its session is the console's.
// A session that cannot be read is taken as the console's, so that a system
// without sessions keeps the one copy that drives it.
constexpr bool OwnsConsole(std::optional<uint32_t> ownSession, uint32_t consoleSession) {
    return !ownSession || *ownSession == consoleSession;
}
