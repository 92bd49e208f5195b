// Any bytes as a points file: a clean error naming a line, or exactly nine
// points that print back to a file parsing to the same points.
#include <string>

#include "fuzz/FuzzSupport.h"
#include "tools/rtouchctl/PointsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<CalPoints> points = ParsePoints(text, error);
    if (!points) {
        FUZZ_CHECK(error.rfind("line ", 0) == 0);
        return 0;
    }
    FUZZ_CHECK(error.empty());
    std::string again;
    for (const CalSample& p : *points) again += std::to_string(p.X) + " " + std::to_string(p.Y) + "\n";
    const std::optional<CalPoints> round = ParsePoints(again, error);
    FUZZ_CHECK(round.has_value());
    for (size_t i = 0; i < kCalPointCount; ++i)
        FUZZ_CHECK((*round)[i].X == (*points)[i].X && (*round)[i].Y == (*points)[i].Y);
    return 0;
}
