#include "tools/rtouchctl/TraceFile.h"

#include <cstdio>

#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/TextFields.h"

namespace {

constexpr size_t kTraceFields = 8;
constexpr size_t kWideFields = 4;  // X, Y, Z1, Z2 are 16-bit; the Dist fields 8-bit

}  // namespace

std::optional<std::vector<TraceEntry>> ParseTrace(std::string_view text, std::string& error) {
    std::string problem;  // set where a line is refused
    std::vector<TraceEntry> entries;
    ForEachRecord(text, [&](const Fields& f, size_t lineNumber) {
        TraceEntry e{false, {}, lineNumber};
        if (f.size() == 1 && f[0] == "fail") {
            e.failed = true;
            entries.push_back(e);
            return true;
        }
        if (f.size() != kTraceFields) {
            problem = AtLine(lineNumber, "expected 8 values or 'fail'");
            return false;
        }
        for (size_t i = 0; i < kTraceFields; ++i) {
            uint32_t v = 0;
            const bool wide = i < kWideFields;
            if (!ParseUnsignedField(f[i], wide ? UINT16_MAX : UINT8_MAX, v)) {
                problem = AtLine(lineNumber, "bad value '" + std::string(f[i]) + "'");
                return false;
            }
            if (wide) {
                e.report[2 * i] = static_cast<uint8_t>(v);
                e.report[2 * i + 1] = static_cast<uint8_t>(v >> 8);
            } else {
                e.report[kWideFields + i] = static_cast<uint8_t>(v);
            }
        }
        entries.push_back(e);
        return true;
    });
    if (!problem.empty()) {
        error = problem;
        return std::nullopt;
    }
    return entries;
}

std::optional<std::vector<TraceEntry>> LoadTraceFile(const std::string& path) {
    return LoadTextFile(path, "trace", ParseTrace);
}

std::string FormatTraceLine(const ReportBytes& r) {
    char line[64];
    std::snprintf(line, sizeof line, "%u %u %u %u %u %u %u %u", r[0] | r[1] << 8, r[2] | r[3] << 8,
                  r[4] | r[5] << 8, r[6] | r[7] << 8, r[8], r[9], r[10], r[11]);
    return line;
}
