#include "device/GestureMapFile.h"

#include <algorithm>

#include "device/FileStart.h"

GestureMapImage MapImageOf(const ParameterBlock& block) {
    GestureMapImage image{};
    for (size_t i = 0; i < kGestureCount; ++i) {
        image[2 * i] = ReadField(block.GestureMap[i].modifier);
        image[2 * i + 1] = ReadField(block.GestureMap[i].key);
    }
    return image;
}

void ApplyMapFileContent(ParameterBlock& block, std::span<const uint8_t> content) {
    GestureMapImage image{};
    std::copy_n(content.begin(), std::min(content.size(), image.size()), image.begin());
    GestureMapTable map;
    for (size_t i = 0; i < kGestureCount; ++i) map[i] = {image[2 * i], image[2 * i + 1]};
    WriteGestureMap(block, map);
}

uint32_t LoadMapFile(const FilePath& path, ParameterBlock& block) {
    const FileStart read = ReadFileStart(path, kGestureMapSize);
    if (read.error == 0) ApplyMapFileContent(block, read.bytes);
    return read.error;
}

ReplaceOutcome SaveMapFile(const FilePath& path, const ParameterBlock& block) {
    return ReplaceFileWhole(path, MapImageOf(block));
}
