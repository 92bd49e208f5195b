/* The substitute touch driver: a root-enumerated WDM function driver that
 * publishes the touch interface and answers the touch controller's command
 * codes from a queue that tests fill through a separate control device.
 *
 * AddDevice creates the function device object (FDO), attaches it to the
 * root PDO and registers the touch interface; START enables the interface,
 * REMOVE disables it and deletes both device objects. The control device
 * lives as long as the FDO. */
#include "DriverState.h"

/* {781EF630-72B2-11D2-B852-00C04FAD5171} */
static const GUID TouchInterfaceGuid = {
    0x781EF630, 0x72B2, 0x11D2, {0xB8, 0x52, 0x00, 0xC0, 0x4F, 0xAD, 0x51, 0x71}};

NTSTATUS SetPlugged(BOOLEAN plugged) {
    KIRQL irql;
    if (Touch.Plugged == plugged) return STATUS_SUCCESS;
    if (!plugged) {
        /* Reads and sends fail from here on; a waiting read wakes up. */
        KeAcquireSpinLock(&Touch.Lock, &irql);
        Touch.Plugged = FALSE;
        KeReleaseSpinLock(&Touch.Lock, irql);
        KeSetEvent(&Touch.QueueChanged, IO_NO_INCREMENT, FALSE);
        return IoSetDeviceInterfaceState(&Touch.InterfaceName, FALSE);
    }
    NTSTATUS status = IoSetDeviceInterfaceState(&Touch.InterfaceName, TRUE);
    if (!NT_SUCCESS(status)) return status;
    KeAcquireSpinLock(&Touch.Lock, &irql);
    Touch.Plugged = TRUE;
    KeReleaseSpinLock(&Touch.Lock, irql);
    KeSetEvent(&Touch.QueueChanged, IO_NO_INCREMENT, FALSE);
    return STATUS_SUCCESS;
}

static NTSTATUS CompleteIrp(PIRP irp, NTSTATUS status) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS PassDown(PIRP irp) {
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(Touch.LowerDevice, irp);
}

static NTSTATUS SignalOnCompletion(PDEVICE_OBJECT device, PIRP irp, PVOID context) {
    (void)device;
    (void)irp;
    KeSetEvent((PKEVENT)context, IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

/* Sends the IRP to the lower driver and waits for it there; the IRP is
 * still ours afterwards. */
static NTSTATUS ForwardAndWait(PIRP irp) {
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, SignalOnCompletion, &done, TRUE, TRUE, TRUE);
    if (IoCallDriver(Touch.LowerDevice, irp) == STATUS_PENDING)
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, NULL);
    return irp->IoStatus.Status;
}

static void DeleteDevices(void) {
    if (Touch.ControlDevice) {
        UNICODE_STRING link;
        RtlInitUnicodeString(&link, RTOUCHDRV_CONTROL_LINK);
        IoDeleteSymbolicLink(&link);
        IoDeleteDevice(Touch.ControlDevice);
        Touch.ControlDevice = NULL;
    }
    if (Touch.InterfaceName.Buffer) RtlFreeUnicodeString(&Touch.InterfaceName);
    if (Touch.LowerDevice) IoDetachDevice(Touch.LowerDevice);
    if (Touch.Fdo) IoDeleteDevice(Touch.Fdo);
    Touch.ControlDevice = Touch.LowerDevice = Touch.Fdo = NULL;
}

