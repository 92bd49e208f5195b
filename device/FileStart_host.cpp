#include <cerrno>
#include <cstdio>
#include <system_error>

#include <unistd.h>

#include "device/FileStart.h"

namespace {

// The new file's name: `path` with ".~" and four hex digits.
FilePath BesideName(const FilePath& path, unsigned number) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, ".~%04x", number & 0xFFFF);
    FilePath beside = path;
    beside += suffix;
    return beside;
}

}  // namespace

FileStart ReadFileStart(const FilePath& path, size_t maxBytes) {
    FileStart out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        out.error = static_cast<uint32_t>(errno);
        return out;
    }
    out.opened = true;
    out.security.securityRead = true;
    out.security.owner = SidKind::Administrators;
    out.security.daclPresent = true;
    out.bytes.resize(maxBytes);
    const size_t got = std::fread(out.bytes.data(), 1, maxBytes, f);
    if (std::ferror(f)) {
        out.error = EIO;
        out.bytes.clear();
    } else {
        out.bytes.resize(got);
    }
    std::fclose(f);
    return out;
}

FolderFacts ReadFolderFacts(const FilePath&) {
    FolderFacts facts;
    facts.systemWindowsFolder = true;
    return facts;
}

ReplaceOutcome ReplaceFileWhole(const FilePath& path, std::span<const uint8_t> bytes, uint32_t* errorCode) {
    uint32_t ignored = 0;
    uint32_t& failure = errorCode ? *errorCode : ignored;
    failure = 0;
    const unsigned first = static_cast<unsigned>(getpid()) << 4;
    for (unsigned n = 0; n < kReplaceNameTries; ++n) {
        const FilePath beside = BesideName(path, first + n);
        // "x": created only when no file has that name.
        std::FILE* f = std::fopen(beside.c_str(), "wbx");
        if (!f) {
            failure = static_cast<uint32_t>(errno);
            if (errno == EEXIST) continue;
            return errno == ENAMETOOLONG ? ReplaceOutcome::NameTooLong : ReplaceOutcome::Failed;
        }
        bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        // Buffered bytes reach the file (or fail to) only here.
        ok = std::fclose(f) == 0 && ok;
        if (!ok) failure = static_cast<uint32_t>(errno);
        std::error_code error;
        const auto old = std::filesystem::status(path, error);
        if (ok && !error && std::filesystem::exists(old))
            std::filesystem::permissions(beside, old.permissions(), error);
        if (ok) std::filesystem::rename(beside, path, error);
        if (!ok || error) {
            if (ok) failure = static_cast<uint32_t>(error.value());
            std::filesystem::remove(beside, error);
            return ReplaceOutcome::Failed;
        }
        return ReplaceOutcome::Replaced;
    }
    return ReplaceOutcome::Failed;
}
