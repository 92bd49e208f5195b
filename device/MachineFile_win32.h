// Writing a file that every session's copy reads and only administrators
// may change: the parameters file, kept by rtouchctl.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

#include "device/FilePath.h"
#include "device/FileStart.h"

// Who may do what with such a file: owned by the Administrators group, full
// access for Administrators and SYSTEM, read access for Users, nothing
// inherited from the folder.
inline constexpr wchar_t kMachineFileSecurity[] = L"O:BAG:BAD:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;FR;;;BU)";

// Replaces `path` with `bytes` as ReplaceKeepingBackup (device/FileReplace.h)
// does: an earlier file ends as `backup` (over an earlier backup), the new
// file carries kMachineFileSecurity from the moment it is created, so it
// never has another owner or access list under the name. `error`: the
// system's code of the step that failed.
ReplaceOutcome ReplaceMachineFile(const FilePath& path, std::span<const uint8_t> bytes,
                                  const FilePath& backup, DWORD& error);
