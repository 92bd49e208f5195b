// rtouchctl solve: the calibration solve on nine given raw points.
#include <cstdio>

#include "calibration/CalibrationSolve.h"
#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"
#include "tools/rtouchctl/PointsFile.h"

namespace {
const char kUsage[] = "rtouchctl solve [--params FILE] [--orientation N] [--legacy] POINTS --hex";
}

int CmdSolve(const Args& args) {
    OptionSet accepted = kBlockOptions;
    accepted.push_back("--hex");
    std::optional<Options> o = ParseOptions(args, 2, accepted, 1, kUsage);
    if (!o) return kExitUsage;
    if (o->positional.empty()) return UsageError("missing points file", kUsage);
    std::optional<CalPoints> points = LoadPointsFile(o->positional[0]);
    if (!points) return kExitUsage;

    ParameterBlock defaults, live;
    LoadBlockFromOptions(*o, defaults, live);
    for (size_t i = 0; i < kCalPointCount; ++i) {
        live.CalX[i] = (*points)[i].X;
        live.CalY[i] = (*points)[i].Y;
    }
    CalibrationSolve(live);
    std::printf("%s\n", BlockHex(live).c_str());
    return kExitOk;
}
