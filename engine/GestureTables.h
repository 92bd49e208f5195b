// The names and meanings behind gesture codes and gesture map entries: the
// gesture names, the modifier rows and the key rows. Input synthesis, the
// console tool and the gesture mapping dialog all read these tables, so a
// label and what it sends cannot drift apart. All labels are ASCII.
#pragma once

#include <cstddef>
#include <cstdint>

// Virtual-key codes as the platform defines them (named here so the portable
// core does not need the platform headers).
constexpr uint8_t kVkShift = 0x10;     // VK_SHIFT
constexpr uint8_t kVkMenu = 0x12;      // VK_MENU (alt)
constexpr uint8_t kVkLControl = 0xA2;  // VK_LCONTROL

// One wheel event per scroll row, +/- this delta (not the customary 120).
constexpr int32_t kWheelDelta = 255;

// Gesture names, index = gesture code - 1.
constexpr size_t kGestureNameCount = 14;
extern const char* const Gest1[kGestureNameCount];

// Modifier rows: the label and the keys held around the action, in press
// order (released in the same order).
constexpr size_t kMaxModifierKeys = 3;
struct ModifierRow {
    const char* label;
    uint8_t keyCount;
    uint8_t keys[kMaxModifierKeys];
};
constexpr size_t kModifierRowCount = 7;
extern const ModifierRow ModKey[kModifierRowCount];

// Key rows: 0 nothing, 1 and 2 a wheel step, 3 and up a key stroke whose
// virtual-key code follows from the index (KeyVirtualCode).
constexpr size_t kKeyRowCount = 35;
extern const char* const GenKey[kKeyRowCount];

constexpr uint8_t kKeyNothing = 0;
constexpr uint8_t kKeyScrollUp = 1;
constexpr uint8_t kKeyScrollDown = 2;
constexpr uint8_t kKeyLeftArrow = 3;  // first key-stroke row
constexpr uint8_t kKeyComma = 7;
constexpr uint8_t kKeyLetterA = 9;

// Lookups that accept any byte of a map entry (a file may hold 0..255).
// The gesture's name for codes 1..14, nullptr otherwise.
const char* GestureName(uint16_t code);
// The modifier row; indices 7 and up hold no keys and have no label.
const ModifierRow& ModifierKeys(uint8_t index);
// The key row's label; nullptr for indices 35 and up.
const char* KeyLabel(uint8_t index);
// The virtual-key code of a key-stroke row (index 3 and up), by rule: 3..6
// give index + 34 (the arrows), 7..8 give 2 x index + 174 (comma, period),
// 9 and up give index + 56 modulo 256 (A..Z, and beyond the table whatever
// the rule yields).
uint8_t KeyVirtualCode(uint8_t index);
