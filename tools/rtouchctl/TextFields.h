// The line syntax shared by the tool's text files: blank-separated fields
// of unsigned decimals.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Splits a line at blanks, tabs and a trailing CR.
std::vector<std::string_view> SplitFields(std::string_view line);

// One unsigned decimal, digits only, at most `max`.
bool ParseUnsignedField(std::string_view text, uint32_t max, uint32_t& out);
