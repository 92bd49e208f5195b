// Reading the first bytes of a small file (the parameters file, a mapping
// file) and replacing a small file whole: one implementation per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/FilePath.h"
#include "device/FolderTrust.h"

struct FileStart {
    // The system's error code when the file could not be opened or read;
    // 0 when it was read.
    uint32_t error = 0;
    // False when the file could not be opened at all.
    bool opened = false;
    // The bytes read, at most the number asked for; empty after an error.
    std::vector<uint8_t> bytes;
    // The opened file's owner and access list, for FileTrusted. The
    // substitute platform has none: every file reads as trusted there.
    SecurityFacts security;
};

// Opens the file for reading with no sharing and reads at most `maxBytes`.
FileStart ReadFileStart(const FilePath& path, size_t maxBytes);

// What FolderTrusted needs to know about the folder that holds `file`.
// The substitute platform has no Windows folder of its own: every folder
// counts as the system's there.
FolderFacts ReadFolderFacts(const FilePath& file);

enum class ReplaceOutcome : uint8_t {
    Replaced,
    Failed,
    // The path leaves no room for the name of the file written beside it.
    NameTooLong,
};

// Writes `bytes` into a file of a new, unique name beside `path` (created
// only when no file has that name), then puts it in the place of `path` in
// one step, keeping the old file's attributes (on Windows also its owner,
// permissions, streams and links): `path` ends up whole with the new bytes,
// or, on any failure, as it was (device/FileReplace.h: a replacement that
// fails halfway is completed or undone; only where both fail are the old
// and new bytes left beside `path` under names of this call). Only a file
// this call created is ever deleted. `error`, when given, receives the
// system's code of the step that failed (0 when none is known).
ReplaceOutcome ReplaceFileWhole(const FilePath& path, std::span<const uint8_t> bytes,
                                uint32_t* error = nullptr);

// Tries on names taken by other files before a replacement gives up.
inline constexpr unsigned kReplaceNameTries = 16;
