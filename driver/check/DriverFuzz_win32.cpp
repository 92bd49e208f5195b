// rtouchdrv_fuzz: the substitute driver's input handling under fire, from
// user mode, for the Wine test suite.
//
//   rtouchdrv_fuzz SECONDS THREADS SEED
//
// THREADS threads send, for SECONDS, every command code of both devices
// and random codes, with random input and output sizes and contents, on
// touch handles (reopened when an unplug has made them dead) and on control
// handles with and without write access, while one more thread unplugs and
// replugs the touch interface. No request may succeed on a touch handle
// opened before an unplug. Then it checks that the driver still answers
// and that its state is consistent: plugged, no read left waiting, a queue
// within its capacity, a valid rate. Prints the figures and one "ok"/"FAIL" line per check; exit 0 when
// all pass. Leaves the driver plugged.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "device/DriverChannel_win32.h"
#include "device/DriverCodes.h"
#include "device/ParameterBlock.h"
#include "driver/TestCodes.h"

namespace {

// Largest buffer a call uses; sizes beyond the largest record reach the
// driver's length checks from above.
constexpr DWORD kMaxBuffer = 4096;
// The plug thread's pause between two changes, at most.
constexpr DWORD kMaxPlugPauseMs = 40;
constexpr DWORD kSettleTimeoutMs = 10000;

const DWORD kKnownCodes[] = {
    IOCTL_TOUCH_READ_REPORT,       IOCTL_TOUCH_SET_PARAMETERS,
    IOCTL_TOUCH_SET_CONFIG,        IOCTL_TOUCH_GET_CONFIG,
    IOCTL_RTOUCHDRV_QUEUE_REPORTS, IOCTL_RTOUCHDRV_SET_RATE,
    IOCTL_RTOUCHDRV_GET_STATE,     IOCTL_RTOUCHDRV_RESET,
    IOCTL_RTOUCHDRV_SET_FAULTS,    IOCTL_RTOUCHDRV_UNPLUG,
    IOCTL_RTOUCHDRV_PLUG,          IOCTL_RTOUCHDRV_SET_READ_WAIT,
    IOCTL_RTOUCHDRV_HOLD_READS,    IOCTL_RTOUCHDRV_SET_NO_TOUCH_READS,
};

// xorshift64*: small, fast, and the same sequence for the same seed.
struct Random {
    uint64_t state;
    uint32_t Next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return static_cast<uint32_t>((state * 0x2545F4914F6CDD1DULL) >> 32);
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
};

std::atomic<bool> stopping{false};
std::atomic<uint64_t> calls{0}, succeeded{0};
// Unplugs that have completed; a touch handle remembers the count it saw
// right after it opened. A request that succeeds on a handle although an
// unplug completed after that count was read and before the request began
// went to a device that had gone: a stale handle that still works.
std::atomic<uint64_t> unplugs{0}, staleSuccesses{0};

HANDLE OpenControl(DWORD access) {
    return CreateFileW(RTOUCHDRV_CONTROL_PATH, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

HANDLE OpenTouch() {
    GUID guid;
    std::memcpy(&guid, &TouchInterfaceGuid, sizeof guid);
    InterfacePath found = FindTouchInterfacePath(guid);
    if (!found.path) return INVALID_HANDLE_VALUE;
    HANDLE h = CreateFileW(found.path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    LocalFree(found.storage);
    return h;
}

// A code: a known one, a known one with another method or access, one of
// the driver's device type with a random function, or any value.
DWORD PickCode(Random& r) {
    const DWORD known = kKnownCodes[r.Below(sizeof kKnownCodes / sizeof kKnownCodes[0])];
    switch (r.Below(8)) {
    case 0:
        return known ^ (r.Below(4) << 14) ^ r.Below(4);
    case 1:
        return TOUCH_CTL_CODE(TOUCH_FILE_DEVICE_MOUSE, r.Below(0x1000), r.Below(4), r.Below(4));
    case 2:
        return r.Next();
    default:
        return known;
    }
}

// Input contents: random bytes, or a valid-looking record now and then so
// that calls get past the size checks into the driver's logic.
void FillInput(Random& r, DWORD code, std::vector<uint8_t>& in, DWORD& inLen) {
    for (auto& b : in) b = static_cast<uint8_t>(r.Next());
    switch (r.Below(4)) {
    case 0:
        inLen = r.Below(kMaxBuffer + 1);
        return;
    case 1:
        inLen = r.Below(64);
        return;
    default:
        break;
    }
    // A plausible record for the code.
    if (code == IOCTL_RTOUCHDRV_QUEUE_REPORTS) {
        const DWORD n = 1 + r.Below(8);
        for (DWORD i = 0; i < n; ++i) {
            auto* e = reinterpret_cast<RTOUCHDRV_QUEUE_ENTRY*>(in.data()) + i;
            e->Kind = static_cast<uint8_t>(r.Below(3));  // now and then invalid
            std::memset(e->Reserved, 0, sizeof e->Reserved);
        }
        inLen = n * sizeof(RTOUCHDRV_QUEUE_ENTRY);
    } else if (code == IOCTL_RTOUCHDRV_SET_RATE || code == IOCTL_RTOUCHDRV_SET_READ_WAIT) {
        // Read waits kept short: a long one only holds a fuzz thread.
        const uint32_t value = code == IOCTL_RTOUCHDRV_SET_RATE ? r.Below(20000) : r.Below(50);
        std::memcpy(in.data(), &value, sizeof value);
        inLen = sizeof value;
    } else if (code == IOCTL_RTOUCHDRV_HOLD_READS || code == IOCTL_RTOUCHDRV_SET_NO_TOUCH_READS) {
        // Now and then neither on nor off; the plug thread's unplugs end
        // whatever a hold keeps waiting.
        const uint32_t value = r.Below(3);
        std::memcpy(in.data(), &value, sizeof value);
        inLen = sizeof value;
    } else if (code == IOCTL_RTOUCHDRV_SET_FAULTS) {
        const RTOUCHDRV_FAULTS f{r.Below(4), r.Below(4), r.Below(4)};
        std::memcpy(in.data(), &f, sizeof f);
        inLen = sizeof f;
    } else if (code == IOCTL_TOUCH_SET_PARAMETERS) {
        inLen = kParameterBlockSize;
    } else if (code == IOCTL_TOUCH_SET_CONFIG) {
        inLen = sizeof(ControllerConfig);
    } else {
        inLen = 0;
    }
}

struct Worker {
    uint64_t seed;
};

DWORD WINAPI FuzzMain(void* context) {
    Random r{static_cast<Worker*>(context)->seed | 1};
    HANDLE touch = OpenTouch();
    uint64_t touchOpenedAt = unplugs.load();
    HANDLE control = OpenControl(GENERIC_READ | GENERIC_WRITE);
    HANDLE readOnly = OpenControl(GENERIC_READ);
    std::vector<uint8_t> in(kMaxBuffer), out(kMaxBuffer);
    while (!stopping.load()) {
        HANDLE target;
        switch (r.Below(5)) {
        case 0:
            target = readOnly;
            break;
        case 1:
        case 2:
            target = control;
            break;
        default:
            // A dead or missing touch handle is replaced now and then; the
            // dead one still gets its share of requests meanwhile.
            if (touch == INVALID_HANDLE_VALUE || r.Below(16) == 0) {
                if (touch != INVALID_HANDLE_VALUE) CloseHandle(touch);
                touch = OpenTouch();
                touchOpenedAt = unplugs.load();
            }
            target = touch;
        }
        if (target == INVALID_HANDLE_VALUE) continue;
        const DWORD code = PickCode(r);
        DWORD inLen = 0;
        FillInput(r, code, in, inLen);
        const DWORD outLen = r.Below(2) ? r.Below(kMaxBuffer + 1) : r.Below(256);
        DWORD returned = 0;
        const uint64_t unplugsBefore = unplugs.load();
        const BOOL ok = DeviceIoControl(target, code, inLen ? in.data() : nullptr, inLen,
                                        outLen ? out.data() : nullptr, outLen, &returned, nullptr);
        calls.fetch_add(1);
        if (ok) succeeded.fetch_add(1);
        if (ok && target == touch && unplugsBefore > touchOpenedAt) staleSuccesses.fetch_add(1);
        if (ok && code == IOCTL_RTOUCHDRV_UNPLUG) unplugs.fetch_add(1);
    }
    if (touch != INVALID_HANDLE_VALUE) CloseHandle(touch);
    CloseHandle(control);
    CloseHandle(readOnly);
    return 0;
}

std::atomic<uint64_t> plugChanges{0};

DWORD WINAPI PlugMain(void* context) {
    Random r{static_cast<Worker*>(context)->seed | 1};
    HANDLE control = OpenControl(GENERIC_READ | GENERIC_WRITE);
    bool plugged = true;
    while (!stopping.load()) {
        plugged = !plugged;
        DWORD returned = 0;
        if (DeviceIoControl(control, plugged ? IOCTL_RTOUCHDRV_PLUG : IOCTL_RTOUCHDRV_UNPLUG, nullptr, 0,
                            nullptr, 0, &returned, nullptr) &&
            !plugged)
            unplugs.fetch_add(1);
        plugChanges.fetch_add(1);
        Sleep(r.Below(kMaxPlugPauseMs));
    }
    CloseHandle(control);
    return 0;
}

int failures = 0;

void Check(bool ok, const char* name, const std::string& detail = "") {
    if (!ok) ++failures;
    std::printf("%s %s%s%s\n", ok ? "ok" : "FAIL", name, detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stdout);
}

bool Control(HANDLE control, DWORD code, const void* in, DWORD inLen, void* out = nullptr, DWORD outLen = 0) {
    DWORD returned = 0;
    return DeviceIoControl(control, code, const_cast<void*>(in), inLen, out, outLen, &returned, nullptr) !=
           FALSE;
}

bool ReadState(HANDLE control, RTOUCHDRV_STATE& state) {
    return Control(control, IOCTL_RTOUCHDRV_GET_STATE, nullptr, 0, &state, sizeof state);
}

// After the storm: the driver answers and its state holds together. (An
// application may read beside it, so exact reads are checked afterwards
// with rtouchdrv_check commands, alone.)
void CheckConsistent() {
    HANDLE control = OpenControl(GENERIC_READ | GENERIC_WRITE);
    Check(control != INVALID_HANDLE_VALUE, "the control device still opens");
    const uint32_t shortWait = RTOUCHDRV_DEFAULT_READ_WAIT_MS, release = 0;
    Control(control, IOCTL_RTOUCHDRV_SET_READ_WAIT, &shortWait, sizeof shortWait);
    Control(control, IOCTL_RTOUCHDRV_HOLD_READS, &release, sizeof release);
    Control(control, IOCTL_RTOUCHDRV_SET_NO_TOUCH_READS, &release, sizeof release);
    Check(Control(control, IOCTL_RTOUCHDRV_PLUG, nullptr, 0), "the device plugs back in");
    RTOUCHDRV_STATE state{};
    bool read = false;
    for (DWORD start = GetTickCount(); GetTickCount() - start < kSettleTimeoutMs;) {
        read = ReadState(control, state);
        if (read && state.WaitingReads == 0) break;
    }
    Check(read, "the state reads");
    Check(state.Plugged == 1, "plugged");
    Check(state.WaitingReads == 0, "no read left waiting", std::to_string(state.WaitingReads) + " waiting");
    Check(state.QueueLength <= RTOUCHDRV_QUEUE_CAPACITY, "the queue within its capacity",
          std::to_string(state.QueueLength));
    Check(state.ReportsPerSecond >= 1 && state.ReportsPerSecond <= RTOUCHDRV_MAX_RATE, "a valid rate",
          std::to_string(state.ReportsPerSecond));
    // The storm's last random pacing and pending faults would decide the
    // next reads of whoever reads after it (a slow rate, a short first
    // report): both go back to what a fresh load has.
    const uint32_t rate = RTOUCHDRV_DEFAULT_RATE;
    const RTOUCHDRV_FAULTS none{};
    Check(Control(control, IOCTL_RTOUCHDRV_SET_RATE, &rate, sizeof rate) &&
              Control(control, IOCTL_RTOUCHDRV_SET_FAULTS, &none, sizeof none),
          "the rate and the pending faults set back");

    CloseHandle(control);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: rtouchdrv_fuzz SECONDS THREADS SEED\n");
        return 2;
    }
    const DWORD seconds = static_cast<DWORD>(_wtoi(argv[1]));
    const int threads = _wtoi(argv[2]);
    const uint64_t seed = static_cast<uint64_t>(_wtoi64(argv[3]));
    if (threads < 1 || OpenControl(GENERIC_READ) == INVALID_HANDLE_VALUE) {
        std::printf("FAIL the driver is not installed or no threads\n");
        return 1;
    }
    std::vector<Worker> workers(threads + 1);
    std::vector<HANDLE> handles;
    for (int i = 0; i <= threads; ++i) {
        workers[i].seed = seed * 1000003 + i;
        handles.push_back(
            CreateThread(nullptr, 0, i == threads ? PlugMain : FuzzMain, &workers[i], 0, nullptr));
    }
    Sleep(seconds * 1000);
    stopping.store(true);
    // A thread may sit in a read for its wait (at most 50 ms as set here,
    // or RTOUCHDRV_MAX_READ_WAIT_MS if a random call set that); plugging in
    // and out ends such a read, so keep the device moving until all end.
    HANDLE control = OpenControl(GENERIC_READ | GENERIC_WRITE);
    for (bool plugged = false; WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(),
                                                      TRUE, 100) == WAIT_TIMEOUT;
         plugged = !plugged)
        Control(control, plugged ? IOCTL_RTOUCHDRV_PLUG : IOCTL_RTOUCHDRV_UNPLUG, nullptr, 0);
    CloseHandle(control);
    for (HANDLE h : handles) CloseHandle(h);
    std::printf("calls %llu succeeded %llu plug-changes %llu\n",
                static_cast<unsigned long long>(calls.load()),
                static_cast<unsigned long long>(succeeded.load()),
                static_cast<unsigned long long>(plugChanges.load()));
    Check(staleSuccesses.load() == 0, "no request succeeded on a handle opened before an unplug",
          std::to_string(staleSuccesses.load()) + " did");
    CheckConsistent();
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
