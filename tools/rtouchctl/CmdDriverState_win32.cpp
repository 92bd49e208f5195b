// rtouchctl driver-state / unplug / plug / read-wait: the substitute
// driver's state, its run-time removal and arrival, and how long its reads
// wait for a report.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "device/ParameterBlock.h"
#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"
#include "tools/rtouchctl/ControlDevice_win32.h"
#include "tools/rtouchctl/TextFields.h"

namespace {

constexpr DWORD kPlugTimeoutMs = 10000;

int PlugCommand(const Args& args, bool plugged) {
    const char* usage = plugged ? "rtouchctl plug" : "rtouchctl unplug";
    if (!ParseOptions(args, 2, {}, 0, usage)) return kExitUsage;
    auto control = OpenControlDevice();
    if (!control) return kExitUsage;
    bool ok = ControlCommand(*control, plugged ? IOCTL_RTOUCHDRV_PLUG : IOCTL_RTOUCHDRV_UNPLUG, nullptr, 0,
                             nullptr, 0, plugged ? "cannot plug the device" : "cannot unplug the device");
    CloseHandle(*control);
    if (!ok) return kExitUsage;
    if (!WaitForTouchInterface(plugged, kPlugTimeoutMs))
        return UsageError(plugged ? "the touch interface did not appear"
                                  : "the touch interface did not go away");
    return kExitOk;
}

}  // namespace

// Six lines, "<key> <value>":
//   block <360 hex digits: the last parameter block sent since the device
//          was plugged in; zeros before the first send and after an unplug>
//   sends <parameter sends accepted since the driver started or was reset,
//          counted across unplugs>
//   queue <entries not yet read>
//   rate <reports per second>
//   plugged <1 or 0>
//   waiting <reads waiting in the driver for a report>
int CmdDriverState(const Args& args) {
    if (!ParseOptions(args, 2, {}, 0, "rtouchctl driver-state")) return kExitUsage;
    auto control = OpenControlDevice();
    if (!control) return kExitUsage;
    auto state = ReadDriverState(*control);
    CloseHandle(*control);
    if (!state) return kExitUsage;
    ParameterBlock block;
    static_assert(sizeof block == sizeof state->LastBlock);
    std::memcpy(&block, state->LastBlock, sizeof block);
    std::printf("block %s\nsends %u\nqueue %u\nrate %u\nplugged %u\nwaiting %u\n", BlockHex(block).c_str(),
                state->SendCount, state->QueueLength, state->ReportsPerSecond, state->Plugged,
                state->WaitingReads);
    return kExitOk;
}

// Sets the read wait in milliseconds (0 fails a read with no report due at
// once); silent on success.
int CmdReadWait(const Args& args) {
    const char* usage = "rtouchctl read-wait MS";
    auto options = ParseOptions(args, 2, {}, 1, usage);
    if (!options) return kExitUsage;
    if (options->positional.empty()) return UsageError("missing read wait", usage);
    uint32_t milliseconds = 0;
    if (!ParseUnsignedField(options->positional[0], RTOUCHDRV_MAX_READ_WAIT_MS, milliseconds))
        return UsageError("bad read wait '" + options->positional[0] + "' (0.." +
                              std::to_string(RTOUCHDRV_MAX_READ_WAIT_MS) + " ms)",
                          usage);
    auto control = OpenControlDevice();
    if (!control) return kExitUsage;
    bool ok = ControlCommand(*control, IOCTL_RTOUCHDRV_SET_READ_WAIT, &milliseconds, sizeof milliseconds,
                             nullptr, 0, "cannot set the read wait");
    CloseHandle(*control);
    return ok ? kExitOk : kExitUsage;
}

int CmdUnplug(const Args& args) { return PlugCommand(args, false); }
int CmdPlug(const Args& args) { return PlugCommand(args, true); }
