// The road of one touch report through the engine: processing, then the
// recognizer. Shared by the touch worker, the console tool's replay and the
// benchmarks, so all three run exactly the same steps.
#pragma once

#include <cstdint>

#include "device/DriverChannel.h"
#include "engine/GestureRecognizer.h"
#include "engine/ReportProcessor.h"

// The engine's memory: the touch state machine's counters and the
// recognizer's state. Zero-initialised = a freshly started program.
struct TouchEngineState {
    ReaderCounters Counters;
    RecognizerState Recognizer;
    // DeviceChanges as it was when the channel whose reports fed this state
    // was opened (see JoinDevice).
    uint32_t DeviceChangesAtOpen;
};

// The worker's state, kept for the whole program run: a worker restarted on
// the same device (after a calibration run) carries on where the last one
// stopped.
extern TouchEngineState TouchEngine;

// Called with DeviceChanges as read before a channel was opened. After a
// device change the channel may reach a device that was unplugged and
// plugged in again: a stroke that the change cut off (its lift never read,
// a horizontal pan still owed) is forgotten, so the device's first gesture
// is judged on its own touches only.
void JoinDevice(TouchEngineState& engine, uint32_t deviceChanges);

struct ReportResult {
    uint8_t state;
    coord_dist sample;
    uint16_t code;  // the recognizer's result; IsMappedGesture tells whether it sends input
    bool contact;   // a finger is on the screen
};

// Whether a report says a finger is on the screen, without the engine.
bool ReportHasContact(const ReportBytes& bytes, const ParameterBlock& block);

// Decodes one report, processes it against `block` and hands the sample to
// the recognizer.
ReportResult HandleReport(const ReportBytes& bytes, const ParameterBlock& block, TouchEngineState& engine);
