// Any stream of reads through the touch worker's per-report processing and
// the recognizer, against a parameter block taken from the input: states,
// coordinates and codes stay inside their documented sets, the recognizer's
// state inside its ranges, and every gesture's input inside the tables.
//
// Input: the block's bytes (up to 180, over the defaults), then records of a
// tag byte and its operands:
//   tag % 4 == 0          a failed read: nothing is processed
//   tag % 4 == 1 or 2     a successful read: the next 12 bytes are the report
//   tag % 4 == 3          the main thread writes one byte of the live block
//                         (offset byte mod 180, value byte), as the dialogs do
//                         while the worker runs
#include "engine/TouchEngine.h"
#include "fuzz/FuzzSupport.h"

namespace {
constexpr uint8_t kTagFail = 0, kTagWrite = 3, kTagKinds = 4;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    ParameterBlock live = BlockFromInput(in);
    TouchEngineState engine{};
    while (in.more()) {
        const uint8_t tag = in.byte() % kTagKinds;
        if (tag == kTagFail) continue;
        if (tag == kTagWrite) {
            const size_t at = in.byte() % kParameterBlockSize;
            reinterpret_cast<uint8_t*>(&live)[at] = in.byte();
            continue;
        }
        ReportBytes report{};
        in.bytes(report, kTouchReportSize);
        const ReportResult r = HandleReport(report, live, engine);
        FUZZ_CHECK(IsDocumentedState(r.state));
        FUZZ_CHECK(InCoordinateSpace(r.sample.X) && InCoordinateSpace(r.sample.Y));
        FUZZ_CHECK(IsDocumentedCode(r.code));
        CheckRecognizer(engine.Recognizer);
        FUZZ_CHECK(engine.Counters.MultiCount >= 0 && engine.Counters.MultiCount <= kUndecidedSamples);
        if (IsMappedGesture(r.code)) CheckEvents(ReadMapEntry(live.GestureMap[r.code - 1]));
    }
    return 0;
}
