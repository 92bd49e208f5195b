// The line syntax shared by the tool's text files: blank-separated fields
// of unsigned decimals, one record a line, with blank and '#' comment lines.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Splits a line at blanks, tabs and a trailing CR.
std::vector<std::string_view> SplitFields(std::string_view line);

// One unsigned decimal, digits only, at most `max`.
bool ParseUnsignedField(std::string_view text, uint32_t max, uint32_t& out);

using Fields = std::vector<std::string_view>;

// "line N: what", the form of every parse error.
std::string AtLine(size_t line, const std::string& what);

// Hands the fields of every line that holds data to `onRecord`, with its
// 1-based line number; blank lines and lines whose first field starts with
// '#' are skipped. Stops at the first record `onRecord` refuses (false).
// Returns the number of lines read.
size_t ForEachRecord(std::string_view text, const std::function<bool(const Fields&, size_t)>& onRecord);
