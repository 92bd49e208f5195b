// Asking the rtouch copy of the caller's session for its live block.
#pragma once

#include <optional>

#include "tools/rtouchctl/BlockInput.h"

// The live block; nullopt after the reason is printed, with kExitNoCopy in
// `status` (no copy in this session, or it did not answer). One
// implementation per platform.
std::optional<BlockImage> FetchLiveBlock(int& status);
