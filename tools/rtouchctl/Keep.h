// What `keep` needs of the platform: whose rights it runs with, and the
// write into the parameters file's place.
#pragma once

#include "tools/rtouchctl/BlockInput.h"

// Whether the process runs with an administrator's rights: on Windows a
// member of Administrators whose token is not filtered (elevated).
bool HoldsAdministratorRights();

// Writes `image` into the parameters file's place, the earlier file kept as
// the backup, one keep at a time on the machine; prints the cause of a
// failure. Returns the exit status (kExitOk or kExitWriteFailed).
int KeepBlock(const BlockImage& image);
