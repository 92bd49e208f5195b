// rtouchdrv_check: end-to-end checks of the substitute driver from user
// mode, for the Wine test suite.
//
//   rtouchdrv_check commands    raw command codes with right and wrong sizes,
//                               unknown codes, the fault knobs, a read wait
//                               of 0, unplug with an open handle; one
//                               "ok"/"FAIL" line per check, exit 0 when all
//                               pass. Leaves the driver reset.
//   rtouchdrv_check watch SECS  a top-level window registered for HID notices
//                               as the application's; prints "ready", then
//                               "devicechange 0x<wParam>" per WM_DEVICECHANGE,
//                               for SECS seconds.
//   rtouchdrv_check removal     surprise removal: handles opened before an
//                               unplug stay dead after the replug, the device
//                               back has no block or configuration, a read
//                               waiting in the driver fails on the unplug, a
//                               waiting read can be cancelled; reads held and
//                               released.
//   rtouchdrv_check security    the access the devices ask for: state
//                               changes need write access; prints the
//                               control device's descriptor as the system
//                               reports it ("descriptor <SDDL>").
//   rtouchdrv_check reset       empties the queue, forgets the sends and
//                               faults, rate back to 125.
//   rtouchdrv_check faults R S P  the next R reads fail, the next S reports
//                               come short, the next P parameter sends fail.
//   rtouchdrv_check no-touch-reads 0|1  with 1, a read with no report due
//                               gets a "no touch" report at once.
#include <windows.h>

#include <sddl.h>

#include <aclapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "device/DriverChannel.h"
#include "device/DriverChannel_win32.h"
#include "device/DriverCodes.h"
#include "driver/TestCodes.h"

