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

// One synchronous IOCTL_TOUCH_READ_REPORT into `report`; the byte count is
// not examined. Returns the call's success.
bool ReadTouchReport(DriverChannel channel, ReportBytes& report);

// IOCTL_TOUCH_SET_PARAMETERS with the whole block on an open channel; the
// result is ignored by every caller.
bool SendParametersOn(DriverChannel channel, const ParameterBlock& block);

// The device probe: open, then close. Present when the open succeeded.
bool ProbeDriver();

// Probe followed, when present, by the parameter command with the whole
// block, then close. Returns whether the driver was present.
bool SendParameterBlock(const ParameterBlock& block);
