#include <cstring>

#include "tools/rtouchctl/Cli.h"

FilePath PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::FILE* OpenUtf8File(const std::string& utf8Path, const char* mode) {
    return std::fopen(utf8Path.c_str(), mode);
}

std::string SystemMessage(uint32_t error) { return std::strerror(static_cast<int>(error)); }
