#include "tools/rtouchctl/TextFields.h"

#include <charconv>

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
}  // namespace

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        const size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

bool ParseUnsignedField(std::string_view text, uint32_t max, uint32_t& out) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > max) return false;
    out = value;
    return true;
}

std::string AtLine(size_t line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

size_t ForEachRecord(std::string_view text, const std::function<bool(const Fields&, size_t)>& onRecord) {
    size_t lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const Fields fields = SplitFields(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNumber;
        if (fields.empty() || fields[0][0] == '#') continue;
        if (!onRecord(fields, lineNumber)) break;
    }
    return lineNumber;
}
