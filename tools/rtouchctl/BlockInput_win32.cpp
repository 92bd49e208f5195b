#include <windows.h>

#include "device/WinText_win32.h"
#include "tools/rtouchctl/BlockInput.h"
#include "tools/rtouchctl/Cli.h"

namespace {

const char kDevice[] = "it names a device, not a file";

// "\\.\PhysicalDrive0", "\\.\pipe\x", "\\?\GLOBALROOT\...": the device
// namespace. "\\?\C:\..." is only a long file name.
bool InDeviceNamespace(const FilePath& path) {
    auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.size() < 4 || !separator(path[0]) || !separator(path[1]) || !separator(path[3])) return false;
    if (path[2] == L'.') return true;
    if (path[2] != L'?') return false;
    return !(path.size() >= 6 && path[5] == L':');
}

enum class Opened { Plain, Missing, Refused };

// Opens `path` as itself (a link is not followed; a folder opens too, so
// that it can be named as one) and tells a plain file from the rest.
Opened OpenPlain(const FilePath& path, DWORD access, HANDLE& file, std::string& why) {
    if (InDeviceNamespace(path)) {
        why = kDevice;
        return Opened::Refused;
    }
    file = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        why = ErrorText(error);
        return error == ERROR_FILE_NOT_FOUND ? Opened::Missing : Opened::Refused;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    // CON, NUL, COM1 and pipes are no disk files.
    if (GetFileType(file) != FILE_TYPE_DISK)
        why = kDevice;
    else if (!GetFileInformationByHandle(file, &info))
        why = ErrorText(GetLastError());
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        why = "it is a folder";
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        why = "it is a link (a reparse point), not the file itself";
    else
        return Opened::Plain;
    CloseHandle(file);
    return Opened::Refused;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadPlainFileStart(const std::string& utf8Path, size_t maxBytes,
                                                       std::string& why) {
    HANDLE file = INVALID_HANDLE_VALUE;
    if (OpenPlain(PathFromUtf8(utf8Path), GENERIC_READ, file, why) != Opened::Plain) return std::nullopt;
    std::vector<uint8_t> bytes(maxBytes);
    size_t total = 0;
    while (total < maxBytes) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + total, static_cast<DWORD>(maxBytes - total), &got, nullptr)) {
            why = ErrorText(GetLastError());
            break;
        }
        if (got == 0) break;
        total += got;
    }
    CloseHandle(file);
    if (!why.empty()) return std::nullopt;
    bytes.resize(total);
    return bytes;
}

bool PlainFileOrNone(const std::string& utf8Path, std::string& why) {
    HANDLE file = INVALID_HANDLE_VALUE;
    switch (OpenPlain(PathFromUtf8(utf8Path), FILE_READ_ATTRIBUTES, file, why)) {
    case Opened::Plain:
        CloseHandle(file);
        return true;
    case Opened::Missing:
        return true;
    case Opened::Refused:
        return false;
    }
    return false;
}
