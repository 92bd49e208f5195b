// key_viewer.exe --measure N [PAUSE_MS]: how long a gesture takes from the
// driver to the focused window. The touch worker of rtouch.exe reads the
// reports; this process queues them on the substitute driver's control
// device and is the focused window, so both ends are timed on one clock.
// Without a pause every gesture is one pinch step of two fingers held down,
// read by a worker kept busy. With one, the fingers lift and rest PAUSE_MS
// (the worker goes idle), then a whole new pinch contact is queued at once:
// what the idle wait adds to the first key of a touch.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "KeyViewer_win32.h"
#include "driver/TestCodes.h"

namespace {

constexpr DWORD kGestureTimeoutMs = 3000;
constexpr DWORD kDrainTimeoutMs = 5000;
// Two fingers on the panel: the spread figure beyond its reference plus
// margin (60 + 32), and one pinch step (more than PinchScale 24) away.
constexpr uint8_t kDistBase = 60, kDistNear = 110, kDistFar = 140;
constexpr uint16_t kX = 1872, kY = 1872, kZ1 = 400, kZ2 = 1200;
// The first contact sample is discarded; three two-finger samples stay
// undecided; the next one sets the pinch reference.
constexpr int kTwoFingerLeadIn = 5;

LONGLONG FirstArrival;
int EventsSeen;
bool GestureEnded;

void Record(const ViewerEvent& event) {
    if (EventsSeen++ == 0) FirstArrival = event.arrival;
    if (event.kind == ViewerEventKind::KeyUp) GestureEnded = true;
}

RTOUCHDRV_QUEUE_ENTRY Report(uint16_t x, uint16_t y, uint16_t z1, uint16_t z2, uint8_t d1) {
    RTOUCHDRV_QUEUE_ENTRY entry{};
    entry.Kind = RTOUCHDRV_ENTRY_REPORT;
    const uint16_t words[4] = {x, y, z1, z2};
    for (int i = 0; i < 4; ++i) {
        entry.Report[2 * i] = static_cast<uint8_t>(words[i]);
        entry.Report[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
    entry.Report[8] = d1;
    entry.Report[9] = kDistBase;
    entry.Report[10] = kDistBase;
    entry.Report[11] = kDistBase;
    return entry;
}

bool Control(HANDLE device, DWORD code, const void* in, DWORD inLen, void* out = nullptr, DWORD outLen = 0) {
    DWORD returned = 0;
    return DeviceIoControl(device, code, const_cast<void*>(in), inLen, out, outLen, &returned, nullptr) != 0;
}

bool Queue(HANDLE device, const std::vector<RTOUCHDRV_QUEUE_ENTRY>& entries) {
    return Control(device, IOCTL_RTOUCHDRV_QUEUE_REPORTS, entries.data(),
                   static_cast<DWORD>(entries.size() * sizeof(RTOUCHDRV_QUEUE_ENTRY)));
}

bool SetRate(HANDLE device, uint32_t rate) {
    return Control(device, IOCTL_RTOUCHDRV_SET_RATE, &rate, sizeof rate);
}

// Dispatches messages until `done` or the time limit.
template <class Predicate>
bool PumpUntil(DWORD timeoutMs, Predicate done) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 1)), QS_ALLINPUT);
    }
}

bool QueueDrained(HANDLE device) {
    RTOUCHDRV_STATE state{};
    return Control(device, IOCTL_RTOUCHDRV_GET_STATE, nullptr, 0, &state, sizeof state) &&
           state.QueueLength == 0;
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

}  // namespace

int RunLatencyProbe(HINSTANCE instance, int gestures, DWORD pauseMs) {
    HWND viewer = CreateKeyViewer(instance, Record);
    HANDLE device = CreateFileW(RTOUCHDRV_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (!viewer || device == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "key_viewer: no window or no substitute driver\n");
        return 1;
    }
    // Every queued report is due at once; the worker's read wakes on it.
    SetRate(device, RTOUCHDRV_MAX_RATE);
    std::vector<RTOUCHDRV_QUEUE_ENTRY> leadIn(kTwoFingerLeadIn + 1, Report(kX, kY, kZ1, kZ2, kDistNear));
    leadIn[0].Report[8] = kDistBase;  // one finger first, as a real contact starts
    const std::vector<RTOUCHDRV_QUEUE_ENTRY> lift(2, RTOUCHDRV_QUEUE_ENTRY{});
    if (pauseMs == 0 &&
        (!Queue(device, leadIn) || !PumpUntil(kDrainTimeoutMs, [&] { return QueueDrained(device); }))) {
        std::fprintf(stderr, "key_viewer: the lead-in was not read\n");
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    auto micros = [&](LONGLONG ticks) {
        return 1e6 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
    };
    std::vector<double> fromQueued, fromCall;
    for (int i = 0; i < gestures; ++i) {
        // Out and in by turns: every report is one pinch step.
        std::vector<RTOUCHDRV_QUEUE_ENTRY> step = {
            Report(kX, kY, kZ1, kZ2, i % 2 == 0 ? kDistFar : kDistNear)};
        if (pauseMs) {
            // Lifted and at rest (the pause is the measurement), then a new
            // contact: its lead-in and first step, all due at once.
            if (!Queue(device, lift) || !PumpUntil(kDrainTimeoutMs, [&] { return QueueDrained(device); })) {
                std::fprintf(stderr, "key_viewer: the lift was not read\n");
                return 1;
            }
            PumpUntil(pauseMs, [] { return false; });
            step = {leadIn.begin(), leadIn.end()};
            step.push_back(Report(kX, kY, kZ1, kZ2, kDistFar));
        }
        EventsSeen = 0;
        GestureEnded = false;
        LARGE_INTEGER called, queued;
        QueryPerformanceCounter(&called);
        bool ok = Queue(device, step);
        QueryPerformanceCounter(&queued);
        if (!ok || !PumpUntil(kGestureTimeoutMs, [] { return GestureEnded; })) {
            std::fprintf(stderr, "key_viewer: gesture %d did not arrive\n", i);
            return 1;
        }
        fromQueued.push_back(micros(FirstArrival - queued.QuadPart));
        fromCall.push_back(micros(FirstArrival - called.QuadPart));
        std::printf("gesture %d queued->key %.0f us, call->key %.0f us\n", i, fromQueued.back(),
                    fromCall.back());
    }
    Queue(device, lift);
    SetRate(device, RTOUCHDRV_DEFAULT_RATE);
    CloseHandle(device);
    std::printf("queued->key: median %.2f ms, 10%% %.2f ms, 90%% %.2f ms, max %.2f ms over %d gestures\n",
                Percentile(fromQueued, 0.5) / 1000, Percentile(fromQueued, 0.1) / 1000,
                Percentile(fromQueued, 0.9) / 1000, Percentile(fromQueued, 1.0) / 1000, gestures);
    std::printf("call->key: median %.2f ms, 10%% %.2f ms, 90%% %.2f ms, max %.2f ms\n",
                Percentile(fromCall, 0.5) / 1000, Percentile(fromCall, 0.1) / 1000,
                Percentile(fromCall, 0.9) / 1000, Percentile(fromCall, 1.0) / 1000);
    return 0;
}
