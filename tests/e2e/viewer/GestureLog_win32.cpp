// The viewer's log: every key and wheel message as a line, and what each
// gesture sent summed up in the gesture mapping dialog's words ("Right
// Arrow", "CTRL + Scroll Up"), so a test compares it with a map entry.
#include <cstdio>
#include <string>

#include "KeyViewer_win32.h"
#include "engine/GestureTables.h"

namespace {

HWND LogWindow;
// Modifiers seen held since the last gesture ended, and whether a key
// stroke or wheel step came with them.
bool SawCtrl, SawShift, SawAlt, ActionSent;

bool IsModifier(UINT vk) {
    switch (vk) {
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU:
        return true;
    default:
        return false;
    }
}

std::string ModifierText(bool ctrl, bool shift, bool alt, const char* separator) {
    std::string text;
    auto add = [&](bool held, const char* name) {
        if (!held) return;
        if (!text.empty()) text += separator;
        text += name;
    };
    add(ctrl, "CTRL");
    add(shift, "SHIFT");
    add(alt, "ALT");
    return text;
}

// The key's name in the mapping dialog's key list, else its code.
std::string KeyName(UINT vk) {
    for (uint8_t index = kKeyLeftArrow; index < kKeyRowCount; ++index)
        if (KeyVirtualCode(index) == vk) return KeyLabel(index);
    char text[16];
    std::snprintf(text, sizeof text, "VK 0x%02X", vk);
    return text;
}

void Print(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void Gesture(const ViewerEvent& event, const std::string& action) {
    std::string held = ModifierText(event.ctrl, event.shift, event.alt, " + ");
    std::string text = held.empty() ? action : held + " + " + action;
    Print("gesture " + text);
    // Only a gesture with modifiers ends later, when they go up.
    ActionSent = event.ctrl || event.shift || event.alt;
    if (LogWindow) ShowViewerLine(LogWindow, std::wstring(text.begin(), text.end()));
}

}  // namespace

void SetLogWindow(HWND viewer) { LogWindow = viewer; }

void LogViewerEvent(const ViewerEvent& event) {
    std::string mods = ModifierText(event.ctrl, event.shift, event.alt, "+");
    if (mods.empty()) mods = "none";
    char line[96];
    if (event.kind == ViewerEventKind::Wheel) {
        std::snprintf(line, sizeof line, "wheel %d mods=%s", event.wheelDelta, mods.c_str());
        Print(line);
        Gesture(event, event.wheelDelta > 0 ? "Scroll Up" : "Scroll Down");
        return;
    }
    const bool down = event.kind == ViewerEventKind::KeyDown;
    // A test's marker (e2e_tool marker-key) is no gesture: it says that
    // every key before it has been seen.
    if (event.vk == kViewerMarkerKey) {
        if (down) Print("marker");
        return;
    }
    std::snprintf(line, sizeof line, "key %s 0x%02X mods=%s scan=0x%02X ext=%d", down ? "down" : "up",
                  event.vk, mods.c_str(), event.scan, event.extended ? 1 : 0);
    Print(line);
    if (!IsModifier(event.vk)) {
        if (down) Gesture(event, KeyName(event.vk));
        return;
    }
    SawCtrl |= event.ctrl;
    SawShift |= event.shift;
    SawAlt |= event.alt;
    if (down || event.ctrl || event.shift || event.alt) return;
    // The last modifier went up: a gesture of modifiers alone still counts.
    if (!ActionSent && (SawCtrl || SawShift || SawAlt)) {
        std::string held = ModifierText(SawCtrl, SawShift, SawAlt, " + ");
        Print("gesture " + held);
        if (LogWindow) ShowViewerLine(LogWindow, std::wstring(held.begin(), held.end()));
    }
    SawCtrl = SawShift = SawAlt = ActionSent = false;
}
