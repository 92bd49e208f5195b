// The parameter block: the one 180-byte settings record that the application
// loads from the parameters file, edits at run time and hands to the driver.
// The same packed little-endian image is used in memory, in the file and on
// the wire, so the struct below is the wire format itself.
#pragma once

#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

static_assert(std::endian::native == std::endian::little, "the parameter block is stored in host byte order");

constexpr size_t kParameterBlockSize = 180;
constexpr size_t kGestureCount = 14;
constexpr size_t kGestureMapSize = 2 * kGestureCount;
constexpr size_t kCalPointCount = 9;  // CalX/CalY carry a tenth, never read

// One gesture map entry: modifier row and key row of the mapping tables.
struct GestureMapEntry {
    uint8_t modifier;
    uint8_t key;
};
static_assert(sizeof(GestureMapEntry) == 2);

// A map file or the last 28 bytes of the block starting with this byte
// carries no map.
constexpr uint8_t kNoMapMarker = 0xFF;
// The driver expects this value at offset 142 whatever the file says.
constexpr uint16_t kDriverWord142Value = 32;

struct ParameterBlock {
    uint16_t CalX[10];
    uint16_t CalY[10];
    float ScaleX[6];
    float ScaleY[6];
    float ScaleSlope[8];
    uint16_t AxisFlags;
    uint16_t Orientation;
    uint16_t CalOrientation;
    uint16_t DoubleClickArea;
    uint16_t ConstantTouch;
    uint16_t FlipScale;
    uint16_t SingleTouchScale;
    uint16_t PanScale;
    uint16_t PinchScale;
    uint16_t Dist1Margin;
    uint16_t Dist2Margin;
    uint16_t DriverWord142;
    uint16_t RightClickInterval;
    uint16_t DriverWord146;
    uint16_t DriverWord148;
    uint16_t PressureLimit;
    GestureMapEntry GestureMap[kGestureCount];
};

static_assert(sizeof(ParameterBlock) == kParameterBlockSize);
static_assert(offsetof(ParameterBlock, CalX) == 0);
static_assert(offsetof(ParameterBlock, CalY) == 20);
static_assert(offsetof(ParameterBlock, ScaleX) == 40);
static_assert(offsetof(ParameterBlock, ScaleY) == 64);
static_assert(offsetof(ParameterBlock, ScaleSlope) == 88);
static_assert(offsetof(ParameterBlock, AxisFlags) == 120);
static_assert(offsetof(ParameterBlock, Orientation) == 122);
static_assert(offsetof(ParameterBlock, CalOrientation) == 124);
static_assert(offsetof(ParameterBlock, DoubleClickArea) == 126);
static_assert(offsetof(ParameterBlock, ConstantTouch) == 128);
static_assert(offsetof(ParameterBlock, FlipScale) == 130);
static_assert(offsetof(ParameterBlock, SingleTouchScale) == 132);
static_assert(offsetof(ParameterBlock, PanScale) == 134);
static_assert(offsetof(ParameterBlock, PinchScale) == 136);
static_assert(offsetof(ParameterBlock, Dist1Margin) == 138);
static_assert(offsetof(ParameterBlock, Dist2Margin) == 140);
static_assert(offsetof(ParameterBlock, DriverWord142) == 142);
static_assert(offsetof(ParameterBlock, RightClickInterval) == 144);
static_assert(offsetof(ParameterBlock, DriverWord146) == 146);
static_assert(offsetof(ParameterBlock, DriverWord148) == 148);
static_assert(offsetof(ParameterBlock, PressureLimit) == 150);
static_assert(offsetof(ParameterBlock, GestureMap) == 152);

// The four gesture scales at offsets 130..137, handed to the recognizer by
// address: FlipScale, SingleTouchScale, PanScale, PinchScale.
static_assert(offsetof(ParameterBlock, SingleTouchScale) == offsetof(ParameterBlock, FlipScale) + 2 &&
              offsetof(ParameterBlock, PanScale) == offsetof(ParameterBlock, FlipScale) + 4 &&
              offsetof(ParameterBlock, PinchScale) == offsetof(ParameterBlock, FlipScale) + 6);

using GestureMapTable = GestureMapEntry[kGestureCount];

extern const GestureMapTable GestureMapModern;
extern const GestureMapTable GestureMapLegacy;

// The built-in defaults, with an empty gesture map until ChooseDefaultMap.
ParameterBlock MakeDefaultParams();

// The live block of the process and its built-in twin. The live block is
// written on the main thread only and read by the touch worker on every
// report: fields that may change while the worker runs are written with
// WriteField and read there with ReadField.
extern ParameterBlock LiveParams;
extern ParameterBlock DefaultParams;

// Relaxed atomic access to one naturally aligned field: never torn, no lock.
template <class T>
inline T ReadField(const T& field) {
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}
template <class T>
inline void WriteField(T& field, T value) {
    std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}

// Copies a whole gesture map entry by entry, each byte a single store, so a
// running worker sees every byte old or new.
void WriteGestureMap(ParameterBlock& block, const GestureMapTable& map);
// Copies every field of src into dst with WriteField: a whole-block
// replacement that is safe while the worker reads dst.
void WriteWholeBlock(ParameterBlock& dst, const ParameterBlock& src);

// The system major version decides the default gesture map: 6 and later get
// the modern map, 5 and earlier the legacy one.
bool IsLegacySystem(unsigned majorVersion);
void ChooseDefaultMap(ParameterBlock& defaults, bool legacySystem);

// Builds the live block from the parameters file content. `file` is nullopt
// when the file cannot be opened; otherwise it holds the bytes read (up to
// the first 180). A missing or short file gives the defaults, whose
// Orientation is then set to the current one; a full one gets its fix-ups.
void LoadParameterBlock(std::optional<std::span<const uint8_t>> file, uint16_t currentOrientation,
                        ParameterBlock& defaults, ParameterBlock& live);

// The block's wire image, byte 0 first.
std::span<const uint8_t, kParameterBlockSize> BlockBytes(const ParameterBlock& block);
