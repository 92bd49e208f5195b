#include "device/ParameterFile.h"

#include "device/FileStart.h"

namespace {

ParameterFileUse ReadFile(const FilePath& path, std::optional<std::vector<uint8_t>>& content,
                          uint32_t& error) {
    // A folder that someone else than the administrators may write: the
    // file is not looked at, as if it were missing.
    if (!FolderTrusted(ReadFolderFacts(path))) return ParameterFileUse::FolderNotTrusted;
    FileStart read = ReadFileStart(path, kParameterBlockSize);
    error = read.error;
    if (!read.opened) return ParameterFileUse::CannotOpen;
    // A read error leaves no bytes: the defaults, as for a short file.
    content = std::move(read.bytes);
    return content->size() < kParameterBlockSize ? ParameterFileUse::Short : ParameterFileUse::Served;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadParameterFile(const FilePath& path) {
    std::optional<std::vector<uint8_t>> content;
    uint32_t error = 0;
    ReadFile(path, content, error);
    return content;
}

ParameterFileUse LoadParameterFile(const FilePath& path, uint16_t currentOrientation,
                                   ParameterBlock& defaults, ParameterBlock& live, uint32_t* error) {
    std::optional<std::vector<uint8_t>> content;
    uint32_t code = 0;
    const ParameterFileUse use = ReadFile(path, content, code);
    if (error) *error = code;
    std::optional<std::span<const uint8_t>> bytes;
    if (content) bytes = std::span<const uint8_t>(*content);
    LoadParameterBlock(bytes, currentOrientation, defaults, live);
    return use;
}
