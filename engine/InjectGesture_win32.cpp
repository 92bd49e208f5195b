#include "engine/InjectGesture_win32.h"

#include <windows.h>

#include "engine/InputSynthesis.h"

namespace {

// MAPVK_VK_TO_VSC_EX (Vista and later; the XP headers lack it): the scan
// code with its 0xE0 or 0xE1 prefix in the high byte. Older systems answer 0.
constexpr UINT kMapVkToVscEx = 4;

// A key as the keyboard sends it: its scan code and, for the keys the
// keyboard prefixes, the extended flag, so that programs that read scan
// codes see the key that was meant (Delete, not the keypad's '.').
void SendKey(uint8_t vk, DWORD flags) {
    const KeyScan key = KeyScanOf(vk, MapVirtualKeyW(vk, kMapVkToVscEx), MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    if (key.extended) flags |= KEYEVENTF_EXTENDEDKEY;
    keybd_event(vk, key.scan, flags, 0);
}

}  // namespace

void InjectGesture(const GestureMapEntry* entry) {
    const InputEventList list = GestureEvents(ReadMapEntry(*entry));
    for (size_t i = 0; i < list.count; ++i) {
        const InputEvent& e = list.events[i];
        switch (e.kind) {
        case InputEventKind::KeyDown:
            SendKey(e.vk, 0);
            break;
        case InputEventKind::KeyUp:
            SendKey(e.vk, KEYEVENTF_KEYUP);
            break;
        case InputEventKind::Wheel:
            // A negative delta travels as its two's complement in the DWORD.
            mouse_event(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(e.wheelDelta), 0);
            break;
        }
    }
}
