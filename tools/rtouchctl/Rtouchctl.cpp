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
    {"check", CmdCheck},
    {"save", CmdSave},
    {"keep", CmdKeep},
#ifdef _WIN32
    {"install", CmdInstall},
    {"uninstall", CmdUninstall},
    {"feed", CmdFeed},
    {"record", CmdRecord},
    {"driver-state", CmdDriverState},
    {"unplug", CmdUnplug},
    {"plug", CmdPlug},
    {"read-wait", CmdReadWait},
#endif
};

const char kUsage[] =
    "rtouchctl <command> [options]\n"
    "  params [--params FILE] [--orientation N] [--legacy] [--hex]\n"
    "  probe\n"
    "  replay [--params FILE] [--orientation N] [--legacy] [--phases] TRACE\n"
    "  solve [--params FILE] [--orientation N] [--legacy] POINTS [--hex]\n"
    "  calibrate [--params FILE] [--orientation N] [--legacy] [--screen WxH] TRACE [--hex]\n"
    "  check FILE\n"
    "  save FILE-IN FILE\n"
    "  keep FILE-IN"
#ifdef _WIN32
    "\n  install [INF]\n  uninstall\n  feed TRACE [--rate N]\n  record [--count N] [FILE]\n"
    "  driver-state\n  unplug\n  plug\n  read-wait MS"
#endif
    ;

}  // namespace

int RunRtouchctl(const Args& args) {
    if (args.size() < 2) return UsageError("missing command", kUsage);
    for (const Subcommand& s : kSubcommands)
        if (args[1] == s.name) return s.run(args);
    return UsageError("unknown command '" + args[1] + "'", kUsage);
}
