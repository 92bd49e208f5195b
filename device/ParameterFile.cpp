#include "device/ParameterFile.h"

#include "device/FileStart.h"

std::optional<std::vector<uint8_t>> ReadParameterFile(const FilePath& path) {
    // A folder that someone else than the administrators may write: the
    // file is not looked at, as if it were missing.
    if (!FolderTrusted(ReadFolderFacts(path))) return std::nullopt;
    FileStart read = ReadFileStart(path, kParameterBlockSize);
    if (!read.opened) return std::nullopt;
    // A read error leaves no bytes: the defaults, as for a short file.
    return std::move(read.bytes);
}

void LoadParameterFile(const FilePath& path, uint16_t currentOrientation, ParameterBlock& defaults,
                       ParameterBlock& live) {
    std::optional<std::vector<uint8_t>> content = ReadParameterFile(path);
    std::optional<std::span<const uint8_t>> bytes;
    if (content) bytes = std::span<const uint8_t>(*content);
    LoadParameterBlock(bytes, currentOrientation, defaults, live);
}
