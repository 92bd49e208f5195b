#include <cstdio>

#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Live.h"

std::optional<BlockImage> FetchLiveBlock(int& status) {
    std::fprintf(stderr, "rtouchctl: the host build has no running rtouch copy to ask\n");
    status = kExitNoCopy;
    return std::nullopt;
}
