#include "device/FileReplace.h"

ReplaceOutcome FinishSwap(SwapAnswer answer, const SwapFinishOps& ops, void* context) {
    switch (answer) {
    case SwapAnswer::Swapped:
        ops.deleteBackup(context);
        return ReplaceOutcome::Replaced;
    case SwapAnswer::NoOldFile:
        if (ops.moveNewIn(context)) return ReplaceOutcome::Replaced;
        ops.deleteNew(context);
        return ReplaceOutcome::Failed;
    case SwapAnswer::NothingMoved:
        ops.deleteNew(context);
        return ReplaceOutcome::Failed;
    case SwapAnswer::OldAtBackup:
        // The replacement completed by hand, or else undone: the old file
        // never stays under the backup name while the place is free.
        if (ops.moveNewIn(context)) {
            ops.deleteBackup(context);
            return ReplaceOutcome::Replaced;
        }
        if (ops.restoreOld(context)) ops.deleteNew(context);
        return ReplaceOutcome::Failed;
    }
    return ReplaceOutcome::Failed;
}
