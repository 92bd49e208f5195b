#include "shell/LifeActions_win32.h"

#include <string>

#include "calibration/CalibrationDialog_win32.h"
#include "device/DriverChannel.h"
#include "device/DriverChannel_win32.h"
#include "device/ParameterBlock.h"
#include "engine/TouchThread.h"
#include "engine/TouchThread_win32.h"
#include "shell/DisplaySettings_win32.h"
#include "shell/GeneralDialog_win32.h"
#include "shell/MainWindow_win32.h"

namespace {

Lifecycle Life;
HWND MainWindow;

// The worker is given this long to end when its handle must be closed now
// (a removal request) or the process ends: bounded, because Windows waits
// on the handler.
constexpr DWORD kReleaseBoundMs = 1000;

// The interface path the last probe found: a different one later is an
// interface made anew, on which the worker's channel is dead.
std::wstring LastPath;

// A probe kept open while an event's actions are carried out.
struct Probe {
    HANDLE channel = kInvalidChannel;
    bool pathChanged = false;

    explicit Probe(bool wanted) {
        if (!wanted) return;
        std::wstring path;
        channel = OpenDriverChannelAt(path);
        if (path.empty()) return;
        pathChanged = !LastPath.empty() && path != LastPath;
        LastPath = path;
    }
    ~Probe() { Close(); }
    // Before anything that may wait for the user: no handle is held then.
    void Close() {
        if (channel != kInvalidChannel) CloseDriverChannel(channel);
        channel = kInvalidChannel;
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
};

void SendBlock(const Probe& probe) {
    if (probe.channel != kInvalidChannel) SendParametersOn(probe.channel, LiveParams);
    else SendParameterBlock(LiveParams);
}

void UpdateOrientation() {
    DWORD orientation = 0;
    if (ReadDisplayOrientation(orientation))
        WriteField(LiveParams.Orientation, static_cast<uint16_t>(orientation));
}

// In the order of the action bits.
void CarryOut(LifeActions a, Probe& probe, const EventContext& context) {
    if (a & kEndCalibrationSession) EndCalibrationSession();
    if (a & kKeepBlockFromBefore) KeepBlockFromBefore();
    if (a & kApplyCalibration) ApplyCalibration();
    if (a & kUpdateOrientation) UpdateOrientation();
    if (a & kStopWorker) RequestTouchWorkerStop();
    if (a & kReleaseWorker) ReleaseTouchWorker(kReleaseBoundMs);
    if (a & kDropHandleNotice) DropWorkerHandleNotice(context.handleNotice);
    // A handle notice names its channel by its registration.
    if (a & kMarkChannelStale) MarkNoticedChannelStale(context.handleNotice);
    if (a & kSendBlock) SendBlock(probe);
    probe.Close();
    // Refused only while a worker runs, which the lifecycle has ruled out.
    if (a & kStartWorker) StartTouchThread(MainWindow);
    if (a & kArmStartRetry) SetTimer(MainWindow, kStartRetryTimer, kStartRetryMs, nullptr);
    if (a & kDisarmStartRetry) KillTimer(MainWindow, kStartRetryTimer);
    if (a & kArmSessionRetry) SetTimer(MainWindow, kSessionRetryTimer, kSessionRetryMs, nullptr);
    if (a & kDisarmSessionRetry) KillTimer(MainWindow, kSessionRetryTimer);
    if (a & kShowAttached) ShowDeviceStatus(true);
    if (a & kShowDetached) ShowDeviceStatus(false);
    if (a & kEnableGeneral) EnableGeneralButton(true);
    if (a & kDisableGeneral) EnableGeneralButton(false);
    if (a & kEnableCalibration) EnableCalibrationButton(true);
    if (a & kDisableCalibration) EnableCalibrationButton(false);
    if (a & kRunCalibration) RunCalibration();
    if (a & kShowOutcome) ShowCalibrationOutcome();
    if (a & kShowNotFinished) ShowCalibrationNotFinished();
    if (a & kEndGeneralDialog) EndGeneralDialog();
    if (a & kDestroyWindow) DestroyWindow(MainWindow);
    if (a & kFinishClose) FinishClose(MainWindow);
}

}  // namespace

void StartLifecycle(HWND mainWindow, const LifeStart& start) {
    MainWindow = mainWindow;
    Probe probe(true);
    LifeStart facts = start;
    facts.present = probe.channel != kInvalidChannel;
    CarryOut(Life.Start(facts), probe, {});
}

void Dispatch(LifeEvent event, const EventContext& context) {
    Probe probe(context.probe);
    if (context.probe) {
        event.present = probe.channel != kInvalidChannel;
        event.channelGone = event.channelGone || probe.pathChanged;
    }
    event.workerRunning = TouchWorkerRunning();
    CarryOut(Life.Handle(event), probe, context);
}

bool CalibrationAllowed() { return Life.CalibrationAllowed(); }
