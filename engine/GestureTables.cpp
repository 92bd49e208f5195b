#include "engine/GestureTables.h"

const char* const Gest1[kGestureNameCount] = {
    "RHori.",    "LHori.", "UVert.", "DVert.", "RArc", "LArc",    "CWCircle",
    "CCWCircle", "RPan",   "LPan",   "UPan",   "DPan", "PinchIn", "PinchOut",
};

const ModifierRow ModKey[kModifierRowCount] = {
    {"N/A", 0, {}},
    {"CTRL", 1, {kVkLControl}},
    {"SHIFT", 1, {kVkShift}},
    {"ALT", 1, {kVkMenu}},
    {"CTRL+SHIFT", 2, {kVkLControl, kVkShift}},
    {"CTRL+ALT", 2, {kVkLControl, kVkMenu}},
    {"CTRL+SHIFT+ALT", 3, {kVkLControl, kVkShift, kVkMenu}},
};

const char* const GenKey[kKeyRowCount] = {
    "N/A", "Scroll Up", "Scroll Down", "Left Arrow", "Up Arrow", "Right Arrow", "Down Arrow", ",", ".",
    "A",   "B",         "C",           "D",          "E",        "F",           "G",          "H", "I",
    "J",   "K",         "L",           "M",          "N",        "O",           "P",          "Q", "R",
    "S",   "T",         "U",           "V",          "W",        "X",           "Y",          "Z",
};

namespace {
// Arrows: VK_LEFT (37) .. VK_DOWN (40) from rows 3..6.
constexpr int kArrowOffset = 34;
// VK_OEM_COMMA (188) and VK_OEM_PERIOD (190) from rows 7 and 8.
constexpr int kPunctuationOffset = 174;
// 'A' (65) .. 'Z' (90) from rows 9..34.
constexpr int kLetterOffset = 56;
const ModifierRow kNoModifiers = {nullptr, 0, {}};
}  // namespace

const char* GestureName(uint16_t code) {
    return code >= 1 && code <= kGestureNameCount ? Gest1[code - 1] : nullptr;
}

const ModifierRow& ModifierKeys(uint8_t index) {
    return index < kModifierRowCount ? ModKey[index] : kNoModifiers;
}

const char* KeyLabel(uint8_t index) { return index < kKeyRowCount ? GenKey[index] : nullptr; }

uint8_t KeyVirtualCode(uint8_t index) {
    if (index < kKeyComma) return static_cast<uint8_t>(index + kArrowOffset);
    if (index < kKeyLetterA) return static_cast<uint8_t>(2 * index + kPunctuationOffset);
    return static_cast<uint8_t>(index + kLetterOffset);  // modulo 256
}
