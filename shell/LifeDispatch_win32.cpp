#include "shell/LifeDispatch_win32.h"

#include <string>

#include "calibration/CalibrationDialog_win32.h"
#include "device/DriverChannel.h"
#include "device/DriverChannel_win32.h"
#include "device/ParameterBlock.h"
#include "device/SystemLibrary_win32.h"
#include "engine/SharedState.h"
#include "engine/TouchThread.h"
#include "engine/TouchThread_win32.h"
#include "lifecycle/LifeLog.h"
#include "lifecycle/MessageEvents.h"
#include "shell/CalibrationSteps_win32.h"
#include "shell/DisplaySettings_win32.h"
#include "shell/MainControls_win32.h"
#include "shell/Tray_win32.h"
#include "shell/WindowNotices_win32.h"

namespace {

Lifecycle Life;
LifeLog Log;
HWND MainWindow;

// The worker is given this long to end when its handle must be closed now
// (a removal request, the console's leaving, a run) or the process ends:
// bounded, because Windows waits on the handler.
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
    if (probe.channel != kInvalidChannel)
        SendParametersOn(probe.channel, LiveParams);
    else
        SendParameterBlock(LiveParams);
}

void UpdateOrientation() {
    DWORD orientation = 0;
    if (ReadDisplayOrientation(orientation))
        WriteField(LiveParams.Orientation, static_cast<uint16_t>(orientation));
}

// The way out: every notice unregistered, the tray icon removed, the quit
// posted; the window itself stays.
void FinishClose() {
    UnregisterWindowNotices(MainWindow);
    DeleteTrayIcon();
    PostQuitMessage(0);
}

void CarryOne(LifeAction action, const LifeEvent& event, Probe& probe, const EventContext& context) {
    using A = LifeAction;
    switch (action) {
    case A::EndCalibrationSession:
        EndCalibrationSession();
        break;
    case A::KeepBlockFromBefore:
        KeepBlockFromBefore();
        break;
    case A::ApplyCalibration:
        ApplyCalibration();
        break;
    case A::StoreScreenSize:
        ScreenWidth = event.screenWidth;
        ScreenHeight = event.screenHeight;
        break;
    case A::UpdateOrientation:
        UpdateOrientation();
        break;
    case A::StopWorker:
        RequestTouchWorkerStop();
        break;
    case A::ReleaseWorker:
        ReleaseTouchWorker(kReleaseBoundMs);
        break;
    case A::ParkWorker:
        MarkWorkerParked();
        break;
    case A::DropHandleNotice:
        DropWorkerHandleNotice(context.handleNotice);
        break;
    // A handle notice names its channel by its registration.
    case A::MarkChannelStale:
        MarkNoticedChannelStale(context.handleNotice);
        break;
    case A::SendBlock:
        SendBlock(probe);
        // Nothing after the block needs the probe: no handle is held while
        // the user is asked anything.
        probe.Close();
        break;
    // Refused only while a worker runs, which the lifecycle has ruled out.
    case A::StartWorker:
        StartTouchThread(MainWindow);
        break;
    case A::ArmStartRetry:
        SetTimer(MainWindow, kStartRetryTimer, kStartRetryMs, nullptr);
        break;
    case A::DisarmStartRetry:
        KillTimer(MainWindow, kStartRetryTimer);
        break;
    case A::ArmSessionRetry:
        SetTimer(MainWindow, kSessionRetryTimer, kSessionRetryMs, nullptr);
        break;
    case A::DisarmSessionRetry:
        KillTimer(MainWindow, kSessionRetryTimer);
        break;
    case A::ArmProbeRetry:
        SetTimer(MainWindow, kProbeRetryTimer, kProbeRetryMs, nullptr);
        break;
    case A::DisarmProbeRetry:
        KillTimer(MainWindow, kProbeRetryTimer);
        break;
    // The same timer, set anew.
    case A::SlowProbeRetry:
        SetTimer(MainWindow, kProbeRetryTimer, kSlowProbeRetryMs, nullptr);
        break;
    case A::ShowAttached:
        ShowDeviceStatus(true);
        break;
    case A::ShowDetached:
        ShowDeviceStatus(false);
        break;
    case A::EnableGeneral:
        EnableGeneralButton(true);
        break;
    case A::DisableGeneral:
        EnableGeneralButton(false);
        break;
    case A::EnableCalibration:
        EnableCalibrationButton(true);
        break;
    case A::DisableCalibration:
        EnableCalibrationButton(false);
        break;
    case A::EndEditor:
        if (context.editor) EndDialog(context.editor, 1);
        break;
    case A::ShowOutcome:
        ShowCalibrationOutcome();
        break;
    case A::ShowNotFinished:
        ShowCalibrationNotFinished();
        break;
    case A::EndGeneralDialog:
        EndGeneralDialog();
        break;
    // A modal loop of its own; its end is posted (kMsgCalibrationEnded), so
    // no event is handled from inside this one.
    case A::RunCalibration:
        RunCalibration(MainWindow);
        break;
    case A::DestroyWindow:
        DestroyWindow(MainWindow);
        break;
    case A::FinishClose:
        FinishClose();
        break;
    }
}

void CarryOut(LifeActions actions, const LifeEvent& event, Probe& probe, const EventContext& context) {
    for (LifeAction action : kLifeActionOrder)
        if (actions & Bit(action)) CarryOne(action, event, probe, context);
}

// Written where a support engineer reads it without a debugger (DebugView,
// WINEDEBUG=+debugstr), and kept for kMsgLifeLog.
void Record(const LifeTransition& transition) {
    Log.Add(transition);
    const std::string text = "rtouch: " + Describe(transition) + "\n";
    OutputDebugStringW(std::wstring(text.begin(), text.end()).c_str());
}

}  // namespace

void StartLifecycle(HWND mainWindow, const LifeStart& start) {
    MainWindow = mainWindow;
    Probe probe(true);
    LifeStart facts = start;
    facts.present = probe.channel != kInvalidChannel;
    LifeEvent none{LifeEventKind::ConsoleRead};
    CarryOut(Life.Start(facts), none, probe, {});
}

void Dispatch(LifeEvent event, const EventContext& context) {
    const uint8_t facts = Life.FactsFor(event.kind);
    Probe probe((facts & kProbe) != 0);
    if (facts & kProbe) {
        event.present = probe.channel != kInvalidChannel;
        event.channelGone = event.channelGone || probe.pathChanged;
    }
    // The console is read after the notices are registered: a switch
    // between the two is then seen by one or the other.
    if (facts & kRegister) event.noticesRegistered = RegisterSessionNotices(MainWindow);
    if (facts & kConsole) event.console = WTSGetActiveConsoleSessionId();
    event.workerRunning = TouchWorkerRunning();
    const LifeState from = Life.State();
    const LifeActions actions = Life.Handle(event);
    Record({from, event.kind, Life.State(), actions});
    CarryOut(actions, event, probe, context);
    // Close is final for the tray too: a shell that starts again later gets
    // no icon back.
    if (Life.Finished()) RetireTrayIcon(MainWindow);
}

bool CalibrationAllowed() { return Life.CalibrationAllowed(); }

LRESULT AnswerLifeLog(WPARAM age, LPARAM part) {
    const auto entry = Log.Back(static_cast<uint32_t>(age));
    if (!entry) return 0;
    return part == 0 ? static_cast<LRESULT>(PackTransition(*entry)) : static_cast<LRESULT>(entry->actions);
}
