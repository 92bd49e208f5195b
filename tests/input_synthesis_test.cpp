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
    EXPECT_EQ((Seq{"v25", "^25"}), Events(0, 3));    // VK_LEFT
    EXPECT_EQ((Seq{"v28", "^28"}), Events(0, 6));    // VK_DOWN
    EXPECT_EQ((Seq{"vBC", "^BC"}), Events(0, 7));    // VK_OEM_COMMA
    EXPECT_EQ((Seq{"vBE", "^BE"}), Events(0, 8));    // VK_OEM_PERIOD
    EXPECT_EQ((Seq{"v5B", "^5B"}), Events(0, 35));   // beyond the table the rule still applies
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

// Map bytes beyond the table reach keys outside the main block: each is
// sent as the keyboard sends it, or Delete reads as the keypad's '.'.
TEST(InputSynthesisTest, KeysOutsideTheMainBlockAreExtended) {
    for (uint8_t vk :
         {0x21, 0x22, 0x23, 0x24, 0x25, 0x28, 0x2D, 0x2E, 0xA3, 0xA5, 0x6F, 0x90, 0x5B, 0x5C, 0x5D})
        EXPECT_TRUE(IsExtendedKey(vk)) << int(vk);
    // The main block, the keypad's digits and '.', Enter and the left-hand
    // or side-neutral modifiers are not.
    for (uint8_t vk :
         {0x41, 0x5A, 0x30, 0xBC, 0xBE, 0x60, 0x69, 0x6E, 0x0D, 0x10, 0x11, 0x12, 0xA2, 0xA4, 0x13})
        EXPECT_FALSE(IsExtendedKey(vk)) << int(vk);
    EXPECT_EQ((Seq{"v2E", "^2E"}), Events(0, 246));  // row 246 is VK_DELETE by the rule
}

TEST(InputSynthesisTest, ScanCodeFromTheSystemExtendedByItsPrefixOrTheTable) {
    // Vista and later: the scan code of the extended answer.
    EXPECT_EQ(0x53, KeyScanOf(0x2E, 0xE053, 0x53).scan);
    EXPECT_TRUE(KeyScanOf(0x2E, 0xE053, 0x53).extended);
    EXPECT_TRUE(KeyScanOf(0x2E, 0x0053, 0x53).extended);   // an answer without the prefix
    EXPECT_TRUE(KeyScanOf(0xE2, 0xE056, 0x56).extended);   // a prefix the table does not know
    EXPECT_FALSE(KeyScanOf(0x13, 0xE11D, 0x45).extended);  // Pause: E1 is no extended flag
    EXPECT_EQ(0x45, KeyScanOf(0x13, 0xE11D, 0x45).scan) << "E1 1D's second byte is the left Ctrl's";
    // XP, or no answer: the plain scan code and the table.
    EXPECT_TRUE(KeyScanOf(0x2E, 0, 0x53).extended);
    EXPECT_EQ(0x53, KeyScanOf(0x2E, 0, 0x53).scan);
    EXPECT_FALSE(KeyScanOf(0x41, 0, 0x1E).extended);
}

TEST(InputSynthesisTest, MapEntryIsReadAsItIsNow) {
    ParameterBlock b = MakeDefaultParams();
    ChooseDefaultMap(b, false);
    const GestureMapEntry e = ReadMapEntry(b.GestureMap[13]);  // PinchOut: CTRL + Scroll Up
    EXPECT_EQ(1, e.modifier);
    EXPECT_EQ(1, e.key);
}

}  // namespace
