/* The command codes: the application's four on the touch device, the
 * private ones on the control device. Every request but a read that must
 * wait completes before its dispatch routine returns, and every length is
 * checked before the system buffer is touched. */
#include "DeviceControl.h"

#define CONFIG_SIZE sizeof(ControllerConfig)

/* What both devices' requests start with: the code and the buffer with
 * its lengths. FALSE when a length comes without a buffer. */
typedef struct REQUEST {
    ULONG Code;
    UCHAR* Buffer; /* METHOD_BUFFERED: in and out share it */
    ULONG InLen;
    ULONG OutLen;
} REQUEST;

static BOOLEAN ReadRequest(PIRP irp, REQUEST* r) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    r->Code = stack->Parameters.DeviceIoControl.IoControlCode;
    r->Buffer = irp->AssociatedIrp.SystemBuffer;
    r->InLen = stack->Parameters.DeviceIoControl.InputBufferLength;
    r->OutLen = stack->Parameters.DeviceIoControl.OutputBufferLength;
    return r->Buffer || (!r->InLen && !r->OutLen);
}

/* IOCTL_TOUCH_SET_PARAMETERS: exactly one block; keeps it and counts. */
static NTSTATUS SetParameters(PIRP irp, const UCHAR* in, ULONG inLen) {
    if (inLen != RTOUCHDRV_BLOCK_SIZE) return STATUS_INVALID_PARAMETER;
    NTSTATUS status = STATUS_SUCCESS;
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    if (!IsLiveLocked(irp)) {
        status = STATUS_DEVICE_NOT_CONNECTED;
    } else if (Touch.Faults.FailSends > 0) {
        Touch.Faults.FailSends--;
        status = STATUS_IO_DEVICE_ERROR;
    } else {
        RtlCopyMemory(Touch.LastBlock, in, RTOUCHDRV_BLOCK_SIZE);
        Touch.SendCount++;
    }
    KeReleaseSpinLock(&Touch.Lock, irql);
    return status;
}

/* IOCTL_TOUCH_SET_CONFIG / IOCTL_TOUCH_GET_CONFIG. */
static NTSTATUS Config(PIRP irp, BOOLEAN set, const REQUEST* r, ULONG_PTR* returned) {
    if (set ? r->InLen != CONFIG_SIZE : r->OutLen < CONFIG_SIZE) return STATUS_INVALID_PARAMETER;
    UCHAR* buffer = r->Buffer;
    NTSTATUS status = STATUS_SUCCESS;
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    if (!IsLiveLocked(irp)) {
        status = STATUS_DEVICE_NOT_CONNECTED;
    } else if (set) {
        RtlCopyMemory(Touch.Config, buffer, CONFIG_SIZE);
    } else {
        RtlCopyMemory(buffer, Touch.Config, CONFIG_SIZE);
        *returned = CONFIG_SIZE;
    }
    KeReleaseSpinLock(&Touch.Lock, irql);
    return status;
}

/* The caller holds a remove-lock reference for the request; it is
 * released when the request completes. */
NTSTATUS TouchDeviceControl(PIRP irp) {
    REQUEST r;
    ULONG_PTR returned = 0;
    NTSTATUS status;
    if (!ReadRequest(irp, &r)) return CompleteTouchRequest(irp, STATUS_INVALID_PARAMETER, 0);
    switch (r.Code) {
    case IOCTL_TOUCH_READ_REPORT:
        if (r.OutLen < RTOUCHDRV_REPORT_SIZE) {
            status = STATUS_BUFFER_TOO_SMALL;
            break;
        }
        return ReadReport(irp);
    case IOCTL_TOUCH_SET_PARAMETERS:
        status = SetParameters(irp, r.Buffer, r.InLen);
        break;
    case IOCTL_TOUCH_SET_CONFIG:
        status = Config(irp, TRUE, &r, &returned);
        break;
    case IOCTL_TOUCH_GET_CONFIG:
        status = Config(irp, FALSE, &r, &returned);
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
    }
    return CompleteTouchRequest(irp, status, returned);
}

