/* Reads that wait in the driver. A read with no report due is queued and
 * returns STATUS_PENDING (with a read wait of 0 it fails at once instead),
 * so the driver keeps answering other requests (an unplug among them)
 * while it waits. A system thread completes each queued read when a report
 * falls due or its read wait ends; an unplug, the removal or the handle's
 * cleanup fails it at once, and the I/O manager may cancel it at any time
 * (IoSetCancelRoutine). */
#include "PendingReads.h"

static DRIVER_CANCEL CancelRead;
static KSTART_ROUTINE ReaderMain;

static HANDLE ReaderHandle;

static ULONGLONG DeadlineOf(PIRP irp) {
    ULONGLONG deadline;
    RtlCopyMemory(&deadline, irp->Tail.Overlay.DriverContext, sizeof deadline);
    return deadline;
}

/* Takes a queued IRP back from the cancel logic: FALSE when its cancel
 * routine already runs (that routine then dequeues and completes it). */
static BOOLEAN DisarmLocked(PIRP irp) { return IoSetCancelRoutine(irp, NULL) != NULL; }

/* Collects the settled reads (those `settle` decides for) into `done`,
 * under Lock. The status of each goes into IoStatus for the completion
 * outside the lock. */
typedef BOOLEAN SETTLE(PIRP irp, ULONGLONG now, PVOID context);

static void CollectLocked(SETTLE* settle, ULONGLONG now, PVOID context, LIST_ENTRY* done) {
    LIST_ENTRY* link = Touch.PendingReads.Flink;
    while (link != &Touch.PendingReads) {
        PIRP irp = CONTAINING_RECORD(link, IRP, Tail.Overlay.ListEntry);
        link = link->Flink;
        if (!DisarmLocked(irp)) continue;
        if (settle(irp, now, context)) {
            RemoveEntryList(&irp->Tail.Overlay.ListEntry);
            InsertTailList(done, &irp->Tail.Overlay.ListEntry);
        } else {
            IoSetCancelRoutine(irp, CancelRead);
            /* Cancelled between the two calls: it is ours to finish. */
            if (irp->Cancel && DisarmLocked(irp)) {
                irp->IoStatus.Status = STATUS_CANCELLED;
                RemoveEntryList(&irp->Tail.Overlay.ListEntry);
                InsertTailList(done, &irp->Tail.Overlay.ListEntry);
            }
        }
    }
}

static void CompleteAll(LIST_ENTRY* done) {
    while (!IsListEmpty(done)) {
        PIRP irp = CONTAINING_RECORD(RemoveHeadList(done), IRP, Tail.Overlay.ListEntry);
        CompleteTouchRequest(irp, irp->IoStatus.Status, irp->IoStatus.Information);
    }
}

static BOOLEAN SettleByReport(PIRP irp, ULONGLONG now, PVOID context) {
    (void)context;
    ULONG_PTR returned = 0;
    NTSTATUS status = TryReadLocked(irp, now, &returned);
    if (status == STATUS_PENDING) {
        if (Touch.HoldReads || now < DeadlineOf(irp)) return FALSE;
        status = STATUS_DEVICE_NOT_READY; /* the read wait ended */
    }
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = returned;
    return TRUE;
}

typedef struct FAILURE {
    PFILE_OBJECT File;
    NTSTATUS Status;
} FAILURE;

static BOOLEAN SettleByFailure(PIRP irp, ULONGLONG now, PVOID context) {
    (void)now;
    const FAILURE* failure = context;
    if (failure->File && IoGetCurrentIrpStackLocation(irp)->FileObject != failure->File) return FALSE;
    irp->IoStatus.Status = failure->Status;
    return TRUE;
}

