// The rtouchctl subcommands. Each takes the whole argument list (argv[1] is
// the subcommand) and returns the process exit status.
#pragma once

#include <string>
#include <vector>

using Args = std::vector<std::string>;

int CmdParams(const Args& args);
int CmdProbe(const Args& args);
int CmdReplay(const Args& args);
int CmdSolve(const Args& args);
int CmdCalibrate(const Args& args);
int CmdLive(const Args& args);
int CmdCheck(const Args& args);
int CmdSave(const Args& args);
int CmdKeep(const Args& args);
int CmdOpen(const Args& args);

#ifdef RTOUCH_DRIVER_COMMANDS
// The substitute driver: only in the Windows test builds, never in a
// release build or a package but the developer kit.
int CmdInstall(const Args& args);
int CmdUninstall(const Args& args);
int CmdFeed(const Args& args);
int CmdRecord(const Args& args);
int CmdDriverState(const Args& args);
int CmdUnplug(const Args& args);
int CmdPlug(const Args& args);
int CmdReadWait(const Args& args);
#endif

// Runs the tool: dispatches on the subcommand.
int RunRtouchctl(const Args& args);
