#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <cstdio>

#include "device/SystemLibrary_win32.h"
#include "device/WinText_win32.h"
#include "tools/rtouchctl/Commands.h"

// Arguments arrive as UTF-16; the tool works on UTF-8 throughout.
int wmain(int argc, wchar_t** argv) {
    RestrictDllSearch();
    // Output bytes exactly as written: the system's message texts carry their
    // own CR LF, and trace or hex output must not change with the platform.
    _setmode(_fileno(stdout), _O_BINARY);
    Args args;
    for (int i = 0; i < argc; ++i) args.push_back(NarrowFromWide(argv[i]));
    return RunRtouchctl(args);
}
