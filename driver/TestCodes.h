/* The substitute touch driver's private side, shared by the driver (C) and
 * rtouchctl (C++): how it is installed, the control device that answers the
 * private command codes, the codes themselves and their records.
 *
 * The touch interface answers only the application's four codes
 * (0xF2000, 0xF2004, 0xF2020, 0xF2024). The private codes go to a separate
 * control device, \\.\RtouchDrvControl, which stays reachable while the
 * touch interface is unplugged. All private codes are
 * CTL_CODE(FILE_DEVICE_MOUSE, 0xA00 + n, METHOD_BUFFERED, FILE_ANY_ACCESS),
 * far from the application's function numbers 0x800..0x809; every size is
 * exact unless stated, anything else fails with STATUS_INVALID_PARAMETER. */
#ifndef RTOUCH_DRIVER_TESTCODES_H
#define RTOUCH_DRIVER_TESTCODES_H

#include <stdint.h>

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

/* In: 1..RTOUCHDRV_QUEUE_CAPACITY RTOUCHDRV_QUEUE_ENTRY records. The whole
 * batch is queued, or nothing when one entry is invalid
 * (STATUS_INVALID_PARAMETER) or the batch does not fit
 * (STATUS_INSUFFICIENT_RESOURCES). */
#define IOCTL_RTOUCHDRV_QUEUE_REPORTS 0xF2800u
/* In: uint32_t reports per second, 1..RTOUCHDRV_MAX_RATE. The queue
 * releases one entry per period. */
#define IOCTL_RTOUCHDRV_SET_RATE 0xF2804u
/* Out: RTOUCHDRV_STATE (a larger buffer is fine; 196 bytes returned). */
#define IOCTL_RTOUCHDRV_GET_STATE 0xF2808u
/* No input: empties the queue, forgets the last block and the send count,
 * drops pending faults, rate back to RTOUCHDRV_DEFAULT_RATE. */
#define IOCTL_RTOUCHDRV_RESET 0xF280Cu
/* In: RTOUCHDRV_FAULTS; replaces the pending fault counters. */
#define IOCTL_RTOUCHDRV_SET_FAULTS 0xF2810u
/* No input: disables / enables the touch interface at run time, as a
 * device removal / arrival. Idempotent. */
#define IOCTL_RTOUCHDRV_UNPLUG 0xF2814u
#define IOCTL_RTOUCHDRV_PLUG 0xF2818u
/* In: uint32_t milliseconds, 1..RTOUCHDRV_MAX_READ_WAIT_MS: how long a read
 * with no report due waits before it fails (RTOUCHDRV_DEFAULT_READ_WAIT_MS
 * after load or reset). A long wait holds a reader inside its read, as a
 * slow controller would. */
#define IOCTL_RTOUCHDRV_SET_READ_WAIT 0xF281Cu

#define RTOUCHDRV_QUEUE_CAPACITY 16384u
#define RTOUCHDRV_DEFAULT_RATE 125u
#define RTOUCHDRV_MAX_RATE 10000000u
#define RTOUCHDRV_DEFAULT_READ_WAIT_MS 2u
#define RTOUCHDRV_MAX_READ_WAIT_MS 60000u
/* Bytes a short read returns (of the report's 12). */
#define RTOUCHDRV_SHORT_READ_SIZE 6u
#define RTOUCHDRV_REPORT_SIZE 12u
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
    uint8_t LastBlock[RTOUCHDRV_BLOCK_SIZE]; /* zeros until the first send */
    uint32_t SendCount;      /* accepted parameter sends since load or reset */
    uint32_t QueueLength;    /* entries not yet read */
    uint32_t ReportsPerSecond;
    uint32_t Plugged;        /* 1 while the touch interface is enabled */
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
RTOUCHDRV_STATIC_ASSERT(sizeof(RTOUCHDRV_STATE) == 196);
RTOUCHDRV_STATIC_ASSERT(sizeof(RTOUCHDRV_FAULTS) == 12);

#ifdef __cplusplus
#include "device/DriverCodes.h"
#include "device/ParameterBlock.h"
static_assert(IOCTL_RTOUCHDRV_QUEUE_REPORTS == TouchControlCode(0xA00));
static_assert(IOCTL_RTOUCHDRV_SET_RATE == TouchControlCode(0xA01));
static_assert(IOCTL_RTOUCHDRV_GET_STATE == TouchControlCode(0xA02));
static_assert(IOCTL_RTOUCHDRV_RESET == TouchControlCode(0xA03));
static_assert(IOCTL_RTOUCHDRV_SET_FAULTS == TouchControlCode(0xA04));
static_assert(IOCTL_RTOUCHDRV_UNPLUG == TouchControlCode(0xA05));
static_assert(IOCTL_RTOUCHDRV_PLUG == TouchControlCode(0xA06));
static_assert(IOCTL_RTOUCHDRV_SET_READ_WAIT == TouchControlCode(0xA07));
static_assert(RTOUCHDRV_REPORT_SIZE == kTouchReportSize);
static_assert(RTOUCHDRV_BLOCK_SIZE == kParameterBlockSize);
#endif

#endif
