/* The substitute touch driver's private side, shared by the driver (C) and
 * rtouchctl (C++): how it is installed, who may open what, the control
 * device that answers the private command codes, the codes themselves and
 * their records.
 *
 * The touch interface answers only the application's four codes
 * (device/DriverCodes.h). The private codes go to a separate control
 * device, \\.\RtouchDrvControl, which stays reachable while the touch
 * interface is unplugged. Every private code is
 * CTL_CODE(FILE_DEVICE_MOUSE, 0xA00 + n, METHOD_BUFFERED, access), far from
 * the application's function numbers 0x800..0x809: the codes that change
 * the driver's state ask for FILE_WRITE_ACCESS (the I/O manager refuses
 * them on a handle opened without write access), the state read asks for
 * FILE_READ_ACCESS. Every size is exact unless stated, anything else fails
 * with STATUS_INVALID_PARAMETER. */
#ifndef RTOUCH_DRIVER_TESTCODES_H
#define RTOUCH_DRIVER_TESTCODES_H

#include "device/DriverCodes.h"

/* Installation: the root-enumerated device, its hardware id (as in
 * rtouchdrv.inf) and the kernel service. */
#define RTOUCHDRV_HARDWARE_ID L"root\\rtouchdrv"
#define RTOUCHDRV_INSTANCE_ID L"ROOT\\RTOUCHDRV\\0000"
#define RTOUCHDRV_SERVICE_NAME L"rtouchdrv"
#define RTOUCHDRV_INF_NAME L"rtouchdrv.inf"

/* The control device: kernel name, its link, and the user-mode path. */
#define RTOUCHDRV_CONTROL_DEVICE L"\\Device\\RtouchDrvControl"
#define RTOUCHDRV_CONTROL_LINK L"\\DosDevices\\RtouchDrvControl"
#define RTOUCHDRV_CONTROL_PATH L"\\\\.\\RtouchDrvControl"

/* Who may open the devices (SDDL). The control device: the local system
 * and administrators only (its descriptor, given at creation). The touch
 * device: those two and the interactive user, who runs the application
 * (the Security value the .inf writes for the device; rtouchdrv.inf holds
 * the same string). Both deny everyone else. */
#define RTOUCHDRV_CONTROL_SDDL L"D:P(A;;GA;;;SY)(A;;GA;;;BA)"
#define RTOUCHDRV_TOUCH_SDDL "D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;GRGW;;;IU)"

/* A private code with the access it asks of the handle. */
#define RTOUCHDRV_CODE(function, access) \
    TOUCH_CTL_CODE(TOUCH_FILE_DEVICE_MOUSE, function, TOUCH_METHOD_BUFFERED, access)
#define RTOUCHDRV_CHANGE_CODE(function) RTOUCHDRV_CODE(function, TOUCH_FILE_WRITE_ACCESS)

/* In: 1..RTOUCHDRV_QUEUE_CAPACITY RTOUCHDRV_QUEUE_ENTRY records. The whole
 * batch is queued, or nothing when one entry is invalid
 * (STATUS_INVALID_PARAMETER) or the batch does not fit
 * (STATUS_INSUFFICIENT_RESOURCES). */
#define IOCTL_RTOUCHDRV_QUEUE_REPORTS RTOUCHDRV_CHANGE_CODE(0xA00u)
/* In: uint32_t reports per second, 1..RTOUCHDRV_MAX_RATE. The queue
 * releases one entry per period. */
#define IOCTL_RTOUCHDRV_SET_RATE RTOUCHDRV_CHANGE_CODE(0xA01u)
/* Out: RTOUCHDRV_STATE (a larger buffer is fine; 212 bytes returned). */
#define IOCTL_RTOUCHDRV_GET_STATE RTOUCHDRV_CODE(0xA02u, TOUCH_FILE_READ_ACCESS)
/* No input: empties the queue, forgets the last block, the send count and
 * the entries taken, drops pending faults, releases held reads, rate, read
 * wait and no-touch reads back to their defaults. */
#define IOCTL_RTOUCHDRV_RESET RTOUCHDRV_CHANGE_CODE(0xA03u)
/* In: RTOUCHDRV_FAULTS; replaces the pending fault counters. */
#define IOCTL_RTOUCHDRV_SET_FAULTS RTOUCHDRV_CHANGE_CODE(0xA04u)
/* No input: disables / enables the touch interface at run time, as a
 * device removal / arrival. Idempotent. A device that comes back is a new
 * device: the unplug forgets the last block and the configuration record
 * (zeros until the next send or set); the send count, the queue, the rate,
 * the read wait and pending faults are the test's and stay. */
#define IOCTL_RTOUCHDRV_UNPLUG RTOUCHDRV_CHANGE_CODE(0xA05u)
#define IOCTL_RTOUCHDRV_PLUG RTOUCHDRV_CHANGE_CODE(0xA06u)
/* In: uint32_t milliseconds, 0..RTOUCHDRV_MAX_READ_WAIT_MS: how long a read
 * with no report due waits before it fails (RTOUCHDRV_DEFAULT_READ_WAIT_MS
 * after load or reset). A long wait holds a reader inside its read, as a
 * slow controller would; 0 fails such a read at once, without waiting in
 * the driver, as a driver that never holds a read does. */
