// The points file of `rtouchctl solve`: nine lines "X Y", the raw points of
// targets 0..8. Blank lines and '#' comment lines are skipped.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "calibration/CalibrationSession.h"

using CalPoints = std::array<CalSample, kCalPointCount>;

// Parses points text. On error returns nullopt and sets `error` to
// "line N: what is wrong".
std::optional<CalPoints> ParsePoints(std::string_view text, std::string& error);

// Reads and parses a points file; on error prints "rtouchctl: FILE: ..." on
// standard error and returns nullopt.
std::optional<CalPoints> LoadPointsFile(const std::string& path);
