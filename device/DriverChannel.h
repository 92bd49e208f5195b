// The driver channel: a handle opened on the touch driver's interface. Every
// user opens its own channel; no handle is shared between threads.
#pragma once

#include <cstdint>

#include "device/DriverCodes.h"
#include "device/ParameterBlock.h"

// A HANDLE on Windows; an opaque token of the substitute channel elsewhere.
using DriverChannel = void*;
// INVALID_HANDLE_VALUE: the driver is absent.
inline DriverChannel const kInvalidChannel = reinterpret_cast<DriverChannel>(static_cast<intptr_t>(-1));

using ReportBytes = uint8_t[kTouchReportSize];

// Looks up the interface path afresh and opens it; kInvalidChannel when the
// driver is absent.
DriverChannel OpenDriverChannel();
void CloseDriverChannel(DriverChannel channel);

// One synchronous IOCTL_TOUCH_READ_REPORT into `report`. Succeeds only when
// the call succeeded with the whole 12 bytes: a shorter report is a failed
// read, whatever the bytes it wrote.
bool ReadTouchReport(DriverChannel channel, ReportBytes& report);

// IOCTL_TOUCH_SET_PARAMETERS with the whole block on an open channel; the
// result is ignored by every caller.
bool SendParametersOn(DriverChannel channel, const ParameterBlock& block);

// The device probe: open, then close. Present when the open succeeded.
bool ProbeDriver();

// Probe followed, when present, by the parameter command with the whole
// block, then close. Returns whether the driver was present.
bool SendParameterBlock(const ParameterBlock& block);

// The system's "insufficient buffer" error code (ERROR_INSUFFICIENT_BUFFER),
// the one failure of the interface detail's size query that gives a size.
inline constexpr uint32_t kErrorInsufficientBuffer = 122;

// Whether the interface detail's size query gave a size the lookup may
// allocate: only when the query failed with kErrorInsufficientBuffer and the
// size holds at least the detail record's header (`headerSize`, which the
// lookup writes into the allocation). Anything else is "not found".
bool DetailSizeUsable(bool querySucceeded, uint32_t error, uint32_t requiredSize, uint32_t headerSize);