namespace {

int failures = 0;

void Check(bool ok, const char* name, const std::string& detail = "") {
    if (ok) {
        std::printf("ok %s\n", name);
    } else {
        ++failures;
        std::printf("FAIL %s%s%s\n", name, detail.empty() ? "" : ": ", detail.c_str());
    }
    std::fflush(stdout);
}

struct Result {
    bool ok;
    DWORD error;     // GetLastError() when !ok
    DWORD returned;  // bytes returned when ok
    double ms;       // how long the call took
};

Result Call(HANDLE h, DWORD code, const void* in, DWORD inLen, void* out, DWORD outLen) {
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(h, code, const_cast<void*>(in), inLen, out, outLen, &returned, nullptr);
    DWORD error = ok ? 0 : GetLastError();
    QueryPerformanceCounter(&b);
    return {ok != FALSE, error, returned, 1000.0 * (b.QuadPart - a.QuadPart) / f.QuadPart};
}

std::string Describe(const Result& r) {
    return r.ok ? "succeeded with " + std::to_string(r.returned) + " bytes"
                : "failed with error " + std::to_string(r.error);
}

// The call fails with `error`.
void ExpectError(const Result& r, DWORD error, const char* name) {
    Check(!r.ok && r.error == error, name, Describe(r) + ", expected error " + std::to_string(error));
}

void ExpectOk(const Result& r, const char* name) { Check(r.ok, name, Describe(r)); }

RTOUCHDRV_STATE State(HANDLE control) {
    RTOUCHDRV_STATE s{};
    Call(control, IOCTL_RTOUCHDRV_GET_STATE, nullptr, 0, &s, sizeof s);
    return s;
}

RTOUCHDRV_QUEUE_ENTRY Entry(uint8_t kind, uint8_t seed) {
    RTOUCHDRV_QUEUE_ENTRY e{};
    e.Kind = kind;
    for (size_t i = 0; i < sizeof e.Report; ++i) e.Report[i] = static_cast<uint8_t>(seed + i);
    return e;
}

Result Queue(HANDLE control, const std::vector<RTOUCHDRV_QUEUE_ENTRY>& entries) {
    return Call(control, IOCTL_RTOUCHDRV_QUEUE_REPORTS, entries.data(),
                static_cast<DWORD>(entries.size() * sizeof entries[0]), nullptr, 0);
}

Result Read(HANDLE touch, uint8_t* report, DWORD size = kTouchReportSize) {
    return Call(touch, IOCTL_TOUCH_READ_REPORT, nullptr, 0, report, size);
}

Result Faults(HANDLE control, uint32_t failReads, uint32_t shortReads, uint32_t failSends) {
    RTOUCHDRV_FAULTS f{failReads, shortReads, failSends};
    return Call(control, IOCTL_RTOUCHDRV_SET_FAULTS, &f, sizeof f, nullptr, 0);
}

void Reset(HANDLE control) { Call(control, IOCTL_RTOUCHDRV_RESET, nullptr, 0, nullptr, 0); }

// A fast rate, so queued entries are due at once.
void Unpaced(HANDLE control) {
    uint32_t rate = RTOUCHDRV_MAX_RATE;
    Call(control, IOCTL_RTOUCHDRV_SET_RATE, &rate, sizeof rate, nullptr, 0);
}

HANDLE OpenControl(DWORD access) {
    return CreateFileW(RTOUCHDRV_CONTROL_PATH, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

// A touch interface handle; overlapped when asked, for cancellation.
HANDLE OpenTouch(DWORD flags) {
    GUID guid;
    std::memcpy(&guid, &TouchInterfaceGuid, sizeof guid);
    InterfacePath found = FindTouchInterfacePath(guid);
    if (!found.path) return INVALID_HANDLE_VALUE;
    HANDLE h = CreateFileW(found.path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, flags, nullptr);
    LocalFree(found.storage);
    return h;
}

// How long a check waits for what the driver must do (a read that comes to
// wait, a thread whose read must end). Only a faulty driver reaches it; it
// keeps the check from hanging, it does not judge speed.
constexpr DWORD kCheckBoundMs = 30000;
constexpr DWORD kPollMs = 1;

// Polls until `n` reads wait in the driver.
bool WaitForWaitingReads(HANDLE control, uint32_t n) {
    for (ULONGLONG start = GetTickCount64(); GetTickCount64() - start < kCheckBoundMs; Sleep(kPollMs))
        if (State(control).WaitingReads == n) return true;
    std::printf("FAIL %u reads never waited in the driver (%u do) within %lu ms\n", n,
                State(control).WaitingReads, kCheckBoundMs);
    return false;
}

// Waits for a thread whose read the driver must end. One that does not end
// within the bound still uses the caller's buffers: the checks stop here.
void JoinOrStop(HANDLE thread, const char* what) {
    if (WaitForSingleObject(thread, kCheckBoundMs) == WAIT_OBJECT_0) return;
    std::printf("FAIL %s: the read still waits after %lu ms; the checks stop here\n", what, kCheckBoundMs);
    std::fflush(stdout);
    ExitProcess(1);
}

// A read on its own thread, so the caller can act while it waits.
struct HeldRead {
    HANDLE touch;
    Result result;
    uint8_t report[kTouchReportSize];
};

DWORD WINAPI HeldReadMain(void* context) {
    auto* read = static_cast<HeldRead*>(context);
    read->result = Read(read->touch, read->report);
    return 0;
}

double MsSince(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return 1000.0 * (to.QuadPart - from.QuadPart) / f.QuadPart;
}

void SetReadWait(HANDLE control, uint32_t ms) {
    Call(control, IOCTL_RTOUCHDRV_SET_READ_WAIT, &ms, sizeof ms, nullptr, 0);
}

// One overlapped read: how its call returned and, once it has ended, how it
// ended.
struct OverlappedRead {
    DWORD callError;  // 0 when the call succeeded, ERROR_IO_PENDING when it went pending
    Result result;
};

OverlappedRead ReadOverlapped(HANDLE touch, uint8_t* report) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    OVERLAPPED ov{};
    ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD returned = 0;
    BOOL ok =
        DeviceIoControl(touch, IOCTL_TOUCH_READ_REPORT, nullptr, 0, report, kTouchReportSize, &returned, &ov);
    OverlappedRead read{ok ? 0 : GetLastError(), {}};
    if (read.callError == ERROR_IO_PENDING) ok = GetOverlappedResultEx(touch, &ov, &returned, 5000, FALSE);
    QueryPerformanceCounter(&end);
    read.result = {ok != FALSE, ok ? 0 : GetLastError(), returned, MsSince(start, end)};
    if (!ok && read.result.error == WAIT_TIMEOUT) {
        CancelIoEx(touch, &ov);
        GetOverlappedResult(touch, &ov, &returned, TRUE);
    }
    CloseHandle(ov.hEvent);
    return read;
}

void CheckReads(HANDLE touch, HANDLE control) {
    uint8_t buf[64] = {};
    ExpectError(Read(touch, buf, kTouchReportSize - 1), ERROR_INSUFFICIENT_BUFFER,
                "read into 11 bytes fails");
    ExpectError(Call(touch, IOCTL_TOUCH_READ_REPORT, nullptr, 0, nullptr, 0), ERROR_INSUFFICIENT_BUFFER,
                "read without a buffer fails");

    // An empty queue: every read waits in the driver (it does not fail at
    // once, or a reader loop would spin) and ends when its wait does. The
    // times are shown, not judged: the driver's own deadline ends the wait.
    constexpr int kEmptyReads = 50;
    double ms[kEmptyReads];
    bool allWaited = true;
    HANDLE overlapped = OpenTouch(FILE_FLAG_OVERLAPPED);
    for (int i = 0; i < kEmptyReads; ++i) {
        OverlappedRead read = ReadOverlapped(overlapped, buf);
        allWaited = allWaited && read.callError == ERROR_IO_PENDING && !read.result.ok &&
                    read.result.error == ERROR_NOT_READY;
        ms[i] = read.result.ms;
    }
    CloseHandle(overlapped);
    std::sort(ms, ms + kEmptyReads);
    std::printf("empty read median %.2f ms, longest %.2f ms\n", ms[kEmptyReads / 2], ms[kEmptyReads - 1]);
    Check(allWaited, "reads of an empty queue wait in the driver, then fail");

    Unpaced(control);
    ExpectOk(Queue(control, {Entry(RTOUCHDRV_ENTRY_REPORT, 1), Entry(RTOUCHDRV_ENTRY_FAILED_READ, 0),
                             Entry(RTOUCHDRV_ENTRY_REPORT, 40)}),
             "queue a report, a failed read and a report");
    Result r = Read(touch, buf, sizeof buf);
    Check(r.ok && r.returned == kTouchReportSize && buf[0] == 1 && buf[11] == 12,
          "a larger buffer gets the 12-byte report", Describe(r));
    ExpectError(Read(touch, buf), ERROR_IO_DEVICE, "a queued failed read fails");
    r = Read(touch, buf);
    Check(r.ok && buf[0] == 40, "the report after it follows", Describe(r));

    ExpectOk(Faults(control, 2, 1, 0), "set two failing reads and one short read");
    Queue(control, {Entry(RTOUCHDRV_ENTRY_REPORT, 7), Entry(RTOUCHDRV_ENTRY_REPORT, 9)});
    ExpectError(Read(touch, buf), ERROR_IO_DEVICE, "first injected read failure");
    ExpectError(Read(touch, buf), ERROR_IO_DEVICE, "second injected read failure");
    r = Read(touch, buf);
    Check(r.ok && r.returned == RTOUCHDRV_SHORT_READ_SIZE && buf[0] == 7,
          "a short read returns 6 bytes of the queued report", Describe(r));
    r = Read(touch, buf);
    Check(r.ok && r.returned == kTouchReportSize && buf[0] == 9, "then whole reports again", Describe(r));
}

void CheckSends(HANDLE touch, HANDLE control) {
    std::vector<uint8_t> block(kParameterBlockSize + 1);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
    for (DWORD size : {DWORD{0}, DWORD{179}, DWORD{181}})
        ExpectError(Call(touch, IOCTL_TOUCH_SET_PARAMETERS, block.data(), size, nullptr, 0),
                    ERROR_INVALID_PARAMETER,
                    ("a block of " + std::to_string(size) + " bytes is refused").c_str());
    Check(State(control).SendCount == 0, "refused blocks are not counted");

    ExpectOk(Call(touch, IOCTL_TOUCH_SET_PARAMETERS, block.data(), kParameterBlockSize, nullptr, 0),
             "a 180-byte block is accepted");
    RTOUCHDRV_STATE s = State(control);
    Check(s.SendCount == 1 && std::memcmp(s.LastBlock, block.data(), kParameterBlockSize) == 0,
          "the state holds the block and one send");

    ExpectOk(Faults(control, 0, 0, 1), "set one failing send");
    block[0] = 0xEE;
    ExpectError(Call(touch, IOCTL_TOUCH_SET_PARAMETERS, block.data(), kParameterBlockSize, nullptr, 0),
                ERROR_IO_DEVICE, "the injected send failure");
    s = State(control);
    Check(s.SendCount == 1 && s.LastBlock[0] == 0, "a failed send is not kept");
    ExpectOk(Call(touch, IOCTL_TOUCH_SET_PARAMETERS, block.data(), kParameterBlockSize, nullptr, 0),
             "the next send is accepted");
    Check(State(control).SendCount == 2 && State(control).LastBlock[0] == 0xEE, "and counted");
}

void CheckConfig(HANDLE touch) {
    ControllerConfig config{0x12, 0x34, 0x5678}, back{};
    ExpectOk(Call(touch, IOCTL_TOUCH_SET_CONFIG, &config, sizeof config, nullptr, 0),
             "set the configuration");
    Result r = Call(touch, IOCTL_TOUCH_GET_CONFIG, nullptr, 0, &back, sizeof back);
    Check(r.ok && r.returned == sizeof back && std::memcmp(&config, &back, sizeof back) == 0,
          "get returns it", Describe(r));
    uint8_t bytes[8] = {};
    ExpectError(Call(touch, IOCTL_TOUCH_SET_CONFIG, bytes, 3, nullptr, 0), ERROR_INVALID_PARAMETER,
                "set with 3 bytes is refused");
    ExpectError(Call(touch, IOCTL_TOUCH_SET_CONFIG, bytes, 5, nullptr, 0), ERROR_INVALID_PARAMETER,
                "set with 5 bytes is refused");
    ExpectError(Call(touch, IOCTL_TOUCH_GET_CONFIG, nullptr, 0, bytes, 3), ERROR_INVALID_PARAMETER,
                "get into 3 bytes is refused");
}

std::string Hex(DWORD code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(code));
    return text;
}

void CheckUnknownCodes(HANDLE touch, HANDLE control) {
    uint8_t buf[256] = {};
    const DWORD touchUnknown[] = {
        TouchControlCode(0x802),      // between the known functions
        IOCTL_TOUCH_READ_REPORT | 1,  // the read's function, another method
        IOCTL_RTOUCHDRV_GET_STATE,    // private codes only on the control device
        IOCTL_RTOUCHDRV_UNPLUG,
        0x00220000,  // another device type
    };
    for (DWORD code : touchUnknown) {
        Result r = Call(touch, code, buf, sizeof buf, buf, sizeof buf);
        ExpectError(r, ERROR_INVALID_FUNCTION, ("touch device refuses code " + Hex(code)).c_str());
    }
    const DWORD controlUnknown[] = {IOCTL_TOUCH_READ_REPORT, IOCTL_TOUCH_SET_PARAMETERS,
                                    TouchControlCode(0xA0F), IOCTL_RTOUCHDRV_GET_STATE | 3};
    for (DWORD code : controlUnknown) {
        Result r = Call(control, code, buf, sizeof buf, buf, sizeof buf);
        ExpectError(r, ERROR_INVALID_FUNCTION, ("control device refuses code " + Hex(code)).c_str());
    }
}

void CheckPrivateSizes(HANDLE control) {
    uint8_t buf[256] = {};
    RTOUCHDRV_STATE s{};
    ExpectError(Call(control, IOCTL_RTOUCHDRV_QUEUE_REPORTS, buf, 0, nullptr, 0), ERROR_INVALID_PARAMETER,
                "an empty batch is refused");
    ExpectError(Call(control, IOCTL_RTOUCHDRV_QUEUE_REPORTS, buf, 17, nullptr, 0), ERROR_INVALID_PARAMETER,
                "a batch of 17 bytes is refused");
    ExpectError(Queue(control, {Entry(RTOUCHDRV_ENTRY_REPORT, 1), Entry(2, 1)}), ERROR_INVALID_PARAMETER,
                "an unknown entry kind is refused");
    RTOUCHDRV_QUEUE_ENTRY reserved = Entry(RTOUCHDRV_ENTRY_REPORT, 1);
    reserved.Reserved[1] = 1;
    ExpectError(Queue(control, {reserved}), ERROR_INVALID_PARAMETER, "nonzero reserved bytes are refused");
    Check(State(control).QueueLength == 0, "a refused batch queues nothing");

    std::vector<RTOUCHDRV_QUEUE_ENTRY> full(RTOUCHDRV_QUEUE_CAPACITY, Entry(RTOUCHDRV_ENTRY_REPORT, 3));
    ExpectOk(Queue(control, full), "a full queue's worth is accepted");
    ExpectError(Queue(control, {Entry(RTOUCHDRV_ENTRY_REPORT, 1)}), ERROR_NO_SYSTEM_RESOURCES,
                "one more does not fit");
    Check(State(control).QueueLength == RTOUCHDRV_QUEUE_CAPACITY, "the queue is full");
    full.push_back(Entry(RTOUCHDRV_ENTRY_REPORT, 1));
    Reset(control);
    ExpectError(Queue(control, full), ERROR_INVALID_PARAMETER, "a batch over capacity is refused");
    Check(State(control).QueueLength == 0, "reset empties the queue");

    for (uint32_t rate : {0u, RTOUCHDRV_MAX_RATE + 1})
        ExpectError(Call(control, IOCTL_RTOUCHDRV_SET_RATE, &rate, sizeof rate, nullptr, 0),
                    ERROR_INVALID_PARAMETER, ("rate " + std::to_string(rate) + " is refused").c_str());
    ExpectError(Call(control, IOCTL_RTOUCHDRV_SET_RATE, buf, 3, nullptr, 0), ERROR_INVALID_PARAMETER,
                "a 3-byte rate is refused");
    ExpectError(Call(control, IOCTL_RTOUCHDRV_GET_STATE, nullptr, 0, &s, sizeof s - 1),
                ERROR_INVALID_PARAMETER, "state into a short buffer is refused");
    ExpectError(Call(control, IOCTL_RTOUCHDRV_RESET, buf, 1, nullptr, 0), ERROR_INVALID_PARAMETER,
                "reset with input is refused");
    ExpectError(Call(control, IOCTL_RTOUCHDRV_SET_FAULTS, buf, sizeof(RTOUCHDRV_FAULTS) - 1, nullptr, 0),
                ERROR_INVALID_PARAMETER, "short fault record is refused");
    ExpectError(Call(control, IOCTL_RTOUCHDRV_UNPLUG, buf, 4, nullptr, 0), ERROR_INVALID_PARAMETER,
                "unplug with input is refused");
    Check(State(control).Plugged == 1, "still plugged");
}

void CheckUnplugWithOpenHandle(HANDLE touch, HANDLE control) {
    uint8_t buf[kTouchReportSize];
    Unpaced(control);
    Queue(control, {Entry(RTOUCHDRV_ENTRY_REPORT, 5)});
    ExpectOk(Call(control, IOCTL_RTOUCHDRV_UNPLUG, nullptr, 0, nullptr, 0), "unplug");
    ExpectOk(Call(control, IOCTL_RTOUCHDRV_UNPLUG, nullptr, 0, nullptr, 0), "unplug again");
    Result r = Read(touch, buf);
    // Not the end of a read wait (ERROR_NOT_READY): the unplug failed it.
    ExpectError(r, ERROR_DEVICE_NOT_CONNECTED, "a read on an open handle fails");
    std::vector<uint8_t> block(kParameterBlockSize);
    ExpectError(Call(touch, IOCTL_TOUCH_SET_PARAMETERS, block.data(), kParameterBlockSize, nullptr, 0),
                ERROR_DEVICE_NOT_CONNECTED, "a send fails");
    DriverChannel channel = OpenDriverChannel();
    Check(channel == kInvalidChannel, "the interface cannot be opened");
    if (channel != kInvalidChannel) CloseDriverChannel(channel);
    Check(State(control).QueueLength == 1, "the queue is kept");

    ExpectOk(Call(control, IOCTL_RTOUCHDRV_PLUG, nullptr, 0, nullptr, 0), "plug");
    channel = OpenDriverChannel();
    Check(channel != kInvalidChannel, "the interface opens again");
    ReportBytes report{};
    Check(channel != kInvalidChannel && ReadTouchReport(channel, report) && report[0] == 5,
          "the kept report is read on the new channel");
    if (channel != kInvalidChannel) CloseDriverChannel(channel);
}

// A setting of how a read with no report due is answered when it must not
// wait (`code` with one value out of range, then `value`): the empty read
// is judged by `judge` (its call error and result), and a due report is
// still read. Returns the open touch handle for more checks.
template <class Judge>
HANDLE CheckEmptyReadAnswer(HANDLE control, DWORD code, uint32_t outOfRange, uint32_t value, const char* name,
                            Judge judge) {
    ExpectError(Call(control, code, &outOfRange, sizeof outOfRange, nullptr, 0), ERROR_INVALID_PARAMETER,
                (std::string(name) + ": a value out of range is refused").c_str());
    ExpectOk(Call(control, code, &value, sizeof value, nullptr, 0),
             (std::string(name) + ": accepted").c_str());
    HANDLE touch = OpenTouch(FILE_FLAG_OVERLAPPED);
    uint8_t buf[kTouchReportSize];
    std::memset(buf, 0xFF, sizeof buf);
    OverlappedRead read = ReadOverlapped(touch, buf);
    judge(read, buf);
    Unpaced(control);
    Queue(control, {Entry(RTOUCHDRV_ENTRY_REPORT, 4)});
    read = ReadOverlapped(touch, buf);
    Check(read.result.ok && buf[0] == 4, (std::string(name) + ": a due report is still read").c_str(),
          Describe(read.result));
    return touch;
}

std::string DescribeRead(const OverlappedRead& read) {
    return "call error " + std::to_string(read.callError) + ", then " + Describe(read.result);
}

// A read wait of 0, as a driver that never holds a read: a read with no
// report due fails in its dispatch routine (it does not go pending).
void CheckReadWaitZero(HANDLE control) {
    HANDLE touch = CheckEmptyReadAnswer(
        control, IOCTL_RTOUCHDRV_SET_READ_WAIT, RTOUCHDRV_MAX_READ_WAIT_MS + 1, 0, "read wait 0",
        [](const OverlappedRead& read, const uint8_t*) {
            Check(read.callError == ERROR_NOT_READY, "an empty read fails at once, without going pending",
                  DescribeRead(read));
        });
    CloseHandle(touch);
    SetReadWait(control, RTOUCHDRV_DEFAULT_READ_WAIT_MS);
}

// No-touch reads, as a driver that answers every read at once: a read with
// no report due gets a report of zeros without going pending; a reset
// turns the mode off.
void CheckNoTouchReads(HANDLE control) {
    HANDLE touch =
        CheckEmptyReadAnswer(control, IOCTL_RTOUCHDRV_SET_NO_TOUCH_READS, 2, 1, "no-touch reads",
                             [](const OverlappedRead& read, const uint8_t* buf) {
                                 const uint8_t zeros[kTouchReportSize] = {};
                                 Check(read.callError == ERROR_SUCCESS && read.result.ok &&
                                           read.result.returned == kTouchReportSize &&
                                           std::memcmp(buf, zeros, kTouchReportSize) == 0,
                                       "an empty read gets a no-touch report at once", DescribeRead(read));
                             });
    Reset(control);
    uint8_t buf[kTouchReportSize];
    const OverlappedRead read = ReadOverlapped(touch, buf);
    Check(read.callError == ERROR_IO_PENDING, "a reset switches no-touch reads off", DescribeRead(read));
    CloseHandle(touch);
}

// An unplug while a read waits in the driver for a report that never
// comes: the read fails as unplugged. Had the unplug waited behind the read,
// or left it waiting, the read's 60 s wait would have ended it instead
// (ERROR_NOT_READY), before or long after the unplug returned.
void CheckHeldReadOnUnplug(HANDLE control) {
    HeldRead read{OpenTouch(0), {}, {}};
    SetReadWait(control, RTOUCHDRV_MAX_READ_WAIT_MS);
    HANDLE thread = CreateThread(nullptr, 0, HeldReadMain, &read, 0, nullptr);
    Check(WaitForWaitingReads(control, 1), "the read waits in the driver");
    ExpectOk(Call(control, IOCTL_RTOUCHDRV_UNPLUG, nullptr, 0, nullptr, 0), "unplug under a waiting read");
    JoinOrStop(thread, "the unplug under a waiting read");
    Check(!read.result.ok && read.result.error == ERROR_DEVICE_NOT_CONNECTED,
          "the unplug fails the waiting read", Describe(read.result));
    Check(State(control).WaitingReads == 0, "no read waits after the unplug");
    CloseHandle(thread);
    CloseHandle(read.touch);
    Call(control, IOCTL_RTOUCHDRV_PLUG, nullptr, 0, nullptr, 0);
    SetReadWait(control, RTOUCHDRV_DEFAULT_READ_WAIT_MS);
}

// Waits for a read's thread; the bound only keeps a faulty driver from
// hanging the check: a read still waiting is ended by an unplug and replug.
bool JoinRead(HANDLE control, HANDLE thread) {
    const bool ended = WaitForSingleObject(thread, kCheckBoundMs) == WAIT_OBJECT_0;
    if (!ended) {
        Call(control, IOCTL_RTOUCHDRV_UNPLUG, nullptr, 0, nullptr, 0);
        JoinOrStop(thread, "a read ended by an unplug");
        Call(control, IOCTL_RTOUCHDRV_PLUG, nullptr, 0, nullptr, 0);
    }
    CloseHandle(thread);
    return ended;
}

Result HoldReads(HANDLE control, uint32_t hold) {
    return Call(control, IOCTL_RTOUCHDRV_HOLD_READS, &hold, sizeof hold, nullptr, 0);
}

// Held reads wait until a report is due or the test releases them, even
// with a read wait of 0; the release ends them as their wait would.
void CheckHeldReads(HANDLE control) {
    ExpectError(HoldReads(control, 2), ERROR_INVALID_PARAMETER, "hold takes 0 or 1");
    ExpectError(Call(control, IOCTL_RTOUCHDRV_HOLD_READS, nullptr, 0, nullptr, 0), ERROR_INVALID_PARAMETER,
                "hold without input is refused");
    SetReadWait(control, 0);
    ExpectOk(HoldReads(control, 1), "hold reads");
    Unpaced(control);
    HeldRead read{OpenTouch(0), {}, {}};
    HANDLE thread = CreateThread(nullptr, 0, HeldReadMain, &read, 0, nullptr);
    Check(WaitForWaitingReads(control, 1), "a held read waits in spite of a read wait of 0");
    Queue(control, {Entry(RTOUCHDRV_ENTRY_REPORT, 6)});
    Check(JoinRead(control, thread) && read.result.ok && read.report[0] == 6,
          "a report completes a held read", Describe(read.result));
    thread = CreateThread(nullptr, 0, HeldReadMain, &read, 0, nullptr);
    Check(WaitForWaitingReads(control, 1), "the next read is held");
    ExpectOk(HoldReads(control, 0), "release reads");
    JoinRead(control, thread);
    ExpectError(read.result, ERROR_NOT_READY, "the release ends the held read as its wait would");
    Check(State(control).WaitingReads == 0, "no read waits after the release");
    HoldReads(control, 1);
    thread = CreateThread(nullptr, 0, HeldReadMain, &read, 0, nullptr);
    WaitForWaitingReads(control, 1);
    Reset(control);
    JoinRead(control, thread);
    ExpectError(read.result, ERROR_NOT_READY, "a reset releases held reads");
    CloseHandle(read.touch);
}

// A handle opened before an unplug is dead for good: every code fails on
// it after the device came back, while a new handle works.
void CheckStaleHandle(HANDLE control) {
    HANDLE old = OpenTouch(0);
    Check(old != INVALID_HANDLE_VALUE, "the interface opens");
    Unpaced(control);
    Queue(control, {Entry(RTOUCHDRV_ENTRY_REPORT, 7)});
    std::vector<uint8_t> block(kParameterBlockSize, 0xAB);
    ControllerConfig config{0x12, 0x34, 0x5678};
    ExpectOk(Call(old, IOCTL_TOUCH_SET_PARAMETERS, block.data(), kParameterBlockSize, nullptr, 0),
             "a block sent before the unplug");
    ExpectOk(Call(old, IOCTL_TOUCH_SET_CONFIG, &config, sizeof config, nullptr, 0),
             "a configuration set before the unplug");
    ExpectOk(Call(control, IOCTL_RTOUCHDRV_UNPLUG, nullptr, 0, nullptr, 0), "unplug");
    ExpectOk(Call(control, IOCTL_RTOUCHDRV_PLUG, nullptr, 0, nullptr, 0), "plug");
    RTOUCHDRV_STATE s = State(control);
    const std::vector<uint8_t> zeros(kParameterBlockSize);
    Check(s.SendCount == 1 && std::memcmp(s.LastBlock, zeros.data(), kParameterBlockSize) == 0,
          "the device back is a new one: no block, the send still counted");
    uint8_t buf[kTouchReportSize] = {};
    ExpectError(Read(old, buf), ERROR_DEVICE_NOT_CONNECTED, "a read on the old handle fails");
    ExpectError(Call(old, IOCTL_TOUCH_SET_PARAMETERS, block.data(), kParameterBlockSize, nullptr, 0),
                ERROR_DEVICE_NOT_CONNECTED, "a send on the old handle fails");
    ExpectError(Call(old, IOCTL_TOUCH_SET_CONFIG, &config, sizeof config, nullptr, 0),
                ERROR_DEVICE_NOT_CONNECTED, "a configuration on the old handle fails");
    ExpectError(Call(old, IOCTL_TOUCH_GET_CONFIG, nullptr, 0, &config, sizeof config),
                ERROR_DEVICE_NOT_CONNECTED, "a configuration read on the old handle fails");
    Check(State(control).QueueLength == 1 && State(control).SendCount == 1,
          "the old handle took nothing from the driver");
    HANDLE fresh = OpenTouch(0);
    ControllerConfig back{1, 1, 1};
    Result r = Call(fresh, IOCTL_TOUCH_GET_CONFIG, nullptr, 0, &back, sizeof back);
    Check(r.ok && back.ConfigValue1 == 0 && back.ConfigValue2 == 0 && back.ConfigValue3 == 0,
          "the new device's configuration reads as zeros", Describe(r));
    r = Read(fresh, buf);
    Check(r.ok && buf[0] == 7, "a new handle reads the kept report", Describe(r));
    ExpectError(Read(old, buf), ERROR_DEVICE_NOT_CONNECTED, "the old handle stays dead");
    CloseHandle(fresh);
    CloseHandle(old);
}

// The I/O manager may cancel a read that waits in the driver (CancelIoEx):
// it completes as cancelled, at once.
void CheckCancelledRead(HANDLE control) {
    HANDLE touch = OpenTouch(FILE_FLAG_OVERLAPPED);
    SetReadWait(control, RTOUCHDRV_MAX_READ_WAIT_MS);
    OVERLAPPED ov{};
    ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    uint8_t buf[kTouchReportSize];
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(touch, IOCTL_TOUCH_READ_REPORT, nullptr, 0, buf, sizeof buf, &returned, &ov);
    Check(!ok && GetLastError() == ERROR_IO_PENDING, "an overlapped read is pending");
    Check(WaitForWaitingReads(control, 1), "the read waits in the driver");
    CancelIoEx(touch, &ov);
    // The error tells; the bound only keeps a cancel the driver ignores from
    // hanging the check.
    ok = GetOverlappedResultEx(touch, &ov, &returned, kCheckBoundMs, FALSE);
    DWORD error = ok ? 0 : GetLastError();
    Check(!ok && error == ERROR_OPERATION_ABORTED, "a cancelled read ends as cancelled",
          "error " + std::to_string(error));
    Check(WaitForWaitingReads(control, 0), "no read waits after the cancel");
    CloseHandle(touch);
    CloseHandle(ov.hEvent);
    SetReadWait(control, RTOUCHDRV_DEFAULT_READ_WAIT_MS);
}

int Finish() {
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}

int RunRemovalChecks() {
    HANDLE control = OpenControl(GENERIC_READ | GENERIC_WRITE);
    if (control == INVALID_HANDLE_VALUE) {
        std::printf("FAIL the driver is not installed\n");
        return 1;
    }
    Reset(control);
    CheckStaleHandle(control);
    Reset(control);
    CheckHeldReadOnUnplug(control);
    Reset(control);
    CheckCancelledRead(control);
    Reset(control);
    CheckHeldReads(control);
    Reset(control);
    CloseHandle(control);
    return Finish();
}

// What the control device asks of a handle: a read-only handle reads the
// state but changes nothing. Prints the device's descriptor as reported.
int RunSecurityChecks() {
    HANDLE reader = OpenControl(GENERIC_READ);
    if (reader == INVALID_HANDLE_VALUE) {
        std::printf("FAIL the driver is not installed\n");
        return 1;
    }
    RTOUCHDRV_STATE state{};
    ExpectOk(Call(reader, IOCTL_RTOUCHDRV_GET_STATE, nullptr, 0, &state, sizeof state),
             "a read-only handle reads the state");
    const uint32_t rate = 50, wait = 5, hold = 1, on = 1;
    const RTOUCHDRV_FAULTS faults{1, 1, 1};
    const RTOUCHDRV_QUEUE_ENTRY entry = Entry(RTOUCHDRV_ENTRY_REPORT, 1);
    struct {
        DWORD code;
        const void* in;
        DWORD inLen;
        const char* name;
    } changes[] = {
        {IOCTL_RTOUCHDRV_QUEUE_REPORTS, &entry, sizeof entry, "queue"},
        {IOCTL_RTOUCHDRV_SET_RATE, &rate, sizeof rate, "set rate"},
        {IOCTL_RTOUCHDRV_RESET, nullptr, 0, "reset"},
        {IOCTL_RTOUCHDRV_SET_FAULTS, &faults, sizeof faults, "set faults"},
        {IOCTL_RTOUCHDRV_UNPLUG, nullptr, 0, "unplug"},
        {IOCTL_RTOUCHDRV_PLUG, nullptr, 0, "plug"},
        {IOCTL_RTOUCHDRV_SET_READ_WAIT, &wait, sizeof wait, "set read wait"},
        {IOCTL_RTOUCHDRV_SET_NO_TOUCH_READS, &on, sizeof on, "set no-touch reads"},
        {IOCTL_RTOUCHDRV_HOLD_READS, &hold, sizeof hold, "hold reads"},
    };
    for (const auto& c : changes)
        ExpectError(Call(reader, c.code, c.in, c.inLen, nullptr, 0), ERROR_ACCESS_DENIED,
                    (std::string("a read-only handle may not ") + c.name).c_str());
    RTOUCHDRV_STATE after{};
    Call(reader, IOCTL_RTOUCHDRV_GET_STATE, nullptr, 0, &after, sizeof after);
    Check(after.QueueLength == state.QueueLength && after.Plugged == 1 &&
              after.ReportsPerSecond == state.ReportsPerSecond,
          "the refused codes changed nothing");
    CloseHandle(reader);

    PSECURITY_DESCRIPTOR sd = nullptr;
    HANDLE owner = OpenControl(READ_CONTROL);
    DWORD error = owner == INVALID_HANDLE_VALUE
                      ? GetLastError()
                      : GetSecurityInfo(owner, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                        nullptr, nullptr, &sd);
    wchar_t* text = nullptr;
    if (error == ERROR_SUCCESS && ConvertSecurityDescriptorToStringSecurityDescriptorW(
                                      sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        std::printf("descriptor %ls\n", text);
    else
        std::printf("descriptor unavailable (error %lu)\n", error);
    if (text) LocalFree(text);
    if (sd) LocalFree(sd);
    if (owner != INVALID_HANDLE_VALUE) CloseHandle(owner);
    return Finish();
}

int RunCommandChecks() {
    HANDLE control = CreateFileW(RTOUCHDRV_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    DriverChannel touch = OpenDriverChannel();
    if (control == INVALID_HANDLE_VALUE || touch == kInvalidChannel) {
        std::printf("FAIL the driver is not installed\n");
        return 1;
    }
    Reset(control);
    CheckReads(touch, control);
    Reset(control);
    CheckSends(touch, control);
    CheckConfig(touch);
    CheckUnknownCodes(touch, control);
    Reset(control);
    CheckPrivateSizes(control);
    Reset(control);
    CheckReadWaitZero(control);
    Reset(control);
    CheckNoTouchReads(control);
    Reset(control);
    CheckUnplugWithOpenHandle(touch, control);
    Reset(control);
    CloseDriverChannel(touch);
    CloseHandle(control);
    return Finish();
}

LRESULT CALLBACK WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE) {
        std::printf("devicechange 0x%04x\n", static_cast<unsigned>(wParam));
        std::fflush(stdout);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int Watch(DWORD seconds) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WatchProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"RtouchDrvWatch";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"rtouchdrv watch", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                  100, nullptr, nullptr, wc.hInstance, nullptr);
    HDEVNOTIFY registration = nullptr;
    if (!window || !RegisterHidNotification(window, &registration)) {
        std::printf("FAIL no window or no device notification\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    SetTimer(window, 1, seconds * 1000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER) break;
        DispatchMessageW(&msg);
    }
    UnregisterDeviceNotification(registration);
    DestroyWindow(window);
    return 0;
}

// One private command for a test script; exit 0 when it succeeded.
int ControlOnce(DWORD code, const void* in, DWORD inLen) {
    HANDLE control = CreateFileW(RTOUCHDRV_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (control == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "rtouchdrv_check: the driver is not installed\n");
        return 1;
    }
    Result r = Call(control, code, in, inLen, nullptr, 0);
    CloseHandle(control);
    if (!r.ok) std::fprintf(stderr, "rtouchdrv_check: %s\n", Describe(r).c_str());
    return r.ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wcscmp(argv[1], L"commands") == 0) return RunCommandChecks();
    if (argc == 2 && std::wcscmp(argv[1], L"removal") == 0) return RunRemovalChecks();
    if (argc == 2 && std::wcscmp(argv[1], L"security") == 0) return RunSecurityChecks();
    if (argc == 3 && std::wcscmp(argv[1], L"watch") == 0) return Watch(_wtoi(argv[2]));
    if (argc == 2 && std::wcscmp(argv[1], L"reset") == 0)
        return ControlOnce(IOCTL_RTOUCHDRV_RESET, nullptr, 0);
    if (argc == 5 && std::wcscmp(argv[1], L"faults") == 0) {
        RTOUCHDRV_FAULTS f{static_cast<uint32_t>(_wtoi(argv[2])), static_cast<uint32_t>(_wtoi(argv[3])),
                           static_cast<uint32_t>(_wtoi(argv[4]))};
        return ControlOnce(IOCTL_RTOUCHDRV_SET_FAULTS, &f, sizeof f);
    }
    if (argc == 3 && std::wcscmp(argv[1], L"no-touch-reads") == 0) {
        const uint32_t on = static_cast<uint32_t>(_wtoi(argv[2]));
        return ControlOnce(IOCTL_RTOUCHDRV_SET_NO_TOUCH_READS, &on, sizeof on);
    }
    std::fprintf(stderr,
                 "usage: rtouchdrv_check commands | removal | security | watch SECONDS | reset |"
                 " faults R S P | no-touch-reads 0|1\n");
    return 2;
}
