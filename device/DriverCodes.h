// What the application and the touch driver agree on: the interface class,
// the four command codes and their records.
#pragma once

#include <cstddef>
#include <cstdint>

// {781EF630-72B2-11D2-B852-00C04FAD5171}
struct InterfaceGuid {
    uint32_t Data1;
    uint16_t Data2, Data3;
    uint8_t Data4[8];
};
inline constexpr InterfaceGuid TouchInterfaceGuid = {
    0x781EF630, 0x72B2, 0x11D2, {0xB8, 0x52, 0x00, 0xC0, 0x4F, 0xAD, 0x51, 0x71}};

// CTL_CODE(DeviceType, Function, Method, Access), as the platform builds it.
constexpr uint32_t MakeControlCode(uint32_t deviceType, uint32_t function, uint32_t method,
                                   uint32_t access) {
    return (deviceType << 16) | (access << 14) | (function << 2) | method;
}
constexpr uint32_t kFileDeviceMouse = 0x0F;
constexpr uint32_t kMethodBuffered = 0;
constexpr uint32_t kFileAnyAccess = 0;

constexpr uint32_t TouchControlCode(uint32_t function) {
    return MakeControlCode(kFileDeviceMouse, function, kMethodBuffered, kFileAnyAccess);
}

constexpr uint32_t IOCTL_TOUCH_READ_REPORT = TouchControlCode(0x800);
constexpr uint32_t IOCTL_TOUCH_SET_PARAMETERS = TouchControlCode(0x801);
constexpr uint32_t IOCTL_TOUCH_SET_CONFIG = TouchControlCode(0x808);
constexpr uint32_t IOCTL_TOUCH_GET_CONFIG = TouchControlCode(0x809);
static_assert(IOCTL_TOUCH_READ_REPORT == 0xF2000);
static_assert(IOCTL_TOUCH_SET_PARAMETERS == 0xF2004);
static_assert(IOCTL_TOUCH_SET_CONFIG == 0xF2020);
static_assert(IOCTL_TOUCH_GET_CONFIG == 0xF2024);

constexpr size_t kTouchReportSize = 12;

// Configuration record of IOCTL_TOUCH_SET_CONFIG / IOCTL_TOUCH_GET_CONFIG.
struct ControllerConfig {
    uint8_t ConfigValue1;
    uint8_t ConfigValue2;
    uint16_t ConfigValue3;
};
static_assert(sizeof(ControllerConfig) == 4);
static_assert(offsetof(ControllerConfig, ConfigValue1) == 0);
static_assert(offsetof(ControllerConfig, ConfigValue2) == 1);
static_assert(offsetof(ControllerConfig, ConfigValue3) == 2);
