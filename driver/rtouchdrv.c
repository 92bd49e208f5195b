/* rtouchdrv: a stand-in for the touch controller's kernel-mode driver, for
 * testing rtouch under Wine. It is a test fixture, not a driver for any
 * hardware: it moves no pointer and reads no controller. It publishes the
 * touch interface and answers the application's four command codes from a
 * queue of reports that tests fill through a separate control device,
 * which also injects faults and unplugs and replugs the interface. It is
 * meant to be as strict as a real Plug and Play driver: an unplug fails
 * every handle opened before it and every read waiting in it, requests
 * that race the removal are held off by a remove lock, and only the system
 * and administrators may open the control device. It never ships in an
 * installer.
 *
 * AddDevice creates the function device object (FDO), attaches it to the
 * root PDO and registers the touch interface; START enables the interface,
 * REMOVE disables it and deletes both device objects. The control device
 * lives as long as the FDO. */
#include "DeviceControl.h"

static const GUID TouchInterfaceGuid = TOUCH_INTERFACE_GUID_INIT;
/* The control device's setup class, which lets an administrator override
 * its security in the registry as for any class created securely. */
static const GUID ControlClassGuid = {
    0xEA0B2E96, 0x4E09, 0x495B, {0x8B, 0xCE, 0xB1, 0x45, 0x10, 0xAE, 0xDE, 0xF6}};

DRIVER_INITIALIZE DriverEntry;
static DRIVER_ADD_DEVICE AddDevice;
static DRIVER_UNLOAD DriverUnload;
_Dispatch_type_(IRP_MJ_CREATE) static DRIVER_DISPATCH DispatchCreate;
_Dispatch_type_(IRP_MJ_CLEANUP) static DRIVER_DISPATCH DispatchCleanup;
_Dispatch_type_(IRP_MJ_CLOSE) static DRIVER_DISPATCH DispatchClose;
_Dispatch_type_(IRP_MJ_DEVICE_CONTROL) static DRIVER_DISPATCH DispatchDeviceControl;
_Dispatch_type_(IRP_MJ_PNP) static DRIVER_DISPATCH DispatchPnp;
_Dispatch_type_(IRP_MJ_POWER) static DRIVER_DISPATCH DispatchPower;

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

static NTSTATUS NTAPI SignalOnCompletion(PDEVICE_OBJECT device, PIRP irp, PVOID context) {
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
    UNICODE_STRING sddl;
    RtlInitUnicodeString(&sddl, RTOUCHDRV_CONTROL_SDDL);
    NTSTATUS status = IoCreateDeviceSecure(driver, 0, &name, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN,
                                           FALSE, &sddl, &ControlClassGuid, &Touch.ControlDevice);
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

static NTSTATUS NTAPI AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo) {
    NTSTATUS status;
    KeWaitForSingleObject(&Touch.PnpLock, Executive, KernelMode, FALSE, NULL);
    if (Touch.Fdo) {
        /* One touch device only: the state is driver-wide. */
        status = STATUS_DEVICE_ALREADY_ATTACHED;
        goto out;
    }
    status = IoCreateDevice(driver, 0, NULL, FILE_DEVICE_MOUSE, FILE_DEVICE_SECURE_OPEN, FALSE, &Touch.Fdo);
    if (!NT_SUCCESS(status)) goto out;
    IoInitializeRemoveLock(&Touch.RemoveLock, RTOUCHDRV_TAG, 0, 0);
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

/* The touch device's PnP requests; the caller holds a remove-lock
 * reference, released here. */
static NTSTATUS TouchPnp(PIRP irp) {
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
        return CompleteTouchRequest(irp, status, 0);
    case IRP_MN_SURPRISE_REMOVAL:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_REMOVE_DEVICE:
        /* One way out for all three: the interface goes as on an unplug
         * and no plug comes until the next start. */
        KeWaitForSingleObject(&Touch.PnpLock, Executive, KernelMode, FALSE, NULL);
        SetPlugged(FALSE);
        Touch.Started = FALSE;
        irp->IoStatus.Status = STATUS_SUCCESS;
        if (stack->MinorFunction != IRP_MN_REMOVE_DEVICE) {
            KeReleaseMutex(&Touch.PnpLock, FALSE);
            break;
        }
        /* The removal waits until every request in flight has completed;
         * later ones fail in their dispatch routine. */
        IoReleaseRemoveLockAndWait(&Touch.RemoveLock, irp);
        IoSkipCurrentIrpStackLocation(irp);
        status = IoCallDriver(Touch.LowerDevice, irp);
        DeleteDevices();
        KeReleaseMutex(&Touch.PnpLock, FALSE);
        return status;
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    default:
        break;
    }
    status = PassDown(irp);
    IoReleaseRemoveLock(&Touch.RemoveLock, irp);
    return status;
}

