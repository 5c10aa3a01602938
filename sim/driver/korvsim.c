/* The simulated audio engine's kernel driver. One driver serves both device
   names: \Device\Velmora1 (the WDM filter's channel) and \Device\Win9xDS (the
   VxD's channel, which Windows 9x opens by its DOS name). Every create, close
   and control request is journalled; each device keeps the last payload per
   code and answers the status query with a value that moves with time. */
#include <ntddk.h>

#include "KernelJournal.h"

#define KORVSIM_STATUS_CODE 0x002200C4u /* IOCTL_GET_STATUS */
#define KORVSIM_SLOTS 32

typedef struct CodeSlot {
    ULONG code;
    ULONG value;
} CodeSlot;

typedef struct KorvsimDevice {
    const char* channel;
    const WCHAR* dosName;
    LONG openCount;
    CodeSlot slots[KORVSIM_SLOTS];
} KorvsimDevice;

typedef struct DeviceName {
    const WCHAR* ntName;
    const WCHAR* dosName;
    const char* channel;
} DeviceName;

static const DeviceName kDevices[] = {
    {L"\\Device\\Velmora1", L"\\DosDevices\\Velmora1", "WDM"},
    {L"\\Device\\Win9xDS", L"\\DosDevices\\Win9xDS", "VXD"},
};

static KorvsimDevice* DeviceOf(PDEVICE_OBJECT device)
{
    return (KorvsimDevice*)device->DeviceExtension;
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static void JournalEvent(KorvsimDevice* dev, const char* kind)
{
    JournalLine line;
    JournalLine_Event(&line, KernelJournal_Now(), dev->channel, kind);
    KernelJournal_Append(&line);
}

static void RememberPayload(KorvsimDevice* dev, ULONG code, ULONG value)
{
    int i;
    for (i = 0; i < KORVSIM_SLOTS; ++i) {
        if (dev->slots[i].code == code || dev->slots[i].code == 0) {
            dev->slots[i].code = code;
            dev->slots[i].value = value;
            return;
        }
    }
    /* Table full: unknown codes beyond the table are journalled only. */
}

/* A tenth-of-a-second counter: it changes between two status reads 100 ms apart. */
static ULONG CurrentStatus(void)
{
    return (ULONG)(KernelJournal_Now() / 100u);
}

static NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp)
{
    KorvsimDevice* dev = DeviceOf(device);
    InterlockedIncrement(&dev->openCount);
    JournalEvent(dev, "OPEN");
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchClose(PDEVICE_OBJECT device, PIRP irp)
{
    KorvsimDevice* dev = DeviceOf(device);
    InterlockedDecrement(&dev->openCount);
    JournalEvent(dev, "CLOSE");
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchCleanup(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchControl(PDEVICE_OBJECT device, PIRP irp)
{
    KorvsimDevice* dev = DeviceOf(device);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    unsigned char* buffer = (unsigned char*)irp->AssociatedIrp.SystemBuffer;
    JournalLine line;

    if (code == KORVSIM_STATUS_CODE) {
        ULONG status = CurrentStatus();
        if (outLength < sizeof(ULONG) || !buffer) {
            JournalLine_Ioctl(&line, KernelJournal_Now(), dev->channel, code, 0, 0, outLength);
            KernelJournal_Append(&line);
            return Complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
        }
        buffer[0] = (unsigned char)status;
        buffer[1] = (unsigned char)(status >> 8);
        buffer[2] = (unsigned char)(status >> 16);
        buffer[3] = (unsigned char)(status >> 24);
        JournalLine_Ioctl(&line, KernelJournal_Now(), dev->channel, code, 1, status, outLength);
        KernelJournal_Append(&line);
        return Complete(irp, STATUS_SUCCESS, sizeof(ULONG));
    }

    if (inLength >= 4 && buffer) {
        ULONG value = JournalLine_LoadU32(buffer);
        RememberPayload(dev, code, value);
        JournalLine_Ioctl(&line, KernelJournal_Now(), dev->channel, code, 1, value, inLength);
    } else {
        JournalLine_Ioctl(&line, KernelJournal_Now(), dev->channel, code, 0, 0, inLength);
    }
    KernelJournal_Append(&line);
    return Complete(irp, STATUS_SUCCESS, 0);
}

static void DeleteDevices(PDRIVER_OBJECT driver)
{
    PDEVICE_OBJECT device = driver->DeviceObject;
    while (device) {
        PDEVICE_OBJECT next = device->NextDevice;
        UNICODE_STRING dosName;
        RtlInitUnicodeString(&dosName, DeviceOf(device)->dosName);
        IoDeleteSymbolicLink(&dosName);
        IoDeleteDevice(device);
        device = next;
    }
}

static VOID NTAPI DriverUnload(PDRIVER_OBJECT driver)
{
    DeleteDevices(driver);
}

static NTSTATUS CreateOneDevice(PDRIVER_OBJECT driver, const DeviceName* name)
{
    UNICODE_STRING ntName;
    UNICODE_STRING dosName;
    PDEVICE_OBJECT device = NULL;
    KorvsimDevice* dev;
    NTSTATUS status;

    RtlInitUnicodeString(&ntName, name->ntName);
    RtlInitUnicodeString(&dosName, name->dosName);
    status = IoCreateDevice(driver, sizeof(KorvsimDevice), &ntName, FILE_DEVICE_UNKNOWN, 0,
                            FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;
    dev = DeviceOf(device);
    RtlZeroMemory(dev, sizeof(*dev));
    dev->channel = name->channel;
    dev->dosName = name->dosName;
    device->Flags |= DO_BUFFERED_IO;
    status = IoCreateSymbolicLink(&dosName, &ntName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    unsigned int i;
    (void)registryPath;

    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
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
