// Any bytes as a mapping file: the map loads as documented (cleared, then at
// most the first 28 bytes, the rest of the block untouched), saves back to
// the same image, and every table lookup the mapping dialog and input
// synthesis make for its bytes stays inside its table: gesture names,
// modifier and key labels (each read to its end), the item a combo box
// selects, and the events sent.
#include <cstring>
#include <optional>
#include <span>

#include "device/GestureMapFile.h"
#include "fuzz/FuzzSupport.h"

namespace {

// A label is read to its terminator, so a pointer past a table shows up
// under AddressSanitizer; it must also be a plain printable text.
void CheckLabel(const char* label) {
    FUZZ_CHECK(label != nullptr);
    const size_t n = std::strlen(label);
    FUZZ_CHECK(n > 0 && n < 32);
    for (size_t i = 0; i < n; ++i) FUZZ_CHECK(label[i] >= 0x20 && label[i] < 0x7F);
}

// The combo box item a map byte selects: its own index when the table has
// it, none (blank box) otherwise.
int ComboItem(uint8_t index, size_t itemCount) { return index < itemCount ? index : -1; }

void CheckEntry(GestureMapEntry e) {
    const int modifierItem = ComboItem(e.modifier, kModifierRowCount);
    const ModifierRow& row = ModifierKeys(e.modifier);
    FUZZ_CHECK(row.keyCount <= kMaxModifierKeys);
    if (modifierItem >= 0) {
        FUZZ_CHECK(&row == &ModKey[modifierItem]);
        CheckLabel(row.label);
    } else {
        FUZZ_CHECK(row.label == nullptr && row.keyCount == 0);
    }
    const int keyItem = ComboItem(e.key, kKeyRowCount);
    const char* keyLabel = KeyLabel(e.key);
    if (keyItem >= 0) {
        FUZZ_CHECK(keyLabel == GenKey[keyItem]);
        CheckLabel(keyLabel);
    } else {
        FUZZ_CHECK(keyLabel == nullptr);
    }
    CheckEvents(e);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> content(data, size);
    ParameterBlock block = MakeDefaultParams();
    ChooseDefaultMap(block, size % 2 == 1);
    const ParameterBlock before = block;
    // An empty file leaves a zero map.
    ApplyMapFileContent(block, content);

    const auto got = BlockBytes(block);
    const size_t map = offsetof(ParameterBlock, GestureMap);
    FUZZ_CHECK(std::memcmp(got.data(), BlockBytes(before).data(), map) == 0);
    for (size_t i = 0; i < kGestureMapSize; ++i) FUZZ_CHECK(got[map + i] == (i < size ? data[i] : 0));

    const GestureMapImage image = MapImageOf(block);
    FUZZ_CHECK(std::memcmp(image.data(), got.data() + map, kGestureMapSize) == 0);

    for (size_t g = 0; g < kGestureCount; ++g) {
        // The gesture box and the console tool name entry g by code g + 1.
        FUZZ_CHECK(GestureName(static_cast<uint16_t>(g + 1)) == Gest1[g]);
        CheckLabel(Gest1[g]);
        CheckEntry(ReadMapEntry(block.GestureMap[g]));
    }
    return 0;
}
