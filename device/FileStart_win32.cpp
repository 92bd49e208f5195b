#include <windows.h>

#include "device/FileReplace.h"
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

// A name beside `path` that no file has now, other than `taken`; empty when
// every try found one.
FilePath FreeBesideName(const FilePath& path, unsigned first, const FilePath& taken) {
    for (unsigned n = 0; n < kReplaceNameTries; ++n) {
        FilePath name = BesideName(path, first + n);
        if (name == taken) continue;
        if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND)
            return name;
    }
    return {};
}

// Swaps `beside` for the file at `path`, which goes to `backup`.
// ReplaceFileW keeps what the old file carried (its owner, permissions,
// named streams, and the links and identity of the name); a file whose
// permissions cannot be merged is still replaced. It is given a backup name
// so that a swap that fails halfway leaves the old file where this program
// knows it: without one, the old file would stay under a name of the
// system's choosing.
SwapAnswer Swap(const FilePath& beside, const FilePath& path, const FilePath& backup) {
    if (ReplaceFileW(path.c_str(), beside.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr))
        return SwapAnswer::Swapped;
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND: return SwapAnswer::NoOldFile;
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: return SwapAnswer::OldAtBackup;
    // ERROR_UNABLE_TO_MOVE_REPLACEMENT with a backup name, and every other
    // failure: both files keep their names.
    default: return SwapAnswer::NothingMoved;
    }
}

struct SwapFiles {
    const FilePath& beside;
    const FilePath& path;
    const FilePath& backup;
};

bool MoveInto(const FilePath& from, const FilePath& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

const SwapFinishOps kSwapFinish = {
    [](void* c) {
        const auto& f = *static_cast<SwapFiles*>(c);
        return MoveInto(f.beside, f.path);
    },
    [](void* c) {
        const auto& f = *static_cast<SwapFiles*>(c);
        return MoveInto(f.backup, f.path);
    },
    [](void* c) { DeleteFileW(static_cast<SwapFiles*>(c)->beside.c_str()); },
    [](void* c) { DeleteFileW(static_cast<SwapFiles*>(c)->backup.c_str()); },
};

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
        const FilePath backup = FreeBesideName(path, first + n + 1, beside);
        if (!WriteAll(file, bytes) || backup.empty()) {
            DeleteFileW(beside.c_str());
            return ReplaceOutcome::Failed;
        }
        SwapFiles files{beside, path, backup};
        const ReplaceOutcome outcome = FinishSwap(Swap(beside, path, backup), kSwapFinish, &files);
        if (outcome == ReplaceOutcome::Replaced && attributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesW(path.c_str(), attributes);
        return outcome;
    }
    return ReplaceOutcome::Failed;
}
