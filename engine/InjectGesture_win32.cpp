#include "engine/InjectGesture_win32.h"

#include <windows.h>

#include "engine/InputSynthesis.h"

void InjectGesture(const GestureMapEntry* entry) {
    const InputEventList list = GestureEvents(ReadMapEntry(*entry));
    for (size_t i = 0; i < list.count; ++i) {
        const InputEvent& e = list.events[i];
        switch (e.kind) {
        case InputEventKind::KeyDown: keybd_event(e.vk, 0, 0, 0); break;
        case InputEventKind::KeyUp: keybd_event(e.vk, 0, KEYEVENTF_KEYUP, 0); break;
        case InputEventKind::Wheel:
            // A negative delta travels as its two's complement in the DWORD.
            mouse_event(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(e.wheelDelta), 0);
            break;
        }
    }
}
