#include "tools/rtouchctl/PointsFile.h"

#include <vector>

#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/TextFields.h"
#include "tools/rtouchctl/TraceFile.h"

namespace {

std::string AtLine(size_t line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

}  // namespace

std::optional<CalPoints> ParsePoints(std::string_view text, std::string& error) {
    CalPoints points{};
    size_t count = 0;
    size_t lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::vector<std::string_view> f = SplitFields(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNumber;

        if (f.empty() || f[0][0] == '#') continue;
        if (f.size() != 2) {
            error = AtLine(lineNumber, "expected two values 'X Y'");
            return std::nullopt;
        }
        if (count == kCalPointCount) {
            error = AtLine(lineNumber, "more than " + std::to_string(kCalPointCount) + " points");
            return std::nullopt;
        }
        uint16_t* const coords[2] = {&points[count].X, &points[count].Y};
        for (size_t i = 0; i < 2; ++i) {
            uint32_t value = 0;
            if (!ParseUnsignedField(f[i], UINT16_MAX, value)) {
                error = AtLine(lineNumber, "bad value '" + std::string(f[i]) + "'");
                return std::nullopt;
            }
            *coords[i] = static_cast<uint16_t>(value);
        }
        ++count;
    }
    if (count != kCalPointCount) {
        // The point that is missing would have been on the line after the last.
        error = AtLine(lineNumber + 1, "end of file after " + std::to_string(count) + " points, expected " +
                                       std::to_string(kCalPointCount));
        return std::nullopt;
    }
    return points;
}

std::optional<CalPoints> LoadPointsFile(const std::string& path) {
    std::optional<std::string> text = ReadTextFile(path);
    if (!text) {
        UsageError("cannot read points file '" + path + "'");
        return std::nullopt;
    }
    std::string error;
    auto points = ParsePoints(*text, error);
    if (!points) UsageError(path + ": " + error);
    return points;
}
