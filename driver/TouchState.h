/* State of the substitute touch driver. One touch device exists (the
 * root-enumerated ROOT\RTOUCHDRV\0000), so the state is driver-wide. The
 * files build on each other in one direction: rtouchdrv.c (entry, PnP) ->
 * DeviceControl.c (dispatch) -> PendingReads.c -> TouchState.c. */
#ifndef RTOUCH_DRIVER_TOUCHSTATE_H
#define RTOUCH_DRIVER_TOUCHSTATE_H

#include <ddk/wdm.h>

#include "TestCodes.h"

/* The code-analysis annotations of the kernel's headers; MinGW's DDK has
 * the role typedefs (DRIVER_DISPATCH...) but not the annotations. */
#ifndef _Dispatch_type_
#define _Dispatch_type_(type)
#endif

/* Wine's kernel exports IoCreateDeviceSecure; on Windows it comes from the
 * static wdmsec library. MinGW's import library lacks it (see the build
 * file). */
NTSYSAPI NTSTATUS NTAPI IoCreateDeviceSecure(PDRIVER_OBJECT driver, ULONG extensionSize, PUNICODE_STRING name,
                                             DEVICE_TYPE type, ULONG characteristics, BOOLEAN exclusive,
                                             PCUNICODE_STRING defaultSddl, LPCGUID classGuid,
                                             PDEVICE_OBJECT* device);
/* Declared by ntifs.h, which does not mix with wdm.h. */
NTSYSAPI NTSTATUS NTAPI ZwWaitForSingleObject(HANDLE handle, BOOLEAN alertable, PLARGE_INTEGER timeout);

/* 100 ns units, as the kernel's waits count. */
#define TICKS_PER_SECOND 10000000ULL
#define TICKS_PER_MILLISECOND 10000LL
/* Pool tag of the remove lock: "rtch" as the kernel's tools show it. */
#define RTOUCHDRV_TAG 0x68637472u

typedef struct TOUCH_DRIVER {
    ULONGLONG CounterFrequency; /* of the performance counter, fixed at boot */
    /* Lock guards the fields down to PendingReads; taken only for short
     * copies and list changes. */
    KSPIN_LOCK Lock;
    RTOUCHDRV_QUEUE_ENTRY Queue[RTOUCHDRV_QUEUE_CAPACITY]; /* ring buffer */
    ULONG Head;
    ULONG Count;
    ULONGLONG NextDue;    /* clock value from which the head entry may be read */
    ULONGLONG Period;     /* clock ticks between two entries */
    ULONG Rate;           /* reports per second */
    ULONGLONG ReadWait;   /* clock ticks a read waits for a due report */
    BOOLEAN NoTouchReads; /* a read with no report due gets a no-touch report */
    BOOLEAN HoldReads;    /* a read waits until a report is due, however long */
    /* Entries taken since the queue last went from empty to filled, and
     * the clock values of the first and the latest take. */
    ULONG Taken;
    ULONGLONG FirstTaken;
    ULONGLONG LastTaken;
    RTOUCHDRV_FAULTS Faults;
    /* The block and the record as last sent to this plug-in; an unplug
     * zeroes both. SendCount is the test's and counts on. */
    UCHAR LastBlock[RTOUCHDRV_BLOCK_SIZE];
    ULONG SendCount;
    UCHAR Config[sizeof(ControllerConfig)];
    BOOLEAN Plugged; /* the touch interface is enabled */
    /* Counts unplugs. A handle remembers the value it was opened under
     * (in its file object's FsContext); an unplug makes every older handle
     * dead for good, as a real removal does. */
    ULONG Generation;
    /* Reads waiting for a report, oldest first (IRPs linked through
     * Tail.Overlay.ListEntry, deadline in DriverContext). */
    LIST_ENTRY PendingReads;

    /* The pending-read server: a system thread that completes waiting reads
     * when a report falls due or their wait ends. ReaderWake is set when
     * something it waits for changes. */
    KEVENT ReaderWake;
    volatile LONG StopReader;

    /* Held by every request on the touch device while it runs (and by a
     * pending read until it completes); removal waits for them. */
    IO_REMOVE_LOCK RemoveLock;

    /* The PnP side, changed only at PASSIVE_LEVEL under PnpLock. */
    KMUTEX PnpLock;
    PDEVICE_OBJECT Fdo;
    PDEVICE_OBJECT LowerDevice;
    PDEVICE_OBJECT ControlDevice;
    UNICODE_STRING InterfaceName; /* from IoRegisterDeviceInterface */
    BOOLEAN Started;
} TOUCH_DRIVER;

extern TOUCH_DRIVER Touch;

/* A monotonic clock in ticks: the performance counter, scaled. Not
 * KeQueryInterruptTime: Wine's x86 kernel answers that one in
 * milliseconds, which stretches every period ten thousand times. */
ULONGLONG Now(void);

/* Sets up the locks, the lists, the clock and the defaults; DriverEntry
 * calls it before anything else runs. */
void InitTouchState(void);
/* The rate and the read wait, under Lock. */
void SetRateLocked(ULONG rate);
void SetReadWaitLocked(ULONG milliseconds);

/* Completes a request (Information only on success). */
NTSTATUS CompleteRequest(PIRP irp, NTSTATUS status, ULONG_PTR information);
/* Completes a request of the touch device and releases the remove-lock
 * reference its dispatch routine took. */
NTSTATUS CompleteTouchRequest(PIRP irp, NTSTATUS status, ULONG_PTR returned);

/* IRP_MJ_CREATE of the touch device: refused while unplugged; otherwise
 * the new file object remembers the unplug count, and its requests are
 * refused once a later unplug has made it stale. */
NTSTATUS OpenTouchHandle(PFILE_OBJECT file);
/* The request's handle reaches a plugged device it was opened on. Under
 * Lock. */
BOOLEAN IsLiveLocked(PIRP irp);
/* One attempt of a read of `irp` at `now`, under Lock: STATUS_SUCCESS with
 * the report in the IRP's buffer and its size in *returned, a failure, or
 * STATUS_PENDING when nothing is due yet. */
NTSTATUS TryReadLocked(PIRP irp, ULONGLONG now, ULONG_PTR* returned);
/* A report that says "no touch" (all bytes 0) into the IRP's buffer, under
 * Lock: STATUS_SUCCESS with its size in *returned. */
NTSTATUS NoTouchReportLocked(PIRP irp, ULONG_PTR* returned);

#endif
