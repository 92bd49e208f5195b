#include <cstdio>

#include "device/ParameterFile.h"

std::optional<std::vector<uint8_t>> ReadParameterFile(const FilePath& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::vector<uint8_t> bytes(kParameterBlockSize);
    size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    bytes.resize(got);
    return bytes;
}
