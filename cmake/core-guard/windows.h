// Found first on the portable core's include path, so that a core source that
// includes <windows.h> fails to build on every platform, not only on Linux.
#error "the portable core (device/, engine/, calibration/ without _win32) must not include <windows.h>"
