// rtouchctl check: whether a parameters file is fit to be kept.
#include <cstdio>

#include "tools/rtouchctl/BlockInput.h"
#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"

int CmdCheck(const Args& args) {
    static const char kUsage[] = "rtouchctl check FILE";
    const std::optional<Options> o = ParseOptions(args, 2, {}, 1, kUsage);
    if (!o) return kExitUsage;
    if (o->positional.empty()) return UsageError("missing parameters file", kUsage);
    const std::string& path = o->positional[0];
    const std::optional<BlockImage> image = ReadBlockInput(path);
    if (!image) return kExitUsage;
    const std::vector<BlockFault> faults = CheckBlock(*image);
    if (!faults.empty()) {
        PrintBlockFaults(path, faults);
        return kExitCheckFailed;
    }
    std::printf("ok\n");
    return kExitOk;
}
