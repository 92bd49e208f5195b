#include "engine/TouchReport.h"

namespace {
uint16_t Word(const ReportBytes& b, int at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
}  // namespace

TouchReport DecodeReport(const ReportBytes& b) {
    return TouchReport{Word(b, 0), Word(b, 2), Word(b, 4), Word(b, 6), b[8], b[9], b[10], b[11]};
}

int32_t ComputeRTouch(const TouchReport& r) {
    if (r.Z1 == 0 || r.X == 0) return 0;
    const int32_t diff = static_cast<int32_t>(r.Z2) - static_cast<int32_t>(r.Z1);
    const float figure = static_cast<float>(static_cast<double>(diff) / r.Z1 * r.X);
    if (figure >= 2147483648.0f) return INT32_MAX;
    if (figure < -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(figure);
}
