// Command-line handling shared by the rtouchctl subcommands.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/FilePath.h"
#include "device/ParameterBlock.h"

constexpr int kExitOk = 0;
constexpr int kExitAbsent = 1;
constexpr int kExitUsage = 2;
// Keeping a calibration (live, check, save, keep, open).
constexpr int kExitNoCopy = 3;            // no rtouch copy in the caller's session
constexpr int kExitCheckFailed = 4;       // the block check failed
constexpr int kExitWriteFailed = 5;       // not written (or not opened): the target is as it was
constexpr int kExitNotAdministrator = 6;  // keep without an administrator's rights

struct Options {
    std::optional<std::string> params;                    // --params FILE
    uint16_t orientation = 0;                             // --orientation N
    bool legacy = false;                                  // --legacy
    bool hex = false;                                     // --hex
    bool phases = false;                                  // --phases
    std::optional<std::pair<uint32_t, uint32_t>> screen;  // --screen WxH
    std::optional<uint32_t> rate;                         // --rate N
    std::optional<uint32_t> count;                        // --count N
    std::vector<std::string> positional;
};

// Option names a subcommand accepts, e.g. {"--params", "--hex"}.
using OptionSet = std::vector<std::string>;
inline const OptionSet kBlockOptions = {"--params", "--orientation", "--legacy"};

// Parses argv[first..] for one subcommand. On error prints one line on
// standard error and returns nullopt (the caller exits with kExitUsage).
std::optional<Options> ParseOptions(const std::vector<std::string>& args, size_t first,
                                    const OptionSet& accepted, size_t positionalCount, const char* usage);

// Loads the live and default blocks as the application does at start-up,
// from --params, --orientation and --legacy.
void LoadBlockFromOptions(const Options& options, ParameterBlock& defaults, ParameterBlock& live);

// The readable field list of `params` and `live`.
void PrintBlockFields(const ParameterBlock& block);

// The block as 360 lowercase hexadecimal digits, byte 0 first.
std::string BlockHex(const ParameterBlock& block);

// Prints "rtouchctl: <message>" on standard error; returns kExitUsage.
int UsageError(const std::string& message, const char* usage = nullptr);

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

// The platform's file name for a UTF-8 path.
FilePath PathFromUtf8(const std::string& utf8);
// The system's message for an error code of the platform's file calls.
std::string SystemMessage(uint32_t error);
// fopen of a UTF-8 path (any name Windows allows, not only the ANSI ones).
std::FILE* OpenUtf8File(const std::string& utf8Path, const char* mode);

// What a command on one input file starts from: its options, the file's
// contents and the blocks as the application would load them.
template <class Input>
struct FileCommand {
    Options options;
    Input input;
    ParameterBlock defaults, live;
};

// The opening of such a command: the block options plus `extraOptions`, one
// file argument, read with `load` (`kind` names the file when it is
// missing). nullopt after the error is printed: exit with kExitUsage.
template <class Input>
std::optional<FileCommand<Input>> OpenFileCommand(const std::vector<std::string>& args,
                                                  const OptionSet& extraOptions, const char* usage,
                                                  const char* kind,
                                                  std::optional<Input> (*load)(const std::string&)) {
    OptionSet accepted = kBlockOptions;
    accepted.insert(accepted.end(), extraOptions.begin(), extraOptions.end());
    std::optional<Options> o = ParseOptions(args, 2, accepted, 1, usage);
    if (!o) return std::nullopt;
    if (o->positional.empty()) {
        UsageError(std::string("missing ") + kind + " file", usage);
        return std::nullopt;
    }
    std::optional<Input> input = load(o->positional[0]);
    if (!input) return std::nullopt;
    FileCommand<Input> command{*o, std::move(*input), {}, {}};
    LoadBlockFromOptions(command.options, command.defaults, command.live);
    return command;
}
