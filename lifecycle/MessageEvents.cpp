#include "lifecycle/MessageEvents.h"

#include "shell/resources/resource.h"

namespace {

using K = LifeEventKind;

uint32_t DeviceType(const DeviceHeader& header) {
    return header.read && header.size >= kDeviceHeaderSize ? header.deviceType : 0;
}

uint16_t LowWord(uint64_t value) { return static_cast<uint16_t>(value & 0xFFFF); }
uint16_t HighWord(uint64_t value) { return static_cast<uint16_t>((value >> 16) & 0xFFFF); }

std::optional<LifeEvent> Of(K kind) { return LifeEvent{kind}; }

std::optional<LifeEvent> HandleEvent(uint64_t event) {
    switch (event) {
    case kDeviceQueryRemove:
        return Of(K::HandleQueryRemove);
    case kDeviceQueryRemoveFailed:
        return Of(K::HandleRemoveCancelled);
    case kDeviceRemovePending:
    case kDeviceRemoveComplete:
        return Of(K::HandleRemoveComplete);
    default:
        return std::nullopt;
    }
}

std::optional<LifeEvent> DisplayEvent(const DisplayPower& display) {
    if (!display.read) return std::nullopt;
    switch (display.value) {
    case kDisplayOff:
        return Of(K::DisplayOff);
    case kDisplayOn:
    case kDisplayDimmed:
        return Of(K::DisplayOn);
    default:
        return std::nullopt;  // no state Windows documents
    }
}

std::optional<LifeEvent> TimerEvent(uint64_t timer) {
    switch (timer) {
    case kStartRetryTimer:
        return Of(K::StartRetry);
    case kSessionRetryTimer:
        return Of(K::ConsoleRead);
    case kProbeRetryTimer:
        return Of(K::ProbeRetry);
    default:
        return std::nullopt;  // the tray's
    }
}

}  // namespace

bool IsHandleNotice(const WindowMessage& m) {
    return m.message == kMsgDeviceChange && DeviceNoticeHasHeader(m.wParam) &&
           DeviceType(m.device) == kDeviceTypeHandle;
}

std::optional<LifeEvent> EventFor(const WindowMessage& m) {
    switch (m.message) {
    case kMsgDeviceChange: {
        if (IsHandleNotice(m)) return HandleEvent(m.wParam);
        // Any other notice only probes. The removal of the driver's own
        // interface says the worker's channel is dead (its arrival is the
        // one the worker opened); a mouse or a USB stick leaves it alone.
        LifeEvent notice{K::DeviceNotice};
        notice.channelGone = m.wParam == kDeviceRemoveComplete &&
                             DeviceType(m.device) == kDeviceTypeInterface && m.device.touchInterface;
        return notice;
    }
    case kMsgSessionChange: {
        if (m.wParam == kSessionLockEvent) return Of(K::SessionLock);
        if (m.wParam == kSessionUnlockEvent) return Of(K::SessionUnlock);
        LifeEvent change{K::SessionChange};
        change.sessionEvent = static_cast<uint32_t>(m.wParam);
        return change;
    }
    case kMsgPowerBroadcast:
        if (m.wParam == kPowerSettingChange) return DisplayEvent(m.display);
        return m.wParam == kPowerResumeAutomatic ? Of(K::Resume) : std::nullopt;
    // Whatever its flags (a sign-out, ENDSESSION_CLOSEAPP from the Restart
    // Manager): FALSE says the session goes on.
    case kMsgEndSession:
        return m.wParam ? Of(K::SessionEnding) : std::nullopt;
    case kMsgDestroy:
        return Of(K::SessionEnding);
    case kMsgClose:
        return Of(K::WindowClose);
    case kMsgDisplayChange: {
        LifeEvent change{K::DisplayChange};
        change.screenWidth = LowWord(m.lParam);
        change.screenHeight = HighWord(m.lParam);
        return change;
    }
    case kMsgCommand:
        return LowWord(m.wParam) == IDM_CLOSE ? Of(K::Close) : std::nullopt;
    case kMsgTimer:
        return TimerEvent(m.wParam);
    case kMsgWorkerBlockRequest:
        return Of(K::WorkerBlockRequest);
    case kMsgWorkerEnded:
        return Of(K::WorkerEnded);
    case kMsgCalibrationEnded:
        return Of(K::CalibrationEnded);
    case kMsgSessionServiceReady:
        return Of(K::ConsoleRead);
    default:
        return std::nullopt;
    }
}

MessageAnswer AnswerFor(uint32_t message) {
    switch (message) {
    case kMsgDeviceChange:
    case kMsgPowerBroadcast:
        return MessageAnswer::True;
    // WM_CLOSE's default processing is the lifecycle's DestroyWindow.
    case kMsgDestroy:
    case kMsgClose:
    case kMsgEndSession:
    case kMsgWorkerBlockRequest:
    case kMsgWorkerEnded:
    case kMsgCalibrationEnded:
    case kMsgSessionServiceReady:
        return MessageAnswer::Zero;
    default:
        return MessageAnswer::Default;
    }
}
