#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/InputSynthesis.h"

namespace {

// The events as text, "v41" down / "^41" up / "w255" wheel, for compact expectations.
std::vector<std::string> Events(uint8_t modifier, uint8_t key) {
    const InputEventList list = GestureEvents(GestureMapEntry{modifier, key});
    std::vector<std::string> out;
    char text[16];
    for (size_t i = 0; i < list.count; ++i) {
        const InputEvent& e = list.events[i];
        if (e.kind == InputEventKind::Wheel)
            std::snprintf(text, sizeof text, "w%d", static_cast<int>(e.wheelDelta));
        else
            std::snprintf(text, sizeof text, "%c%02X", e.kind == InputEventKind::KeyDown ? 'v' : '^', e.vk);
        out.push_back(text);
    }
    return out;
}

using Seq = std::vector<std::string>;

TEST(InputSynthesisTest, ModifiersWrapTheActionAndReleaseInPressOrder) {
    EXPECT_EQ((Seq{"vA2", "v10", "v41", "^41", "^A2", "^10"}), Events(4, 9));
    EXPECT_EQ((Seq{"vA2", "w255", "^A2"}), Events(1, 1));
    EXPECT_EQ((Seq{"vA2", "v10", "v12", "v5A", "^5A", "^A2", "^10", "^12"}), Events(6, 34));
    EXPECT_EQ((Seq{"v12", "^12"}), Events(3, 0));
    EXPECT_EQ((Seq{"vA2", "v12", "v4B", "^4B", "^A2", "^12"}), Events(5, 19));
}

TEST(InputSynthesisTest, KeyRowsByRule) {
    EXPECT_EQ((Seq{"w-255"}), Events(0, 2));
    EXPECT_EQ((Seq{}), Events(0, 0));
    EXPECT_EQ((Seq{"v25", "^25"}), Events(0, 3));  // VK_LEFT
    EXPECT_EQ((Seq{"v28", "^28"}), Events(0, 6));  // VK_DOWN
    EXPECT_EQ((Seq{"vBC", "^BC"}), Events(0, 7));  // VK_OEM_COMMA
    EXPECT_EQ((Seq{"vBE", "^BE"}), Events(0, 8));  // VK_OEM_PERIOD
    EXPECT_EQ((Seq{"v5B", "^5B"}), Events(0, 35));  // beyond the table the rule still applies
    EXPECT_EQ((Seq{"v37", "^37"}), Events(0, 255));  // 255 + 56 modulo 256
}

TEST(InputSynthesisTest, ModifierRowsBeyondTheTableHoldNothing) {
    EXPECT_EQ((Seq{"w255"}), Events(7, 1));
    EXPECT_EQ((Seq{"v41", "^41"}), Events(255, 9));
    EXPECT_EQ((Seq{}), Events(200, 0));
}

TEST(GestureTablesTest, LabelsAndLookups) {
    EXPECT_STREQ("RHori.", GestureName(1));
    EXPECT_STREQ("CCWCircle", GestureName(8));
    EXPECT_STREQ("PinchOut", GestureName(14));
    EXPECT_EQ(nullptr, GestureName(0));
    EXPECT_EQ(nullptr, GestureName(15));
    EXPECT_EQ(nullptr, GestureName(255));
    EXPECT_STREQ("CTRL+SHIFT+ALT", ModKey[6].label);
    EXPECT_EQ(nullptr, ModifierKeys(7).label);
    EXPECT_STREQ("Scroll Down", KeyLabel(2));
    EXPECT_STREQ(",", KeyLabel(7));
    EXPECT_STREQ("Z", KeyLabel(34));
    EXPECT_EQ(nullptr, KeyLabel(35));
    // The letter rows A..Z send the published virtual-key codes 0x41..0x5A.
    for (int letter = 0; letter < 26; ++letter) {
        const uint8_t row = static_cast<uint8_t>(kKeyLetterA + letter);
        EXPECT_EQ(0x41 + letter, KeyVirtualCode(row)) << letter;
        EXPECT_EQ(std::string(1, static_cast<char>('A' + letter)), KeyLabel(row)) << letter;
    }
}

TEST(InputSynthesisTest, MapEntryIsReadAsItIsNow) {
    ParameterBlock b = MakeDefaultParams();
    ChooseDefaultMap(b, false);
    const GestureMapEntry e = ReadMapEntry(b.GestureMap[13]);  // PinchOut: CTRL + Scroll Up
    EXPECT_EQ(1, e.modifier);
    EXPECT_EQ(1, e.key);
}

}  // namespace
