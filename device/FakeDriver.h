// The host build's substitute for the touch driver: the driver channel
// functions of DriverChannel.h run against this scriptable in-process
// driver, so the worker and the calibration session can be tested without
// Windows. Thread-safe; absent and empty at start.
#pragma once

#include <cstddef>
#include <vector>

#include "device/DriverChannel.h"

namespace FakeDriver {

// Forgets everything: absent, empty queue, no sends, no open channels
// (channels made dead stay dead).
void Reset();
void SetPresent(bool present);
// An unplug and replug the reader did not see: every channel open now fails
// every read for good (scripted reads stay queued for live channels);
// channels opened later read normally. Presence is unchanged.
void KillOpenChannels();

// Scripted reads, served in order to whichever channel reads next. With the
// queue empty a read fails at once.
void QueueReport(const ReportBytes& report);
void QueueFailedRead();
// A read that blocks until ReleaseBlockedRead, then serves the next entry
// (or fails when there is none): the driver completing a pending read.
void QueueBlockingRead();
void ReleaseBlockedRead();
// Whether a reader is waiting inside a blocking read right now.
bool ReaderIsBlocked();
size_t QueuedReads();

// Every parameter block sent, in order.
std::vector<ParameterBlock> SentBlocks();
size_t OpenChannels();
// Channels opened since Reset, closed or not.
size_t OpenedChannels();
size_t TotalReads();

}  // namespace FakeDriver
