#include <cerrno>
#include <cstdio>
#include <system_error>

#include "device/FileStart.h"

namespace {

// The name of the new file beside `path` until it takes its place.
FilePath BesideName(const FilePath& path) {
    FilePath beside = path;
    beside += ".new";
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

bool ReplaceFileWhole(const FilePath& path, std::span<const uint8_t> bytes) {
    const FilePath beside = BesideName(path);
    std::FILE* f = std::fopen(beside.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    // Buffered bytes reach the file (or fail to) only here.
    ok = std::fclose(f) == 0 && ok;
    std::error_code error;
    if (ok) std::filesystem::rename(beside, path, error);
    if (!ok || error) {
        std::filesystem::remove(beside, error);
        return false;
    }
    return true;
}
