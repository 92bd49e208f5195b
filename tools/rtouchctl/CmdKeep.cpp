// rtouchctl save and keep: a checked block written whole, or nothing.
#include <cstdio>

#include "device/FileStart.h"
#include "tools/rtouchctl/BlockInput.h"
#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"
#include "tools/rtouchctl/Keep.h"
#include "tools/rtouchctl/Live.h"

namespace {

const char kSaveUsage[] = "rtouchctl save [FILE-IN] FILE";
const char kKeepUsage[] = "rtouchctl keep [FILE-IN]";

// The block to write, from FILE-IN or else the copy of this session, once
// it passes the check; nullopt after the message, with the exit status in
// `status`.
std::optional<BlockImage> CheckedSource(const std::string* input, int& status) {
    std::optional<BlockImage> image = input ? ReadBlockInput(*input) : FetchLiveBlock(status);
    if (!image) {
        if (input) status = kExitUsage;
        return std::nullopt;
    }
    const std::vector<BlockFault> faults = CheckBlock(*image);
    if (faults.empty()) return image;
    PrintCheckRefusal(input ? *input : "the live block", faults);
    status = kExitCheckFailed;
    return std::nullopt;
}

int SaveFailed(const std::string& file, const std::string& cause) {
    std::fprintf(stderr, "rtouchctl: cannot write '%s': %s; it is as it was\n", file.c_str(), cause.c_str());
    return kExitWriteFailed;
}

}  // namespace

int CmdSave(const Args& args) {
    const std::optional<Options> o = ParseOptions(args, 2, {}, 2, kSaveUsage);
    if (!o) return kExitUsage;
    if (o->positional.empty()) return UsageError("missing parameters file", kSaveUsage);
    const std::string& target = o->positional.back();
    int status = kExitOk;
    const std::optional<BlockImage> image =
        CheckedSource(o->positional.size() == 2 ? &o->positional[0] : nullptr, status);
    if (!image) return status;
    std::string why;
    if (!PlainFileOrNone(target, why)) return SaveFailed(target, why);
    uint32_t error = 0;
    switch (ReplaceFileWhole(PathFromUtf8(target), *image, &error)) {
    case ReplaceOutcome::Replaced:
        return kExitOk;
    case ReplaceOutcome::NameTooLong:
        return SaveFailed(target, "the name is too long");
    case ReplaceOutcome::Failed:
        break;
    }
    return SaveFailed(target, error ? SystemMessage(error) : "the system gave no reason");
}

int CmdKeep(const Args& args) {
    const std::optional<Options> o = ParseOptions(args, 2, {}, 1, kKeepUsage);
    if (!o) return kExitUsage;
    if (!HoldsAdministratorRights()) {
        std::fprintf(
            stderr,
            "rtouchctl: keep needs an administrator's rights (an elevated prompt); nothing written\n");
        return kExitNotAdministrator;
    }
    int status = kExitOk;
    const std::optional<BlockImage> image =
        CheckedSource(o->positional.empty() ? nullptr : &o->positional[0], status);
    if (!image) return status;
    return KeepBlock(*image);
}
