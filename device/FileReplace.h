// What a file replacement does once the system's replacement step has
// answered: put the new file in place, bring the old one back, or leave
// things as they are. Decided here, carried out by the platform's
// ReplaceFileWhole, so that no answer ever leaves the old file's bytes
// under a name nobody looks at, and none deletes them before the new bytes
// are in place.
#pragma once

#include <cstdint>

#include "device/FileStart.h"

// The answer of the step that swaps the new file (written beside the old
// one) for the old one, which moves the old file to a backup name of the
// caller's choosing.
enum class SwapAnswer : uint8_t {
    // New file in place, old one under the backup name.
    Swapped,
    // There was no old file: the place is free, the new file beside it.
    NoOldFile,
    // Nothing moved: old file in place, new one beside it.
    NothingMoved,
    // The old file went to the backup name, the new one could not follow:
    // the place is free.
    OldAtBackup,
};

// The file operations the finish may need, on the platform's files.
struct SwapFinishOps {
    // Moves the new file into the place (which is free); whether it did.
    bool (*moveNewIn)(void* context);
    // Moves the old file back from the backup name into the place.
    bool (*restoreOld)(void* context);
    void (*deleteNew)(void* context);
    void (*deleteBackup)(void* context);
};

// Finishes a replacement after `answer`. A backup is deleted only once the
// new bytes are in place; where neither the new file nor the old one can
// be put in place, both are kept as they are (Failed).
ReplaceOutcome FinishSwap(SwapAnswer answer, const SwapFinishOps& ops, void* context);

// A replacement that keeps the old file under a backup name (over an
// earlier backup) and leaves the new file the security it was written
// with; the swap above would give it the old file's. Each step is one
// rename or link, done whole or not at all:
//  1. the new file written whole beside the place;
//  2. if there is an old file, a second name for it beside the place;
//  3. the new file renamed into the place, over the old one;
//  4. the old file's second name renamed to the backup name.
// A failed step undoes the ones before it: the place and the backup end as
// they were. Only if step 4 and then its undo both fail does the new file
// stay in place with the old one under its second name (Failed).
struct KeepBackupOps {
    bool (*oldExists)(void* context);
    // Creates and writes the new file; on failure leaves nothing behind.
    bool (*writeNew)(void* context);
    bool (*nameOld)(void* context);
    bool (*moveNewIn)(void* context);
    bool (*moveOldToBackup)(void* context);
    // The old file's second name renamed back into the place.
    bool (*putOldBack)(void* context);
    void (*deleteNew)(void* context);
    void (*deleteOldName)(void* context);
};

ReplaceOutcome ReplaceKeepingBackup(const KeepBackupOps& ops, void* context);
