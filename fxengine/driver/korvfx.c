/* The effects driver of Windows 2000, XP and 2003. It takes the console's
   control messages on \Device\Velmora1 (one program at a time), keeps the last
   payload of each code and hands the state to the engine host through a second,
   read-only device, \Device\KorvaneFxState, whose wait request stays pending
   until the state changes. One lock guards everything shared: the system's
   cancel spin lock, which every kernel of these systems exports and which the
   cancel routine is called with anyway. */
#include <ntifs.h>

#include "fxengine/driver/DeviceSecurity.h"
#include "fxengine/driver/FxDriverState.h"

typedef enum DeviceRole { ROLE_CONSOLE = 1, ROLE_STATE = 2 } DeviceRole;

typedef struct DeviceExtension {
    DeviceRole role;
    const WCHAR* link;
} DeviceExtension;

typedef struct DeviceName {
    DeviceRole role;
    const WCHAR* device;
    const WCHAR* link;
    BOOLEAN exclusive;
    ACCESS_MASK interactiveAccess; /* what a logged-on user may open it for */
} DeviceName;

static const DeviceName kDevices[] = {
    {ROLE_CONSOLE, FXDRV_CONSOLE_DEVICE, FXDRV_CONSOLE_LINK, TRUE, FILE_GENERIC_READ | FILE_GENERIC_WRITE},
    {ROLE_STATE, FXDRV_STATE_DEVICE, FXDRV_STATE_LINK, FALSE, FILE_GENERIC_READ},
};

/* Access that includes reading or writing data, however it was asked for. */
#define ASKS_READ (FILE_READ_DATA | GENERIC_READ | GENERIC_ALL)
#define ASKS_WRITE (FILE_WRITE_DATA | FILE_APPEND_DATA | GENERIC_WRITE | GENERIC_ALL)

static const ULONG kCodes[FXDRV_CODE_COUNT] = FXDRV_CODES;
/* What goes off when the console leaves, the way its own close does it. */
static const ULONG kEnableCodes[] = {0x220000u, 0x220040u, 0x220080u, 0x220100u, 0x220144u};

/* Under the cancel spin lock: the state, the waiting requests and the file
   object that holds the console's device (NULL when none does). A state
   device file has at most one request waiting, kept in its FsContext (the
   file system's field, ours on a device of our own), so a caller's pool use
   is bounded by its handles and a file's cleanup finds its request at once. */
static FxDriverState g_state;
static LIST_ENTRY g_waiting;
static PFILE_OBJECT g_consoleFile;

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static DeviceRole RoleOf(PDEVICE_OBJECT device)
{
    return ((DeviceExtension*)device->DeviceExtension)->role;
}

static int IndexOfCode(ULONG code)
{
    int i;
    for (i = 0; i < FXDRV_CODE_COUNT; ++i)
        if (kCodes[i] == code)
            return i;
    return -1;
}

static ULONG LoadU32(const void* bytes)
{
    const UCHAR* b = (const UCHAR*)bytes;
    return (ULONG)b[0] | ((ULONG)b[1] << 8) | ((ULONG)b[2] << 16) | ((ULONG)b[3] << 24);
}

static void StoreU32(void* bytes, ULONG value)
{
    UCHAR* b = (UCHAR*)bytes;
    b[0] = (UCHAR)value;
    b[1] = (UCHAR)(value >> 8);
    b[2] = (UCHAR)(value >> 16);
    b[3] = (UCHAR)(value >> 24);
}

/* Lock held. TRUE when the entry changed. */
static BOOLEAN StoreLocked(int index, ULONG payload)
{
    FxDriverEntry* e = &g_state.entries[index];
    if (e->received && e->payload == payload)
        return FALSE;
    e->received = 1;
    e->payload = payload;
    return TRUE;
}

static void BumpSerialLocked(void)
{
    if (++g_state.serial == 0)
        g_state.serial = 1;
}

/* Lock held. Moves every waiting request to `taken`, its cancel routine
   cleared. A request on the list always
   has its routine set: the system clears it only under this same lock, and
   then the cancel routine takes the request off the list before it lets go. */
