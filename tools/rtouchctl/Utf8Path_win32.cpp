#include <windows.h>

#include "tools/rtouchctl/Cli.h"

namespace {

std::wstring WideFromUtf8(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(n > 0 ? n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

}  // namespace

FilePath PathFromUtf8(const std::string& utf8) { return WideFromUtf8(utf8); }

std::FILE* OpenUtf8File(const std::string& utf8Path, const char* mode) {
    return _wfopen(PathFromUtf8(utf8Path).c_str(), WideFromUtf8(mode).c_str());
}
