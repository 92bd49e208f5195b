#include "engine/InputSynthesis.h"

namespace {

void Add(InputEventList& list, InputEventKind kind, uint8_t vk, int32_t wheelDelta = 0) {
    list.events[list.count++] = InputEvent{kind, vk, wheelDelta};
}

}  // namespace

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