static void TakeWaitersLocked(PLIST_ENTRY taken)
{
    PLIST_ENTRY link = g_waiting.Flink;
    while (link != &g_waiting) {
        PIRP irp = CONTAINING_RECORD(link, IRP, Tail.Overlay.ListEntry);
        link = link->Flink;
        if (IoSetCancelRoutine(irp, NULL) == NULL)
            continue;
        RemoveEntryList(&irp->Tail.Overlay.ListEntry);
        IoGetCurrentIrpStackLocation(irp)->FileObject->FsContext = NULL;
        InsertTailList(taken, &irp->Tail.Overlay.ListEntry);
    }
}

/* Completes the requests in `taken`: with the state when `state` is given
   (their output size was checked when they were queued), else cancelled. */
static void CompleteTaken(PLIST_ENTRY taken, const FxDriverState* state)
{
    while (!IsListEmpty(taken)) {
        PIRP irp = CONTAINING_RECORD(RemoveHeadList(taken), IRP, Tail.Overlay.ListEntry);
        if (state) {
            RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, state, sizeof(*state));
            Complete(irp, STATUS_SUCCESS, sizeof(*state));
        } else {
            Complete(irp, STATUS_CANCELLED, 0);
        }
    }
}

/* Lock held, entered with `irql`; releases it. Wakes every waiter when the
   state changed. */
static void PublishAndUnlock(BOOLEAN changed, KIRQL irql)
{
    LIST_ENTRY taken;
    FxDriverState snapshot;
    InitializeListHead(&taken);
    if (changed) {
        BumpSerialLocked();
        TakeWaitersLocked(&taken);
        snapshot = g_state;
    }
    IoReleaseCancelSpinLock(irql);
    if (changed)
        CompleteTaken(&taken, &snapshot);
}

/* The console's program is gone (closed or ended): everything off, as its
   own close does, so that a program that dies leaves plain sound too. */
static void ConsoleGone(PFILE_OBJECT file)
{
    KIRQL irql;
    unsigned i;
    IoAcquireCancelSpinLock(&irql);
    if (g_consoleFile == NULL || g_consoleFile != file) {
        IoReleaseCancelSpinLock(irql);
        return;
    }
    g_consoleFile = NULL;
    g_state.consoleOpen = 0;
    for (i = 0; i < sizeof(kEnableCodes) / sizeof(kEnableCodes[0]); ++i)
        StoreLocked(IndexOfCode(kEnableCodes[i]), 0);
    PublishAndUnlock(TRUE, irql);
}

static VOID NTAPI CancelWait(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    RemoveEntryList(&irp->Tail.Overlay.ListEntry);
    IoGetCurrentIrpStackLocation(irp)->FileObject->FsContext = NULL;
    IoReleaseCancelSpinLock(irp->CancelIrql);
    Complete(irp, STATUS_CANCELLED, 0);
}

/* Cancels the waiting requests of one file (NULL: all of them). */
static void CancelWaiters(PFILE_OBJECT file)
{
    KIRQL irql;
    LIST_ENTRY taken;
    InitializeListHead(&taken);
    IoAcquireCancelSpinLock(&irql);
    if (file == NULL) {
        TakeWaitersLocked(&taken);
    } else if (file->FsContext != NULL) {
        /* Its one request; the list is not walked. */
        PIRP irp = (PIRP)file->FsContext;
        if (IoSetCancelRoutine(irp, NULL) != NULL) {
            RemoveEntryList(&irp->Tail.Overlay.ListEntry);
            file->FsContext = NULL;
            InsertTailList(&taken, &irp->Tail.Overlay.ListEntry);
        }
    }
    IoReleaseCancelSpinLock(irql);
    CompleteTaken(&taken, NULL);
}

static NTSTATUS NTAPI DispatchUnsupported(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
}

static NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    PIO_SECURITY_CONTEXT security = stack->Parameters.Create.SecurityContext;
    KIRQL irql;

    /* An open must ask for what it is used for: reading the state device
       (and never writing it), writing the console's. A handle that asks for
       nothing would otherwise hold the console's device without the access
       list ever being consulted. Wine passes no security context: there
       nothing is known of what was asked. */
    if (security) {
        const ACCESS_MASK asked = security->DesiredAccess;
        const BOOLEAN fits = RoleOf(device) == ROLE_STATE ? (asked & ASKS_READ) && !(asked & ASKS_WRITE)
                                                            : (asked & ASKS_WRITE) != 0;
        if (!fits)
            return Complete(irp, STATUS_ACCESS_DENIED, 0);
    }
    if (RoleOf(device) == ROLE_STATE)
        return Complete(irp, STATUS_SUCCESS, 0);

    /* One program at a time, refused as the system refuses a second open of
       an exclusive device (the device is created exclusive too; this check
       holds where the system does not make it). */
    IoAcquireCancelSpinLock(&irql);
    if (g_consoleFile != NULL) {
        IoReleaseCancelSpinLock(irql);
        return Complete(irp, STATUS_ACCESS_DENIED, 0);
    }
    g_consoleFile = stack->FileObject;
    g_state.consoleOpen = 1;
    PublishAndUnlock(TRUE, irql);
    return Complete(irp, STATUS_SUCCESS, 0);
}

/* The last handle went: on these systems the request of a file still waiting
   must be ended here, or the file is never closed. */
static NTSTATUS NTAPI DispatchCleanup(PDEVICE_OBJECT device, PIRP irp)
{
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    if (RoleOf(device) == ROLE_STATE)
        CancelWaiters(file);
    else
        ConsoleGone(file);
    return Complete(irp, STATUS_SUCCESS, 0);
}

/* Where no cleanup request comes first (Wine sends only this one), it does
   the cleanup's work; after a cleanup there is nothing left to do. */
static NTSTATUS NTAPI DispatchClose(PDEVICE_OBJECT device, PIRP irp)
{
    return DispatchCleanup(device, irp);
}

