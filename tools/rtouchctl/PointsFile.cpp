#include "tools/rtouchctl/PointsFile.h"

#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/TextFields.h"

std::optional<CalPoints> ParsePoints(std::string_view text, std::string& error) {
    std::string problem;  // set where a line is refused
    CalPoints points{};
    size_t count = 0;
    const size_t lines = ForEachRecord(text, [&](const Fields& f, size_t lineNumber) {
        if (f.size() != 2) {
            problem = AtLine(lineNumber, "expected two values 'X Y'");
            return false;
        }
        if (count == kCalPointCount) {
            // A string first, not the literal: GCC 12's -O3 sees a false overlap
            // (-Wrestrict) in a literal put before a temporary string.
            problem =
                AtLine(lineNumber, std::string("more than ") + std::to_string(kCalPointCount) + " points");
            return false;
        }
        uint16_t* const coords[2] = {&points[count].X, &points[count].Y};
        for (size_t i = 0; i < 2; ++i) {
            uint32_t value = 0;
            if (!ParseUnsignedField(f[i], UINT16_MAX, value)) {
                problem = AtLine(lineNumber, "bad value '" + std::string(f[i]) + "'");
                return false;
            }
            *coords[i] = static_cast<uint16_t>(value);
        }
        ++count;
        return true;
    });
    if (!problem.empty()) {
        error = problem;
        return std::nullopt;
    }
    if (count != kCalPointCount) {
        // The point that is missing would have been on the line after the last.
        error = AtLine(lines + 1, "end of file after " + std::to_string(count) + " points, expected " +
                                      std::to_string(kCalPointCount));
        return std::nullopt;
    }
    return points;
}

std::optional<CalPoints> LoadPointsFile(const std::string& path) {
    return LoadTextFile(path, "points", ParsePoints);
}