/* IOCTL_RTOUCHDRV_QUEUE_REPORTS: all entries or none. */
static NTSTATUS QueueReports(const UCHAR* in, ULONG inLen) {
    const ULONG entrySize = sizeof(RTOUCHDRV_QUEUE_ENTRY);
    if (inLen == 0 || inLen % entrySize != 0) return STATUS_INVALID_PARAMETER;
    ULONG n = inLen / entrySize;
    if (n > RTOUCHDRV_QUEUE_CAPACITY) return STATUS_INVALID_PARAMETER;
    const RTOUCHDRV_QUEUE_ENTRY* entries = (const RTOUCHDRV_QUEUE_ENTRY*)in;
    for (ULONG i = 0; i < n; ++i) {
        const RTOUCHDRV_QUEUE_ENTRY* e = &entries[i];
        if (e->Kind > RTOUCHDRV_ENTRY_FAILED_READ || e->Reserved[0] || e->Reserved[1] || e->Reserved[2])
            return STATUS_INVALID_PARAMETER;
    }
    NTSTATUS status = STATUS_SUCCESS;
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    if (RTOUCHDRV_QUEUE_CAPACITY - Touch.Count < n) {
        status = STATUS_INSUFFICIENT_RESOURCES;
    } else {
        if (Touch.Count == 0) Touch.Taken = 0; /* a new run of the pacing */
        for (ULONG i = 0; i < n; ++i) {
            ULONG slot = (Touch.Head + Touch.Count) % RTOUCHDRV_QUEUE_CAPACITY;
            Touch.Queue[slot] = entries[i];
            Touch.Count++;
        }
    }
    KeReleaseSpinLock(&Touch.Lock, irql);
    if (NT_SUCCESS(status)) WakeReader();
    return status;
}

static NTSTATUS SetRate(const UCHAR* in, ULONG inLen) {
    uint32_t rate;
    if (inLen != sizeof rate) return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(&rate, in, sizeof rate);
    if (rate < 1 || rate > RTOUCHDRV_MAX_RATE) return STATUS_INVALID_PARAMETER;
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    SetRateLocked(rate);
    KeReleaseSpinLock(&Touch.Lock, irql);
    return STATUS_SUCCESS;
}

static NTSTATUS SetReadWait(const UCHAR* in, ULONG inLen) {
    uint32_t milliseconds;
    if (inLen != sizeof milliseconds) return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(&milliseconds, in, sizeof milliseconds);
    if (milliseconds > RTOUCHDRV_MAX_READ_WAIT_MS) return STATUS_INVALID_PARAMETER;
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    SetReadWaitLocked(milliseconds);
    KeReleaseSpinLock(&Touch.Lock, irql);
    return STATUS_SUCCESS;
}

/* A switch's input: a uint32_t, 0 or 1. */
static BOOLEAN ReadSwitch(const UCHAR* in, ULONG inLen, uint32_t* on) {
    if (inLen != sizeof *on) return FALSE;
    RtlCopyMemory(on, in, sizeof *on);
    return *on <= 1;
}

static NTSTATUS SetNoTouchReads(const UCHAR* in, ULONG inLen) {
    uint32_t on;
    if (!ReadSwitch(in, inLen, &on)) return STATUS_INVALID_PARAMETER;
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    Touch.NoTouchReads = on != 0;
    KeReleaseSpinLock(&Touch.Lock, irql);
    return STATUS_SUCCESS;
}

/* IOCTL_RTOUCHDRV_HOLD_READS: holding only changes what ends a wait; the
 * release ends every waiting read at once. */
static NTSTATUS HoldReads(const UCHAR* in, ULONG inLen) {
    uint32_t hold;
    if (!ReadSwitch(in, inLen, &hold)) return STATUS_INVALID_PARAMETER;
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    Touch.HoldReads = (BOOLEAN)hold;
    KeReleaseSpinLock(&Touch.Lock, irql);
    if (!hold) FailReads(NULL, STATUS_DEVICE_NOT_READY);
    return STATUS_SUCCESS;
}

/* Clock ticks as microseconds, modulo 2^32. */
static uint32_t Microseconds(ULONGLONG ticks) { return (uint32_t)(ticks / (TICKS_PER_MILLISECOND / 1000)); }

static NTSTATUS GetState(UCHAR* out, ULONG inLen, ULONG outLen, ULONG_PTR* returned) {
    RTOUCHDRV_STATE state;
    if (inLen != 0 || outLen < sizeof state) return STATUS_INVALID_PARAMETER;
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    RtlCopyMemory(state.LastBlock, Touch.LastBlock, RTOUCHDRV_BLOCK_SIZE);
    state.SendCount = Touch.SendCount;
    state.QueueLength = Touch.Count;
    state.ReportsPerSecond = Touch.Rate;
    state.Plugged = Touch.Plugged;
    state.WaitingReads = 0;
    for (LIST_ENTRY* link = Touch.PendingReads.Flink; link != &Touch.PendingReads; link = link->Flink)
        state.WaitingReads++;
    state.Taken = Touch.Taken;
    state.FirstTakenUs = Microseconds(Touch.FirstTaken);
    state.LastTakenUs = Microseconds(Touch.LastTaken);
    KeReleaseSpinLock(&Touch.Lock, irql);
    RtlCopyMemory(out, &state, sizeof state);
    *returned = sizeof state;
    return STATUS_SUCCESS;
}

