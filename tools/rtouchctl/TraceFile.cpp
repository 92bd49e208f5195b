#include "tools/rtouchctl/TraceFile.h"

#include <cstdio>

#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/TextFields.h"

std::optional<std::vector<TraceEntry>> ParseTrace(std::string_view text, std::string& error) {
    std::vector<TraceEntry> entries;
    size_t lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;

        std::vector<std::string_view> f = SplitFields(line);
        if (f.empty() || f[0][0] == '#') continue;
        TraceEntry e{false, {}, lineNumber};
        if (f.size() == 1 && f[0] == "fail") {
            e.failed = true;
            entries.push_back(e);
            continue;
        }
        if (f.size() != 8) {
            error = "line " + std::to_string(lineNumber) + ": expected 8 values or 'fail'";
            return std::nullopt;
        }
        for (size_t i = 0; i < 8; ++i) {
            uint32_t v = 0;
            const bool wide = i < 4;  // X, Y, Z1, Z2 are 16-bit; the Dist fields 8-bit
            if (!ParseUnsignedField(f[i], wide ? 65535 : 255, v)) {
                error = "line " + std::to_string(lineNumber) + ": bad value '" + std::string(f[i]) + "'";
                return std::nullopt;
            }
            if (wide) {
                e.report[2 * i] = static_cast<uint8_t>(v);
                e.report[2 * i + 1] = static_cast<uint8_t>(v >> 8);
            } else {
                e.report[4 + i] = static_cast<uint8_t>(v);
            }
        }
        entries.push_back(e);
    }
    return entries;
}

std::optional<std::string> ReadTextFile(const std::string& path) {
    std::FILE* f = OpenUtf8File(path, "rb");
    if (!f) return std::nullopt;
    std::string text;
    char chunk[4096];
    while (size_t n = std::fread(chunk, 1, sizeof chunk, f)) text.append(chunk, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    return text;
}

std::optional<std::vector<TraceEntry>> LoadTraceFile(const std::string& path) {
    std::optional<std::string> text = ReadTextFile(path);
    if (!text) {
        UsageError("cannot read trace file '" + path + "'");
        return std::nullopt;
    }
    std::string error;
    auto entries = ParseTrace(*text, error);
    if (!entries) UsageError(path + ": " + error);
    return entries;
}

std::string FormatTraceLine(const ReportBytes& r) {
    char line[64];
    std::snprintf(line, sizeof line, "%u %u %u %u %u %u %u %u", r[0] | r[1] << 8, r[2] | r[3] << 8,
                  r[4] | r[5] << 8, r[6] | r[7] << 8, r[8], r[9], r[10], r[11]);
    return line;
}
