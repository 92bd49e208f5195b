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
    auto c = OpenFileCommand(args, {"--hex"}, kUsage, "points", LoadPointsFile);
    if (!c) return kExitUsage;
    ParameterBlock& live = c->live;
    for (size_t i = 0; i < kCalPointCount; ++i) {
        live.CalX[i] = c->input[i].X;
        live.CalY[i] = c->input[i].Y;
    }
    CalibrationSolve(live);
    std::printf("%s\n", BlockHex(live).c_str());
    return kExitOk;
}
