/* The touch state: the queue and its pacing, the block and the
 * configuration as last sent, the fault counters, and the lock that guards
 * them; how a request of the touch device completes. The dispatch and the
 * pending reads both build on it; it calls neither. */
#include "TouchState.h"

TOUCH_DRIVER Touch;

void SetRateLocked(ULONG rate) {
    Touch.Rate = rate;
    Touch.Period = TICKS_PER_SECOND / rate;
}

void SetReadWaitLocked(ULONG milliseconds) {
    Touch.ReadWait = (ULONGLONG)milliseconds * TICKS_PER_MILLISECOND;
}

ULONGLONG Now(void) {
    const ULONGLONG count = (ULONGLONG)KeQueryPerformanceCounter(NULL).QuadPart;
    const ULONGLONG frequency = Touch.CounterFrequency;
    /* In two parts, so the product cannot overflow. */
    return count / frequency * TICKS_PER_SECOND + count % frequency * TICKS_PER_SECOND / frequency;
}

void InitTouchState(void) {
    LARGE_INTEGER frequency;
    KeQueryPerformanceCounter(&frequency);
    Touch.CounterFrequency = (ULONGLONG)frequency.QuadPart;
    KeInitializeSpinLock(&Touch.Lock);
    InitializeListHead(&Touch.PendingReads);
    KeInitializeEvent(&Touch.ReaderWake, SynchronizationEvent, FALSE);
    KeInitializeMutex(&Touch.PnpLock, 0);
    SetRateLocked(RTOUCHDRV_DEFAULT_RATE);
    SetReadWaitLocked(RTOUCHDRV_DEFAULT_READ_WAIT_MS);
}

NTSTATUS CompleteRequest(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS CompleteTouchRequest(PIRP irp, NTSTATUS status, ULONG_PTR returned) {
    CompleteRequest(irp, status, returned);
    IoReleaseRemoveLock(&Touch.RemoveLock, irp);
    return status;
}

NTSTATUS OpenTouchHandle(PFILE_OBJECT file) {
    NTSTATUS status = STATUS_SUCCESS;
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    if (!Touch.Plugged || !file)
        status = STATUS_NO_SUCH_DEVICE;
    else
        file->FsContext = (PVOID)(ULONG_PTR)Touch.Generation;
    KeReleaseSpinLock(&Touch.Lock, irql);
    return status;
}

/* The request's handle reaches a plugged device it was opened on. */
BOOLEAN IsLiveLocked(PIRP irp) {
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    return Touch.Plugged && file && (ULONG)(ULONG_PTR)file->FsContext == Touch.Generation;
}

/* The head entry is due: remove it and schedule the next one period later.
 * A reader that comes a period or more late restarts the schedule from
 * now, so a late reader gets no burst of stored-up reports. */
static RTOUCHDRV_QUEUE_ENTRY PopLocked(ULONGLONG now) {
    RTOUCHDRV_QUEUE_ENTRY entry = Touch.Queue[Touch.Head];
    Touch.Head = (Touch.Head + 1) % RTOUCHDRV_QUEUE_CAPACITY;
    Touch.Count--;
    ULONGLONG delivered = now - Touch.NextDue < Touch.Period ? Touch.NextDue : now;
    Touch.NextDue = delivered + Touch.Period;
    if (Touch.Taken++ == 0) Touch.FirstTaken = now;
    Touch.LastTaken = now;
    return entry;
}

NTSTATUS TryReadLocked(PIRP irp, ULONGLONG now, ULONG_PTR* returned) {
    if (!IsLiveLocked(irp)) return STATUS_DEVICE_NOT_CONNECTED;
    if (Touch.Faults.FailReads > 0) {
        Touch.Faults.FailReads--;
        return STATUS_IO_DEVICE_ERROR;
    }
    if (Touch.Count == 0 || now < Touch.NextDue) return STATUS_PENDING;
    RTOUCHDRV_QUEUE_ENTRY entry = PopLocked(now);
    if (entry.Kind == RTOUCHDRV_ENTRY_FAILED_READ) return STATUS_IO_DEVICE_ERROR;
    ULONG size = RTOUCHDRV_REPORT_SIZE;
    if (Touch.Faults.ShortReads > 0) {
        Touch.Faults.ShortReads--;
        size = RTOUCHDRV_SHORT_READ_SIZE;
    }
    RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, entry.Report, size);
    *returned = size;
    return STATUS_SUCCESS;
}

NTSTATUS NoTouchReportLocked(PIRP irp, ULONG_PTR* returned) {
    RtlZeroMemory(irp->AssociatedIrp.SystemBuffer, RTOUCHDRV_REPORT_SIZE);
    *returned = RTOUCHDRV_REPORT_SIZE;
    return STATUS_SUCCESS;
}