static BOOLEAN IsControlDevice(PDEVICE_OBJECT device) { return device == Touch.ControlDevice; }

/* Every request on the touch device holds a remove-lock reference while it
 * runs; none is accepted once the removal has begun. */
static BOOLEAN EnterTouchRequest(PIRP irp) {
    if (NT_SUCCESS(IoAcquireRemoveLock(&Touch.RemoveLock, irp))) return TRUE;
    CompleteIrp(irp, STATUS_NO_SUCH_DEVICE);
    return FALSE;
}

/* IRP_MJ_CREATE: the control device opens for whoever its descriptor
 * admits; the touch device only while plugged, and the handle is tied to
 * this plug-in (see OpenTouchHandle). */
static NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
    if (IsControlDevice(device)) return CompleteIrp(irp, STATUS_SUCCESS);
    if (!EnterTouchRequest(irp)) return STATUS_NO_SUCH_DEVICE;
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    return CompleteTouchRequest(irp, OpenTouchHandle(file), 0);
}

/* IRP_MJ_CLEANUP: the last handle of a file object is closing; its reads
 * that still wait in the driver end now. */
static NTSTATUS NTAPI DispatchCleanup(PDEVICE_OBJECT device, PIRP irp) {
    if (IsControlDevice(device)) return CompleteIrp(irp, STATUS_SUCCESS);
    if (!EnterTouchRequest(irp)) return STATUS_NO_SUCH_DEVICE;
    FailReads(IoGetCurrentIrpStackLocation(irp)->FileObject, STATUS_CANCELLED);
    return CompleteTouchRequest(irp, STATUS_SUCCESS, 0);
}

/* IRP_MJ_CLOSE: nothing is kept per handle beyond its file object. */
static NTSTATUS NTAPI DispatchClose(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return CompleteIrp(irp, STATUS_SUCCESS);
}

/* IRP_MJ_DEVICE_CONTROL: the private codes on the control device, the
 * application's codes on the touch device (DeviceControl.c). */
static NTSTATUS NTAPI DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
    if (IsControlDevice(device)) return ControlDeviceControl(irp);
    if (!EnterTouchRequest(irp)) return STATUS_NO_SUCH_DEVICE;
    return TouchDeviceControl(irp);
}

/* IRP_MJ_PNP: start, stop and removal of the touch device. */
static NTSTATUS NTAPI DispatchPnp(PDEVICE_OBJECT device, PIRP irp) {
    if (IsControlDevice(device)) return CompleteIrp(irp, STATUS_NOT_SUPPORTED);
    if (!EnterTouchRequest(irp)) return STATUS_NO_SUCH_DEVICE;
    return TouchPnp(irp);
}

/* IRP_MJ_POWER: the touch device has no power states of its own; passed
 * down. */
static NTSTATUS NTAPI DispatchPower(PDEVICE_OBJECT device, PIRP irp) {
    if (IsControlDevice(device)) return CompleteIrp(irp, STATUS_NOT_SUPPORTED);
    if (!EnterTouchRequest(irp)) return STATUS_NO_SUCH_DEVICE;
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    NTSTATUS status = PoCallDriver(Touch.LowerDevice, irp);
    IoReleaseRemoveLock(&Touch.RemoveLock, irp);
    return status;
}

/* The devices are gone by now (removal deleted them); the read server
 * goes last. */
static void NTAPI DriverUnload(PDRIVER_OBJECT driver) {
    (void)driver;
    StopReader();
}

/* Loads the driver: the shared state, the read server and the entry
 * points. The devices come with AddDevice. */
NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    (void)registryPath;
    InitTouchState();
    NTSTATUS status = StartReader();
    if (!NT_SUCCESS(status)) return status;
    driver->DriverExtension->AddDevice = AddDevice;
    driver->DriverUnload = DriverUnload;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
    driver->MajorFunction[IRP_MJ_POWER] = DispatchPower;
    return STATUS_SUCCESS;
}
