// Mapping files: the 28-byte image of the gesture map, no header, saved and
// loaded by the gesture mapping dialog.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device/FilePath.h"
#include "device/ParameterBlock.h"

using GestureMapImage = std::array<uint8_t, kGestureMapSize>;

// The map of `block` as a mapping file holds it: entry order, modifier byte
// then key byte.
GestureMapImage MapImageOf(const ParameterBlock& block);

// Puts a mapping file's content into the map of `block`. The map is cleared
// first, then the first bytes of `content` (at most 28) replace its start: a
// short file leaves the rest of the map zero, and no content (the file could
// not be opened) leaves the whole map zero. Each byte is a single store, so
// a running worker sees every byte old or new.
void ApplyMapFileContent(ParameterBlock& block, std::optional<std::span<const uint8_t>> content);

// Opens the file for reading with no sharing and reads at most 28 bytes;
// nullopt when it cannot be opened. A read error gives the bytes read so far.
std::optional<std::vector<uint8_t>> ReadMapFile(const FilePath& path);

// Creates or replaces the file with exactly the 28 bytes of `image`. False
// when it cannot be created or not every byte reached it.
bool WriteMapFile(const FilePath& path, const GestureMapImage& image);

// ReadMapFile followed by ApplyMapFileContent.
void LoadMapFile(const FilePath& path, ParameterBlock& block);
// WriteMapFile of the map of `block`.
bool SaveMapFile(const FilePath& path, const ParameterBlock& block);
