// rtouchctl live: the block the copy of this session works with.
#include <cstdio>
#include <cstring>

#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"
#include "tools/rtouchctl/Live.h"

int CmdLive(const Args& args) {
    const std::optional<Options> o = ParseOptions(args, 2, {"--hex"}, 0, "rtouchctl live [--hex]");
    if (!o) return kExitUsage;
    int status = kExitOk;
    const std::optional<BlockImage> image = FetchLiveBlock(status);
    if (!image) return status;
    ParameterBlock block;
    std::memcpy(&block, image->data(), kParameterBlockSize);
    if (o->hex)
        std::printf("%s\n", BlockHex(block).c_str());
    else
        PrintBlockFields(block);
    return kExitOk;
}
