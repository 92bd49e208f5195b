#include "device/ParameterFile.h"

void LoadParameterFile(const FilePath& path, uint16_t currentOrientation,
                       ParameterBlock& defaults, ParameterBlock& live) {
    std::optional<std::vector<uint8_t>> content = ReadParameterFile(path);
    std::optional<std::span<const uint8_t>> bytes;
    if (content) bytes = std::span<const uint8_t>(*content);
    LoadParameterBlock(bytes, currentOrientation, defaults, live);
}
