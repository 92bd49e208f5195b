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

// Keys that a keyboard sends with the 0xE0 prefix, so that a synthesised
// stroke carries the extended flag: the editing and arrow keys (without it
// they read as the numeric keypad's), Print Screen, Break, the right Ctrl
// and Alt, the keypad's '/', Num Lock, the Windows, Apps and Sleep keys and
// the browser and media keys.
bool IsExtendedKey(uint8_t vk);

// A key as the keyboard sends it: its scan code and the extended flag.
struct KeyScan {
    uint8_t scan;
    bool extended;
};

// The high byte of an extended key's scan code. (Pause's 0xE1 is no
// extended key: no flag can carry that prefix.)
constexpr uint32_t kScanPrefixE0 = 0xE0;
constexpr uint32_t kScanPrefixE1 = 0xE1;

// `scanEx`: the system's scan code of `vk` with its prefix in the high byte
// (0 where the system has no such answer, as before Vista, or knows no
// key); `scan`: the plain scan code, used without the first and for
// Pause, whose answer has the 0xE1 prefix. A key is
// extended when the system's answer carries the 0xE0 prefix or the table
// above lists it: the table's keys sit at the same place on every
// keyboard, and not every system's answer carries the prefix.
KeyScan KeyScanOf(uint8_t vk, uint32_t scanEx, uint32_t scan);

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
