/*
 * The simulated card driver's test interface, shared by the driver and the
 * Windows test programs.
 *
 * The driver serves two devices. The card's device (DEVICE_PATH of
 * card/protocol.h) is exclusive and takes the three line requests. The test
 * port, the same name with "Test" after it, hands out the log of every request
 * the card device received and switches the card device's faults on and off.
 * It may be opened by anyone at any time.
 *
 * The structures below cross from a 32-bit program to the 64-bit driver
 * unchanged (WOW64 passes METHOD_BUFFERED data as it is), so they hold only
 * fields of the same size and alignment on both architectures: no pointers,
 * no size_t, and `long` is 32 bits on Windows either way.
 */
#ifndef TORVELDRV_H
#define TORVELDRV_H

#include "card/protocol.h"

#define TORVEL_TEST_NAME DEVICE_NAME "Test"
#define TORVEL_TEST_PATH DEVICE_PATH "Test"

/* CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS) */
#define TORVEL_TEST_CODE(function) (0x00220000u | ((function) << 2))
/* Out: TORVEL_DRIVER_STATE. */
#define IOCTL_TORVEL_STATE TORVEL_TEST_CODE(0x900)
/* In: ULONG index of the first entry. Out: as many TORVEL_LOG_ENTRY as fit. */
#define IOCTL_TORVEL_READ_LOG TORVEL_TEST_CODE(0x901)
/* Forgets the log and the faults; the lines go back to idle. */
#define IOCTL_TORVEL_RESET TORVEL_TEST_CODE(0x902)
/* In: TORVEL_FAULTS. Counting of accepted requests starts again. */
#define IOCTL_TORVEL_SET_FAULTS TORVEL_TEST_CODE(0x903)

/* Lines of a card after a reset: the bus idle (data and clock high), stereo. */
#define TORVEL_IDLE_LINES LINE_BUS

#define TORVEL_LOG_CAPACITY 65536
#define TORVEL_ACCEPT_ALL 0xFFFFFFFFu

/* One request that reached the card device, in the order received. */
typedef struct TORVEL_LOG_ENTRY {
    long long ticks;        /* KeQueryPerformanceCounter when it was handled */
    unsigned long code;     /* the control code as sent */
    long status;            /* NTSTATUS given back; 0 when taken */
    unsigned char byte;     /* first byte of the input buffer (0 when empty) */
    unsigned char lines;    /* the line levels after it */
    unsigned char inSize;   /* input buffer size, capped at 255 */
    unsigned char outSize;  /* output buffer size, capped at 255 */
    unsigned long reserved; /* keeps the size a multiple of eight */
} TORVEL_LOG_ENTRY;

typedef struct TORVEL_DRIVER_STATE {
    long long frequency;   /* ticks per second of the log's times */
    unsigned long entries; /* entries in the log */
    unsigned long dropped; /* requests not logged because the log was full */
    long opens;            /* handles open on the card device */
    unsigned long presets; /* preset requests taken */
    unsigned char lines;   /* the line levels now */
    unsigned char reserved[7];
} TORVEL_DRIVER_STATE;

typedef struct TORVEL_FAULTS {
    /* Accepts this many more requests, then answers every one with
     * rejectStatus. TORVEL_ACCEPT_ALL accepts everything. */
    unsigned long rejectAfter;
    long rejectStatus;
    /* Non-zero: every open of the card device fails with this NTSTATUS. */
    long refuseOpenStatus;
    /* Non-zero: the card is in use by another user; an open of it is refused
     * with STATUS_ACCESS_DENIED. */
    long busy;
} TORVEL_FAULTS;

_Static_assert(sizeof(TORVEL_LOG_ENTRY) == 24, "TORVEL_LOG_ENTRY differs between architectures");
_Static_assert(sizeof(TORVEL_DRIVER_STATE) == 32,
               "TORVEL_DRIVER_STATE differs between architectures");
_Static_assert(sizeof(TORVEL_FAULTS) == 16, "TORVEL_FAULTS differs between architectures");

#endif
