#include "shell/DisplayPower_win32.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kMonitorPowerOn = {
    0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

// Windows 8 is 6.2; Vista 6.0. GetVersionExW says at least 6.2 on every
// later Windows, whatever the manifest.
constexpr DWORD kVistaMajor = 6;
constexpr DWORD kWindows8Minor = 2;

// XP's headers (the release builds' target) declare neither the handle nor
// the record: their layout, as Vista's headers give it.
using PowerNotify = void*;
struct PowerSettingRecord {
    GUID PowerSetting;
    DWORD DataLength;
    UCHAR Data[1];
};
#ifdef PBT_POWERSETTINGCHANGE
static_assert(sizeof(PowerSettingRecord) == sizeof(POWERBROADCAST_SETTING) &&
              offsetof(PowerSettingRecord, DataLength) == offsetof(POWERBROADCAST_SETTING, DataLength) &&
              offsetof(PowerSettingRecord, Data) == offsetof(POWERBROADCAST_SETTING, Data));
#endif

PowerNotify Registration;

FARPROC User32(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? GetProcAddress(user32, name) : nullptr;
}

}  // namespace

const GUID* DisplayPowerSetting() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExW(&version) || version.dwMajorVersion < kVistaMajor) return nullptr;
    const bool eight = version.dwMajorVersion > kVistaMajor || version.dwMinorVersion >= kWindows8Minor;
    return eight ? &kConsoleDisplayState : &kMonitorPowerOn;
}

void RegisterDisplayPowerNotice(HWND window) {
    using Register = PowerNotify(WINAPI*)(HANDLE, LPCGUID, DWORD);
    const auto registerNotice =
        reinterpret_cast<Register>(reinterpret_cast<void (*)()>(User32("RegisterPowerSettingNotification")));
    const GUID* setting = DisplayPowerSetting();
    if (registerNotice && setting && !Registration)
        Registration = registerNotice(window, setting, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void UnregisterDisplayPowerNotice() {
    using Unregister = BOOL(WINAPI*)(PowerNotify);
    const auto unregisterNotice = reinterpret_cast<Unregister>(
        reinterpret_cast<void (*)()>(User32("UnregisterPowerSettingNotification")));
    if (Registration && unregisterNotice) unregisterNotice(Registration);
    Registration = nullptr;
}

// Any program may post WM_POWERBROADCAST with any lParam: the data is read
// only as far as DataLength says it reaches, and only for the setting this
// copy registered.
bool ReadDisplayPower(LPARAM lParam, uint32_t& value) {
    const GUID* setting = DisplayPowerSetting();
    if (!lParam || !setting) return false;
    const auto* broadcast = reinterpret_cast<const PowerSettingRecord*>(lParam);
    if (std::memcmp(&broadcast->PowerSetting, setting, sizeof(GUID)) != 0 ||
        broadcast->DataLength < sizeof(DWORD))
        return false;
    DWORD data = 0;
    std::memcpy(&data, broadcast->Data, sizeof data);
    value = data;
    return true;
}
