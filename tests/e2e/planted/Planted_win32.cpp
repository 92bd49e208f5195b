// A DLL that must never load: the tests put copies of it beside the
// programs under the names of the system DLLs they take from the system
// folder. Loaded, it ends the process at once with an exit code the tests
// know.
#include <windows.h>

namespace {
constexpr UINT kPlantedExit = 77;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) ExitProcess(kPlantedExit);
    return TRUE;
}
