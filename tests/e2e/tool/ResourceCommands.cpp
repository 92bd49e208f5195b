// The resources inside a program file, read as data.
#include "Commands.h"

#include <cstdio>

// Prints "id<TAB>text" for every id in the range; a missing string prints
// the id with an empty text.
int CmdStrings(wchar_t** argv) {
    HMODULE module = LoadLibraryExW(argv[0], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        std::fprintf(stderr, "cannot load %ls\n", argv[0]);
        return kFailed;
    }
    long long first = ParseNumber(argv[1]);
    long long last = ParseNumber(argv[2]);
    for (long long id = first; id <= last; ++id) {
        wchar_t text[256] = L"";
        LoadStringW(module, static_cast<UINT>(id), text, 256);
        PrintLine(std::to_wstring(id) + L"\t" + text);
    }
    FreeLibrary(module);
    return kOk;
}
