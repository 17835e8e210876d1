/*
 * A simulated driver for the FM transmitter card, for testing torvelapi.dll
 * under Wine or on a Windows test machine without the card.
 *
 * \Device\DEVICE_NAME (link \DosDevices\DEVICE_NAME, card/protocol.h)
 * stands for the card. It takes three
 * METHOD_BUFFERED requests with a one-byte input and a one-byte output buffer:
 *   IOCTL_LINE_RAISE raises the lines named in the byte,
 *   IOCTL_LINE_LOWER lowers them,
 *   IOCTL_LINE_PRESET presets the bus: the bus lines named in the byte end
 *     high (a real card frees the bus and leaves it idle); the mode line is
 *     never touched.
 * The answer byte is the line levels after the request. Any other code, or a
 * buffer of the wrong size, is answered with an error. Every request, taken or
 * not, is logged with its time.
 *
 * The test port, the same names with "Test" after them, is described in
 * torveldrv.h. A card in use by another user is its busy switch: under Wine
 * a driver cannot keep a device to one user by counting opens, as a closed
 * handle's cleanup may reach the driver only after the next open.
 */
#include <ntddk.h>

#include "torveldrv.h"

#define CARD_DEVICE_NAME L"\\Device\\" DEVICE_NAME
#define CARD_LINK_NAME L"\\DosDevices\\" DEVICE_NAME
#define TEST_DEVICE_NAME L"\\Device\\" TORVEL_TEST_NAME
#define TEST_LINK_NAME L"\\DosDevices\\" TORVEL_TEST_NAME

static PDEVICE_OBJECT cardDevice;
static PDEVICE_OBJECT testDevice;

/* Everything below is guarded by `lock`: Wine may hand requests to the
 * driver on more than one thread. */
static volatile LONG lock;
static LONG opens;
static UCHAR lines = TORVEL_IDLE_LINES;
static ULONG presets;
static TORVEL_FAULTS faults = {TORVEL_ACCEPT_ALL, 0, 0, 0};
static ULONG acceptedSinceFaults;
static ULONG entries;
static ULONG dropped;
static TORVEL_LOG_ENTRY logEntries[TORVEL_LOG_CAPACITY];

static void Lock(void) {
    while (__sync_lock_test_and_set(&lock, 1))
        while (lock)
            ;
}

static void Unlock(void) {
    __sync_lock_release(&lock);
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* An open that the card admitted is marked in its file object. Wine hands
 * out the handle whatever the answer to IRP_MJ_CREATE is, so a handle whose
 * open was refused reaches the driver too and has to be told apart. */
#define ADMITTED ((PVOID)1)

static UCHAR Capped(ULONG size) {
    return size > 255 ? 255 : (UCHAR)size;
}

static NTSTATUS CardRequest(PIRP irp, PIO_STACK_LOCATION stack) {
    const BOOLEAN admitted = stack->FileObject != NULL && stack->FileObject->FsContext == ADMITTED;
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG inSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG outSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR *buffer = (UCHAR *)irp->AssociatedIrp.SystemBuffer;
    const UCHAR byte = (inSize >= 1 && buffer != NULL) ? buffer[0] : 0;
    const LARGE_INTEGER now = KeQueryPerformanceCounter(NULL);
    NTSTATUS status = STATUS_SUCCESS;
    ULONG_PTR information = 0;

    Lock();
    if (!admitted) {
        status = STATUS_ACCESS_DENIED;
    } else if (code != IOCTL_LINE_PRESET && code != IOCTL_LINE_RAISE && code != IOCTL_LINE_LOWER) {
        status = STATUS_INVALID_DEVICE_REQUEST;
    } else if (inSize != 1 || outSize != 1 || buffer == NULL) {
        status = STATUS_INVALID_PARAMETER;
    } else if (faults.rejectAfter != TORVEL_ACCEPT_ALL &&
               acceptedSinceFaults >= faults.rejectAfter) {
        status = faults.rejectStatus;
    } else {
        ++acceptedSinceFaults;
        if (code == IOCTL_LINE_RAISE) {
            lines |= byte;
        } else if (code == IOCTL_LINE_LOWER) {
            lines &= (UCHAR)~byte;
        } else {
            lines |= byte & LINE_BUS;
            ++presets;
        }
        buffer[0] = lines;
        information = 1;
    }
    if (entries < TORVEL_LOG_CAPACITY) {
        TORVEL_LOG_ENTRY *entry = &logEntries[entries++];
        entry->ticks = now.QuadPart;
        entry->code = code;
        entry->status = status;
        entry->byte = byte;
        entry->lines = lines;
        entry->inSize = Capped(inSize);
        entry->outSize = Capped(outSize);
        entry->reserved = 0;
    } else {
        ++dropped;
    }
    Unlock();
    return Complete(irp, status, information);
}

/* Under Wine a refused IRP_MJ_CREATE does not make the open fail, so while
 * opens are refused the card's link is taken away as well: the open then
 * fails as if no driver were there. Called by the test port only, one
 * request at a time. */
static BOOLEAN cardLinked;

static void LinkCard(BOOLEAN linked) {
    UNICODE_STRING deviceName;
    UNICODE_STRING link;
    if (linked == cardLinked)
        return;
    RtlInitUnicodeString(&deviceName, CARD_DEVICE_NAME);
    RtlInitUnicodeString(&link, CARD_LINK_NAME);
    if (linked)
        cardLinked = NT_SUCCESS(IoCreateSymbolicLink(&link, &deviceName));
    else
        cardLinked = !NT_SUCCESS(IoDeleteSymbolicLink(&link));
}

static NTSTATUS TestRequest(PIRP irp, PIO_STACK_LOCATION stack) {
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG inSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG outSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    void *buffer = irp->AssociatedIrp.SystemBuffer;
    NTSTATUS status = STATUS_SUCCESS;
    ULONG_PTR information = 0;

    Lock();
    if (code == IOCTL_TORVEL_STATE) {
        if (outSize < sizeof(TORVEL_DRIVER_STATE)) {
            status = STATUS_BUFFER_TOO_SMALL;
        } else {
            TORVEL_DRIVER_STATE *state = (TORVEL_DRIVER_STATE *)buffer;
            LARGE_INTEGER frequency;
            KeQueryPerformanceCounter(&frequency);
            RtlZeroMemory(state, sizeof *state);
            state->frequency = frequency.QuadPart;
            state->entries = entries;
            state->dropped = dropped;
            state->opens = opens;
            state->presets = presets;
            state->lines = lines;
            information = sizeof *state;
        }
    } else if (code == IOCTL_TORVEL_READ_LOG) {
        if (inSize < sizeof(ULONG)) {
            status = STATUS_INVALID_PARAMETER;
        } else {
            const ULONG first = *(const ULONG *)buffer;
            ULONG count = outSize / sizeof(TORVEL_LOG_ENTRY);
            if (first >= entries)
                count = 0;
            else if (count > entries - first)
                count = entries - first;
            RtlCopyMemory(buffer, &logEntries[first], count * sizeof(TORVEL_LOG_ENTRY));
            information = count * sizeof(TORVEL_LOG_ENTRY);
        }
    } else if (code == IOCTL_TORVEL_RESET) {
        entries = 0;
        dropped = 0;
        presets = 0;
        lines = TORVEL_IDLE_LINES;
        faults.rejectAfter = TORVEL_ACCEPT_ALL;
        faults.rejectStatus = 0;
        faults.refuseOpenStatus = 0;
        faults.busy = 0;
        acceptedSinceFaults = 0;
    } else if (code == IOCTL_TORVEL_SET_FAULTS) {
        if (inSize < sizeof(TORVEL_FAULTS)) {
            status = STATUS_INVALID_PARAMETER;
        } else {
            faults = *(const TORVEL_FAULTS *)buffer;
            acceptedSinceFaults = 0;
        }
    } else {
        status = STATUS_INVALID_DEVICE_REQUEST;
    }
    const BOOLEAN linked = faults.refuseOpenStatus == 0;
    Unlock();
    LinkCard(linked);
    return Complete(irp, status, information);
}

static NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    NTSTATUS status = STATUS_SUCCESS;
    if (device == cardDevice) {
        Lock();
        if (faults.refuseOpenStatus != 0) {
            status = faults.refuseOpenStatus;
        } else if (faults.busy) {
            status = STATUS_ACCESS_DENIED; /* another user holds the card */
        } else {
            ++opens;
            if (file != NULL)
                file->FsContext = ADMITTED;
        }
        Unlock();
    }
    return Complete(irp, status, 0);
}

