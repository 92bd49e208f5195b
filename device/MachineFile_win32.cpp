#include "device/MachineFile_win32.h"

#include <sddl.h>

#include "device/FileReplace.h"

namespace {

struct KeepFiles {
    const FilePath& path;
    const FilePath& backup;
    std::span<const uint8_t> bytes;
    SECURITY_ATTRIBUTES* security;
    // Different for two processes and for each try.
    unsigned first;
    FilePath beside, oldName;
    DWORD error = 0;

    bool Failed() {
        if (!error) error = GetLastError();
        return false;
    }
};

KeepFiles& Files(void* c) { return *static_cast<KeepFiles*>(c); }

// `path` with ".~k" and four hex digits.
FilePath BesideName(const FilePath& path, unsigned number) {
    constexpr wchar_t kHex[] = L"0123456789abcdef";
    FilePath beside = path + L".~k";
    for (int shift = 12; shift >= 0; shift -= 4) beside += kHex[(number >> shift) & 0xF];
    return beside;
}

bool Taken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

bool WriteNew(KeepFiles& f) {
    for (unsigned n = 0; n < kReplaceNameTries; ++n) {
        const FilePath name = BesideName(f.path, f.first + n);
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, f.security, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (Taken(GetLastError())) continue;
            return f.Failed();
        }
        DWORD written = 0;
        bool ok = WriteFile(file, f.bytes.data(), static_cast<DWORD>(f.bytes.size()), &written, nullptr) &&
                  written == f.bytes.size() && FlushFileBuffers(file);
        if (!ok) f.Failed();
        ok = CloseHandle(file) && ok;
        if (!ok) {
            f.Failed();
            DeleteFileW(name.c_str());
            return false;
        }
        f.beside = name;
        return true;
    }
    return f.Failed();
}

// A second name for the old file: a hard link keeps it whole (owner,
// access list, streams); where the volume has none (FAT), a copy.
bool NameOld(KeepFiles& f) {
    for (unsigned n = 0; n < kReplaceNameTries; ++n) {
        const FilePath name = BesideName(f.path, f.first + kReplaceNameTries + n);
        if (!CreateHardLinkW(name.c_str(), f.path.c_str(), nullptr)) {
            if (Taken(GetLastError())) continue;
            if (!CopyFileW(f.path.c_str(), name.c_str(), TRUE)) {
                if (Taken(GetLastError())) continue;
                return f.Failed();
            }
        }
        f.oldName = name;
        return true;
    }
    return f.Failed();
}

bool MoveOver(KeepFiles& f, const FilePath& from, const FilePath& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
           f.Failed();
}

const KeepBackupOps kOps = {
    [](void* c) { return GetFileAttributesW(Files(c).path.c_str()) != INVALID_FILE_ATTRIBUTES; },
    [](void* c) { return WriteNew(Files(c)); },
    [](void* c) { return NameOld(Files(c)); },
    [](void* c) { return MoveOver(Files(c), Files(c).beside, Files(c).path); },
    [](void* c) { return MoveOver(Files(c), Files(c).oldName, Files(c).backup); },
    [](void* c) { return MoveOver(Files(c), Files(c).oldName, Files(c).path); },
    [](void* c) { DeleteFileW(Files(c).beside.c_str()); },
    [](void* c) { DeleteFileW(Files(c).oldName.c_str()); },
};

}  // namespace

ReplaceOutcome ReplaceMachineFile(const FilePath& path, std::span<const uint8_t> bytes,
                                  const FilePath& backup, DWORD& error) {
    error = 0;
    // Both names of this call, with their suffix, must fit.
    if (BesideName(path, 0).size() >= MAX_PATH || backup.size() >= MAX_PATH)
        return ReplaceOutcome::NameTooLong;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kMachineFileSecurity, SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        error = GetLastError();
        return ReplaceOutcome::Failed;
    }
    SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
    KeepFiles files{path, backup, bytes, &security, GetTickCount() ^ (GetCurrentProcessId() << 8), {}, {}};
    const ReplaceOutcome outcome = ReplaceKeepingBackup(kOps, &files);
    LocalFree(descriptor);
    error = files.error;
    return outcome;
}
