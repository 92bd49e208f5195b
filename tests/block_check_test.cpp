#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "device/BlockCheck.h"
#include "device/ParameterBlock.h"

namespace {

ParameterBlock GoodBlock() {
    ParameterBlock b = MakeDefaultParams();
    ChooseDefaultMap(b, false);
    return b;
}

std::vector<BlockFault> Check(const ParameterBlock& b) { return CheckBlock(BlockBytes(b)); }

struct Case {
    const char* what;
    std::function<void(ParameterBlock&)> change;
    // The fields that fail, in order; empty: the block passes.
    std::vector<std::string> fields;
};

const float kNan = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

const Case kCases[] = {
    {"the defaults", [](ParameterBlock&) {}, {}},
    {"every axis flag combination", [](ParameterBlock& b) { b.AxisFlags = 0x13; }, {}},
    {"an undefined axis bit", [](ParameterBlock& b) { b.AxisFlags = 0x04; }, {"AxisFlags"}},
    {"axis bits above the swap", [](ParameterBlock& b) { b.AxisFlags = 0x20; }, {"AxisFlags"}},
    {"scale factors at both ends", [](ParameterBlock& b) { b.ScaleX[0] = 0.125f, b.ScaleY[5] = 8.0f; }, {}},
    {"a scale factor just below", [](ParameterBlock& b) { b.ScaleX[3] = 0.1249f; }, {"ScaleX[3]"}},
    {"a scale factor just above", [](ParameterBlock& b) { b.ScaleY[1] = 8.001f; }, {"ScaleY[1]"}},
    {"a negative scale factor", [](ParameterBlock& b) { b.ScaleY[0] = -1.0f; }, {"ScaleY[0]"}},
    {"non-finite coefficients",
     [](ParameterBlock& b) { b.ScaleX[5] = kNan, b.ScaleSlope[7] = kInf, b.ScaleSlope[0] = -kInf; },
     {"ScaleX[5]", "ScaleSlope[0]", "ScaleSlope[7]"}},
    {"any finite slope", [](ParameterBlock& b) { b.ScaleSlope[2] = -1e30f; }, {}},
    {"DriverWord142 not 32", [](ParameterBlock& b) { b.DriverWord142 = 0; }, {"DriverWord142"}},
    {"slider fields at their ends",
     [](ParameterBlock& b) {
         b.DoubleClickArea = 10, b.ConstantTouch = 100, b.RightClickInterval = 1;
         b.SingleTouchScale = 1500, b.PinchScale = 8, b.PanScale = 3000;
     },
     {}},
    {"slider fields outside",
     [](ParameterBlock& b) {
         b.DoubleClickArea = 9, b.ConstantTouch = 101, b.RightClickInterval = 0;
         b.SingleTouchScale = 299, b.PinchScale = 81, b.PanScale = 3001;
     },
     {"DoubleClickArea", "ConstantTouch", "RightClickInterval", "SingleTouchScale", "PinchScale",
      "PanScale"}},
    {"the tables' last rows",
     [](ParameterBlock& b) {
         b.GestureMap[13] = {6, 34};
     },
     {}},
    {"a modifier beyond the table",
     [](ParameterBlock& b) {
         b.GestureMap[4] = {7, 0};
     },
     {"GestureMap[4]"}},
    {"a key beyond the table, both wrong",
     [](ParameterBlock& b) {
         b.GestureMap[2] = {200, 35};
     },
     {"GestureMap[2]", "GestureMap[2]"}},
    {"no map: the rest of the map is not read",
     [](ParameterBlock& b) {
         b.GestureMap[0] = {kNoMapMarker, 0xFF};
         b.GestureMap[9] = {99, 99};
     },
     {}},
    {"0xFF as a key is no marker",
     [](ParameterBlock& b) {
         b.GestureMap[0] = {0, kNoMapMarker};
     },
     {"GestureMap[0]"}},
    // The checked image is the file's: Orientation and the fields the
    // driver alone reads are anything.
    {"fields the check does not read",
     [](ParameterBlock& b) {
         b.Orientation = 9, b.CalX[9] = 65535, b.DriverWord146 = 0, b.PressureLimit = 0;
     },
     {}},
};

TEST(BlockCheck, NamesEveryFailingField) {
    for (const Case& c : kCases) {
        ParameterBlock b = GoodBlock();
        c.change(b);
        std::vector<std::string> fields;
        for (const BlockFault& f : Check(b)) {
            fields.push_back(f.field);
            EXPECT_FALSE(f.problem.empty()) << c.what;
        }
        EXPECT_EQ(c.fields, fields) << c.what;
    }
}

TEST(BlockCheck, SaysWhatTheValueIs) {
    ParameterBlock b = GoodBlock();
    b.PanScale = 3001;
    b.ScaleX[0] = kNan;
    const std::vector<BlockFault> faults = Check(b);
    ASSERT_EQ(2u, faults.size());
    EXPECT_EQ("is nan, not a finite number", faults[0].problem);
    EXPECT_EQ("is 3001, outside 500..3000", faults[1].problem);
}

}  // namespace
