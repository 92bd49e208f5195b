#include <cstdio>

#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Keep.h"

// The host has no administrators and no Windows folder: keep goes as far as
// its checks.
bool HoldsAdministratorRights() { return true; }

int KeepBlock(const BlockImage&) {
    std::fprintf(stderr, "rtouchctl: the host build has no parameters file to keep (save FILE writes one)\n");
    return kExitWriteFailed;
}