static NTSTATUS ConsoleControl(PIRP irp, ULONG code, ULONG inLength, ULONG outLength)
{
    void* buffer = irp->AssociatedIrp.SystemBuffer;
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    const BOOLEAN asksStatus = code == FXDRV_CODE_GET_STATUS;
    const int index = asksStatus ? -1 : IndexOfCode(code);
    NTSTATUS refusal = STATUS_SUCCESS;
    KIRQL irql;
    ULONG serial;

    if (asksStatus) {
        if (outLength < sizeof(ULONG) || !buffer)
            refusal = STATUS_BUFFER_TOO_SMALL;
    } else if (index < 0) {
        refusal = STATUS_INVALID_DEVICE_REQUEST;
    } else if (inLength != sizeof(ULONG) || !buffer) {
        /* Every payload is exactly 4 bytes: a shorter one is not read at all,
           a longer one is not a message of the console's either. */
        refusal = STATUS_INVALID_PARAMETER;
    }

    /* Only the file that holds the device is served, checked in the same
       hold of the lock as the store: a message racing the holder's close
       either lands before the close's zeros or is refused. Windows never
       lets a refused open have a handle; Wine does (it does not wait for the
       driver's answer to an open), and such a handle gets nothing. */
    IoAcquireCancelSpinLock(&irql);
    if (g_consoleFile == NULL || g_consoleFile != file) {
        IoReleaseCancelSpinLock(irql);
        return Complete(irp, STATUS_ACCESS_DENIED, 0);
    }
    if (!NT_SUCCESS(refusal)) {
        IoReleaseCancelSpinLock(irql);
        return Complete(irp, refusal, 0);
    }
    if (asksStatus) {
        serial = g_state.serial;
        IoReleaseCancelSpinLock(irql);
        StoreU32(buffer, serial);
        return Complete(irp, STATUS_SUCCESS, sizeof(ULONG));
    }
    PublishAndUnlock(StoreLocked(index, LoadU32(buffer)), irql);
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS StateControl(PIRP irp, ULONG code, ULONG inLength, ULONG outLength)
{
    void* buffer = irp->AssociatedIrp.SystemBuffer;
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    KIRQL irql;
    FxDriverState snapshot;
    ULONG known;

    if (code != FXDRV_IOCTL_WAIT_STATE && code != FXDRV_IOCTL_GET_STATE)
        return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    if (outLength < sizeof(FxDriverState) || !buffer)
        return Complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
    if (code == FXDRV_IOCTL_WAIT_STATE && inLength != sizeof(ULONG))
        return Complete(irp, STATUS_INVALID_PARAMETER, 0);
    known = code == FXDRV_IOCTL_WAIT_STATE ? LoadU32(buffer) : 0;

    IoAcquireCancelSpinLock(&irql);
    if (code == FXDRV_IOCTL_GET_STATE || known != g_state.serial) {
        snapshot = g_state;
        IoReleaseCancelSpinLock(irql);
        RtlCopyMemory(buffer, &snapshot, sizeof(snapshot));
        return Complete(irp, STATUS_SUCCESS, sizeof(snapshot));
    }
    if (irp->Cancel) {
        IoReleaseCancelSpinLock(irql);
        return Complete(irp, STATUS_CANCELLED, 0);
    }
    /* One waiting request per handle: the host needs no more, and each one
       holds nonpaged pool until the next change. */
    if (file->FsContext != NULL) {
        IoReleaseCancelSpinLock(irql);
        return Complete(irp, STATUS_DEVICE_BUSY, 0);
    }
    IoMarkIrpPending(irp);
    IoSetCancelRoutine(irp, CancelWait);
    file->FsContext = irp;
    InsertTailList(&g_waiting, &irp->Tail.Overlay.ListEntry);
    IoReleaseCancelSpinLock(irql);
    return STATUS_PENDING;
}

static NTSTATUS NTAPI DispatchControl(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    if (RoleOf(device) == ROLE_STATE)
        return StateControl(irp, code, inLength, outLength);
    return ConsoleControl(irp, code, inLength, outLength);
}

static void DeleteDevices(PDRIVER_OBJECT driver)
{
    PDEVICE_OBJECT device = driver->DeviceObject;
    while (device) {
        PDEVICE_OBJECT next = device->NextDevice;
        UNICODE_STRING link;
        RtlInitUnicodeString(&link, ((DeviceExtension*)device->DeviceExtension)->link);
        IoDeleteSymbolicLink(&link);
        IoDeleteDevice(device);
        device = next;
    }
}

static VOID NTAPI DriverUnload(PDRIVER_OBJECT driver)
{
    CancelWaiters(NULL);
    DeleteDevices(driver);
}

static NTSTATUS CreateOneDevice(PDRIVER_OBJECT driver, const DeviceName* name)
{
    UNICODE_STRING deviceName;
    UNICODE_STRING link;
    PDEVICE_OBJECT device = NULL;
    DeviceExtension* ext;
    NTSTATUS status;

    RtlInitUnicodeString(&deviceName, name->device);
    RtlInitUnicodeString(&link, name->link);
    status = IoCreateDevice(driver, sizeof(DeviceExtension), &deviceName, FILE_DEVICE_UNKNOWN,
                            FILE_DEVICE_SECURE_OPEN, name->exclusive, &device);
    if (!NT_SUCCESS(status))
        return status;
    ext = (DeviceExtension*)device->DeviceExtension;
    ext->role = name->role;
    ext->link = name->link;
    device->Flags |= DO_BUFFERED_IO;
    /* The access list before the name that user mode opens exists. */
    status = DeviceSecurity_Apply(device, name->interactiveAccess);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    status = IoCreateSymbolicLink(&link, &deviceName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    unsigned i;
    (void)registryPath;

    RtlZeroMemory(&g_state, sizeof(g_state));
    g_state.size = sizeof(g_state);
    g_state.serial = 1;
    g_state.count = FXDRV_CODE_COUNT;
    for (i = 0; i < FXDRV_CODE_COUNT; ++i)
        g_state.entries[i].code = kCodes[i];
    InitializeListHead(&g_waiting);
    g_consoleFile = NULL;

    for (i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i)
        driver->MajorFunction[i] = DispatchUnsupported;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->DriverUnload = DriverUnload;

    for (i = 0; i < sizeof(kDevices) / sizeof(kDevices[0]); ++i) {
        NTSTATUS status = CreateOneDevice(driver, &kDevices[i]);
        if (!NT_SUCCESS(status)) {
            DeleteDevices(driver);
            return status;
        }
    }
    return STATUS_SUCCESS;
}
