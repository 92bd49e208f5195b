#include "engine/TouchEngine.h"

TouchEngineState TouchEngine{};

ReportResult HandleReport(const ReportBytes& bytes, const ParameterBlock& block, TouchEngineState& engine) {
    const ProcessedReport p = ProcessReport(DecodeReport(bytes), block, engine.Counters);
    const uint16_t code = GestureRecognize(engine.Recognizer, p.state, p.sample, ReadGestureScales(block));
    return ReportResult{p.state, p.sample, code, p.contact};
}

bool ReportHasContact(const ReportBytes& bytes, const ParameterBlock& block) {
    return IsContact(ComputeRTouch(DecodeReport(bytes)), ReadField(block.PressureLimit));
}

void JoinDevice(TouchEngineState& engine, uint32_t deviceChanges) {
    if (engine.DeviceChangesAtOpen == deviceChanges) return;
    engine = TouchEngineState{};
    engine.DeviceChangesAtOpen = deviceChanges;
}