static NTSTATUS Reset(ULONG inLen, ULONG outLen) {
    if (inLen != 0 || outLen != 0) return STATUS_INVALID_PARAMETER;
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    Touch.Head = 0;
    Touch.Count = 0;
    Touch.NextDue = 0;
    SetRateLocked(RTOUCHDRV_DEFAULT_RATE);
    SetReadWaitLocked(RTOUCHDRV_DEFAULT_READ_WAIT_MS);
    Touch.NoTouchReads = FALSE;
    RtlZeroMemory(&Touch.Faults, sizeof Touch.Faults);
    RtlZeroMemory(Touch.LastBlock, sizeof Touch.LastBlock);
    Touch.SendCount = 0;
    Touch.Taken = 0;
    Touch.HoldReads = FALSE;
    KeReleaseSpinLock(&Touch.Lock, irql);
    FailReads(NULL, STATUS_DEVICE_NOT_READY);
    return STATUS_SUCCESS;
}

static NTSTATUS SetFaults(const UCHAR* in, ULONG inLen) {
    RTOUCHDRV_FAULTS faults;
    if (inLen != sizeof faults) return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(&faults, in, sizeof faults);
    KIRQL irql;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    Touch.Faults = faults;
    KeReleaseSpinLock(&Touch.Lock, irql);
    return STATUS_SUCCESS;
}

NTSTATUS SetPlugged(BOOLEAN plugged) {
    KIRQL irql;
    if (Touch.Plugged == plugged) return STATUS_SUCCESS;
    if (!plugged) {
        /* Every handle open now is dead from here on, a waiting read fails
         * at once and the device's state is gone, as when a real device
         * goes. */
        KeAcquireSpinLock(&Touch.Lock, &irql);
        Touch.Plugged = FALSE;
        Touch.Generation++;
        /* The device that comes back is a new one: it has not been sent a
         * block or a configuration yet. */
        RtlZeroMemory(Touch.LastBlock, sizeof Touch.LastBlock);
        RtlZeroMemory(Touch.Config, sizeof Touch.Config);
        KeReleaseSpinLock(&Touch.Lock, irql);
        FailReads(NULL, STATUS_DEVICE_NOT_CONNECTED);
        return IoSetDeviceInterfaceState(&Touch.InterfaceName, FALSE);
    }
    NTSTATUS status = IoSetDeviceInterfaceState(&Touch.InterfaceName, TRUE);
    if (!NT_SUCCESS(status)) return status;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    Touch.Plugged = TRUE;
    KeReleaseSpinLock(&Touch.Lock, irql);
    return STATUS_SUCCESS;
}

static NTSTATUS Plug(BOOLEAN plugged, ULONG inLen, ULONG outLen) {
    if (inLen != 0 || outLen != 0) return STATUS_INVALID_PARAMETER;
    KeWaitForSingleObject(&Touch.PnpLock, Executive, KernelMode, FALSE, NULL);
    NTSTATUS status = Touch.Started ? SetPlugged(plugged) : STATUS_DEVICE_NOT_READY;
    KeReleaseMutex(&Touch.PnpLock, FALSE);
    return status;
}

NTSTATUS ControlDeviceControl(PIRP irp) {
    REQUEST r;
    ULONG_PTR returned = 0;
    NTSTATUS status;
    if (!ReadRequest(irp, &r)) return CompleteRequest(irp, STATUS_INVALID_PARAMETER, 0);
    UCHAR* buffer = r.Buffer;
    ULONG inLen = r.InLen, outLen = r.OutLen;
    switch (r.Code) {
    case IOCTL_RTOUCHDRV_QUEUE_REPORTS:
        status = outLen ? STATUS_INVALID_PARAMETER : QueueReports(buffer, inLen);
        break;
    case IOCTL_RTOUCHDRV_SET_RATE:
        status = outLen ? STATUS_INVALID_PARAMETER : SetRate(buffer, inLen);
        break;
    case IOCTL_RTOUCHDRV_GET_STATE:
        status = GetState(buffer, inLen, outLen, &returned);
        break;
    case IOCTL_RTOUCHDRV_RESET:
        status = Reset(inLen, outLen);
        break;
    case IOCTL_RTOUCHDRV_SET_FAULTS:
        status = outLen ? STATUS_INVALID_PARAMETER : SetFaults(buffer, inLen);
        break;
    case IOCTL_RTOUCHDRV_UNPLUG:
        status = Plug(FALSE, inLen, outLen);
        break;
    case IOCTL_RTOUCHDRV_PLUG:
        status = Plug(TRUE, inLen, outLen);
        break;
    case IOCTL_RTOUCHDRV_SET_READ_WAIT:
        status = outLen ? STATUS_INVALID_PARAMETER : SetReadWait(buffer, inLen);
        break;
    case IOCTL_RTOUCHDRV_SET_NO_TOUCH_READS:
        status = outLen ? STATUS_INVALID_PARAMETER : SetNoTouchReads(buffer, inLen);
        break;
    case IOCTL_RTOUCHDRV_HOLD_READS:
        status = outLen ? STATUS_INVALID_PARAMETER : HoldReads(buffer, inLen);
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
    }
    return CompleteRequest(irp, status, returned);
}
