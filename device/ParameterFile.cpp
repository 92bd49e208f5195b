#include "device/ParameterFile.h"

#include "device/FileStart.h"

std::optional<std::vector<uint8_t>> ReadParameterFile(const FilePath& path) {
    FileStart read = ReadFileStart(path, kParameterBlockSize);
    if (!read.opened) return std::nullopt;
    // A read error leaves no bytes: the defaults, as for a short file.
    return std::move(read.bytes);
}

void LoadParameterFile(const FilePath& path, uint16_t currentOrientation,
                       ParameterBlock& defaults, ParameterBlock& live) {
    std::optional<std::vector<uint8_t>> content = ReadParameterFile(path);
    std::optional<std::span<const uint8_t>> bytes;
    if (content) bytes = std::span<const uint8_t>(*content);
    LoadParameterBlock(bytes, currentOrientation, defaults, live);
}
