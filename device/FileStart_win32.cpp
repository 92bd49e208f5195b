#include <windows.h>

#include "device/FileStart.h"

namespace {

FilePath BesideName(const FilePath& path) {
    FilePath beside = path;
    beside += L".new";
    return beside;
}

bool WriteNewFile(const FilePath& path, std::span<const uint8_t> bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    ok = FlushFileBuffers(file) && ok;
    return CloseHandle(file) && ok;
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

bool ReplaceFileWhole(const FilePath& path, std::span<const uint8_t> bytes) {
    const FilePath beside = BesideName(path);
    if (WriteNewFile(beside, bytes) &&
        MoveFileExW(beside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(beside.c_str());
    return false;
}
