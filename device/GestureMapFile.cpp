#include "device/GestureMapFile.h"

#include <algorithm>

GestureMapImage MapImageOf(const ParameterBlock& block) {
    GestureMapImage image{};
    for (size_t i = 0; i < kGestureCount; ++i) {
        image[2 * i] = ReadField(block.GestureMap[i].modifier);
        image[2 * i + 1] = ReadField(block.GestureMap[i].key);
    }
    return image;
}

void ApplyMapFileContent(ParameterBlock& block, std::optional<std::span<const uint8_t>> content) {
    GestureMapImage image{};
    if (content) std::copy_n(content->begin(), std::min(content->size(), image.size()), image.begin());
    GestureMapTable map;
    for (size_t i = 0; i < kGestureCount; ++i) map[i] = {image[2 * i], image[2 * i + 1]};
    WriteGestureMap(block, map);
}

void LoadMapFile(const FilePath& path, ParameterBlock& block) {
    std::optional<std::vector<uint8_t>> content = ReadMapFile(path);
    std::optional<std::span<const uint8_t>> bytes;
    if (content) bytes = std::span<const uint8_t>(*content);
    ApplyMapFileContent(block, bytes);
}

bool SaveMapFile(const FilePath& path, const ParameterBlock& block) {
    return WriteMapFile(path, MapImageOf(block));
}
