// Reading the first bytes of a small file (the parameters file, a mapping
// file) and replacing a small file whole: one implementation per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/FilePath.h"

struct FileStart {
    // The system's error code when the file could not be opened or read;
    // 0 when it was read.
    uint32_t error = 0;
    // False when the file could not be opened at all.
    bool opened = false;
    // The bytes read, at most the number asked for; empty after an error.
    std::vector<uint8_t> bytes;
};

// Opens the file for reading with no sharing and reads at most `maxBytes`.
FileStart ReadFileStart(const FilePath& path, size_t maxBytes);

// Writes `bytes` into a new file beside `path`, then puts it in the place of
// `path` in one step: `path` ends up whole with the new bytes, or, on any
// failure, untouched and with nothing left beside it. False on failure.
bool ReplaceFileWhole(const FilePath& path, std::span<const uint8_t> bytes);