/* The card is free again as soon as its user closes the handle: that is the
 * cleanup request, which comes with the close of the last handle. The close
 * request may come later (under Wine after the next user's open), so it
 * only releases a file whose cleanup did not. */
static void Release(PDEVICE_OBJECT device, PIRP irp) {
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    if (device == cardDevice && file != NULL) {
        Lock();
        if (file->FsContext == ADMITTED) {
            --opens;
            file->FsContext = NULL;
        }
        Unlock();
    }
}

static NTSTATUS NTAPI DispatchCleanup(PDEVICE_OBJECT device, PIRP irp) {
    Release(device, irp);
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchClose(PDEVICE_OBJECT device, PIRP irp) {
    Release(device, irp);
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (device == cardDevice)
        return CardRequest(irp, stack);
    return TestRequest(irp, stack);
}

static void DeleteDevices(void) {
    UNICODE_STRING link;
    if (testDevice != NULL) {
        RtlInitUnicodeString(&link, TEST_LINK_NAME);
        IoDeleteSymbolicLink(&link);
        IoDeleteDevice(testDevice);
        testDevice = NULL;
    }
    if (cardDevice != NULL) {
        RtlInitUnicodeString(&link, CARD_LINK_NAME);
        if (cardLinked)
            IoDeleteSymbolicLink(&link);
        cardLinked = FALSE;
        IoDeleteDevice(cardDevice);
        cardDevice = NULL;
    }
}

static void NTAPI DriverUnload(PDRIVER_OBJECT driver) {
    (void)driver;
    DeleteDevices();
}

static NTSTATUS CreateDevice(PDRIVER_OBJECT driver, const WCHAR *name, const WCHAR *linkName,
                             BOOLEAN exclusive, PDEVICE_OBJECT *device) {
    UNICODE_STRING deviceName;
    UNICODE_STRING link;
    NTSTATUS status;
    RtlInitUnicodeString(&deviceName, name);
    RtlInitUnicodeString(&link, linkName);
    status = IoCreateDevice(driver, 0, &deviceName, FILE_DEVICE_UNKNOWN, 0, exclusive, device);
    if (!NT_SUCCESS(status))
        return status;
    (*device)->Flags |= DO_BUFFERED_IO;
    status = IoCreateSymbolicLink(&link, &deviceName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(*device);
        *device = NULL;
        return status;
    }
    (*device)->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    NTSTATUS status;
    (void)registryPath;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->DriverUnload = DriverUnload;

    status = CreateDevice(driver, CARD_DEVICE_NAME, CARD_LINK_NAME, TRUE, &cardDevice);
    cardLinked = NT_SUCCESS(status);
    if (NT_SUCCESS(status))
        status = CreateDevice(driver, TEST_DEVICE_NAME, TEST_LINK_NAME, FALSE, &testDevice);
    if (!NT_SUCCESS(status))
        DeleteDevices();
    return status;
}
