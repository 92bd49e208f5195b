// The line syntax shared by the tool's text files: blank-separated fields
// of unsigned decimals, one record a line, with blank and '#' comment lines.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/rtouchctl/Cli.h"

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

// Reads a whole file as bytes; nullopt when it cannot be read.
std::optional<std::string> ReadTextFile(const std::string& path);

// Reads `path` and parses it. On failure prints "rtouchctl: cannot read
// <kind> file 'PATH'" or "rtouchctl: PATH: line N: ..." on standard error
// and returns nullopt.
template <class Parsed>
std::optional<Parsed> LoadTextFile(const std::string& path, const char* kind,
                                   std::optional<Parsed> (*parse)(std::string_view, std::string&)) {
    const std::optional<std::string> text = ReadTextFile(path);
    if (!text) {
        UsageError(std::string("cannot read ") + kind + " file '" + path + "'");
        return std::nullopt;
    }
    std::string error;
    std::optional<Parsed> parsed = parse(*text, error);
    if (!parsed) UsageError(path + ": " + error);
    return parsed;
}
