#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <cstdio>

#include "tools/rtouchctl/Commands.h"

// Arguments arrive as UTF-16; the tool works on UTF-8 throughout.
int wmain(int argc, wchar_t** argv) {
    // Output bytes exactly as written: the system's message texts carry their
    // own CR LF, and trace or hex output must not change with the platform.
    _setmode(_fileno(stdout), _O_BINARY);
    Args args;
    for (int i = 0; i < argc; ++i) {
        int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string s(n > 0 ? n - 1 : 0, '\0');
        if (n > 1) WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, s.data(), n, nullptr, nullptr);
        args.push_back(s);
    }
    return RunRtouchctl(args);
}
