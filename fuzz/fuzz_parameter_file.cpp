// Any bytes as the parameters file: the block loads as documented (defaults
// for a short file, the file's first 180 bytes with the three fix-ups
// otherwise), and one replay of a fixed trace through the engine with that
// block keeps every mapped coordinate in 0..4095, every state and code in
// its documented set, and every gesture's input inside the tables.
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "engine/TouchEngine.h"
#include "fuzz/FuzzSupport.h"

namespace {

struct Report {
    ReportBytes bytes;
};

Report MakeReport(uint16_t x, uint16_t y, uint16_t z1, uint16_t z2, uint8_t d1 = 100, uint8_t d2 = 100,
                  uint8_t b1 = 100, uint8_t b2 = 100) {
    return Report{{static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(y),
                   static_cast<uint8_t>(y >> 8), static_cast<uint8_t>(z1), static_cast<uint8_t>(z1 >> 8),
                   static_cast<uint8_t>(z2), static_cast<uint8_t>(z2 >> 8), d1, d2, b1, b2}};
}

// Raw positions across the whole 16-bit range, the calibration's split
// lines, the edges of the 12-bit space and beyond.
constexpr uint16_t kRaw[] = {0, 1, 1920, 2047, 2048, 4095, 4096, 30000, 65535};

// The fixed trace: a one-finger sweep over a grid of raw positions (light,
// hard and negative-pressure touches in turn), two-finger contacts that pan
// and pinch, and releases between them. Short, so that the fuzzer runs fast.
std::vector<Report> MakeTrace() {
    std::vector<Report> t;
    const Report lift = MakeReport(0, 0, 0, 0);
    const uint16_t pressures[][2] = {{100, 200}, {1, 65535}, {200, 100}};
    size_t n = 0;
    t.push_back(lift);
    for (uint16_t y : kRaw)
        for (uint16_t x : kRaw) {
            const auto& z = pressures[n++ % 3];
            t.push_back(MakeReport(x, y, z[0], z[1]));
        }
    t.push_back(lift);
    for (int i = 0; i < 2; ++i) t.push_back(MakeReport(2000, 2000, 100, 200));
    for (uint16_t x : kRaw) t.push_back(MakeReport(x, 2000, 100, 200, 160, 100));  // pan right
    for (uint16_t y : kRaw) t.push_back(MakeReport(2000, y, 100, 200, 160, 100));  // pan down
    for (int d = 0; d < 256; d += 32)
        t.push_back(MakeReport(2000, 2000, 100, 200, 255, uint8_t(d)));  // pinch
    t.push_back(lift);
    t.push_back(MakeReport(2000, 2000, 100, 200, 255, 255, 0, 0));
    t.push_back(lift);
    return t;
}

const std::vector<Report> kTrace = MakeTrace();

void CheckLoaded(std::span<const uint8_t> file, uint16_t orientation, const ParameterBlock& defaults,
                 const ParameterBlock& live) {
    const auto got = BlockBytes(live);
    if (file.size() < kParameterBlockSize) {
        FUZZ_CHECK(defaults.Orientation == orientation);
        FUZZ_CHECK(std::memcmp(got.data(), BlockBytes(defaults).data(), kParameterBlockSize) == 0);
        return;
    }
    for (size_t i = 0; i < offsetof(ParameterBlock, GestureMap); ++i) {
        if (i / 2 == offsetof(ParameterBlock, Orientation) / 2 ||
            i / 2 == offsetof(ParameterBlock, DriverWord142) / 2)
            continue;
        FUZZ_CHECK(got[i] == file[i]);
    }
    FUZZ_CHECK(live.Orientation == orientation);
    FUZZ_CHECK(live.DriverWord142 == kDriverWord142Value);
    const uint8_t* map = file[offsetof(ParameterBlock, GestureMap)] == kNoMapMarker
                             ? BlockBytes(defaults).data() + offsetof(ParameterBlock, GestureMap)
                             : file.data() + offsetof(ParameterBlock, GestureMap);
    FUZZ_CHECK(std::memcmp(got.data() + offsetof(ParameterBlock, GestureMap), map, kGestureMapSize) == 0);
}

}  // namespace

// The file is the whole input. The display orientation (size mod 4) and the
// system's map (size / 4 mod 2) come from its length, so every byte stays
// file content.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    const uint16_t orientation = static_cast<uint16_t>(size % 4);
    ParameterBlock defaults = MakeDefaultParams();
    ChooseDefaultMap(defaults, (size / 4) % 2 == 1);
    ParameterBlock live;
    LoadParameterBlock(file, orientation, defaults, live);
    CheckLoaded(file, orientation, defaults, live);

    TouchEngineState engine{};
    for (const Report& report : kTrace) {
        const ReportResult r = HandleReport(report.bytes, live, engine);
        FUZZ_CHECK(IsDocumentedState(r.state));
        FUZZ_CHECK(InCoordinateSpace(r.sample.X) && InCoordinateSpace(r.sample.Y));
        FUZZ_CHECK(IsDocumentedCode(r.code));
        CheckRecognizer(engine.Recognizer);
        if (IsMappedGesture(r.code)) CheckEvents(ReadMapEntry(live.GestureMap[r.code - 1]));
    }
    return 0;
}
