// Mapping files: the 28-byte image of the gesture map, no header, saved and
// loaded by the gesture mapping dialog.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "device/FilePath.h"
#include "device/FileStart.h"
#include "device/ParameterBlock.h"

using GestureMapImage = std::array<uint8_t, kGestureMapSize>;

// The map of `block` as a mapping file holds it: entry order, modifier byte
// then key byte.
GestureMapImage MapImageOf(const ParameterBlock& block);

// Puts a mapping file's content into the map of `block`. The map is cleared
// first, then the first bytes of `content` (at most 28) replace its start: a
// short or empty file leaves the rest of the map zero. Each byte is a single
// store, so a running worker sees every byte old or new.
void ApplyMapFileContent(ParameterBlock& block, std::span<const uint8_t> content);

// Reads at most 28 bytes of the file (opened with no sharing) into the map
// of `block` with ApplyMapFileContent. A file that cannot be opened or read
// leaves the map exactly as it was; the result is then the system's error
// code, else 0.
uint32_t LoadMapFile(const FilePath& path, ParameterBlock& block);

// Replaces the file whole with the 28 bytes of the map of `block` (written
// beside it first); on failure the file stays as it was.
ReplaceOutcome SaveMapFile(const FilePath& path, const ParameterBlock& block);
