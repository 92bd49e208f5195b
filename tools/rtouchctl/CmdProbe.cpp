// rtouchctl probe: the application's device probe.
#include <cstdio>

#include "device/DriverChannel.h"
#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"

int CmdProbe(const Args& args) {
    if (!ParseOptions(args, 2, {}, 0, "rtouchctl probe")) return kExitUsage;
    bool present = ProbeDriver();
    std::printf("%s\n", present ? "present" : "absent");
    return present ? kExitOk : kExitAbsent;
}
