// The bits of the parameter block's AxisFlags word: how the controller's raw
// axes lie against the screen's. The calibration solve detects and sets
// them; the touch worker applies them to every raw position, and describes
// its display-orientation turn with the same bits.
#pragma once

#include <cstdint>

constexpr uint16_t kAxisInvertY = 0x01;        // Y runs the other way
constexpr uint16_t kAxisInvertX = 0x02;        // X runs the other way
constexpr uint16_t kAxisSwap = 0x10;           // X and Y exchanged; applied before inverting
constexpr uint16_t kAxisInversionMask = 0x0F;  // the bits that select the inversion

// The largest coordinate of the controller's 12-bit space (0..4095).
constexpr int32_t kCoordMax = 4095;

// One coordinate inverted: |v - 4095|. A value beyond the range (a raw
// 16-bit reading) comes out mirrored, never negative.
constexpr int32_t InvertCoord(int32_t v) { return v > kCoordMax ? v - kCoordMax : kCoordMax - v; }

static_assert(InvertCoord(0) == kCoordMax && InvertCoord(kCoordMax) == 0 && InvertCoord(65535) == 61440);
