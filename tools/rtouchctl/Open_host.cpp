#include <cstdio>

#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"

int CmdOpen(const Args& args) {
    if (!ParseOptions(args, 2, {}, 1, "rtouchctl open parameters|mapping")) return kExitUsage;
    std::fprintf(stderr, "rtouchctl: the host build has no running rtouch copy to ask\n");
    return kExitNoCopy;
}
