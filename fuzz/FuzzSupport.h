// Helpers shared by the fuzz targets: explicit invariant checks that abort
// with a message, a front-to-back reader of the fuzzer's bytes, and the
// documented value sets that the engine's outputs must stay inside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device/ParameterBlock.h"
#include "engine/GestureRecognizer.h"
#include "engine/InputSynthesis.h"
#include "engine/ReportProcessor.h"

// Aborts (a fuzzer finding) when an invariant does not hold.
#define FUZZ_CHECK(cond)                                                                      \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)

// Reads the input from the front; past its end every read gives zeros and
// `more()` turns false.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool more() const { return pos_ < size_; }
    size_t left() const { return size_ - pos_; }
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t u16() { return static_cast<uint16_t>(byte() | byte() << 8); }
    uint32_t u32() { return uint32_t{u16()} | uint32_t{u16()} << 16; }
    // Copies up to n bytes into dst; returns how many were there.
    size_t bytes(void* dst, size_t n) {
        const size_t got = n < left() ? n : left();
        if (got) std::memcpy(dst, data_ + pos_, got);
        pos_ += got;
        return got;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// The default block with the modern map, whose leading bytes are replaced by
// as many bytes of the input as there are (all 180 when the input has them).
inline ParameterBlock BlockFromInput(ByteReader& in) {
    ParameterBlock block = MakeDefaultParams();
    ChooseDefaultMap(block, false);
    in.bytes(&block, kParameterBlockSize);
    return block;
}

inline bool IsDocumentedState(uint8_t state) {
    return state == kTouchNone || state == kTouchSingle || state == kTouchMulti || state == kTouchUndecided;
}

// Codes the recognizer may return: nothing, the fourteen gestures, and the
// informational 15, 20, 31 and 255.
inline bool IsDocumentedCode(uint16_t code) {
    return code == kGestureNothing || IsMappedGesture(code) || code == kGestureTwoFingerTap ||
           code == kGestureTap || code == kGestureOtherStep || code == kGestureInProgress;
}

inline bool InCoordinateSpace(int32_t v) { return v >= 0 && v <= kCoordMax; }

// The events of one map entry, written out from the documented tables
// independently of the engine's own lookup: the modifier rows (7 and up
// hold nothing), the key rows with the virtual-key index rule, and the
// wheel rows of +/-255.
inline InputEventList ExpectedEvents(GestureMapEntry entry) {
    static const uint8_t kRows[7][3] = {
        {}, {0xA2}, {0x10}, {0x12}, {0xA2, 0x10}, {0xA2, 0x12}, {0xA2, 0x10, 0x12}};
    static const uint8_t kRowSize[7] = {0, 1, 1, 1, 2, 2, 3};
    InputEventList list{};
    auto add = [&](InputEventKind kind, uint8_t vk, int32_t delta) {
        FUZZ_CHECK(list.count < kMaxInputEvents);
        list.events[list.count++] = InputEvent{kind, vk, delta};
    };
    const unsigned m = entry.modifier, k = entry.key;
    const unsigned held = m < 7 ? kRowSize[m] : 0;
    for (unsigned i = 0; i < held; ++i) add(InputEventKind::KeyDown, kRows[m][i], 0);
    if (k == 1) {
        add(InputEventKind::Wheel, 0, 255);
    } else if (k == 2) {
        add(InputEventKind::Wheel, 0, -255);
    } else if (k != 0) {
        const unsigned vk = k <= 6 ? k + 34 : k <= 8 ? 2 * k + 174 : (k + 56) % 256;
        add(InputEventKind::KeyDown, static_cast<uint8_t>(vk), 0);
        add(InputEventKind::KeyUp, static_cast<uint8_t>(vk), 0);
    }
    for (unsigned i = 0; i < held; ++i) add(InputEventKind::KeyUp, kRows[m][i], 0);
    return list;
}

// What input synthesis would send for `entry` is exactly what the tables say.
inline void CheckEvents(GestureMapEntry entry) {
    const InputEventList got = GestureEvents(entry);
    const InputEventList want = ExpectedEvents(entry);
    FUZZ_CHECK(got.count == want.count);
    for (size_t i = 0; i < got.count; ++i) {
        const InputEvent& g = got.events[i];
        const InputEvent& w = want.events[i];
        FUZZ_CHECK(g.kind == w.kind);
        if (g.kind == InputEventKind::Wheel)
            FUZZ_CHECK(g.wheelDelta == w.wheelDelta);
        else
            FUZZ_CHECK(g.vk == w.vk);
    }
}

// The recognizer's state stays inside its own ranges: SeqIdx indexes Seq,
// and Seq holds only direction codes.
inline void CheckRecognizer(const RecognizerState& s) {
    FUZZ_CHECK(s.SeqIdx <= 3);
    for (uint8_t d : s.Seq)
        FUZZ_CHECK(d == kDirNone || d == kDirRight || d == kDirLeft || d == kDirDown || d == kDirUp);
}
