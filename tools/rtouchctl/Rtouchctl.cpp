#include <cstdio>
#include <cstring>

#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"

namespace {

struct Subcommand {
    const char* name;
    int (*run)(const Args&);
};

const Subcommand kSubcommands[] = {
    {"params", CmdParams},
    {"probe", CmdProbe},
    {"replay", CmdReplay},
    {"solve", CmdSolve},
    {"calibrate", CmdCalibrate},
};

const char kUsage[] =
    "rtouchctl <command> [options]\n"
    "  params [--params FILE] [--orientation N] [--legacy] [--hex]\n"
    "  probe\n"
    "  replay [--params FILE] [--orientation N] [--legacy] TRACE\n"
    "  solve [--params FILE] [--orientation N] [--legacy] POINTS [--hex]\n"
    "  calibrate [--params FILE] [--orientation N] [--legacy] [--screen WxH] TRACE [--hex]";

}  // namespace

int RunRtouchctl(const Args& args) {
    if (args.size() < 2) return UsageError("missing command", kUsage);
    for (const Subcommand& s : kSubcommands)
        if (args[1] == s.name) return s.run(args);
    return UsageError("unknown command '" + args[1] + "'", kUsage);
}