#define IOCTL_RTOUCHDRV_SET_READ_WAIT RTOUCHDRV_CHANGE_CODE(0xA07u)
/* In: uint32_t, 1 holds reads, 0 releases them. While held, a read with no
 * report due waits however long it takes (no read wait ends it): a test
 * knows the reader sits inside its read until it says otherwise. A report
 * that falls due still completes it; an unplug still fails it. The release
 * ends every waiting read as its wait would end (STATUS_DEVICE_NOT_READY).
 * Load and reset release. */
#define IOCTL_RTOUCHDRV_HOLD_READS RTOUCHDRV_CHANGE_CODE(0xA08u)
/* In: uint32_t, 0 or 1 (off after load or reset). With 1, a read with no
 * report due completes at once with a report that says "no touch" (all
 * bytes 0), as a driver that never fails nor holds a read does; the read
 * wait then never applies. */
#define IOCTL_RTOUCHDRV_SET_NO_TOUCH_READS RTOUCHDRV_CHANGE_CODE(0xA09u)

#define RTOUCHDRV_QUEUE_CAPACITY 16384u
#define RTOUCHDRV_DEFAULT_RATE 125u
#define RTOUCHDRV_MAX_RATE 10000000u
#define RTOUCHDRV_DEFAULT_READ_WAIT_MS 2u
#define RTOUCHDRV_MAX_READ_WAIT_MS 60000u
/* Bytes a short read returns (of the report's 12). */
#define RTOUCHDRV_SHORT_READ_SIZE 6u
#define RTOUCHDRV_REPORT_SIZE TOUCH_REPORT_SIZE
#define RTOUCHDRV_BLOCK_SIZE 180u

/* Entry kinds: a report the next read returns, or a read that fails. */
#define RTOUCHDRV_ENTRY_REPORT 0u
#define RTOUCHDRV_ENTRY_FAILED_READ 1u

typedef struct RTOUCHDRV_QUEUE_ENTRY {
    uint8_t Kind;        /* RTOUCHDRV_ENTRY_* */
    uint8_t Reserved[3]; /* must be 0 */
    uint8_t Report[RTOUCHDRV_REPORT_SIZE];
} RTOUCHDRV_QUEUE_ENTRY;

typedef struct RTOUCHDRV_STATE {
    uint8_t LastBlock[RTOUCHDRV_BLOCK_SIZE]; /* zeros until the first send to this plug-in */
    uint32_t SendCount;   /* accepted parameter sends since load or reset, across unplugs */
    uint32_t QueueLength; /* entries not yet read */
    uint32_t ReportsPerSecond;
    uint32_t Plugged;      /* 1 while the touch interface is enabled */
    uint32_t WaitingReads; /* reads waiting in the driver for a report */
    /* The pacing as the driver saw it: entries taken from the queue since
     * it last went from empty to filled, and the driver's clock (in
     * microseconds, modulo 2^32) when the first and the latest of them were
     * taken. */
    uint32_t Taken;
    uint32_t FirstTakenUs;
    uint32_t LastTakenUs;
} RTOUCHDRV_STATE;

typedef struct RTOUCHDRV_FAULTS {
    uint32_t FailReads;  /* the next N reads fail at once; the queue is untouched */
    uint32_t ShortReads; /* the next N delivered reports return RTOUCHDRV_SHORT_READ_SIZE bytes */
    uint32_t FailSends;  /* the next N parameter sends fail and are not kept */
} RTOUCHDRV_FAULTS;

#ifdef __cplusplus
#define RTOUCHDRV_STATIC_ASSERT(e) static_assert(e, #e)
#else
#define RTOUCHDRV_STATIC_ASSERT(e) _Static_assert(e, #e)
#endif
RTOUCHDRV_STATIC_ASSERT(sizeof(RTOUCHDRV_QUEUE_ENTRY) == 16);
RTOUCHDRV_STATIC_ASSERT(sizeof(RTOUCHDRV_STATE) == 212);
RTOUCHDRV_STATIC_ASSERT(sizeof(RTOUCHDRV_FAULTS) == 12);

#ifdef __cplusplus
#include "device/ParameterBlock.h"
static_assert(IOCTL_RTOUCHDRV_QUEUE_REPORTS == 0xFA800);
static_assert(IOCTL_RTOUCHDRV_SET_RATE == 0xFA804);
static_assert(IOCTL_RTOUCHDRV_GET_STATE == 0xF6808);
static_assert(IOCTL_RTOUCHDRV_RESET == 0xFA80C);
static_assert(IOCTL_RTOUCHDRV_SET_FAULTS == 0xFA810);
static_assert(IOCTL_RTOUCHDRV_UNPLUG == 0xFA814);
static_assert(IOCTL_RTOUCHDRV_PLUG == 0xFA818);
static_assert(IOCTL_RTOUCHDRV_SET_READ_WAIT == 0xFA81C);
static_assert(IOCTL_RTOUCHDRV_HOLD_READS == 0xFA820);
static_assert(IOCTL_RTOUCHDRV_SET_NO_TOUCH_READS == 0xFA824);
static_assert(RTOUCHDRV_BLOCK_SIZE == kParameterBlockSize);
#endif

#endif
