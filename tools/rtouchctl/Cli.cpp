#include "tools/rtouchctl/Cli.h"

#include <algorithm>
#include <cstdio>

#include "device/ParameterFile.h"
#include "tools/rtouchctl/TextFields.h"

namespace {

bool ParseScreen(const std::string& text, std::pair<uint32_t, uint32_t>& out) {
    size_t x = text.find('x');
    if (x == std::string::npos) return false;
    return ParseUnsignedField(text.substr(0, x), UINT32_MAX, out.first) &&
           ParseUnsignedField(text.substr(x + 1), UINT32_MAX, out.second);
}

// The application uses the defaults silently; a person asking the tool is
// told, on standard error, so the output is never taken for the file's.
void WarnUnusedFile(const std::string& file, ParameterFileUse use, uint32_t error) {
    if (use == ParameterFileUse::Served) return;
    std::string why(UnusedReason(use));
    if (use == ParameterFileUse::CannotOpen) why += " (" + SystemMessage(error) + ")";
    std::fprintf(stderr, "rtouchctl: '%s' is not used, %s: the defaults instead\n", file.c_str(),
                 why.c_str());
}

}  // namespace

int UsageError(const std::string& message, const char* usage) {
    std::fprintf(stderr, "rtouchctl: %s\n", message.c_str());
    if (usage) std::fprintf(stderr, "usage: %s\n", usage);
    return kExitUsage;
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, size_t first,
                                    const OptionSet& accepted, size_t positionalCount, const char* usage) {
    Options o;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 1 && a[0] == '-') {
            if (std::find(accepted.begin(), accepted.end(), a) == accepted.end()) {
                UsageError("unknown option '" + a + "'", usage);
                return std::nullopt;
            }
            if (a == "--legacy") {
                o.legacy = true;
                continue;
            }
            if (a == "--hex") {
                o.hex = true;
                continue;
            }
            if (a == "--phases") {
                o.phases = true;
                continue;
            }
            if (i + 1 >= args.size()) {
                UsageError("option '" + a + "' needs a value", usage);
                return std::nullopt;
            }
            const std::string& v = args[++i];
            uint32_t n = 0;
            bool ok = true;
            if (a == "--params")
                o.params = v;
            else if (a == "--orientation") {
                ok = ParseUnsignedField(v, 3, n);
                o.orientation = static_cast<uint16_t>(n);
            } else if (a == "--screen") {
                std::pair<uint32_t, uint32_t> s;
                ok = ParseScreen(v, s);
                o.screen = s;
            } else if (a == "--rate") {
                ok = ParseUnsignedField(v, UINT32_MAX, n) && n > 0;
                o.rate = n;
            } else if (a == "--count") {
                ok = ParseUnsignedField(v, UINT32_MAX, n);
                o.count = n;
            }
            if (!ok) {
                UsageError("bad value '" + v + "' for option '" + a + "'", usage);
                return std::nullopt;
            }
        } else {
            o.positional.push_back(a);
        }
    }
    if (o.positional.size() > positionalCount) {
        UsageError("unexpected argument '" + o.positional[positionalCount] + "'", usage);
        return std::nullopt;
    }
    return o;
}

void LoadBlockFromOptions(const Options& options, ParameterBlock& defaults, ParameterBlock& live) {
    uint32_t error = 0;
    defaults = MakeDefaultParams();
    ChooseDefaultMap(defaults, options.legacy);
    if (options.params) {
        const ParameterFileUse use =
            LoadParameterFile(PathFromUtf8(*options.params), options.orientation, defaults, live, &error);
        WarnUnusedFile(*options.params, use, error);
    } else {
        LoadParameterBlock(std::nullopt, options.orientation, defaults, live);
    }
}

std::string BlockHex(const ParameterBlock& block) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * kParameterBlockSize);
    for (uint8_t b : BlockBytes(block)) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0xF]);
    }
    return out;
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
