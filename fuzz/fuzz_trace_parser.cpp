// Any bytes as a trace file: a clean error naming a line, or entries whose
// reports format back to lines that parse to the same reports.
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/rtouchctl/TraceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto entries = ParseTrace(text, error);
    if (!entries) {
        if (error.rfind("line ", 0) != 0) std::abort();
        return 0;
    }
    for (const TraceEntry& e : *entries) {
        if (e.failed) continue;
        std::string again;
        auto round = ParseTrace(FormatTraceLine(e.report), again);
        if (!round || round->size() != 1 || std::memcmp((*round)[0].report, e.report, kTouchReportSize) != 0)
            std::abort();
    }
    return 0;
}
