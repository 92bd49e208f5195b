/* Reads that wait in the driver for a report, and the system thread that
 * completes them (PendingReads.c). */
#ifndef RTOUCH_DRIVER_PENDINGREADS_H
#define RTOUCH_DRIVER_PENDINGREADS_H

#include "TouchState.h"

NTSTATUS StartReader(void);
void StopReader(void);
/* IOCTL_TOUCH_READ_REPORT, whose output length the caller has checked:
 * completes the IRP with a due report or a failure, or queues it (marked
 * pending, holding its remove-lock reference) and returns STATUS_PENDING. */
NTSTATUS ReadReport(PIRP irp);
/* Wakes the server: the queue or a deadline changed. */
void WakeReader(void);
/* Completes with `status` every waiting read, or only those of `file`
 * when it is not NULL (unplug, removal, handle cleanup). */
void FailReads(PFILE_OBJECT file, NTSTATUS status);

#endif
