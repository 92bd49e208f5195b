#include <windows.h>

#include "device/FileStart.h"

namespace {

// The new file's name: `path` with ".~" and four hex digits.
FilePath BesideName(const FilePath& path, unsigned number) {
    constexpr wchar_t kHex[] = L"0123456789abcdef";
    FilePath beside = path;
    beside += L".~";
    for (int shift = 12; shift >= 0; shift -= 4) beside += kHex[(number >> shift) & 0xF];
    return beside;
}

bool WriteAll(HANDLE file, std::span<const uint8_t> bytes) {
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    ok = FlushFileBuffers(file) && ok;
    return CloseHandle(file) && ok;
}

// Puts `beside` in the place of `path`. ReplaceFileW keeps what the old
// file carried (its owner, permissions, named streams, and the links and
// identity of the name); a file whose permissions cannot be merged is still
// replaced. A plain move is used only where ReplaceFileW says the place is
// free: no file there yet, or the old file already moved out of the way.
bool PutInPlace(const FilePath& beside, const FilePath& path) {
    if (ReplaceFileW(path.c_str(), beside.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        return MoveFileExW(beside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    default:
        return false;
    }
}

}  // namespace

FileStart ReadFileStart(const FilePath& path, size_t maxBytes) {
    FileStart out;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        out.error = GetLastError();
        return out;
    }
    out.opened = true;
    out.bytes.resize(maxBytes);
    DWORD got = 0;
    if (ReadFile(file, out.bytes.data(), static_cast<DWORD>(maxBytes), &got, nullptr)) {
        out.bytes.resize(got);
    } else {
        out.error = GetLastError();
        out.bytes.clear();
    }
    CloseHandle(file);
    return out;
}

ReplaceOutcome ReplaceFileWhole(const FilePath& path, std::span<const uint8_t> bytes) {
    // Different for two processes saving at once, and for each try.
    const unsigned first = GetTickCount() ^ (GetCurrentProcessId() << 8);
    for (unsigned n = 0; n < kReplaceNameTries; ++n) {
        const FilePath beside = BesideName(path, first + n);
        // MAX_PATH counts the terminator; longer names fail in every call.
        if (beside.size() >= MAX_PATH) return ReplaceOutcome::NameTooLong;
        HANDLE file = CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return error == ERROR_FILENAME_EXCED_RANGE ? ReplaceOutcome::NameTooLong : ReplaceOutcome::Failed;
        }
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (WriteAll(file, bytes) && PutInPlace(beside, path)) {
            if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path.c_str(), attributes);
            return ReplaceOutcome::Replaced;
        }
        DeleteFileW(beside.c_str());
        return ReplaceOutcome::Failed;
    }
    return ReplaceOutcome::Failed;
}
