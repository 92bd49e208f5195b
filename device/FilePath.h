// A file name as the platform's file functions take it. On Windows a wide
// string goes straight to CreateFileW; std::filesystem::path would bring the
// C++ library's whole locale and stream code into every program (about
// 870 KB of a 1 MB rtouch.exe).
#pragma once

#ifdef _WIN32
#include <string>
using FilePath = std::wstring;
#else
#include <filesystem>
using FilePath = std::filesystem::path;
#endif
