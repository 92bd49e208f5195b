// The trace file: one touch report per line as eight unsigned decimals
// "X Y Z1 Z2 Dist1 Dist2 Dist1Base Dist2Base", or "fail" for a failed read.
// Blank lines and '#' comment lines are skipped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DriverChannel.h"

struct TraceEntry {
    bool failed;         // a read that failed: no report
    ReportBytes report;  // the report's 12 bytes, little-endian
    size_t lineNumber;   // 1-based line in the file
};

// Parses trace text. On error returns nullopt and sets `error` to
// "line N: what is wrong".
std::optional<std::vector<TraceEntry>> ParseTrace(std::string_view text, std::string& error);

// Reads and parses a trace file; on error prints "rtouchctl: FILE: ..." on
// standard error and returns nullopt.
std::optional<std::vector<TraceEntry>> LoadTraceFile(const std::string& path);

// One report as a trace line (no line break).
std::string FormatTraceLine(const ReportBytes& report);