static NTSTATUS CreateControlDevice(PDRIVER_OBJECT driver) {
    UNICODE_STRING name, link;
    RtlInitUnicodeString(&name, RTOUCHDRV_CONTROL_DEVICE);
    RtlInitUnicodeString(&link, RTOUCHDRV_CONTROL_LINK);
    NTSTATUS status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN,
                                     FILE_DEVICE_SECURE_OPEN, FALSE, &Touch.ControlDevice);
    if (!NT_SUCCESS(status)) return status;
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(Touch.ControlDevice);
        Touch.ControlDevice = NULL;
        return status;
    }
    Touch.ControlDevice->Flags |= DO_BUFFERED_IO;
    Touch.ControlDevice->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static NTSTATUS AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo) {
    NTSTATUS status;
    KeWaitForSingleObject(&Touch.PnpLock, Executive, KernelMode, FALSE, NULL);
    if (Touch.Fdo) {
        /* One touch device only: the state is driver-wide. */
        status = STATUS_DEVICE_ALREADY_ATTACHED;
        goto out;
    }
    status = IoCreateDevice(driver, 0, NULL, FILE_DEVICE_MOUSE, FILE_DEVICE_SECURE_OPEN, FALSE,
                            &Touch.Fdo);
    if (!NT_SUCCESS(status)) goto out;
    Touch.LowerDevice = IoAttachDeviceToDeviceStack(Touch.Fdo, pdo);
    if (!Touch.LowerDevice) {
        status = STATUS_NO_SUCH_DEVICE;
        goto fail;
    }
    status = IoRegisterDeviceInterface(pdo, &TouchInterfaceGuid, NULL, &Touch.InterfaceName);
    if (!NT_SUCCESS(status)) goto fail;
    status = CreateControlDevice(driver);
    if (!NT_SUCCESS(status)) goto fail;
    Touch.Fdo->Flags |= DO_BUFFERED_IO | DO_POWER_PAGABLE;
    Touch.Fdo->Flags &= ~DO_DEVICE_INITIALIZING;
    goto out;
fail:
    DeleteDevices();
out:
    KeReleaseMutex(&Touch.PnpLock, FALSE);
    return status;
}

static NTSTATUS DispatchPnp(PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    NTSTATUS status;
    switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
        status = ForwardAndWait(irp);
        if (NT_SUCCESS(status)) {
            KeWaitForSingleObject(&Touch.PnpLock, Executive, KernelMode, FALSE, NULL);
            Touch.Started = TRUE;
            status = SetPlugged(TRUE);
            KeReleaseMutex(&Touch.PnpLock, FALSE);
        }
        return CompleteIrp(irp, status);
    case IRP_MN_SURPRISE_REMOVAL:
    case IRP_MN_STOP_DEVICE:
        KeWaitForSingleObject(&Touch.PnpLock, Executive, KernelMode, FALSE, NULL);
        SetPlugged(FALSE);
        Touch.Started = FALSE;
        KeReleaseMutex(&Touch.PnpLock, FALSE);
        irp->IoStatus.Status = STATUS_SUCCESS;
        return PassDown(irp);
    case IRP_MN_REMOVE_DEVICE: {
        KeWaitForSingleObject(&Touch.PnpLock, Executive, KernelMode, FALSE, NULL);
        SetPlugged(FALSE);
        Touch.Started = FALSE;
        irp->IoStatus.Status = STATUS_SUCCESS;
        IoSkipCurrentIrpStackLocation(irp);
        status = IoCallDriver(Touch.LowerDevice, irp);
        DeleteDevices();
        KeReleaseMutex(&Touch.PnpLock, FALSE);
        return status;
    }
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
        irp->IoStatus.Status = STATUS_SUCCESS;
        return PassDown(irp);
    default:
        return PassDown(irp);
    }
}

static BOOLEAN IsControlDevice(PDEVICE_OBJECT device) {
    return device == Touch.ControlDevice;
}

static NTSTATUS DispatchCreateClose(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return CompleteIrp(irp, STATUS_SUCCESS);
}

static NTSTATUS DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
    return IsControlDevice(device) ? ControlDeviceControl(irp) : TouchDeviceControl(irp);
}

static NTSTATUS DispatchPnpIrp(PDEVICE_OBJECT device, PIRP irp) {
    if (IsControlDevice(device)) return CompleteIrp(irp, STATUS_NOT_SUPPORTED);
    return DispatchPnp(irp);
}

static NTSTATUS DispatchPower(PDEVICE_OBJECT device, PIRP irp) {
    if (IsControlDevice(device)) return CompleteIrp(irp, STATUS_NOT_SUPPORTED);
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(Touch.LowerDevice, irp);
}

static void DriverUnload(PDRIVER_OBJECT driver) { (void)driver; }

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    (void)registryPath;
    InitTouchState();
    driver->DriverExtension->AddDevice = AddDevice;
    driver->DriverUnload = DriverUnload;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->MajorFunction[IRP_MJ_PNP] = DispatchPnpIrp;
    driver->MajorFunction[IRP_MJ_POWER] = DispatchPower;
    return STATUS_SUCCESS;
}
