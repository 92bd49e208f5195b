/* What the application and the touch driver agree on: the interface class,
 * the four command codes and their records. Included by the application
 * (C++) and by the substitute driver (C), so it is written in their common
 * subset. */
#ifndef RTOUCH_DEVICE_DRIVERCODES_H
#define RTOUCH_DEVICE_DRIVERCODES_H

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>
#else
#include <stddef.h>
#include <stdint.h>
#endif

/* The touch interface class {781EF630-72B2-11D2-B852-00C04FAD5171}, as the
 * initializer of a GUID. */
#define TOUCH_INTERFACE_GUID_INIT                                                      \
    {                                                                                  \
        0x781EF630, 0x72B2, 0x11D2, { 0xB8, 0x52, 0x00, 0xC0, 0x4F, 0xAD, 0x51, 0x71 } \
    }

/* CTL_CODE(DeviceType, Function, Method, Access), as the platform builds it. */
#define TOUCH_CTL_CODE(deviceType, function, method, access) \
    (((deviceType) << 16) | ((access) << 14) | ((function) << 2) | (method))
#define TOUCH_FILE_DEVICE_MOUSE 0x0Fu
#define TOUCH_METHOD_BUFFERED 0u
#define TOUCH_FILE_ANY_ACCESS 0u
#define TOUCH_FILE_READ_ACCESS 1u
#define TOUCH_FILE_WRITE_ACCESS 2u
/* The touch controller's codes: any handle on the interface may send them. */
#define TOUCH_CONTROL_CODE(function) \
    TOUCH_CTL_CODE(TOUCH_FILE_DEVICE_MOUSE, function, TOUCH_METHOD_BUFFERED, TOUCH_FILE_ANY_ACCESS)

enum TouchCommandCode {
    IOCTL_TOUCH_READ_REPORT = TOUCH_CONTROL_CODE(0x800u),
    IOCTL_TOUCH_SET_PARAMETERS = TOUCH_CONTROL_CODE(0x801u),
    IOCTL_TOUCH_SET_CONFIG = TOUCH_CONTROL_CODE(0x808u),
    IOCTL_TOUCH_GET_CONFIG = TOUCH_CONTROL_CODE(0x809u)
};

/* Bytes of one touch report. */
#define TOUCH_REPORT_SIZE 12u

/* Configuration record of IOCTL_TOUCH_SET_CONFIG / IOCTL_TOUCH_GET_CONFIG. */
typedef struct ControllerConfig {
    uint8_t ConfigValue1;
    uint8_t ConfigValue2;
    uint16_t ConfigValue3;
} ControllerConfig;

#ifdef __cplusplus
struct InterfaceGuid {
    uint32_t Data1;
    uint16_t Data2, Data3;
    uint8_t Data4[8];
};
inline constexpr InterfaceGuid TouchInterfaceGuid = TOUCH_INTERFACE_GUID_INIT;

constexpr uint32_t TouchControlCode(uint32_t function) { return TOUCH_CONTROL_CODE(function); }

static_assert(IOCTL_TOUCH_READ_REPORT == 0xF2000);
static_assert(IOCTL_TOUCH_SET_PARAMETERS == 0xF2004);
static_assert(IOCTL_TOUCH_SET_CONFIG == 0xF2020);
static_assert(IOCTL_TOUCH_GET_CONFIG == 0xF2024);

constexpr size_t kTouchReportSize = TOUCH_REPORT_SIZE;

static_assert(sizeof(ControllerConfig) == 4);
static_assert(offsetof(ControllerConfig, ConfigValue1) == 0);
static_assert(offsetof(ControllerConfig, ConfigValue2) == 1);
static_assert(offsetof(ControllerConfig, ConfigValue3) == 2);
#endif

#endif
