/* State of the substitute touch driver. One touch device exists (the
 * root-enumerated ROOT\RTOUCHDRV\0000), so the state is driver-wide. */
#ifndef RTOUCH_DRIVER_DRIVERSTATE_H
#define RTOUCH_DRIVER_DRIVERSTATE_H

#include <ddk/wdm.h>

#include "TestCodes.h"

/* 100 ns units, as the kernel's clock and waits count. */
#define TICKS_PER_SECOND 10000000ULL
#define TICKS_PER_MILLISECOND 10000LL
/* How long a read waits for a report before it fails is ReadWait: by
 * default a few milliseconds, well under the calibration session's 5 ms
 * tick, so a reader that finds no touch neither hangs nor spins. */

typedef struct TOUCH_DRIVER {
    /* Lock guards the fields down to Plugged; taken only for short copies. */
    KSPIN_LOCK Lock;
    RTOUCHDRV_QUEUE_ENTRY Queue[RTOUCHDRV_QUEUE_CAPACITY]; /* ring buffer */
    ULONG Head;
    ULONG Count;
    ULONGLONG NextDue; /* clock value from which the head entry may be read */
    ULONGLONG Period;  /* clock ticks between two entries */
    ULONG Rate;        /* reports per second */
    ULONGLONG ReadWait; /* clock ticks a read waits for a due report */
    RTOUCHDRV_FAULTS Faults;
    UCHAR LastBlock[RTOUCHDRV_BLOCK_SIZE];
    ULONG SendCount;
    UCHAR Config[4]; /* the ControllerConfig record as last set */
    BOOLEAN Plugged; /* the touch interface is enabled */

    /* Set when entries are queued or the device is unplugged: wakes a
     * waiting read. */
    KEVENT QueueChanged;

    /* The PnP side, changed only at PASSIVE_LEVEL under PnpLock. */
    KMUTEX PnpLock;
    PDEVICE_OBJECT Fdo;
    PDEVICE_OBJECT LowerDevice;
    PDEVICE_OBJECT ControlDevice;
    UNICODE_STRING InterfaceName; /* from IoRegisterDeviceInterface */
    BOOLEAN Started;
} TOUCH_DRIVER;

extern TOUCH_DRIVER Touch;

void InitTouchState(void);

/* IRP_MJ_DEVICE_CONTROL of the touch device (the application's codes) and
 * of the control device (the private codes). Both complete the IRP. */
NTSTATUS TouchDeviceControl(PIRP irp);
NTSTATUS ControlDeviceControl(PIRP irp);

/* Enables or disables the touch interface (run-time plug and unplug, and
 * start and removal). PASSIVE_LEVEL, caller holds PnpLock. */
NTSTATUS SetPlugged(BOOLEAN plugged);

#endif
