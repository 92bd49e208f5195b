/* The dispatch of the command codes and the run-time plug state
 * (DeviceControl.c). */
#ifndef RTOUCH_DRIVER_DEVICECONTROL_H
#define RTOUCH_DRIVER_DEVICECONTROL_H

#include "PendingReads.h"

/* IRP_MJ_DEVICE_CONTROL of the touch device (the application's codes) and
 * of the control device (the private codes). Both complete the IRP or, for
 * a read that must wait, mark it pending and return STATUS_PENDING. */
NTSTATUS TouchDeviceControl(PIRP irp);
NTSTATUS ControlDeviceControl(PIRP irp);

/* Enables or disables the touch interface (run-time plug and unplug, and
 * start and removal). Disabling fails every waiting read at once and
 * forgets the block and the configuration record.
 * PASSIVE_LEVEL, caller holds PnpLock. */
NTSTATUS SetPlugged(BOOLEAN plugged);

#endif