NTSTATUS ReadReport(PIRP irp) {
    LIST_ENTRY done;
    InitializeListHead(&done);
    ULONG_PTR returned = 0;
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    ULONGLONG now = Now();
    NTSTATUS status = TryReadLocked(irp, now, &returned);
    if (status == STATUS_PENDING && Touch.NoTouchReads) status = NoTouchReportLocked(irp, &returned);
    if (status == STATUS_PENDING && !Touch.ReadWait && !Touch.HoldReads) status = STATUS_DEVICE_NOT_READY;
    if (status == STATUS_PENDING) {
        ULONGLONG deadline = now + Touch.ReadWait;
        RtlCopyMemory(irp->Tail.Overlay.DriverContext, &deadline, sizeof deadline);
        IoMarkIrpPending(irp);
        IoSetCancelRoutine(irp, CancelRead);
        InsertTailList(&Touch.PendingReads, &irp->Tail.Overlay.ListEntry);
        if (irp->Cancel && DisarmLocked(irp)) {
            irp->IoStatus.Status = STATUS_CANCELLED;
            RemoveEntryList(&irp->Tail.Overlay.ListEntry);
            InsertTailList(&done, &irp->Tail.Overlay.ListEntry);
        }
    }
    KeReleaseSpinLock(&Touch.Lock, irql);
    if (status != STATUS_PENDING) {
        CompleteTouchRequest(irp, status, returned);
        return status;
    }
    CompleteAll(&done);
    WakeReader();
    return STATUS_PENDING;
}

void WakeReader(void) { KeSetEvent(&Touch.ReaderWake, IO_NO_INCREMENT, FALSE); }

void FailReads(PFILE_OBJECT file, NTSTATUS status) {
    FAILURE failure = {file, status};
    LIST_ENTRY done;
    InitializeListHead(&done);
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    CollectLocked(SettleByFailure, Now(), &failure, &done);
    KeReleaseSpinLock(&Touch.Lock, irql);
    CompleteAll(&done);
}

/* The I/O manager cancels a queued read (its thread ended, CancelIo). */
static void NTAPI CancelRead(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    IoReleaseCancelSpinLock(irp->CancelIrql);
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    RemoveEntryList(&irp->Tail.Overlay.ListEntry);
    KeReleaseSpinLock(&Touch.Lock, irql);
    CompleteTouchRequest(irp, STATUS_CANCELLED, 0);
}

/* When the server must look again: the earliest deadline of a queued read
 * (none while reads are held) or, with reads queued and reports waiting,
 * the next report's due time. 0 when nothing is to come by itself. Under
 * Lock. */
static ULONGLONG NextWakeLocked(void) {
    if (IsListEmpty(&Touch.PendingReads)) return 0;
    ULONGLONG wakeAt = Touch.Count > 0 ? Touch.NextDue : 0;
    if (Touch.HoldReads) return wakeAt;
    for (LIST_ENTRY* link = Touch.PendingReads.Flink; link != &Touch.PendingReads; link = link->Flink) {
        ULONGLONG deadline = DeadlineOf(CONTAINING_RECORD(link, IRP, Tail.Overlay.ListEntry));
        if (!wakeAt || deadline < wakeAt) wakeAt = deadline;
    }
    return wakeAt;
}

static void NTAPI ReaderMain(PVOID context) {
    (void)context;
    while (!Touch.StopReader) {
        LIST_ENTRY done;
        InitializeListHead(&done);
        KIRQL irql;
        KeAcquireSpinLock(&Touch.Lock, &irql);
        ULONGLONG now = Now();
        CollectLocked(SettleByReport, now, NULL, &done);
        ULONGLONG wakeAt = NextWakeLocked();
        KeReleaseSpinLock(&Touch.Lock, irql);
        CompleteAll(&done);
        if (!wakeAt) {
            KeWaitForSingleObject(&Touch.ReaderWake, Executive, KernelMode, FALSE, NULL);
        } else if (wakeAt > now) {
            LARGE_INTEGER timeout;
            timeout.QuadPart = -(LONGLONG)(wakeAt - now); /* relative */
            KeWaitForSingleObject(&Touch.ReaderWake, Executive, KernelMode, FALSE, &timeout);
        }
    }
    PsTerminateSystemThread(STATUS_SUCCESS);
}

NTSTATUS StartReader(void) {
    Touch.StopReader = 0;
    return PsCreateSystemThread(&ReaderHandle, THREAD_ALL_ACCESS, NULL, NULL, NULL, ReaderMain, NULL);
}

void StopReader(void) {
    if (!ReaderHandle) return;
    InterlockedExchange(&Touch.StopReader, 1);
    WakeReader();
    ZwWaitForSingleObject(ReaderHandle, FALSE, NULL);
    ZwClose(ReaderHandle);
    ReaderHandle = NULL;
}
