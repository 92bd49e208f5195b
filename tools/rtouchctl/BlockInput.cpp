#include "tools/rtouchctl/BlockInput.h"

#include <algorithm>
#include <cstdio>

#include "tools/rtouchctl/Cli.h"

std::optional<BlockImage> ReadBlockInput(const std::string& utf8Path) {
    std::string why;
    const std::optional<std::vector<uint8_t>> bytes = ReadPlainFileStart(utf8Path, kParameterBlockSize, why);
    if (!bytes) {
        UsageError("cannot read parameters file '" + utf8Path + "': " + why);
        return std::nullopt;
    }
    if (bytes->size() < kParameterBlockSize) {
        UsageError("parameters file '" + utf8Path + "' holds " + std::to_string(bytes->size()) +
                   " bytes, fewer than the block's 180");
        return std::nullopt;
    }
    BlockImage image;
    std::copy_n(bytes->begin(), kParameterBlockSize, image.begin());
    return image;
}

void PrintBlockFaults(const std::string& source, const std::vector<BlockFault>& faults) {
    for (const BlockFault& f : faults)
        std::fprintf(stderr, "rtouchctl: %s: %s %s\n", source.c_str(), f.field.c_str(), f.problem.c_str());
}

void PrintCheckRefusal(const std::string& source, const std::vector<BlockFault>& faults) {
    const BlockFault& first = faults.front();
    std::string more;
    if (faults.size() > 1) more = " (and " + std::to_string(faults.size() - 1) + " more: rtouchctl check)";
    std::fprintf(stderr, "rtouchctl: %s fails the block check: %s %s%s; nothing written\n", source.c_str(),
                 first.field.c_str(), first.problem.c_str(), more.c_str());
}
