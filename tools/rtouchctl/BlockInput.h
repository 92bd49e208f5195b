// Parameter block images named on rtouchctl's command line: read from a
// plain file only, checked, and the check's findings printed.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/BlockCheck.h"
#include "device/ParameterBlock.h"

using BlockImage = std::array<uint8_t, kParameterBlockSize>;

// Opens `utf8Path` for reading only if it is a plain file: not a folder, a
// link or other reparse point, or a device ("CON", "\\.\..."), which could
// block a read or answer with something else than the file. Reads at most
// `maxBytes`. nullopt with the reason in `why` otherwise. One
// implementation per platform.
std::optional<std::vector<uint8_t>> ReadPlainFileStart(const std::string& utf8Path, size_t maxBytes,
                                                       std::string& why);

// Whether `utf8Path` names no file or a plain one: what a command may
// write to. Otherwise the reason is in `why`.
bool PlainFileOrNone(const std::string& utf8Path, std::string& why);

// The first 180 bytes of a parameters file given as input. A file that
// cannot be read or is shorter: the reason on standard error, nullopt
// (exit kExitUsage).
std::optional<BlockImage> ReadBlockInput(const std::string& utf8Path);

// One line per fault on standard error, each naming `source` and the field.
void PrintBlockFaults(const std::string& source, const std::vector<BlockFault>& faults);

// The one line of a command that refuses to write a block that fails the
// check: the first fault, and how many more `check` would name.
void PrintCheckRefusal(const std::string& source, const std::vector<BlockFault>& faults);
