#include <windows.h>

#include "device/WinText_win32.h"
#include "tools/rtouchctl/Cli.h"

FilePath PathFromUtf8(const std::string& utf8) { return WideFromUtf8(utf8); }

std::FILE* OpenUtf8File(const std::string& utf8Path, const char* mode) {
    return _wfopen(PathFromUtf8(utf8Path).c_str(), WideFromUtf8(mode).c_str());
}

std::string SystemMessage(uint32_t error) { return ErrorText(error); }
