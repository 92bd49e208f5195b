// Input synthesis, the portable half: what one gesture map entry sends, as
// an ordered, fixed-size list of events (no allocation). The platform half
// (InjectGesture) only replays the list into the system's input stream.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/ParameterBlock.h"
#include "engine/GestureTables.h"

enum class InputEventKind : uint8_t { KeyDown, KeyUp, Wheel };

struct InputEvent {
    InputEventKind kind;
    uint8_t vk;          // KeyDown, KeyUp
    int32_t wheelDelta;  // Wheel
};

// The arrow keys (VK_LEFT .. VK_DOWN) sit outside the numeric keypad: a
// keyboard sends them with the extended flag, and without it they read as
// the keypad's keys.
inline constexpr bool IsExtendedKey(uint8_t vk) { return vk >= 0x25 && vk <= 0x28; }

// Modifier downs, at most a key down and up, modifier ups.
constexpr size_t kMaxInputEvents = 2 * kMaxModifierKeys + 2;

struct InputEventList {
    InputEvent events[kMaxInputEvents];
    size_t count;
};

// The events of one entry, in order: the modifiers of its row pressed, the
// key row's action (a key stroke, one wheel step, or nothing), the modifiers
// released in the order they were pressed. Any byte values are accepted.
InputEventList GestureEvents(GestureMapEntry entry);

// Reads one map entry, each byte once with a single untorn load, while the
// gesture mapping dialog may rewrite the map.
inline GestureMapEntry ReadMapEntry(const GestureMapEntry& entry) {
    return GestureMapEntry{ReadField(entry.modifier), ReadField(entry.key)};
}
