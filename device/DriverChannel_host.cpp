#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "device/FakeDriver.h"

namespace {

enum class ReadKind { Report, Failure, Blocking };
struct ScriptedRead {
    ReadKind kind;
    uint8_t bytes[kTouchReportSize];
};

struct Driver {
    std::mutex lock;
    std::condition_variable released;
    bool present = false;
    bool blocked = false;
    bool releaseRequested = false;
    std::deque<ScriptedRead> reads;
    std::vector<ParameterBlock> sent;
    size_t openChannels = 0;
    size_t totalReads = 0;
    uintptr_t nextToken = 1;
    // Tokens below this one belong to channels made dead by KillOpenChannels.
    uintptr_t firstLiveToken = 1;
    size_t openedChannels = 0;
};

Driver& TheDriver() {
    static Driver driver;
    return driver;
}

// One of the driver's figures, read under its lock.
template <class Read>
auto ReadLocked(Read read) {
    Driver& d = TheDriver();
    std::lock_guard guard(d.lock);
    return read(d);
}

void Queue(ReadKind kind, const uint8_t* bytes) {
    ScriptedRead read{kind, {}};
    if (bytes) std::memcpy(read.bytes, bytes, kTouchReportSize);
    Driver& d = TheDriver();
    std::lock_guard guard(d.lock);
    d.reads.push_back(read);
}

}  // namespace

namespace FakeDriver {

void Reset() {
    Driver& d = TheDriver();
    std::lock_guard guard(d.lock);
    d.present = false;
    d.reads.clear();
    d.sent.clear();
    d.openChannels = 0;
    d.totalReads = 0;
    d.releaseRequested = false;
    d.openedChannels = 0;
}

void SetPresent(bool present) {
    Driver& d = TheDriver();
    std::lock_guard guard(d.lock);
    d.present = present;
}

void KillOpenChannels() {
    Driver& d = TheDriver();
    std::lock_guard guard(d.lock);
    d.firstLiveToken = d.nextToken;
}

void QueueReport(const ReportBytes& report) { Queue(ReadKind::Report, report); }
void QueueFailedRead() { Queue(ReadKind::Failure, nullptr); }
void QueueBlockingRead() { Queue(ReadKind::Blocking, nullptr); }

void ReleaseBlockedRead() {
    Driver& d = TheDriver();
    std::lock_guard guard(d.lock);
    d.releaseRequested = true;
    d.released.notify_all();
}

bool ReaderIsBlocked() {
    return ReadLocked([](Driver& d) { return d.blocked; });
}

size_t QueuedReads() {
    return ReadLocked([](Driver& d) { return d.reads.size(); });
}

std::vector<ParameterBlock> SentBlocks() {
    return ReadLocked([](Driver& d) { return d.sent; });
}

size_t OpenChannels() {
    return ReadLocked([](Driver& d) { return d.openChannels; });
}

size_t OpenedChannels() {
    return ReadLocked([](Driver& d) { return d.openedChannels; });
}

size_t TotalReads() {
    return ReadLocked([](Driver& d) { return d.totalReads; });
}

}  // namespace FakeDriver

DriverChannel OpenDriverChannel() {
    Driver& d = TheDriver();
    std::lock_guard guard(d.lock);
    if (!d.present) return kInvalidChannel;
    ++d.openChannels;
    ++d.openedChannels;
    return reinterpret_cast<DriverChannel>(d.nextToken++);
}

void CloseDriverChannel(DriverChannel channel) {
    if (channel == kInvalidChannel) return;
    Driver& d = TheDriver();
    std::lock_guard guard(d.lock);
    if (d.openChannels > 0) --d.openChannels;
}

bool ReadTouchReport(DriverChannel channel, ReportBytes& report) {
    if (channel == kInvalidChannel) return false;
    Driver& d = TheDriver();
    std::unique_lock guard(d.lock);
    ++d.totalReads;
    const bool dead = reinterpret_cast<uintptr_t>(channel) < d.firstLiveToken;
    if (dead || d.reads.empty()) {
        // A dead channel or an idle driver fails the read; let the reader's
        // loop breathe.
        guard.unlock();
        std::this_thread::yield();
        return false;
    }
    ScriptedRead read = d.reads.front();
    d.reads.pop_front();
    if (read.kind == ReadKind::Blocking) {
        d.blocked = true;
        d.released.wait(guard, [&] { return d.releaseRequested; });
        d.releaseRequested = false;
        d.blocked = false;
        if (d.reads.empty()) return false;
        read = d.reads.front();
        d.reads.pop_front();
    }
    if (read.kind != ReadKind::Report) return false;
    std::memcpy(report, read.bytes, kTouchReportSize);
    return true;
}

bool SendParametersOn(DriverChannel channel, const ParameterBlock& block) {
    if (channel == kInvalidChannel) return false;
    Driver& d = TheDriver();
    std::lock_guard guard(d.lock);
    d.sent.push_back(block);
    return true;
}
