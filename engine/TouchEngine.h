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
};

// The worker's state, kept for the whole program run (a restarted worker
// carries on where the last one stopped).
extern TouchEngineState TouchEngine;

struct ReportResult {
    uint8_t state;
    coord_dist sample;
    uint16_t code;  // the recognizer's result; IsMappedGesture tells whether it sends input
};

// Decodes one report, processes it against `block` and hands the sample to
// the recognizer.
ReportResult HandleReport(const ReportBytes& bytes, const ParameterBlock& block, TouchEngineState& engine);
