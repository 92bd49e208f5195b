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
    // A file an ordinary user may change: its bytes are not used.
    if (!FileTrusted(read.security)) return ParameterFileUse::FileNotTrusted;
    // A read error leaves no bytes: the defaults, as for a short file.
    content = std::move(read.bytes);
    return content->size() < kParameterBlockSize ? ParameterFileUse::Short : ParameterFileUse::Served;
}

}  // namespace

std::string_view UnusedReason(ParameterFileUse use) {
    switch (use) {
    case ParameterFileUse::Served:
        return {};
    case ParameterFileUse::FolderNotTrusted:
        return "its folder may be changed by others than the administrators";
    case ParameterFileUse::FileNotTrusted:
        return "ordinary users may change it (its owner or permissions)";
    case ParameterFileUse::CannotOpen:
        return "it cannot be opened";
    case ParameterFileUse::Short:
        return "it holds fewer than 180 bytes";
    }
    return {};
}

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
