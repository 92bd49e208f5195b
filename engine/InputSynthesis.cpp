#include "engine/InputSynthesis.h"

namespace {

void Add(InputEventList& list, InputEventKind kind, uint8_t vk, int32_t wheelDelta = 0) {
    list.events[list.count++] = InputEvent{kind, vk, wheelDelta};
}

}  // namespace

bool IsExtendedKey(uint8_t vk) {
    switch (vk) {
    case 0x03:  // VK_CANCEL (Ctrl+Break)
    case 0x21:
    case 0x22:
    case 0x23:
    case 0x24:  // VK_PRIOR, VK_NEXT, VK_END, VK_HOME
    case 0x25:
    case 0x26:
    case 0x27:
    case 0x28:  // VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN
    case 0x2C:
    case 0x2D:
    case 0x2E:  // VK_SNAPSHOT, VK_INSERT, VK_DELETE
    case 0x5B:
    case 0x5C:
    case 0x5D:
    case 0x5F:  // VK_LWIN, VK_RWIN, VK_APPS, VK_SLEEP
    case 0x6F:  // VK_DIVIDE
    case 0x90:  // VK_NUMLOCK
    case 0xA3:
    case 0xA5:  // VK_RCONTROL, VK_RMENU
        return true;
    default:
        // VK_BROWSER_BACK .. VK_LAUNCH_APP2
        return vk >= 0xA6 && vk <= 0xB7;
    }
}

KeyScan KeyScanOf(uint8_t vk, uint32_t scanEx, uint32_t scan) {
    const uint32_t prefix = scanEx >> 8;
    // Pause's E1 1D is no scan code a keystroke can carry (1D alone is the
    // left Ctrl): the plain answer, as the key's own messages report it.
    const uint32_t chosen = scanEx != 0 && prefix != kScanPrefixE1 ? scanEx : scan;
    return KeyScan{static_cast<uint8_t>(chosen), prefix == kScanPrefixE0 || IsExtendedKey(vk)};
}

InputEventList GestureEvents(GestureMapEntry entry) {
    InputEventList list{};
    const ModifierRow& modifiers = ModifierKeys(entry.modifier);
    for (uint8_t i = 0; i < modifiers.keyCount; ++i) Add(list, InputEventKind::KeyDown, modifiers.keys[i]);

    if (entry.key == kKeyScrollUp) {
        Add(list, InputEventKind::Wheel, 0, kWheelDelta);
    } else if (entry.key == kKeyScrollDown) {
        Add(list, InputEventKind::Wheel, 0, -kWheelDelta);
    } else if (entry.key != kKeyNothing) {
        const uint8_t vk = KeyVirtualCode(entry.key);
        Add(list, InputEventKind::KeyDown, vk);
        Add(list, InputEventKind::KeyUp, vk);
    }

    for (uint8_t i = 0; i < modifiers.keyCount; ++i) Add(list, InputEventKind::KeyUp, modifiers.keys[i]);
    return list;
}
