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
