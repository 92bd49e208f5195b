// The six block fields the parameters dialog edits with sliders, and each
// slider's range: a slider's position is its field's value itself. The
// dialog lays them out; the block check refuses values outside them.
#pragma once

#include <cstdint>

#include "device/ParameterBlock.h"

struct SliderRange {
    const char* name;
    uint16_t ParameterBlock::*field;
    uint16_t minimum;
    uint16_t maximum;
};

inline constexpr SliderRange kDoubleClickAreaRange = {"DoubleClickArea", &ParameterBlock::DoubleClickArea, 10,
                                                      100};
inline constexpr SliderRange kConstantTouchRange = {"ConstantTouch", &ParameterBlock::ConstantTouch, 10, 100};
inline constexpr SliderRange kRightClickIntervalRange = {"RightClickInterval",
                                                         &ParameterBlock::RightClickInterval, 1, 10};
inline constexpr SliderRange kSingleTouchScaleRange = {"SingleTouchScale", &ParameterBlock::SingleTouchScale,
                                                       300, 1500};
inline constexpr SliderRange kPinchScaleRange = {"PinchScale", &ParameterBlock::PinchScale, 8, 80};
inline constexpr SliderRange kPanScaleRange = {"PanScale", &ParameterBlock::PanScale, 500, 3000};

inline constexpr const SliderRange* kSliderRanges[] = {&kDoubleClickAreaRange,    &kConstantTouchRange,
                                                       &kRightClickIntervalRange, &kSingleTouchScaleRange,
                                                       &kPinchScaleRange,         &kPanScaleRange};
