// rtouchctl params: the block exactly as the application would load it.
#include <cstdio>
#include <string>

#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"

namespace {

const char kUsage[] = "rtouchctl params [--params FILE] [--orientation N] [--legacy] [--hex]";

template <class T, size_t N>
std::string List(const T (&values)[N]) {
    std::string out;
    for (size_t i = 0; i < N; ++i) {
        if (i) out += ' ';
        out += std::to_string(values[i]);
    }
    return out;
}

}  // namespace

void PrintBlockFields(const ParameterBlock& b) {
    std::printf("CalX               %s\n", List(b.CalX).c_str());
    std::printf("CalY               %s\n", List(b.CalY).c_str());
    auto floats = [](const float* f, size_t n) {
        std::string out;
        char buf[32];
        for (size_t i = 0; i < n; ++i) {
            std::snprintf(buf, sizeof buf, "%s%.9g", i ? " " : "", static_cast<double>(f[i]));
            out += buf;
        }
        return out;
    };
    std::printf("ScaleX             %s\n", floats(b.ScaleX, 6).c_str());
    std::printf("ScaleY             %s\n", floats(b.ScaleY, 6).c_str());
    std::printf("ScaleSlope         %s\n", floats(b.ScaleSlope, 8).c_str());
    std::printf("AxisFlags          0x%02x\n", b.AxisFlags);
    const struct {
        const char* name;
        uint16_t value;
    } words[] = {
        {"Orientation", b.Orientation},
        {"CalOrientation", b.CalOrientation},
        {"DoubleClickArea", b.DoubleClickArea},
        {"ConstantTouch", b.ConstantTouch},
        {"FlipScale", b.FlipScale},
        {"SingleTouchScale", b.SingleTouchScale},
        {"PanScale", b.PanScale},
        {"PinchScale", b.PinchScale},
        {"Dist1Margin", b.Dist1Margin},
        {"Dist2Margin", b.Dist2Margin},
        {"DriverWord142", b.DriverWord142},
        {"RightClickInterval", b.RightClickInterval},
        {"DriverWord146", b.DriverWord146},
        {"DriverWord148", b.DriverWord148},
        {"PressureLimit", b.PressureLimit},
    };
    for (const auto& w : words) std::printf("%-18s %u\n", w.name, w.value);
    std::printf("GestureMap        ");
    for (const GestureMapEntry& e : b.GestureMap) std::printf(" (%u,%u)", e.modifier, e.key);
    std::printf("\n");
}

int CmdParams(const Args& args) {
    OptionSet accepted = kBlockOptions;
    accepted.push_back("--hex");
    std::optional<Options> o = ParseOptions(args, 2, accepted, 0, kUsage);
    if (!o) return kExitUsage;
    ParameterBlock defaults, live;
    LoadBlockFromOptions(*o, defaults, live);
    if (o->hex)
        std::printf("%s\n", BlockHex(live).c_str());
    else
        PrintBlockFields(live);
    return kExitOk;
}
