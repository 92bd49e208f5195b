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

ReplaceOutcome ReplaceKeepingBackup(const KeepBackupOps& ops, void* context) {
    const bool old = ops.oldExists(context);
    if (!ops.writeNew(context)) return ReplaceOutcome::Failed;
    if (old && !ops.nameOld(context)) {
        ops.deleteNew(context);
        return ReplaceOutcome::Failed;
    }
    if (!ops.moveNewIn(context)) {
        ops.deleteNew(context);
        if (old) ops.deleteOldName(context);
        return ReplaceOutcome::Failed;
    }
    if (!old || ops.moveOldToBackup(context)) return ReplaceOutcome::Replaced;
    ops.putOldBack(context);
    return ReplaceOutcome::Failed;
}
