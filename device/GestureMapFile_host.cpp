#include <cstdio>

#include "device/GestureMapFile.h"

std::optional<std::vector<uint8_t>> ReadMapFile(const FilePath& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::vector<uint8_t> bytes(kGestureMapSize);
    size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    bytes.resize(got);
    return bytes;
}

bool WriteMapFile(const FilePath& path, const GestureMapImage& image) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
    // Buffered bytes reach the file (or fail to) only here.
    return std::fclose(f) == 0 && ok;
}
