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
    {"live", CmdLive},
    {"check", CmdCheck},
    {"save", CmdSave},
    {"keep", CmdKeep},
    {"open", CmdOpen},
#ifdef RTOUCH_DRIVER_COMMANDS
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
    "  params [--params FILE] [--orientation N] [--legacy] [--hex]   the block as rtouch would load it\n"
    "  probe                       whether the touch driver is there (exit 0 present, 1 absent)\n"
    "  replay [BLOCK OPTIONS] [--phases] TRACE   what the touch engine makes of a trace\n"
    "  solve [BLOCK OPTIONS] POINTS [--hex]      the block a calibration of nine points gives\n"
    "  calibrate [BLOCK OPTIONS] [--screen WxH] TRACE [--hex]   a calibration run on a trace\n"
    "  live [--hex]                the live block of the rtouch copy of this session (exit 3: none)\n"
    "  check FILE                  whether a parameters file is fit to keep (exit 4: a field is not)\n"
    "  save [FILE-IN] FILE         writes a checked block (FILE-IN's, or the live one) to FILE, whole\n"
    "                              or not at all\n"
    "  keep [FILE-IN]              puts a checked block in place as C:\\WINDOWS\\ZRNParameters.dat\n"
    "                              (the earlier one kept as ZRNParameters.dat.bak; administrators only)\n"
    "  open parameters|mapping     opens the copy's slider dialog or gesture map editor (exit 5: not\n"
    "                              up within 10 s)\n"
    "  help, --help, -h            this text\n"
    "BLOCK OPTIONS: --params FILE (a parameters file), --orientation N (0..3), --legacy (the old default "
    "map)\n"
    "Exit status: 0 done; 2 usage or an unreadable input file; 3 no rtouch copy in this session;\n"
    "4 the block check failed; 5 the write failed, the target is as it was; 6 keep without an\n"
    "administrator's rights"
#ifdef RTOUCH_DRIVER_COMMANDS
    "\nThe substitute driver: install [INF], uninstall, feed TRACE [--rate N], record [--count N] [FILE],\n"
    "driver-state, unplug, plug, read-wait MS"
#endif
    ;

}  // namespace

int RunRtouchctl(const Args& args) {
    if (args.size() < 2) return UsageError("missing command", kUsage);
    if (args.size() == 2 && (args[1] == "--help" || args[1] == "-h" || args[1] == "help")) {
        std::printf("usage: %s\n", kUsage);
        return kExitOk;
    }
    for (const Subcommand& s : kSubcommands)
        if (args[1] == s.name) return s.run(args);
    return UsageError("unknown command '" + args[1] + "'", kUsage);
}
